#pragma once
// src/install: installing mods and uninstalling them in any order, the flow around it, the record
// and ledger a backup keeps, the Installed Mods window. Rules and order: README.md.
//
// Installing a mod into the game and taking it out again, without ever losing
// a game file.
//
// A mod's files are the plain files of its 79 game folders (ModInfo.txt
// excepted). Installing keeps every game file it replaces in the mod's Backup
// folder, which mirrors the game's layout, and records there every file it
// replaced or added (backup_folder.h); uninstalling puts the kept files back
// and deletes the added ones.
//
// What keeps the user's files safe:
//  * every run holds the game's writer lock, so no two runs change one game
//    or one mods folder at once;
//  * the backup is built completely under a temporary name, flushed, and only
//    then renamed to "Backup" (the installed marker) before the first game
//    file changes; a crash before that leaves the game untouched;
//  * game files are replaced one by one through a temporary name and a
//    rename; a game file that could not be backed up is not replaced, and one
//    that could not be replaced keeps no kept copy;
//  * a run deletes or overwrites a game file only when it is absent, when it
//    still holds what this mod's install wrote there, or when the user was
//    asked about it by name (the uninstall plan's changed files);
//  * the uninstall restores every kept file first and retires only what it
//    restored, so running an interrupted run again finishes the job;
//  * mods are uninstalled in any order: where a mod installed later replaced
//    the same file, its file stays in the game and the kept original moves
//    into that mod's backup, in place of its copy of this mod's file
//    (mod_stack.h orders the installs).
// Single failures do not stop a run; they are counted and reported.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/backup_folder.h"
#include "library/mod_files.h"

namespace drydock::platform {
class WriterLock;
}

namespace drydock::install {

// Why a run changes nothing when the game's folder is not known or gone.
inline constexpr std::string_view kNoGameDirText =
    "The Armada II directory is not set or no longer exists, so nothing was changed. Choose it with "
    "\"Change A2 Directory\" in the Manager menu first.";

enum class Phase {
  CreatingBackup,   // install
  CopyingFiles,     // install
  DeletingFiles,    // uninstall: files the install added
  RestoringBackup,  // uninstall
  DeletingBackup,   // uninstall
};

struct Callbacks {
  std::function<void(Phase)> phase;
  // Work done so far within the operation, as done out of total.
  std::function<void(std::int64_t done, std::int64_t total)> progress;
};

struct FileFailure {
  std::string relativePath;  // as the game writes it: "odf\ships\fed.odf"
  std::string reason;
};

struct Report {
  // The operation could not start (no game folder, mod folder gone, ...):
  // nothing was changed and `refusal` says why.
  bool refused = false;
  std::string refusal;
  std::int64_t filesHandled = 0;
  std::int64_t originalsKept = 0;  // an install: the game files it replaced, kept in the Backup
  std::int64_t sameBytes = 0;      // an install: files the game held already (in filesHandled, not written)
  std::vector<FileFailure> failures;
  // Files at the mod's paths that the run left alone because they do not
  // hold what the mod put there (uninstalling a mod that is not installed).
  std::vector<std::string> leftAlone;
  // A forced uninstall: the game files left as they were because their
  // originals are gone, and where what was left of the Backup went.
  std::vector<std::string> keptMissing;
  std::string backupWentTo;
  // The backup cannot be retired by running the uninstall again (an original
  // gone, a damaged record, files Drydock did not put there): only a forced
  // uninstall gets past it.
  bool stuck = false;
  bool Succeeded() const { return !refused && failures.empty(); }
};

using library::ListModFiles;
using library::ModFile;

// "NAME was installed into GAME. Choose that folder to uninstall it.", or,
// when that folder is gone, that this one does not hold what the install wrote.
std::string InstalledIntoText(const std::string& name, const std::string& game);

// The game folder that the backup of the mod in `modFolder` was made for,
// when that is not `gameDir` as it is now: another game (a second copy, or
// the author's own, for a mod published with its Backup), or one whose
// folder is gone (the uninstall tells from the files whether it is this game
// moved). Nothing when the backup is this game's or has no readable record.
struct BackupGame {
  std::string game;
  GameMatch match;
};
std::optional<BackupGame> InstalledElsewhere(const std::filesystem::path& modFolder,
                                             const std::filesystem::path& gameDir);

// Installs the mod. Refuses when the game folder or the mod folder does not
// exist, when the mod is installed already (uninstall it first), or when
// something that is not a folder stands where its Backup folder goes. A mod
// file whose name a Windows game could not hold is not installed and is
// reported. When no file could be installed, no Backup stays behind.
Report InstallModFiles(const platform::WriterLock& lock, const std::filesystem::path& gameDir,
                       const std::filesystem::path& modFolder, const Callbacks& callbacks = {});

// The same in two steps, for a flow that checks the plan before anything
// changes: under the lock, what a killed run left in the mod folder is
// cleared and the plan made (its `refusal` says when the install cannot
// start); then, still under that lock, the plan is carried out as it stands.
struct InstallPlan;
InstallPlan PrepareInstall(const platform::WriterLock& lock, const std::filesystem::path& gameDir,
                           const std::filesystem::path& modFolder);
Report InstallPlannedFiles(const platform::WriterLock& lock, const InstallPlan& plan, const Callbacks& callbacks = {});

// What an uninstall will do, worked out before anything changes so that the
// user can be asked about the game files this mod's install did not write.
struct UninstallPlan {
  enum class Source {
    Record,     // a backup with the install's record
    OldBackup,  // a backup without one: an earlier version's, another tool's, or one a mod shipped
    NoBackup,   // the mod is not installed
  };
  struct Target {
    // Listed in the install's record; else judged by the mod's files alone (a
    // backup without a record, or what a damaged record no longer tells).
    bool recorded = true;
    std::string recordPath;                      // relative, '/'-joined
    std::filesystem::path game;                  // the game's file
    std::filesystem::path kept;                  // its kept original; empty when the install added the file
    std::filesystem::path modFile;               // the mod's own file at that path, when it has one
    std::optional<platform::FileStamp> written;  // what the install wrote, by the record
    bool fullStamp = false;                      // `written` holds the change time and file ID too
    std::optional<std::uint64_t> keptSize;       // the kept original's size, by the record
    // A file that a mod installed later replaced too: the game's file is that
    // mod's and stays, and the next such mod (the heir) takes over what this
    // one kept, in place of its own copy of this mod's file.
    int heir = -1;                   // index into `heirs`; -1 when this mod is the top of the file's stack
    std::filesystem::path heirKept;  // the heir's kept copy of the file
    RecordEntry::Kind heirKind = RecordEntry::Kind::Added;  // what the heir's record says of it
    enum class State {
      Done,         // nothing to do: restored already, handed over already, or absent
      Ours,         // holds what the install wrote (or is absent where a kept file goes back)
      HandOver,     // the heir kept what this mod's install wrote: it takes over the kept original
      Changed,      // holds something else (the heir's copy, for a hand-over): only changed when the user agreed
      KeptMissing,  // holds what the install wrote, but its kept original is gone
      Blocked,      // a folder stands where the kept file goes back
      Unplaceable,  // a kept file of a backup without a record whose game file is gone or not the mod's
    };
    State state = State::Done;
  };
  // A mod installed later that takes over kept originals of this one.
  struct Heir {
    std::filesystem::path backup;
    InstallRecord record;
  };

