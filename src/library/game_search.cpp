#include "library/game_search.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/system.h"
#include "platform/volume.h"

namespace fs = std::filesystem;

namespace drydock::library {

namespace {

// A path in one comparable spelling: normalized, without a trailing separator.
std::string Key(const fs::path& path) {
  fs::path p = path.lexically_normal();
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
  return platform::PathToUtf8(p);
}

struct Walk {
  std::string_view name;
  const std::atomic<bool>& stop;
  const TreeSearchLimits& limits;
  const std::unordered_set<std::string>& roots;
  std::uint64_t foldersRead = 0;

  // nullopt: the search must end (stopped or out of bounds) without a result.
  std::optional<fs::path> Search(const fs::path& root) {
    const std::optional<std::uint64_t> volume = platform::VolumeId(root);
    const std::string rootKey = Key(root);
    struct Pending {
      fs::path dir;
      int depth;
    };
    std::vector<Pending> stack{{root, 0}};
    while (!stack.empty()) {
      if (stop.load(std::memory_order_relaxed)) return std::nullopt;
      if (++foldersRead > limits.maxFolders) return std::nullopt;
      Pending current = std::move(stack.back());
      stack.pop_back();
      platform::FolderContents contents = platform::ListFilesAndSubfolders(current.dir);
      for (const std::string& file : contents.files) {
        if (platform::EqualsIgnoreCase(file, name)) return current.dir / platform::PathFromUtf8(file);
      }
      if (current.depth >= limits.maxDepth) continue;
      // Pushed in reverse so that the first subfolder in listing order is read next.
      for (auto it = contents.folders.rbegin(); it != contents.folders.rend(); ++it) {
        fs::path sub = current.dir / platform::PathFromUtf8(*it);
        const std::string key = Key(sub);
        if (key != rootKey && roots.count(key)) continue;
        if (platform::VolumeId(sub) != volume) continue;
        stack.push_back({std::move(sub), current.depth + 1});
      }
    }
    return fs::path();
  }
};

void AddRoot(std::vector<fs::path>& roots, const fs::path& dir) {
  if (dir.empty() || !platform::IsFolder(dir)) return;
  const std::string key = Key(dir);
  for (const fs::path& r : roots) {
    if (Key(r) == key) return;
  }
  roots.push_back(dir.lexically_normal());
}

}  // namespace

fs::path SearchTreesForFile(const std::vector<fs::path>& roots, std::string_view name, const std::atomic<bool>& stop,
                            const TreeSearchLimits& limits) {
  std::unordered_set<std::string> rootKeys;
  for (const fs::path& r : roots) rootKeys.insert(Key(r));
  Walk walk{name, stop, limits, rootKeys};
  for (const fs::path& root : roots) {
    const std::optional<fs::path> found = walk.Search(root);
    if (!found) return {};
    if (!found->empty()) return *found;
  }
  return {};
}

std::vector<fs::path> GameSearchRoots(const platform::WineEnvironment& wine, const fs::path& home,
                                      const fs::path& programDir) {
  std::vector<fs::path> roots;
  // Elsewhere the game lives in a Wine prefix, or somewhere in the user's home.
  if (!platform::kWindows) {
    for (const fs::path& prefix : platform::CandidateWinePrefixes(wine)) {
      const fs::path driveC = platform::NativePath(prefix, "drive_c");
      for (const char* typical : {"Program Files", "Program Files (x86)", "GOG Games"}) {
        AddRoot(roots, platform::NativePath(driveC, typical));
      }
      AddRoot(roots, driveC);
    }
    AddRoot(roots, home);
  }
  if (!programDir.empty()) AddRoot(roots, platform::VolumeRoot(programDir));
  return roots;
}

std::vector<fs::path> GameSearchRootsForThisSystem(const fs::path& programDir) {
  const platform::WineEnvironment wine = platform::WineEnvironment::FromProcess();
  return GameSearchRoots(wine, wine.home, programDir);
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool IsSeparator(char c) { return platform::IsPathSeparator(c); }

}  // namespace

std::string CleanTypedPath(std::string_view text, const fs::path& home) {
  text = Trimmed(text);
  // A path copied from a shell or a file's properties often comes quoted.
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    text = Trimmed(text.substr(1, text.size() - 2));
  }
  std::string cleaned(text);
  // The home folder as a shell writes it, where the shells write it so.
  if (!platform::kWindows && !home.empty() && (cleaned == "~" || cleaned.starts_with("~/"))) {
    cleaned = platform::PathToUtf8(home) + cleaned.substr(1);
  }
  const fs::path path = platform::PathFromUtf8(cleaned);
  if (path.is_absolute()) cleaned = platform::PathToUtf8(path.lexically_normal());
  while (!cleaned.empty() && IsSeparator(cleaned.back())) cleaned.pop_back();
  return cleaned;
}

GameDirCandidate CheckGameDirCandidate(std::string_view text, std::string_view gameDir, const fs::path& home) {
  GameDirCandidate c;
  c.text = CleanTypedPath(text, home);
  const size_t cut = c.text.rfind(platform::kPathSeparator);
  if (cut == std::string::npos) return c;
  c.isNew = c.text != gameDir;
  const fs::path full = platform::PathFromUtf8(c.text);
  if (!full.is_absolute()) {
    c.kind = GameDirKind::NotFullPath;
    return c;
  }
  // The letter case of the last component counts, also where the file system ignores it.
  // The parent keeps its separator, so "/opt" lists "/" and "C:\Games" lists "C:\".
  const std::string last = c.text.substr(cut + 1);
  const std::vector<std::string> names =
      platform::ListAllNames(platform::PathFromUtf8(std::string_view(c.text).substr(0, cut + 1)));
  if (last.empty() || std::find(names.begin(), names.end(), last) == names.end() || !platform::EntryExists(full)) {
    c.kind = GameDirKind::Missing;
    fs::path twin = platform::NativePath(full.root_path(), platform::PathToUtf8(full.relative_path()));
    // Where the system resolves no letter case itself (Windows), the parent's listing names the folder meant.
    const auto other = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
      return !last.empty() && platform::EqualsIgnoreCase(name, last);
    });
    if (twin == full && other != names.end()) twin = platform::PathFromUtf8(c.text.substr(0, cut + 1) + *other);
    if (twin != full && platform::IsFolder(twin)) c.caseTwin = platform::PathToUtf8(twin);
    return c;
  }
  if (!platform::IsFolder(full)) {
    c.kind = GameDirKind::NotAFolder;
    return c;
  }
  // Found as the launch finds it: a plain file of that name in any letter case.
  const std::vector<std::string> files = platform::ListPlainFiles(full);
  const bool hasExe = std::any_of(files.begin(), files.end(), [](const std::string& name) {
    return platform::EqualsIgnoreCase(name, kGameExeName);
  });
  c.kind = hasExe ? GameDirKind::GameFolder : GameDirKind::NoGameExe;
  return c;
}

}  // namespace drydock::library
