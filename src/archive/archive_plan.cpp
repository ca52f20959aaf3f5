#include "archive/archive_plan.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "archive/archive_texts.h"
#include "install/installed_mods.h"
#include "install/mod_folder.h"
#include "library/game_folders.h"
#include "library/game_search.h"
#include "library/mod_files.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace drydock::archive {

namespace fs = std::filesystem;

namespace {

// Files that lie in the game's root, or in a mod's, and so mark the folder
// that holds them as a mod's root.
constexpr std::array<std::string_view, 4> kRootFiles = {library::kModDescriptionFiles[0],
                                                        library::kModDescriptionFiles[1],
                                                        library::kModDescriptionFiles[2], library::kGameExeName};
constexpr std::array<std::string_view, 17> kArchiveExtensions = {".zip",  ".7z",   ".rar",  ".tar", ".gz",  ".tgz",
                                                                 ".bz2",  ".tbz",  ".tbz2", ".xz",  ".txz", ".zst",
                                                                 ".tzst", ".lzma", ".tlz",  ".lz",  ".z"};

// What Drydock keeps in a mod folder for itself: the install record, the
// note of the last uninstall, a backup being built or retired, temporaries.
constexpr std::string_view kOwnPrefix = ".drydock-";

bool IsTopGameFolder(std::string_view name) {
  for (int i = 1; i < library::kGameFolderCount; ++i) {
    std::string_view folder = library::GameFolder(i);
    folder.remove_suffix(1);  // the trailing backslash
    if (folder.find('\\') == std::string_view::npos && platform::EqualsIgnoreCase(folder, name)) return true;
  }
  return false;
}

bool IsRootFile(std::string_view name) {
  return std::any_of(kRootFiles.begin(), kRootFiles.end(),
                     [&](std::string_view f) { return platform::EqualsIgnoreCase(f, name); });
}

using Parts = std::vector<std::string>;

std::string Join(const Parts& parts, std::size_t from = 0, std::size_t to = std::string::npos) {
  std::string joined;
  for (std::size_t i = from; i < std::min(to, parts.size()); ++i) {
    if (!joined.empty()) joined += '/';
    joined += parts[i];
  }
  return joined;
}

// The name's components, or why it cannot be unpacked inside the mod folder.
// Both slashes separate: a Windows game reads a backslash as one. A folder
// named "." or "./" (the archive's own top, as `tar -C DIR .` packs it) has
// no components and no problem.
const char* SplitName(const std::string& name, Parts* parts) {
  if (name.empty()) return "the name is empty";
  if (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':')) return "an absolute path";
  std::string part;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != '/' && name[i] != '\\') {
      part += name[i];
      continue;
    }
    if (part == "..") return "the path leads out of its folder";
    if (!part.empty() && part != ".") {
      if (const char* problem = platform::WindowsNameProblem(part)) return problem;
      parts->push_back(part);
    }
    part.clear();
  }
  return nullptr;
}

const char* KindProblem(EntryKind kind) {
  switch (kind) {
    case EntryKind::File:
    case EntryKind::Folder:
      return nullptr;
    case EntryKind::SymbolicLink:
      return "a symbolic link";
    case EntryKind::HardLink:
      return "a hard link";
    case EntryKind::Other:
      return "a device or other special file";
  }
  return nullptr;
}

struct Kept {
  std::size_t index;  // in the plan
  Parts parts;
  bool folder;
};

bool IsOwnName(std::string_view name) { return name.starts_with(kOwnPrefix) || platform::IsOwnTemporaryName(name); }

// The first of `parts` that is one of Drydock's own names, if any.
std::optional<std::size_t> OwnNameAt(const Parts& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (IsOwnName(parts[i])) return i;
  }
  return std::nullopt;
}

