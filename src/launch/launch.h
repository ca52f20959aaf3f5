#pragma once
// src/launch: starting the game (natively or through Wine), the map editor markers, and opening
// pages and folders for every window. See README.md.
//
// Starting the game and switching on its map editor, for the main window's
// Launch and "Install map editor" commands. Every failure is told to the user
// through Dialogs; nothing here ends the program, the caller does when
// LaunchGame says the game was started.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "library/game_search.h"
#include "platform/game_host.h"
#include "platform/process.h"
#include "platform/writer_lock.h"

namespace drydock::platform {
class Shell;
}  // namespace drydock::platform
namespace drydock::flow {
class Dialogs;
}

namespace drydock::launch {

inline constexpr std::string_view kGameExe = library::kGameExeName;
// Written into the game folder on Windows and opened, which starts the game there.
inline constexpr std::string_view kLaunchBatchName = "Drydock Launch A2.bat";
// Two empty files in the game folder that make the game offer its map editor.
inline constexpr std::string_view kMapEditorMarkers[] = {"ATVI", "unsupportedextension_mapedit"};

// The community web pages of these names, opened from the Launch menu.
inline constexpr std::string_view kArmadaUniverseUrl = "https://www.armadauniverse.com/";
inline constexpr std::string_view kArmadaFleetCommandUrl = "https://www.armadafleetcommand.com/";
inline constexpr std::string_view kModCentralUrl = "https://www.modcentral.us/";

// How long a started game is watched: when it ends with an error by then,
// the user is told and Drydock stays open.
inline constexpr std::chrono::milliseconds kLaunchGraceTime{5000};

// Runs the part of a command that waits on the disk (the writer lock) and
// returns when it has ended; a window runs it on a worker. Empty: at once.
using RunLongFn = std::function<void(const std::function<void()>&)>;

// A launch that started the game; `game` is what to watch through its first
// seconds, null when the system's shell started it (nothing to watch).
struct Started {
  bool started = false;
  std::unique_ptr<platform::WatchedProgram> game;
  std::string command;  // what runs, as the user is told of it: "wine Armada2.exe"
  explicit operator bool() const { return started; }
};

// Starts Armada II from `gameDir`: on Windows by writing the launch batch file
// there and opening it, elsewhere by running the game through Wine with the
// game folder as working directory, in the Wine prefix whose drive_c holds the
// game folder, else in `registryPrefix`: the prefix whose registry named
// `gameDir` (platform::Registry::FoundPrefix()), empty when the folder came
// from elsewhere. Not started (the user was told why): Drydock stays open.
// Started: the caller watches `game` for kLaunchGraceTime (TellGameEnd
// decides), then ends the program.
Started LaunchGame(const std::optional<std::filesystem::path>& gameDir, platform::Shell& shell, flow::Dialogs& dialogs,
                   const std::filesystem::path& registryPrefix = {},
                   platform::GameHost host = platform::ThisSystemsGameHost(), const RunLongFn& runLong = {});

// What a watch of the game found: `end` when it ended within its grace
// time, nothing when it still runs. A failure is told to the user (the exit
// status and the last of what it wrote to its standard error); true when
// Drydock may end.
bool TellGameEnd(const Started& launch, platform::WatchedProgram& game, const std::optional<platform::ProgramEnd>& end,
                 flow::Dialogs& dialogs);
// The command line's watch: waits until the game has ended or run for
// `grace`, then as TellGameEnd.
bool WatchGame(const Started& launch, flow::Dialogs& dialogs, std::chrono::milliseconds grace = kLaunchGraceTime);

// Creates the map editor markers in `gameDir` (a marker already there as a
// file is left as it is), under the game's writer lock, then asks whether to
// launch the game. True when the markers are in place and the user answered
// Yes: the caller then runs LaunchGame. Failures are told to the user.
bool InstallMapEditor(const std::optional<std::filesystem::path>& gameDir, flow::Dialogs& dialogs,
                      std::chrono::milliseconds lockWait = platform::WriterLock::kDefaultWait,
                      const RunLongFn& runLong = {});

// Opens a folder, file or address through the shell; when that fails the
// user is told what failed, with `pathOrAddress` written out in full so that
// it can be opened by hand. True when the shell took it.
bool OpenOrTell(platform::Shell& shell, flow::Dialogs& dialogs, const std::string& pathOrAddress);
// The message of a path or address the shell could not open, and why.
void TellNotOpened(flow::Dialogs& dialogs, const std::string& pathOrAddress, const std::string& reason);

// Both markers lie in `gameDir` as plain files named exactly so.
bool MapEditorInstalled(const std::optional<std::filesystem::path>& gameDir);
// The game's executable, named in any letter case, lies in `gameDir` as a plain file.
bool GameExePresent(const std::optional<std::filesystem::path>& gameDir);

// The launch batch file's text: "@Echo Off", a change to the game folder
// (its short form, else the long path in quotes) and the game's executable,
// each line ended by CR LF.
std::string LaunchBatchText(const std::optional<std::string>& shortGameDir, std::string_view longGameDir);
// True for text of the shape LaunchBatchText gives, whichever folder it names:
// a file Drydock wrote, which it may replace.
bool IsLaunchBatchText(std::string_view text);

}  // namespace drydock::launch
