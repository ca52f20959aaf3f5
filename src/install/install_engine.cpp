#include "install/install_engine.h"

#include <set>

#include "install/installed_mods.h"
#include "library/game_folders.h"
#include "library/mod_library.h"
#include "modinfo/mod_info.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using drydock::platform::PathFromUtf8;

namespace drydock::install {

namespace {

constexpr char kNoGameDir[] =
    "The Armada II directory is not set or no longer exists, so nothing was changed. Choose it with "
    "\"Change A2 Directory\" in the Manager menu first.";
constexpr char kNoModFolder[] = "The mod's folder no longer exists, so nothing was changed.";

Report Refuse(std::string why) {
  Report r;
  r.refused = true;
  r.refusal = std::move(why);
  return r;
}

void Fail(Report& r, const std::string& relative, const platform::FsResult& result, const char* what) {
  r.failures.push_back({relative, std::string(what) + (result.ok() ? "" : ": " + result.code().message())});
}

// Case-blind key of a relative path, for matching kept copies with mod files.
std::string Key(std::string_view relative) {
  std::string key;
  for (const std::string& part : platform::SplitRelative(relative)) key += platform::ToUpperAscii(part) + "\\";
  return key;
}

// Makes the missing folders of `folder` one by one, remembering those it
// made (deepest last) so that they can go again if they stay empty.
void MakeFoldersRemembering(const fs::path& root, const fs::path& folder, std::vector<fs::path>& made) {
  std::vector<fs::path> missing;
  for (fs::path p = folder; p != root && !p.empty() && !platform::EntryExists(p); p = p.parent_path()) {
    missing.push_back(p);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!platform::MakeFolder(*it)) return;
    made.push_back(*it);
  }
}

void Progress(const Callbacks& cb, std::int64_t done, std::int64_t total) {
  if (cb.progress) cb.progress(done, total);
}

void EnterPhase(const Callbacks& cb, Phase phase) {
  if (cb.phase) cb.phase(phase);
}

struct KeptFile {
  int folder;
  std::string name;
  std::string Relative() const { return std::string(library::GameFolder(folder)) + name; }
};

// The files kept in a backup folder, in table and listing order.
std::vector<KeptFile> ListKeptFiles(const fs::path& backup) {
  std::vector<KeptFile> kept;
  platform::DirCache cache;
  for (int i = 1; i <= library::kGameFolderCount; ++i) {
    for (const std::string& name :
         platform::ListPlainFiles(platform::NativePath(backup, library::GameFolder(i), &cache))) {
      if (i == library::kGameFolderCount && name == kAddedListName) continue;
      kept.push_back({i, name});
    }
  }
  return kept;
}

// The list of files an install added, or nothing when the backup has none.
std::optional<std::vector<std::string>> ReadAddedList(const fs::path& backup) {
  const fs::path list = backup / PathFromUtf8(kAddedListName);
  if (!platform::IsFile(list)) return std::nullopt;
  std::vector<std::string> added;
  for (std::string& line : platform::ReadTextLines(list, {.maxBytes = 256u << 20, .maxLineBytes = 4096})) {
    if (!line.empty() && platform::IsContainedRelative(line)) added.push_back(std::move(line));
  }
  return added;
}

fs::path FindBackup(const fs::path& modFolder) {
  const std::string name = platform::FindEntryIgnoreCase(modFolder, kBackupFolderName);
  return name.empty() ? fs::path() : modFolder / PathFromUtf8(name);
}

}  // namespace

std::string ModFile::Relative() const { return std::string(library::GameFolder(folder)) + name; }

std::vector<ModFile> ListModFiles(const fs::path& modFolder) {
  std::vector<ModFile> files;
  platform::DirCache cache;
  std::set<std::string> seen;
  for (int i = 1; i <= library::kGameFolderCount; ++i) {
    for (const fs::path& folder : platform::AllCaseVariants(modFolder, library::GameFolder(i), &cache)) {
      for (const std::string& name : platform::ListPlainFiles(folder)) {
        if (name == modinfo::kModInfoFileName) continue;
        ModFile file{i, name, folder / PathFromUtf8(name)};
        // Two variants holding the same name: the game would see one file.
        if (seen.insert(Key(file.Relative())).second) files.push_back(std::move(file));
      }
    }
  }
  return files;
}

