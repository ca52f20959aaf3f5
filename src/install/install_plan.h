#pragma once
// What an install or an uninstall will do to each file, worked out by reading
// alone: the install's plan (PlanInstall), which InstallModFiles then carries
// out as it stands, and a description of either plan, one line per file under
// a heading per kind, for the dry runs and a question's Show Details.
//
// PlanInstall takes no lock, clears no leftovers and changes not a byte nor a
// timestamp (on Windows, whether a game folder can be written is learnt by
// making and closing a probe file in it, which moves that folder's time);
// PreviewUninstall is the uninstall's plan made the same way. Both
// are for showing only: a run that changes files plans again under the writer
// lock (InstallModFiles, PlanUninstall).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "install/install_engine.h"

namespace drydock::install {

struct InstallPlan {
  enum class Action {
    ReplacesGame,  // replaces the game's own file, which is kept in the Backup
    ReplacesMod,   // replaces the file of the installed mod `overMod`, which stays installed beneath
    Adds,          // a file the game does not have
    SameBytes,     // the game's file holds these very bytes already: nothing is written, it is no conflict
  };
  struct File {
    Action action = Action::Adds;
    ModFile file;
    std::filesystem::path game;  // where it goes in the game
    std::string recordPath;      // relative to the game folder, '/'-joined, as the game spells it
    // The topmost installed mod whose record lists the path (ReplacesMod, and
    // SameBytes over a mod's file); empty for the game's own file.
    std::string overMod;
    std::uint64_t size = 0;
  };

  // `refusal.refused`: the install cannot start (no game folder, mod installed
  // already, a link on the way, ...); nothing else is planned.
  Report refusal;
  std::vector<File> files;
  // Files a Windows game cannot hold: never installed, reported.
  std::vector<FileFailure> keptOut;
  // What stops the whole install before anything changes: a folder standing
  // where a file goes, a game folder that cannot be written.
  std::vector<FileFailure> blockers;
  // The bytes copied into the game, and those the Backup takes on its disk:
  // kept originals on another volume than the mod's folder (on one volume
  // they are hard links), and the copies kept where the game held the bytes already.
  std::uint64_t bytesToWrite = 0, bytesToBackup = 0;
  // The game and the mod it was made for.
  std::filesystem::path gameDir, modFolder;

  // The refusal that names every blocker and what to do about it; "" when there is none.
  std::string BlockerText() const;
};

// The install's plan for the mod in `modFolder` over the game in `gameDir`.
InstallPlan PlanInstall(const std::filesystem::path& gameDir, const std::filesystem::path& modFolder);

// The uninstall's plan as PlanUninstall makes it, but without the writer lock
// and without clearing what a killed run left in the mod folder: for showing
// what an uninstall would do, never for running one.
UninstallPlan PreviewUninstall(const std::filesystem::path& gameDir, const std::filesystem::path& modFolder,
                               PlanOptions options = {});

// A plan told file by file: groups in a fixed order, each under its heading,
// and a summary line.
struct PlanLine {
  std::string path;  // as the game writes it
  std::string mod;   // the other mod concerned (replaced, or handed the original), if any
  std::string note;  // why, for stuck files
};
struct PlanGroup {
  std::string kind;     // for scripts: "replaces-game", "replaces-mod", "adds", "same-bytes", "kept-out", ...
  std::string heading;  // for people
  std::vector<PlanLine> files;
};
struct PlanDescription {
  std::string refusal;            // the plan cannot run at all, and why; the groups are empty
  std::vector<PlanGroup> groups;  // only those with files
  std::string summary;
  std::uint64_t bytesToWrite = 0, bytesToBackup = 0;
};
PlanDescription Describe(const InstallPlan& plan);
PlanDescription Describe(const UninstallPlan& plan);

// The groups as text: each heading, then its files one an indented line, then the summary.
std::string DescriptionText(const PlanDescription& description);

// "12 bytes", "3.4 KB", "1.2 MB", "2.0 GB".
std::string ByteCount(std::uint64_t bytes);

}  // namespace drydock::install
