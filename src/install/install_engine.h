#pragma once
// Installing a mod into the game and taking it out again, without ever losing
// a game file.
//
// A mod's files are the plain files of its 79 game folders (ModInfo.txt in
// its root excepted). Installing keeps every game file it replaces in the
// mod's Backup folder, which mirrors the game's layout, and records the files
// it adds; uninstalling puts the kept files back and deletes the added ones.
//
// The order of the steps is what keeps the user's files safe:
//  * the backup is built completely under a temporary name, flushed, and only
//    then renamed to "Backup" (the installed marker) before the first game
//    file changes; a crash before that leaves the game untouched and the
//    leftover folder is removed by the next run;
//  * game files are replaced one by one through a temporary name and a
//    rename; a game file that could not be backed up is not replaced;
//  * the uninstall restores every kept file first and retires the backup
//    only when all of them came back; otherwise the backup stays whole and
//    the mod stays installed, so running it again finishes the job.
// Single failures do not stop a run; they are counted and reported.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace drydock::install {

// Names inside a mod folder that belong to the install and never to the mod.
inline constexpr std::string_view kBackupBuildingName = ".drydock-backup-new";
inline constexpr std::string_view kBackupRetiredName = ".drydock-backup-old";
// In the backup's root: the relative paths of the files the install added.
inline constexpr std::string_view kAddedListName = ".drydock-added";

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
  std::vector<FileFailure> failures;
  bool Succeeded() const { return !refused && failures.empty(); }
};

// One file of a mod: the game folder it lies in and its name there.
struct ModFile {
  int folder;                    // GameFolderList number, 1..79
  std::string name;              // as the mod folder lists it
  std::filesystem::path source;  // the file in the mod folder
  std::string Relative() const;
};

// The mod's files in table order, then listing order. A file named exactly
// ModInfo.txt is not one of them. Folders that differ from a table folder
// only in letter case ("ODF\Ships" beside "odf\ships") all count, as the
// game would see them as one; links inside the mod are never followed.
std::vector<ModFile> ListModFiles(const std::filesystem::path& modFolder);

// Removes folders that an interrupted install or uninstall left in the mod
// folder (a backup being built, a backup being retired).
void CleanLeftovers(const std::filesystem::path& modFolder);

// Installs the mod. Refuses when the game folder or the mod folder does not
// exist, or when the mod is installed already (uninstall it first).
Report InstallModFiles(const std::filesystem::path& gameDir, const std::filesystem::path& modFolder,
                       const Callbacks& callbacks = {});

// Uninstalls the mod: deletes the files its install added, restores every
// file kept in its backup, and removes the backup once all came back. With
// no backup at all (the user confirmed going on anyway), the game's files at
// the mod's paths are deleted and nothing is restored. With a backup made by
// a program that kept no list of added files, the mod's files without a kept
// copy are deleted, as that program's uninstall did.
Report UninstallModFiles(const std::filesystem::path& gameDir, const std::filesystem::path& modFolder,
                         const Callbacks& callbacks = {});

// The files this mod's install wrote that no longer hold the mod's bytes in
// the game (changed or removed after the install, by a mod installed later
// or a game update), as relative paths.
std::vector<std::string> FilesChangedSinceInstall(const std::filesystem::path& gameDir,
                                                  const std::filesystem::path& modFolder);

}  // namespace drydock::install
