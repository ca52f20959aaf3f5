#pragma once
// The loose-file sorter: moves the ticked loose files of a mod's root folder
// into the game folders of their types inside the same mod folder, so that
// the mod gets the game's layout. Nothing leaves the mod folder and nothing is
// copied: each file moves by one rename that replaces the target, so a crash
// at any moment leaves it under its old name or its new one.
#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fileinstaller/file_types.h"
#include "flow/preflight.h"
#include "install/install_engine.h"

namespace drydock::platform {
class WriterLock;
}
namespace drydock::flow {
class Dialogs;
}
namespace drydock::install {
class InstallHost;
}

namespace drydock::fileinstaller {

// The ticks of the file installer: a type's check, and the check of each
// entry of that type's Files list in the scan (files[row][k] for
// scan.files[row][k]). A missing entry counts as unticked.
struct SortChoice {
  std::array<bool, kFileTypeCount> types{};
  std::array<std::vector<bool>, kFileTypeCount> files;
};
// Every found type and every file of each ticked.
SortChoice TickEverything(const ModScan& scan);

struct LooseMove {
  std::string name;  // the root file, as listed
  std::size_t row;   // the type whose folder receives it
  // A file of that name (any letter case) is already in the target folder and
  // holds other bytes: moving replaces it.
  bool replacesOther = false;
  // Files in the target folder whose names differ from `name` only in letter
  // case; the move takes their place, so they go: to the trash before it when
  // they hold other bytes, deleted after it when they hold the same.
  std::vector<std::string> caseVariants;
};

struct SortPlan {
  std::vector<LooseMove> moves;  // in the order they are made
  // Ticked files left where they are, with the reason: a Windows game could
  // not hold their names, or another loose file of the name in other letter
  // case takes their place.
  std::vector<install::FileFailure> refused;
};

// Which ticked files move where. The root folder is listed afresh; a file is
// offered to a type when the type and its entry are ticked and the file, as it
// lies now, still satisfies the type's rule. Files are visited in listing
// order, each against the types in the sorter's order: Bzn, Textures\Rgb,
// Techtree, Sprites, Sod, Sod\Software; then for an .odf its ShipImages
// partner picture; then the .odf types from Ships to Pulse, the first that
// takes it ending the chain; then Objectives, Missions, Ai\Aips, Ai and
// Animations. A file moves at most once.
SortPlan PlanLooseFiles(const std::filesystem::path& modFolder, const ModScan& scan, const SortChoice& choice);

// The replacing moves of a plan, as "odf\ships\fed.odf".
std::vector<std::string> Replacements(const SortPlan& plan);
// Where a move of `row` puts `name`, as the game writes it.
std::string TargetText(std::size_t row, const std::string& name);

struct SortReport {
  int moved = 0;
  std::vector<install::FileFailure> failures;  // ticked files that did not move (the plan's refused first), and why
  std::vector<std::string> kept;               // replacements the user declined, left in the root
  std::vector<std::string> notRemoved;         // other-case names a moved file replaced that could not go
  std::string message;                         // the closing message (SortMessage)
};

// Carries out `plan` under the writer lock: makes the game's folders the mod
// lacks (reusing folders of any letter case), makes the moves, and removes
// every empty game folder of the mod again. With `replaceOthers` false, files
// that would replace other bytes stay in the root folder; with it, what they
// replace goes to the trash first, and a loose file whose place the trash
// cannot clear stays. Nothing moves through a link below the mod folder. A
// failed step is reported and the run goes on.
SortReport InstallLooseFiles(const platform::WriterLock& lock, const std::filesystem::path& modFolder,
                             const SortPlan& plan, bool replaceOthers);

// The closing message: "No files installed.", "1 file installed." or
// "N files installed.", then what stayed behind and why.
std::string SortMessage(const SortReport& report);

// The sorter as the file installer's button runs it: takes the writer lock of
// the mods folder, plans, asks before replacing files of other contents (Yes
// replaces them, No leaves those loose files where they are, Cancel stops),
// moves with the host's long-work runner and sets the report's closing
// message, which the caller shows. Before the question, the checks of every
// change (flow::Preflight) look at `gameDir` (empty: not known) and at the
// plan's targets. Nothing when the lock was not taken, a check refused or the
// user cancelled.
std::optional<SortReport> SortLooseFiles(flow::Dialogs& dialogs, install::InstallHost& host,
                                         const std::filesystem::path& modsDir, const std::filesystem::path& modFolder,
                                         const ModScan& scan, const SortChoice& choice,
                                         const std::filesystem::path& gameDir = {});

// What a plan writes, for flow::Preflight: the mod folder itself and each
// move's target, renames within the mod's volume that add no bytes.
std::vector<flow::PlannedWrite> PlannedWrites(const std::filesystem::path& modFolder, const SortPlan& plan);

}  // namespace drydock::fileinstaller
