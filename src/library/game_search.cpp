#include "library/game_search.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
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
#ifdef _WIN32
  (void)wine;
  (void)home;
#else
  for (const fs::path& prefix : platform::CandidateWinePrefixes(wine)) {
    const fs::path driveC = platform::NativePath(prefix, "drive_c");
    for (const char* typical : {"Program Files", "Program Files (x86)", "GOG Games"}) {
      AddRoot(roots, platform::NativePath(driveC, typical));
    }
    AddRoot(roots, driveC);
  }
  AddRoot(roots, home);
#endif
  if (!programDir.empty()) AddRoot(roots, platform::VolumeRoot(programDir));
  return roots;
}

std::vector<fs::path> GameSearchRootsForThisSystem(const fs::path& programDir) {
  const platform::WineEnvironment wine = platform::WineEnvironment::FromProcess();
  return GameSearchRoots(wine, wine.home, programDir);
}

GameDirCandidate CheckGameDirCandidate(std::string_view text, std::string_view gameDir) {
  GameDirCandidate c;
  c.text = std::string(text);
  if (!c.text.empty() && c.text.back() == kPathSeparator) c.text.pop_back();
  const size_t cut = c.text.rfind(kPathSeparator);
  if (cut == std::string::npos) return c;
  c.hasSeparator = true;
  c.isNew = c.text != gameDir;
  const std::string last = c.text.substr(cut + 1);
  // The parent keeps its separator, so "/opt" lists "/" and "C:\Games" lists "C:\".
  const fs::path parent = platform::PathFromUtf8(std::string_view(c.text).substr(0, cut + 1));
  const std::vector<std::string> names = platform::ListAllNames(parent);
  const fs::path full = platform::PathFromUtf8(c.text);
  c.valid = !last.empty() && std::find(names.begin(), names.end(), last) != names.end() &&
            (platform::IsFolder(full) || platform::IsFile(full));
  return c;
}

}  // namespace drydock::library
