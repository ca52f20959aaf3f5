#include "launch/launch.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "flow/dialogs.h"
#include "flow/locking.h"
#include "launch/launch_texts.h"
#include "platform/environment.h"
#include "platform/file_ops.h"
#include "platform/links.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace drydock::launch {

namespace {

using platform::PathFromUtf8;
using platform::PathToUtf8;

constexpr std::string_view kBatchFirstLine = "@Echo Off\r\n";
// "/D" changes the drive too: the command interpreter starts in Drydock's
// own folder, which may lie on another drive than the game.
constexpr std::string_view kBatchChangeDir = "CD /D ";
// What a line that changes the folder starts with, in every launch file Drydock wrote.
constexpr std::string_view kBatchChangeDirStart = "CD ";
constexpr std::string_view kLineEnd = "\r\n";
// A launch file is three short lines; anything this long is someone else's.
constexpr std::size_t kMaxBatchBytes = 64 * 1024;
// Characters that end or split a command interpreter's argument unless quoted.
constexpr std::string_view kBatchSpecial = " \t&|<>^(),;=";
// What is shown of a failed game's standard error: its last lines, within a few hundred bytes.
constexpr std::size_t kGameErrorBytes = 600;
constexpr std::size_t kGameErrorLines = 6;
constexpr auto kWatchTick = std::chrono::milliseconds(100);

void Tell(flow::Dialogs& dialogs, const std::string& text, const std::string& title) {
  dialogs.Ask(text, title, flow::Buttons::Ok, flow::Icon::Exclamation);
}

// The link (with where it points) that a write of `file` into the game would
// pass through, as the user is told of it; nothing when there is none. The
// game folder itself may be a link: only what lies below it counts.
std::optional<std::string> LinkOnTheWay(const fs::path& gameDir, const fs::path& file) {
  const std::optional<platform::LinkOnPath> link = platform::FirstLinkBelow(gameDir, file);
  if (!link) return std::nullopt;
  return platform::DescribeLink(gameDir, *link);
}

// The game's folder when it is set and exists; otherwise the user is told.
std::optional<fs::path> ExistingGameDir(const std::optional<fs::path>& gameDir, flow::Dialogs& dialogs) {
  if (gameDir && !gameDir->empty() && platform::IsFolder(*gameDir)) return gameDir;
  Tell(dialogs, texts::kNoGameDir, texts::kNoGameDirTitle);
  return std::nullopt;
}

// The game's executable as the folder lists it, or "" when it has none.
std::string GameExeName(const fs::path& gameDir) {
  const std::string wanted = platform::ToLowerAscii(kGameExe);
  for (const std::string& name : platform::ListPlainFiles(gameDir)) {
    if (platform::ToLowerAscii(name) == wanted) return name;
  }
  return {};
}

// The game's writer lock, waited for through `runLong`; nothing (the user was told) when another run holds it.
std::optional<platform::WriterLock> LockGame(const fs::path& gameDir, std::chrono::milliseconds wait,
                                             const RunLongFn& runLong, flow::Dialogs& dialogs,
                                             const std::string& title) {
  std::error_code failure;
  std::optional<platform::WriterLock> lock;
  const auto take = [&] { lock = platform::WriterLock::Acquire({gameDir}, wait, &failure); };
  runLong ? runLong(take) : take();
  if (!lock) Tell(dialogs, flow::LockFailureText(failure), title);
  return lock;
}

// The last few lines of `errors`.
std::string LastLines(std::string errors) {
  while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) errors.pop_back();
  std::size_t start = errors.size();
  for (std::size_t lines = 0; start > 0 && lines < kGameErrorLines; ++lines) {
    const std::size_t lineEnd = errors.rfind('\n', start - 1);
    start = lineEnd == std::string::npos ? 0 : lineEnd;
  }
  return errors.substr(start == 0 ? 0 : start + 1);
}

bool IsWinePrefix(const fs::path& folder) { return platform::IsFile(folder / "system.reg"); }

// The prefix whose drive_c (in any letter case) holds `folder`.
std::optional<fs::path> PrefixHolding(fs::path folder) {
  if (!folder.has_filename()) folder = folder.parent_path();
  for (; folder.has_filename(); folder = folder.parent_path()) {
    if (platform::EqualsIgnoreCase(PathToUtf8(folder.filename()), "drive_c") && IsWinePrefix(folder.parent_path())) {
      return folder.parent_path();
    }
  }
  return std::nullopt;
}