// Where `parts`, placed below the mod folder from `from` on, passes through
// the mod's Backup folder or an addon's (`Addon/NAME/Backup`), any letter case.
// A Backup folder in an archive is what another install kept of its game.
std::optional<std::size_t> BackupAt(const Parts& parts, std::size_t from, bool folder) {
  const auto backupAt = [&](std::size_t i) {
    return i < parts.size() && platform::EqualsIgnoreCase(parts[i], install::kBackupFolderName) &&
           (i + 1 < parts.size() || folder);
  };
  if (backupAt(from)) return from;
  if (from + 2 < parts.size() && platform::EqualsIgnoreCase(parts[from], library::kAddonFolderName) &&
      backupAt(from + 2)) {
    return from + 2;
  }
  return std::nullopt;
}

// Lists an entry skipped for what its component `at` is: a folder once, by
// its own name, however many entries lie in it.
void SkipFor(ArchivePlan& plan, std::unordered_set<std::string>& noted, const Parts& parts, std::size_t at, bool folder,
             const char* why) {
  const bool below = at + 1 < parts.size() || folder;
  const std::string name = Join(parts, 0, at + 1) + (below ? "/" : "");
  if (!below || noted.insert(platform::ToUpperAscii(name)).second) {
    plan.skipped.push_back(platform::PrintableName(name) + " (" + why + ")");
  }
}

// The shallowest folder holding a game folder or a game root file, outside
// any Backup folder; the first in archive order among equals.
std::optional<Parts> FindMarkedRoot(const std::vector<Kept>& kept) {
  std::optional<Parts> best;
  for (const Kept& k : kept) {
    for (std::size_t depth = 0; depth < k.parts.size(); ++depth) {
      if (best && depth >= best->size()) break;
      const bool childIsFolder = depth + 1 < k.parts.size() || k.folder;
      const std::string& child = k.parts[depth];
      // Another install's game files lie in a Backup folder: they mark nothing.
      if (childIsFolder && platform::EqualsIgnoreCase(child, install::kBackupFolderName)) break;
      if (childIsFolder ? IsTopGameFolder(child) : IsRootFile(child)) {
        best = Parts(k.parts.begin(), k.parts.begin() + static_cast<std::ptrdiff_t>(depth));
        break;
      }
    }
  }
  return best;
}

// The one folder that holds everything, if there is one.
std::optional<std::string> SingleTopFolder(const std::vector<Kept>& kept) {
  if (kept.empty()) return std::nullopt;
  const std::string& top = kept.front().parts.front();
  for (const Kept& k : kept) {
    if (!platform::EqualsIgnoreCase(k.parts.front(), top)) return std::nullopt;
    if (k.parts.size() == 1 && !k.folder) return std::nullopt;  // a file of that name
  }
  return top;
}

// The number of leading components `parts` shares with `root`, ignoring case.
std::size_t SharedWithRoot(const Parts& parts, const Parts& root) {
  std::size_t shared = 0;
  while (shared < root.size() && shared < parts.size() && platform::EqualsIgnoreCase(parts[shared], root[shared])) {
    ++shared;
  }
  return shared;
}

// Gives every kept entry its place below the mod folder. Names that differ
// only in letter case become one (the first spelling of a folder, the later
// file); a file and a folder of one name cannot, and the later is skipped.
void PlaceEntries(const std::vector<Kept>& kept, const Parts& root, std::unordered_set<std::string>& notedBackups,
                  ArchivePlan& plan) {
  struct Placed {
    bool folder;
    std::string spelled;
    std::size_t index;  // the entry that holds the name
  };
  std::unordered_map<std::string, Placed> placed;
  std::unordered_set<std::string> notedFolders;
  for (const Kept& k : kept) {
    PlannedEntry& entry = plan.entries[k.index];
    const std::size_t shared = SharedWithRoot(k.parts, root);
    if (shared == k.parts.size()) continue;  // the root or a folder above it
    if (const std::optional<std::size_t> backup = BackupAt(k.parts, shared, k.folder)) {
      SkipFor(plan, notedBackups, k.parts, *backup, k.folder, texts::kForeignBackup);
      continue;
    }
    std::string key;
    std::string spelled;
    const char* conflict = nullptr;
    for (std::size_t i = shared; i < k.parts.size() && !conflict; ++i) {
      const bool last = i + 1 == k.parts.size();
      const bool folder = !last || k.folder;
      if (!key.empty()) key += '/';
      key += platform::ToUpperAscii(k.parts[i]);
      std::string mine = spelled;
      if (!mine.empty()) mine += '/';
      mine += k.parts[i];
      auto [it, fresh] = placed.try_emplace(key, Placed{folder, mine, k.index});
      if (fresh) {
        spelled = mine;
        continue;
      }
      if (it->second.folder != folder) {
        conflict = "a file and a folder of one name";
      } else if (!folder) {
        plan.entries[it->second.index].target.clear();  // the later file wins
        plan.merged.push_back(platform::PrintableName(it->second.spelled) + " = " + platform::PrintableName(mine));
        it->second = Placed{false, it->second.spelled, k.index};
      } else if (it->second.spelled != mine && notedFolders.insert(key).second) {
        plan.merged.push_back(platform::PrintableName(it->second.spelled) + " = " + platform::PrintableName(mine));
      }
      spelled = it->second.spelled;
    }
    if (conflict) {
      plan.skipped.push_back(platform::PrintableName(entry.source) + " (" + conflict + ")");
      continue;
    }
    entry.target = spelled;
  }
}

}  // namespace