void CleanLeftovers(const fs::path& modFolder) {
  for (std::string_view name : {kBackupBuildingName, kBackupRetiredName}) {
    const fs::path leftover = modFolder / PathFromUtf8(name);
    if (platform::EntryExists(leftover)) platform::DeleteTree(leftover);
  }
}

Report InstallModFiles(const fs::path& gameDir, const fs::path& modFolder, const Callbacks& callbacks) {
  if (!platform::IsFolder(gameDir)) return Refuse(kNoGameDir);
  if (!platform::IsFolder(modFolder)) return Refuse(kNoModFolder);
  CleanLeftovers(modFolder);
  if (IsInstalled(modFolder)) return Refuse("The mod is installed already; uninstall it first.");

  const std::vector<ModFile> files = ListModFiles(modFolder);
  enum class Action { Replace, Add, Skip };
  struct Step {
    const ModFile* file;
    fs::path game;
    Action action;
  };
  std::vector<Step> plan;
  plan.reserve(files.size());
  Report report;

  // 1. The complete backup, under a temporary name.
  EnterPhase(callbacks, Phase::CreatingBackup);
  const fs::path building = modFolder / PathFromUtf8(kBackupBuildingName);
  if (platform::FsResult r = platform::MakeFolder(building); !r) {
    return Refuse("The backup folder could not be made, so nothing was changed (" + r.Message() + ").");
  }
  std::string addedList;
  platform::DirCache gameCache;
  for (const ModFile& f : files) {
    const std::string rel = f.Relative();
    const fs::path game = platform::NativePath(gameDir, rel, &gameCache);
    if (!platform::EntryExists(game)) {
      plan.push_back({&f, game, Action::Add});
      addedList += rel + "\r\n";
      continue;
    }
    if (platform::IsLink(game) || !platform::IsFile(game)) {
      report.failures.push_back({rel, "the game's entry is a link or a folder, so it was left as it was"});
      plan.push_back({&f, game, Action::Skip});
      continue;
    }
    platform::ResetAttributes(game);
    const fs::path kept = platform::NativePath(building, library::GameFolder(f.folder)) / game.filename();
    platform::FsResult r = platform::MakeFolderTree(kept.parent_path());
    if (r) r = platform::LinkOrCopy(game, kept, {.replace = false});
    if (!r) {
      Fail(report, rel, r, "the game's file could not be backed up, so it was left as it was");
      plan.push_back({&f, game, Action::Skip});
      continue;
    }
    plan.push_back({&f, game, Action::Replace});
  }
  // Without the list of added files the uninstall could not tell them from
  // game files, so the install goes no further without it.
  platform::FsResult done =
      platform::WriteFileAtomic(building / PathFromUtf8(kAddedListName), addedList, /*replace=*/true);
  if (done) done = platform::SyncVolume(building);
  if (done) done = platform::MoveWithinVolume(building, modFolder / PathFromUtf8(kBackupFolderName));
  if (!done) {
    platform::DeleteTree(building);
    return Refuse("The backup could not be completed, so nothing was changed (" + done.Message() + ").");
  }
  platform::SyncPath(modFolder);

  // 2. The mod's files over the game's, each replaced atomically.
  EnterPhase(callbacks, Phase::CopyingFiles);
  std::vector<fs::path> madeFolders;
  std::int64_t index = 0;
  for (const Step& step : plan) {
    Progress(callbacks, index++, static_cast<std::int64_t>(plan.size()));
    if (step.action == Action::Skip) continue;
    const std::string rel = step.file->Relative();
    const fs::path& source = step.file->source;
    platform::ResetAttributes(source);
    platform::FsResult r;
    if (step.action == Action::Replace) {
      r = platform::CopyFileReplace(source, step.game);
    } else {
      MakeFoldersRemembering(gameDir, step.game.parent_path(), madeFolders);
      r = platform::CopyFileReplace(source, step.game, {.replace = false});
    }
    if (!r) {
      Fail(report, rel, r, "the mod's file could not be copied; the game's file was left as it was");
      continue;
    }
    ++report.filesHandled;
  }
  Progress(callbacks, index, static_cast<std::int64_t>(plan.size()));
  // Folders this install made for files that could not be copied go again.
  for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) {
    if (platform::ListAllNames(*it).empty()) platform::RemoveEmptyFolder(*it);
  }
  platform::SyncVolume(gameDir);
  return report;
}