// The Wine prefix the game belongs to, or nothing to leave Wine's own choice.
// A prefix holding the game folder wins over the registry's, which a game
// folder chosen later need not lie in.
std::optional<fs::path> GamePrefix(const fs::path& gameDir, const fs::path& registryPrefix) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(gameDir, ec).lexically_normal();
  if (auto prefix = PrefixHolding(absolute)) return prefix;
  // The game folder may be a link into a prefix.
  const fs::path canonical = fs::canonical(gameDir, ec);
  if (!ec && canonical != absolute) {
    if (auto prefix = PrefixHolding(canonical)) return prefix;
  }
  if (!registryPrefix.empty() && IsWinePrefix(registryPrefix)) return registryPrefix;
  return std::nullopt;
}

Started LaunchThroughWine(const fs::path& gameDir, const std::string& exeName, platform::Shell& shell,
                          flow::Dialogs& dialogs, const fs::path& registryPrefix) {
  const std::optional<fs::path> wine = platform::FindProgram("wine");
  if (!wine) {
    Tell(dialogs, texts::kNoWine, texts::kNoWineTitle);
    return {};
  }
  platform::EnvironmentVariables environment;
  if (const auto prefix = GamePrefix(gameDir, registryPrefix))
    environment.emplace_back("WINEPREFIX", PathToUtf8(*prefix));
  Started launch{true, shell.StartProgram(*wine, {exeName}, gameDir, environment), "wine " + exeName};
  if (!launch.game) {
    Tell(dialogs, texts::WineNotStarted(PathToUtf8(*wine)), texts::kLaunchTitle);
    return {};
  }
  return launch;
}

// Writes the launch file (replacing only one that Drydock wrote) and opens it.
Started LaunchThroughBatchFile(const fs::path& gameDir, platform::Shell& shell, flow::Dialogs& dialogs,
                               const RunLongFn& runLong) {
  const std::string longDir = PathToUtf8(gameDir);
  const std::optional<std::string> text =
      platform::ToSystemCodePage(LaunchBatchText(platform::ShortPathName(gameDir), longDir));
  if (!text) {
    Tell(dialogs, texts::PathNotInCodePage(longDir), texts::kLaunchTitle);
    return {};
  }
  const std::optional<platform::WriterLock> lock =
      LockGame(gameDir, platform::WriterLock::kDefaultWait, runLong, dialogs, texts::kLaunchTitle);
  if (!lock) return {};
  const fs::path batchFile = gameDir / PathFromUtf8(kLaunchBatchName);
  if (const std::optional<std::string> link = LinkOnTheWay(gameDir, batchFile)) {
    Tell(dialogs, texts::BatchThroughLink(*link), texts::kLaunchTitle);
    return {};
  }
  const bool present = platform::EntryExists(batchFile);
  const auto isOurs = [&] {
    if (platform::IsLink(batchFile) || !platform::IsFile(batchFile)) return false;
    const std::string bytes = platform::ReadFileBytes(batchFile, kMaxBatchBytes);
    return bytes.size() < kMaxBatchBytes && IsLaunchBatchText(bytes);
  };
  if (present && !isOurs()) {
    Tell(dialogs, texts::BatchNotOurs(PathToUtf8(batchFile)), texts::kLaunchTitle);
    return {};
  }
  if (const platform::FsResult written = platform::WriteFileAtomic(batchFile, *text, /*replace=*/present); !written) {
    Tell(dialogs, texts::BatchNotWritten(written.Message()), texts::kLaunchTitle);
    return {};
  }
  if (!OpenOrTell(shell, dialogs, PathToUtf8(batchFile))) return {};
  return {true, nullptr, std::string(kLaunchBatchName)};
}

}  // namespace

std::string LaunchBatchText(const std::optional<std::string>& shortGameDir, std::string_view longGameDir) {
  const bool hasShort = shortGameDir && !shortGameDir->empty();
  const std::string_view dir = hasShort ? std::string_view(*shortGameDir) : longGameDir;
  const bool quoted = !hasShort || dir.find_first_of(kBatchSpecial) != std::string_view::npos;
  std::string target = quoted ? "\"" : "";
  for (const char c : dir) {
    if (c == '%') target += '%';  // a batch file reads "%%" as one percent sign
    target += c;
  }
  if (quoted) target += '"';
  return std::string(kBatchFirstLine) + std::string(kBatchChangeDir) + target + std::string(kLineEnd) +
         std::string(kGameExe) + std::string(kLineEnd);
}

bool IsLaunchBatchText(std::string_view text) {
  const std::string lastLine = std::string(kGameExe) + std::string(kLineEnd);
  if (text.size() <= kBatchFirstLine.size() + lastLine.size() || !text.starts_with(kBatchFirstLine) ||
      !text.ends_with(lastLine)) {
    return false;
  }
  const std::string_view middle =
      text.substr(kBatchFirstLine.size(), text.size() - kBatchFirstLine.size() - lastLine.size());
  return middle.starts_with(kBatchChangeDirStart) && middle.ends_with(kLineEnd) &&
         middle.find_first_of("\r\n") == middle.size() - kLineEnd.size();
}