std::string NameWithoutArchiveExtensions(const std::string& fileName) {
  std::string name = fileName;
  for (bool stripped = true; stripped;) {
    stripped = false;
    for (std::string_view ext : kArchiveExtensions) {
      if (name.size() > ext.size() &&
          platform::EqualsIgnoreCase(std::string_view(name).substr(name.size() - ext.size()), ext)) {
        name.resize(name.size() - ext.size());
        stripped = true;
      }
    }
  }
  return name;
}

bool HasArchiveExtension(const fs::path& file) {
  const std::string name = platform::PathToUtf8(file.filename());
  return NameWithoutArchiveExtensions(name) != name;
}

ArchivePlan PlanArchive(const fs::path& archive, const std::vector<RawEntry>& entries) {
  ArchivePlan plan;
  std::vector<Kept> kept, own;
  for (const RawEntry& raw : entries) {
    plan.entries.push_back({raw.path, {}, raw.kind == EntryKind::Folder, raw.size});
    Parts parts;
    const char* problem = KindProblem(raw.kind);
    if (!problem) problem = SplitName(raw.path, &parts);
    if (!problem && parts.empty()) {
      if (raw.kind == EntryKind::Folder) continue;  // the top every entry lies in already
      problem = "the name is empty";
    }
    if (problem) {
      plan.skipped.push_back(platform::PrintableName(raw.path) + " (" + problem + ")");
      continue;
    }
    // Drydock's own names are never unpacked, nor take part in finding the root.
    (OwnNameAt(parts) ? own : kept)
        .push_back({plan.entries.size() - 1, std::move(parts), raw.kind == EntryKind::Folder});
  }

  const std::optional<Parts> marked = FindMarkedRoot(kept);
  const std::optional<std::string> top = SingleTopFolder(kept);
  Parts root;
  if (marked) {
    root = *marked;
    plan.rootFound = true;
  } else if (top) {
    root = {*top};  // the folder that only wraps the mod's files
  }
  plan.root = Join(root);
  std::unordered_set<std::string> notedBackups, notedOwn;
  PlaceEntries(kept, root, notedBackups, plan);
  for (const Kept& k : own) {
    if (const auto backup = BackupAt(k.parts, SharedWithRoot(k.parts, root), k.folder)) {
      SkipFor(plan, notedBackups, k.parts, *backup, k.folder, texts::kForeignBackup);  // the record in a Backup
    } else {
      SkipFor(plan, notedOwn, k.parts, *OwnNameAt(k.parts), k.folder, texts::kDrydockOwn);
    }
  }
  for (const PlannedEntry& e : plan.entries) {
    if (!e.target.empty() && !e.folder) plan.unpackedBytes += e.size;
  }

  const bool topIsGameLayout = marked && marked->empty();
  if (top && !topIsGameLayout && !install::NewModNameProblem(*top)) {
    plan.proposedName = *top;
  } else {
    plan.proposedName = NameWithoutArchiveExtensions(platform::PathToUtf8(archive.filename()));
  }
  return plan;
}

}  // namespace drydock::archive
