#include "library/mod_list_watch.h"

#include <algorithm>
#include <iterator>

#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;

namespace drydock::library {

using std::chrono::duration_cast;
using std::chrono::nanoseconds;

void ModListWatch::Watched::Take(const std::optional<FolderStamp>& now, std::int64_t listedAtNs) {
  stamp = now;
  const std::int64_t window = duration_cast<nanoseconds>(kCoarseTimeWindow).count();
  listAgain = now && std::max(now->modifiedNs, now->changedNs) >= listedAtNs - window;
}

ModListWatch::ModListWatch() : ModListWatch(platform::FolderStampOf) {}

ModListWatch::ModListWatch(StampReader readStamp) : readStamp_(std::move(readStamp)) {}

bool ModListWatch::Changed(const fs::path& programDir, const ModList& shown) {
  const bool moved = Update(programDir);
  if (list_ == shown) return false;
  // Nothing moved here, yet the shown list differs: it was built from folders
  // this watch has not seen as they are, so look at all of them again rather
  // than have the window refresh on every tick.
  if (!moved) {
    Forget();
    Update(programDir);
  }
  return list_ != shown;
}

void ModListWatch::Forget() {
  programFolder_ = {};
  modsFolder_ = {};
  mods_.clear();
  notMods_.clear();
  list_.clear();
}

// Returns whether the mod list changed.
bool ModListWatch::Update(const fs::path& programDir) {
  if (programDir != programDir_) {
    Forget();
    programDir_ = programDir;
  }
  // The clock is read before any stamp, so a change after a stamp was read
  // either moves the stamp or lies within the window of the time it kept.
  const std::int64_t nowNs = platform::FileClockNowNs();
  const fs::path modsDir = ModsDir(programDir);
  const auto programStamp = readStamp_(programDir);
  auto modsStamp = readStamp_(modsDir);
  if (programFolder_.Moved(programStamp) || !modsStamp) {
    programFolder_.Take(programStamp, nowNs);
    EnsureModsDir(programDir);
    modsStamp = readStamp_(modsDir);
  }

  bool moved = false;
  const bool listMods = modsFolder_.Moved(modsStamp) || NotAModTurned(modsDir);
  if (listMods) {
    modsFolder_.Take(modsStamp, nowNs);
    moved = ListModsFolder(modsDir);
  }
  // A linked mod whose target went away leaves the mods folder's time alone.
  if (CheckMods(nowNs, moved) && !listMods) {
    modsFolder_.Take(modsStamp, nowNs);
    moved = ListModsFolder(modsDir) || moved;
    CheckMods(nowNs, moved);
  }

  if (moved) {
    list_.clear();
    for (const Mod& mod : mods_) {
      list_.push_back(mod.name);
      // FillModList puts each addon directly below its parent, so they end up reversed.
      for (auto addon = mod.addons.rbegin(); addon != mod.addons.rend(); ++addon) {
        list_.push_back(std::string(kAddonIndent) + *addon);
      }
    }
  }
  return moved;
}

// Lists the mods folder as FillModList does, keeping what is known of the
// mods still there. Returns whether the mod names changed.
bool ModListWatch::ListModsFolder(const fs::path& modsDir) {
  const std::vector<std::string> names = platform::ListSubfolders(modsDir, platform::Links::Follow);
  const std::vector<std::string> all = platform::ListAllNames(modsDir);
  notMods_.clear();
  std::vector<std::string> others;
  std::set_difference(all.begin(), all.end(), names.begin(), names.end(), std::back_inserter(others),
                      platform::NameLess);
  for (std::string& other : others) {
    const bool isFolder = readStamp_(modsDir / platform::PathFromUtf8(other)).has_value();
    notMods_.push_back({std::move(other), isFolder});
  }

  bool namesChanged = names.size() != mods_.size();
  std::vector<Mod> kept;
  kept.reserve(names.size());
  auto old = mods_.begin();
  for (const std::string& name : names) {
    // Both lists are in listing order, so one walk pairs them up.
    while (old != mods_.end() && platform::NameLess(old->name, name)) ++old;
    if (old != mods_.end() && old->name == name) {
      kept.push_back(std::move(*old++));
    } else {
      kept.push_back(Mod{name, modsDir / platform::PathFromUtf8(name), {}, {}, {}, {}, {}});
      namesChanged = true;
    }
  }
  mods_ = std::move(kept);
  return namesChanged;
}

bool ModListWatch::NotAModTurned(const fs::path& modsDir) const {
  return std::any_of(notMods_.begin(), notMods_.end(), [&](const NotAMod& entry) {
    return readStamp_(modsDir / platform::PathFromUtf8(entry.name)).has_value() != entry.isFolder;
  });
}

// Brings every mod's addons up to date; sets `moved` when they changed.
// Returns whether a mod folder listed before is no folder any more.
bool ModListWatch::CheckMods(std::int64_t nowNs, bool& moved) {
  bool vanished = false;
  for (Mod& mod : mods_) vanished = !CheckMod(mod, nowNs, moved) || vanished;
  return vanished;
}

// Returns false when the mod's folder is no folder any more.
bool ModListWatch::CheckMod(Mod& mod, std::int64_t nowNs, bool& moved) {
  std::optional<FolderStamp> addonStamp;
  // While a folder of the exact name "Addon" is there, FindEntryIgnoreCase
  // finds it whatever else the mod folder holds, so the mod folder's own
  // stamp can wait: one stat per mod on an idle tick.
  const bool exactName = mod.addonFolderName == kAddonFolderName;
  if (exactName) addonStamp = readStamp_(mod.addonPath);
  if (!exactName || !addonStamp) {
    const auto stamp = readStamp_(mod.path);
    if (mod.folder.Moved(stamp)) {
      mod.folder.Take(stamp, nowNs);
      // FillModList finds addons one level deep only, and an entry that looks like an addon is none.
      std::string addonFolderName =
          IsAddonEntry(mod.name) ? std::string() : platform::FindEntryIgnoreCase(mod.path, kAddonFolderName);
      if (addonFolderName != mod.addonFolderName) {
        mod.addonFolderName = std::move(addonFolderName);
        mod.addonPath = mod.path / platform::PathFromUtf8(mod.addonFolderName);
        mod.addonFolder = {};
        if (!mod.addons.empty()) moved = true;
        mod.addons.clear();
      }
    }
    if (!stamp) return false;
    if (mod.addonFolderName.empty()) return true;
    addonStamp = readStamp_(mod.addonPath);
  }
  if (!mod.addonFolder.Moved(addonStamp)) return true;
  mod.addonFolder.Take(addonStamp, nowNs);
  std::vector<std::string> addons = platform::ListFolderEntries(mod.addonPath);
  if (addons != mod.addons) {
    mod.addons = std::move(addons);
    moved = true;
  }
  return true;
}

}  // namespace drydock::library
