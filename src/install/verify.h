#pragma once
// Whether the game still holds what the installs wrote: for each installed
// mod, every file its record lists and every original it kept, judged as the
// uninstall would judge them. It only reads: no lock, no file written, so a
// window can run it on a worker at any time.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "install/backup_folder.h"
#include "library/mod_library.h"

namespace drydock::install {

// One game file that an install wrote.
struct FileVerdict {
  enum class State {
    AsInstalled,  // holds what the install wrote (by its stamp, or the mod's own bytes)
    Changed,      // holds something else: a hand edit, a game update
    Missing,
  };
  std::string path;  // relative to the game folder, '/'-joined, as the record lists it
  State state = State::AsInstalled;
  // A mod installed later replaced the file too: the game holds that mod's
  // file, and it is judged by that mod's record and files.
  std::string coveredBy;
};

// One original the install kept in the mod's Backup.
struct KeptVerdict {
  enum class State {
    Whole,     // present, of the size recorded
    Present,   // present; the record (of an earlier version) holds no size to compare
    NotWhole,  // present, of another size
    Missing,
  };
  std::string path;  // relative to the backup folder, '/'-joined
  State state = State::Whole;
  std::uint64_t size = 0;                     // the kept file's size now
  std::optional<std::uint64_t> recordedSize;  // as the install kept it
};

struct ModCheck {
  enum class Status {
    Checked,
    NoRecord,      // a backup without a record (an earlier version's, another tool's): nothing to check against
    Unreadable,    // a record that is damaged or of a later version
    OtherGame,     // installed into another game folder (`game` names it)
    InstallCut,    // the install was stopped before it finished
    UninstallCut,  // the uninstall was stopped before it retired the backup
  };
  std::string name;   // as the mod list shows it, without an addon's indent
  std::string entry;  // the mod list's entry (an addon's with its indent); VerifyInstalled only
  Status status = Status::Checked;
  std::string game;
  std::vector<FileVerdict> files;
  std::vector<KeptVerdict> kept;

  std::size_t Count(FileVerdict::State state) const;
  std::size_t Count(KeptVerdict::State state) const;
  // Checked, every file as installed and every kept original there (whole, where its size is known).
  bool AsInstalled() const;
};

// The check of the installed mod in `modFolder`, called `name`, against the
// game in `gameDir`; `modsDir` is where the mods installed over it are looked
// for (with those the game's ledger names).
ModCheck VerifyMod(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir,
                   const std::filesystem::path& modFolder, const std::string& name);

// The checks of every installed entry of `list` (the main window's mod list), in its order.
std::vector<ModCheck> VerifyInstalled(const std::filesystem::path& modsDir, const library::ModList& list,
                                      const std::filesystem::path& gameDir);

// "Fleet: 12 files as installed, 1 changed since install, 1 missing; 3 kept originals whole".
std::string SummaryLine(const ModCheck& check);
// The same, short, for a column of the Installed Mods window: "as installed",
// "3 files changed since install, 1 missing".
std::string ShortSummary(const ModCheck& check);
// "changed since install", "missing", ...: a file's or a kept original's state in words.
std::string StateText(FileVerdict::State state);
std::string StateText(KeptVerdict::State state);

}  // namespace drydock::install
