#include "library/mod_library.h"

#include <algorithm>
#include <cmath>

#include "library/game_folders.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"

namespace fs = std::filesystem;
using drydock::platform::DirCache;

namespace drydock::library {

std::string NormalizeProgramDir(std::string_view startDir) {
  std::string dir(startDir);
  // "C:\" is the one start directory that ends in a separator; keep "C:".
  if (dir.size() == 3 && dir[1] == ':' && (dir[2] == '\\' || dir[2] == '/')) return dir.substr(0, 2);
  while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/') && !(dir.size() == 3 && dir[1] == ':')) {
    dir.pop_back();
  }
  return dir;
}

bool IsInstalledLayout(const fs::path& executableDir) {
  if (executableDir.filename() != "bin") return false;
  const std::string entry = std::string(kAppId) + ".desktop";
  return platform::IsFile(executableDir.parent_path() / "share" / "applications" / entry);
}

fs::path ChooseProgramDir(const ProgramDirInputs& in) {
  if (in.override) return *in.override;
  if (IsInstalledLayout(in.executableDir)) return in.userDataDir;
  const fs::path mods = in.executableDir / fs::path(kModsFolderName);
  if (platform::IsFolder(mods) ? platform::IsWritableFolder(mods) : platform::IsWritableFolder(in.executableDir)) {
    return in.executableDir;
  }
  return in.userDataDir;
}

fs::path ModsDir(const fs::path& programDir) {
  const std::string text = platform::PathToUtf8(programDir);
  if (text.size() == 2 && text[1] == ':') return platform::PathFromUtf8(text + "\\mods");
  return programDir / fs::path(kModsFolderName);
}

bool EnsureModsDir(const fs::path& programDir) {
  const fs::path mods = ModsDir(programDir);
  const std::string name(kModsFolderName);
  // On a file system that ignores case the exact name may still be listed as
  // "Mods": the listing, not a look-up, tells the stored name.
  std::string stored;
  for (const std::string& entry : platform::ListSubfolders(programDir, platform::Links::Follow)) {
    if (entry == name) {
      stored = entry;
      break;
    }
    if (stored.empty() && platform::EqualsIgnoreCase(entry, name)) stored = entry;
  }
  if (stored.empty()) {
    // A new user's data folder (~/.local/share/drydock) may not exist yet either.
    if (!platform::IsFolder(mods)) (void)platform::MakeFolderTree(mods);
  } else if (stored != name) {
    const fs::path from = programDir / platform::PathFromUtf8(stored);
    (void)platform::MoveWithinVolume(from, mods);
    // Where the file system ignores case, "mods" already names "Mods": a move onto it may be refused,
    // or (Wine) report success and keep the old spelling. Then the folder goes through a name of its own.
    const std::vector<std::string> names = platform::ListAllNames(programDir);
    const fs::path between = programDir / platform::PathFromUtf8(name + ".drydock-rename");
    if (std::find(names.begin(), names.end(), name) == names.end() && platform::MoveWithinVolume(from, between)) {
      if (!platform::MoveWithinVolume(between, mods)) (void)platform::MoveWithinVolume(between, from);
    }
  }
  return platform::IsFolder(mods);
}

ModList FillModList(const fs::path& modsDir, DirCache* cache) {
  ModList list = platform::ListSubfolders(modsDir, platform::Links::Follow);
  AddAddons(modsDir, list, cache);
  return list;
}

void AddAddons(const fs::path& modsDir, ModList& list, DirCache* cache) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (IsAddonEntry(list[i])) continue;  // addons are found one level deep only
    const fs::path modFolder = modsDir / platform::PathFromUtf8(list[i]);
    const std::string addonName = platform::FindEntryIgnoreCase(modFolder, kAddonFolderName, cache);
    if (addonName.empty()) continue;
    const auto addons = platform::ListFolderEntries(modFolder / platform::PathFromUtf8(addonName));
    // Each addon goes directly below its parent, so the last listed ends up first.
    for (const std::string& addon : addons) {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::string(kAddonIndent) + addon);
    }
    i += addons.size();
  }
}

std::string ResolveModPath(const ModList& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return {};
  const std::string& entry = list[static_cast<size_t>(index)];
  if (entry == kNoModsFound) return {};
  if (!IsAddonEntry(entry)) return entry;
  for (int j = index; j >= 0; --j) {
    const std::string& parent = list[static_cast<size_t>(j)];
    if (!IsAddonEntry(parent)) {
      return parent + "\\" + std::string(kAddonFolderName) + "\\" + entry.substr(kAddonIndent.size());
    }
  }
  return {};
}

fs::path EntryFolder(const fs::path& modsDir, const ModList& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return {};
  const std::string& entry = list[static_cast<size_t>(index)];
  if (entry == kNoModsFound) return {};
  if (!IsAddonEntry(entry)) return modsDir / platform::PathFromUtf8(entry);
  for (int j = index; j >= 0; --j) {
    const std::string& parent = list[static_cast<size_t>(j)];
    if (IsAddonEntry(parent)) continue;
    const fs::path parentFolder = modsDir / platform::PathFromUtf8(parent);
    const std::string addonName = platform::FindEntryIgnoreCase(parentFolder, kAddonFolderName);
    if (addonName.empty()) return {};
    return parentFolder / platform::PathFromUtf8(addonName) / platform::PathFromUtf8(entry.substr(kAddonIndent.size()));
  }
  return {};
}

fs::path ModFolder(const fs::path& modsDir, std::string_view modPath, DirCache* cache) {
  return platform::NativePath(modsDir, modPath, cache);
}

int FindModEntry(const ModList& list, std::string_view modPath) {
  const auto parts = platform::SplitRelative(modPath);
  if (parts.empty() || !platform::IsContainedRelative(modPath)) return -1;
  std::string wanted = parts[0];
  if (parts.size() == 3 && platform::EqualsIgnoreCase(parts[1], kAddonFolderName)) {
    wanted += "\\" + std::string(kAddonFolderName) + "\\" + parts[2];
  } else if (parts.size() != 1) {
    return -1;
  }
  int caseless = -1;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const std::string path = ResolveModPath(list, i);
    if (path == wanted) return i;
    if (caseless < 0 && platform::EqualsIgnoreCase(path, wanted)) caseless = i;
  }
  return caseless;
}

bool TextContains(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  if (part.size() > text.size()) return false;
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    if (platform::EqualsIgnoreCase(text.substr(start, part.size()), part)) return true;
  }
  return false;
}

double RoundTo(double x, int digits) {
  const double scale = std::pow(10.0, digits);
  // A tiny nudge so that halves which binary floating point stores a hair low
  // (1.005 is 1.00499999...) still round up, as the decimal number says.
  const double scaled = x * scale;
  return std::floor(scaled + 0.5 + std::abs(scaled) * 1e-12) / scale;
}

long CountFolderListFiles(const fs::path& root, const std::function<void(long)>& onFile,
                          const std::function<void(int)>& onFolder) {
  long total = 0;
  DirCache cache;
  for (int i = 1; i <= kGameFolderCount; ++i) {
    if (onFolder) onFolder(i);
    const long here = platform::CountPlainFiles(platform::NativePath(root, GameFolder(i), &cache));
    if (!onFile) {
      total += here;
      continue;
    }
    for (long k = 0; k < here; ++k) onFile(++total);
  }
  return total;
}

}  // namespace drydock::library