Started LaunchGame(const std::optional<fs::path>& gameDir, platform::Shell& shell, flow::Dialogs& dialogs,
                   const fs::path& registryPrefix, platform::GameHost host, const RunLongFn& runLong) {
  const std::optional<fs::path> dir = ExistingGameDir(gameDir, dialogs);
  if (!dir) return {};
  const std::string exeName = GameExeName(*dir);
  if (exeName.empty()) {
    Tell(dialogs, texts::NoGameExe(PathToUtf8(*dir)), texts::kLaunchTitle);
    return {};
  }
  return host == platform::GameHost::Wine ? LaunchThroughWine(*dir, exeName, shell, dialogs, registryPrefix)
                                          : LaunchThroughBatchFile(*dir, shell, dialogs, runLong);
}

bool TellGameEnd(const Started& launch, platform::WatchedProgram& game, const std::optional<platform::ProgramEnd>& end,
                 flow::Dialogs& dialogs) {
  if (!end || !end->Failed()) return true;
  Tell(dialogs,
       texts::GameEndedAtOnce(launch.command, platform::DescribeEnd(*end), LastLines(game.ErrorTail(kGameErrorBytes))),
       texts::kLaunchTitle);
  return false;
}

bool WatchGame(const Started& launch, flow::Dialogs& dialogs, std::chrono::milliseconds grace) {
  if (!launch.game) return true;
  const auto deadline = std::chrono::steady_clock::now() + grace;
  std::optional<platform::ProgramEnd> end;
  while (!(end = launch.game->Ended()) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kWatchTick);
  }
  return TellGameEnd(launch, *launch.game, end, dialogs);
}

bool OpenOrTell(platform::Shell& shell, flow::Dialogs& dialogs, const std::string& pathOrAddress) {
  const platform::OpenResult opened = shell.ShellOpen(pathOrAddress);
  if (!opened) TellNotOpened(dialogs, pathOrAddress, opened.reason);
  return opened.opened;
}

void TellNotOpened(flow::Dialogs& dialogs, const std::string& pathOrAddress, const std::string& reason) {
  Tell(dialogs, texts::NotOpened(pathOrAddress, reason), texts::kNotOpenedTitle);
}

bool InstallMapEditor(const std::optional<fs::path>& gameDir, flow::Dialogs& dialogs,
                      std::chrono::milliseconds lockWait, const RunLongFn& runLong) {
  const std::optional<fs::path> dir = ExistingGameDir(gameDir, dialogs);
  if (!dir) return false;
  {
    const std::optional<platform::WriterLock> lock = LockGame(*dir, lockWait, runLong, dialogs, texts::kMapEditorTitle);
    if (!lock) return false;
    // Every marker is looked at before the first is made, so a refusal changes nothing.
    std::vector<fs::path> missing;
    for (const std::string_view marker : kMapEditorMarkers) {
      const fs::path file = *dir / PathFromUtf8(marker);
      if (const std::optional<std::string> link = LinkOnTheWay(*dir, file)) {
        Tell(dialogs, texts::MarkerThroughLink(*link), texts::kMapEditorTitle);
        return false;
      }
      if (platform::IsFile(file)) continue;  // ours from before, or the player's: either way it stays as it is
      if (platform::EntryExists(file)) {
        Tell(dialogs, texts::MarkerIsNotAFile(PathToUtf8(file)), texts::kMapEditorTitle);
        return false;
      }
      missing.push_back(file);
    }
    for (const fs::path& file : missing) {
      if (const platform::FsResult made = platform::WriteFileAtomic(file, {}, /*replace=*/false); !made) {
        Tell(dialogs, texts::MarkerNotWritten(made.Message()), texts::kMapEditorTitle);
        return false;
      }
    }
  }
  // The lock is let go first, so that a launch on Yes can take it.
  return dialogs.Ask(texts::kInstallComplete, texts::kInstallCompleteTitle, flow::Buttons::YesNo,
                     flow::Icon::Question) == flow::Answer::Yes;
}

bool MapEditorInstalled(const std::optional<fs::path>& gameDir) {
  if (!gameDir || gameDir->empty()) return false;
  const std::vector<std::string> files = platform::ListPlainFiles(*gameDir);
  for (const std::string_view marker : kMapEditorMarkers) {
    if (std::find(files.begin(), files.end(), marker) == files.end()) return false;
  }
  return true;
}

bool GameExePresent(const std::optional<fs::path>& gameDir) {
  return gameDir && !gameDir->empty() && !GameExeName(*gameDir).empty();
}

}  // namespace drydock::launch