Report UninstallModFiles(const fs::path& gameDir, const fs::path& modFolder, const Callbacks& callbacks) {
  if (!platform::IsFolder(gameDir)) return Refuse(kNoGameDir);
  if (!platform::IsFolder(modFolder)) return Refuse(kNoModFolder);
  CleanLeftovers(modFolder);
  Report report;
  const fs::path backup = FindBackup(modFolder);
  const std::vector<ModFile> modFiles = ListModFiles(modFolder);

  std::vector<KeptFile> kept;
  std::set<std::string> keptKeys;
  std::vector<std::string> toDelete;
  std::optional<std::vector<std::string>> added;
  if (!backup.empty()) {
    kept = ListKeptFiles(backup);
    for (const KeptFile& k : kept) keptKeys.insert(Key(k.Relative()));
    added = ReadAddedList(backup);
  }
  if (added) {
    for (const std::string& rel : *added) {
      if (!keptKeys.count(Key(rel))) toDelete.push_back(rel);
    }
  } else {
    // No record of what the install added: every mod file without a kept copy goes.
    for (const ModFile& f : modFiles) {
      if (!keptKeys.count(Key(f.Relative()))) toDelete.push_back(f.Relative());
    }
  }

  // 1. The files the install added.
  EnterPhase(callbacks, Phase::DeletingFiles);
  platform::DirCache gameCache;
  for (const std::string& rel : toDelete) {
    const fs::path game = platform::NativePath(gameDir, rel, &gameCache);
    if (!platform::EntryExists(game)) continue;
    if (platform::IsFolder(game) && !platform::IsLink(game)) {
      report.failures.push_back({rel, "a folder stands where the mod's file was"});
      continue;
    }
    platform::ResetAttributes(game);
    if (platform::FsResult r = platform::DeleteFile(game); !r) Fail(report, rel, r, "could not be deleted");
  }

  // 2. Every kept game file back in its place: the first half of the bar.
  EnterPhase(callbacks, Phase::RestoringBackup);
  const auto total = static_cast<std::int64_t>(kept.size());
  std::int64_t index = 0;
  for (const KeptFile& k : kept) {
    Progress(callbacks, index++, 2 * std::max<std::int64_t>(total, 1));
    const std::string rel = k.Relative();
    const fs::path source = platform::NativePath(backup, library::GameFolder(k.folder)) / PathFromUtf8(k.name);
    const fs::path game = platform::NativePath(gameDir, rel, &gameCache);
    platform::FsResult r = platform::MakeFolderTree(game.parent_path());
    if (r && platform::EntryExists(game)) platform::ResetAttributes(game);
    if (r) r = platform::LinkOrCopy(source, game);
    if (!r) {
      Fail(report, rel, r, "could not be restored; its backup copy was kept");
      continue;
    }
    ++report.filesHandled;
  }
  if (backup.empty() || !report.failures.empty()) return report;

  // 3. Only now, with every file back, the backup is retired.
  EnterPhase(callbacks, Phase::DeletingBackup);
  const fs::path retired = modFolder / PathFromUtf8(kBackupRetiredName);
  platform::FsResult r = platform::SyncVolume(gameDir);
  if (r) r = platform::MoveWithinVolume(backup, retired);
  if (!r) {
    Fail(report, std::string(kBackupFolderName), r, "the backup folder could not be removed");
    return report;
  }
  platform::SyncPath(modFolder);
  platform::DeleteTree(retired);
  Progress(callbacks, 2 * std::max<std::int64_t>(total, 1), 2 * std::max<std::int64_t>(total, 1));
  return report;
}

std::vector<std::string> FilesChangedSinceInstall(const fs::path& gameDir, const fs::path& modFolder) {
  std::vector<std::string> changed;
  const fs::path backup = FindBackup(modFolder);
  std::set<std::string> written;
  const auto added = backup.empty() ? std::nullopt : ReadAddedList(backup);
  if (added) {
    for (const KeptFile& k : ListKeptFiles(backup)) written.insert(Key(k.Relative()));
    for (const std::string& rel : *added) written.insert(Key(rel));
  }
  platform::DirCache gameCache;
  for (const ModFile& f : ListModFiles(modFolder)) {
    const std::string rel = f.Relative();
    if (added && !written.count(Key(rel))) continue;  // the install left this game file alone
    const fs::path game = platform::NativePath(gameDir, rel, &gameCache);
    if (!platform::SameContents(f.source, game)) changed.push_back(rel);
  }
  return changed;
}

}  // namespace drydock::install
