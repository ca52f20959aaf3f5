#pragma once
// The auto refresh's look at the mods folder. The first look lists every
// folder the mod list comes from; later looks read only the stamps of those
// folders and list again just the ones whose stamp moved, since a folder's
// modification time changes whenever an entry is added, removed or renamed in
// it. The list it keeps is always the one FillModList would build.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "library/mod_library.h"
#include "platform/file_ops.h"

namespace drydock::library {

using platform::FolderStamp;

// A file system that keeps times to two seconds (FAT) leaves a folder's time
// alone for a change made within them, so such a folder is listed again.
inline constexpr std::chrono::seconds kCoarseTimeWindow{2};

class ModListWatch {
 public:
  using StampReader = std::function<std::optional<FolderStamp>(const std::filesystem::path&)>;

  ModListWatch();
  // Tests hand in a reader whose times are coarse or old.
  explicit ModListWatch(StampReader readStamp);

  // Makes sure the mods folder exists under its lower-case name (as
  // EnsureModsDir does), brings the watch up to date with the folders and
  // tells whether the mod list now differs from `shown`, the list without
  // the placeholder.
  bool Changed(const std::filesystem::path& programDir, const ModList& shown);

  // The mod list as of the last Changed.
  const ModList& List() const { return list_; }

 private:
  // One folder the last look read.
  struct Watched {
    std::optional<FolderStamp> stamp;
    bool listAgain = true;  // never listed, or its time lay within kCoarseTimeWindow of the listing
    bool Moved(const std::optional<FolderStamp>& now) const { return listAgain || now != stamp; }
    void Take(const std::optional<FolderStamp>& now, std::int64_t listedAtNs);
  };
  struct Mod {
    std::string name;
    std::filesystem::path path;
    Watched folder;
    std::string addonFolderName;  // the "Addon" folder as found ignoring case; empty when none
    std::filesystem::path addonPath;
    Watched addonFolder;
    std::vector<std::string> addons;  // in listing order
  };
  // An entry of the mods folder that is not a mod: a link whose target comes
  // or goes changes no folder's time.
  struct NotAMod {
    std::string name;
    bool isFolder = false;
  };

  bool Update(const std::filesystem::path& programDir);
  bool ListModsFolder(const std::filesystem::path& modsDir);
  bool NotAModTurned(const std::filesystem::path& modsDir) const;
  bool CheckMods(std::int64_t nowNs, bool& moved);
  bool CheckMod(Mod& mod, std::int64_t nowNs, bool& moved);
  void Forget();

  StampReader readStamp_;
  std::filesystem::path programDir_;
  Watched programFolder_;
  Watched modsFolder_;
  std::vector<Mod> mods_;  // in listing order
  std::vector<NotAMod> notMods_;
  ModList list_;
};

}  // namespace drydock::library