  Report refusal;  // `refusal.refused`: nothing can be done
  Source source = Source::NoBackup;
  std::filesystem::path gameDir, modFolder, backup;
  InstallRecord::State recordState = InstallRecord::State::Complete;
  std::vector<Target> targets;
  std::vector<Heir> heirs;
  // The record's game and place in the game's order of installs (0: none).
  std::string game;
  std::uint64_t sequence = 0;
  // The backup was made for another game folder, named here: nothing may be done
  // with this one (the refusal says so).
  std::string installedInto;
  // The backup was made for this game at another place, named here, which is
  // gone: it is uninstalled only once the user agreed to adopt the game's new
  // place (AdoptMovedGame).
  std::string movedFrom;
  // The record was damaged and read as far as it went (forced uninstall only).
  bool salvaged = false;
  bool forced = false;
  // Further kept copies of a game file already kept (in a second letter-case
  // variant of a folder of an old backup); retired only when the game holds
  // their bytes.
  std::vector<Target> extraKept;

  // The changed files that the user may have replaced, as the game writes
  // their paths, for the question. Only a backup with a record offers any:
  // without one, changed files are always left as they are.
  std::vector<std::string> Changed() const;
  // Without a backup: the game files that hold the mod's own bytes and so
  // will be moved to the trash, as the game writes their paths, for the
  // question that names them first.
  std::vector<std::string> Deletions() const;
  // What keeps a backup from ever being retired by a plain uninstall, as the
  // game writes the paths with why: kept originals gone, kept files that
  // cannot be put back, a folder where one goes. Empty when there is none.
  std::vector<FileFailure> Stuck() const;
};

struct PlanOptions {
  // The way out of a backup that cannot be retired: every kept original that
  // can go back does, a game file whose original is gone stays as it is, a
  // damaged record is read as far as it goes (the rest judged by the mod's
  // files), and what is left of the Backup goes to the trash.
  bool force = false;
};

UninstallPlan PlanUninstall(const platform::WriterLock& lock, const std::filesystem::path& gameDir,
                            const std::filesystem::path& modFolder, PlanOptions options = {});

// Takes the game at its new place for the one a plan's backup was made for
// (`plan.movedFrom`): the record names this game folder from now on. The
// caller plans again afterwards.
platform::FsResult AdoptMovedGame(const platform::WriterLock& lock, const UninstallPlan& plan);

// What happens to the plan's changed files: left as they are (and listed in
// the report), or replaced by the kept originals and deleted where the
// install added them, because the user said so.
enum class ChangedFiles { Keep, Replace };

// Uninstalls by the plan: deletes the files the install added, restores every
// kept file, and retires the backup once everything came back. A game file
// that the install did not write and that the user agreed to replace goes to
// the trash first, never away. Without a backup (the user confirmed going on
// anyway), only the game files that hold the mod's own bytes are moved to
// the trash.
Report UninstallModFiles(const platform::WriterLock& lock, const UninstallPlan& plan, ChangedFiles changed,
                         const Callbacks& callbacks = {});

}  // namespace drydock::install
