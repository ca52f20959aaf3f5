#pragma once
// Finding the game directory: searching folder trees for the game's executable
// and checking a folder that the user chose.
//
// The search runs on a worker thread while the game directory dialog stays
// responsive, so it takes a stop flag that it checks before every folder it
// reads; setting the flag ends it within one folder listing.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace drydock::library {

inline constexpr std::string_view kGameExeName = "Armada2.exe";

// Bounds that end a search in any tree, whatever links or bind mounts make of
// it. Links are never followed, so the bounds matter only for oddities.
struct TreeSearchLimits {
  int maxDepth = 64;                     // folders deeper below a root are not entered
  std::uint64_t maxFolders = 4'000'000;  // the search gives up after reading this many folders
};

// Searches the tree below each root in turn for a file called `name`, letter
// case ignored, and returns the full path of the first one found (with the
// name as it is on disk); empty when there is none, when `stop` was set, or
// when the limits were reached.
//
// Order: depth-first in listing order. A folder's own files are checked
// before its subfolders are entered, and the subfolders are entered in
// listing order. Symbolic links are not followed, hidden folders (".cache")
// are not entered (a root itself may be hidden, such as a Wine prefix's
// drive_c below ~/.wine), and a walk stays on the volume that holds its root.
// A folder that is itself one of the roots is searched only in its own turn.
std::filesystem::path SearchTreesForFile(const std::vector<std::filesystem::path>& roots, std::string_view name,
                                         const std::atomic<bool>& stop, const TreeSearchLimits& limits = {});

// Where the game is looked for, in order.
// Linux: for each Wine prefix the typical install folders inside drive_c
// ("Program Files", "Program Files (x86)", "GOG Games"), then drive_c itself;
// then `home`; then the top folder of the volume that holds `programDir`.
// Windows: the drive that holds `programDir` ("X:\").
// Folders that do not exist are left out; each folder appears once.
std::vector<std::filesystem::path> GameSearchRoots(const platform::WineEnvironment& wine,
                                                   const std::filesystem::path& home,
                                                   const std::filesystem::path& programDir);

// GameSearchRoots for the running process and user.
std::vector<std::filesystem::path> GameSearchRootsForThisSystem(const std::filesystem::path& programDir);

// A folder typed or picked by the user, checked before it becomes GameDir.
enum class GameDirKind {
  NoSeparator,  // no separator left (a bare drive, "/" alone, a bare name): refused with a beep
  NotFullPath,  // a path relative to nothing the user can see
  Missing,      // nothing by that name, in exactly this letter case of its last component
  NotAFolder,   // a file (the game's executable, say) or something else that is no folder
  NoGameExe,    // a folder without Armada2.exe in any letter case
  GameFolder,   // a folder that holds the game's executable
};

struct GameDirCandidate {
  std::string text;  // the text as the user meant it (see CleanTypedPath)
  GameDirKind kind = GameDirKind::NoSeparator;
  bool isNew = false;    // the text differs from the current GameDir
  std::string caseTwin;  // Missing: the folder the text names when letter case is ignored, if any
};

// What a user means by a typed path: spaces around it and one pair of quotes
// around those dropped, "~" at its start the home folder, "." and ".." and
// doubled separators resolved, and trailing separators removed (so "/" and
// "C:\" lose their only one).
std::string CleanTypedPath(std::string_view text, const std::filesystem::path& home);

// Checks `text` (UTF-8, as typed, cleaned first) against the folder tree and
// `gameDir`, the current GameDir's text (empty when none is known).
GameDirCandidate CheckGameDirCandidate(std::string_view text, std::string_view gameDir,
                                       const std::filesystem::path& home);

}  // namespace drydock::library
