#pragma once
// Starting the game and switching on its map editor, for the main window's
// Launch and "Install map editor" commands. Every failure is told to the user
// through Dialogs; nothing here ends the program, the caller does when
// LaunchGame says the game was started.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/game_host.h"
#include "platform/writer_lock.h"

namespace drydock::platform {
class Shell;
}
namespace drydock::ui {
class Dialogs;
}

namespace drydock::launch {

inline constexpr std::string_view kGameExe = "Armada2.exe";
// Written into the game folder on Windows and opened, which starts the game there.
inline constexpr std::string_view kLaunchBatchName = "Drydock Launch A2.bat";
// Two empty files in the game folder that make the game offer its map editor.
inline constexpr std::string_view kMapEditorMarkers[] = {"ATVI", "unsupportedextension_mapedit"};

// The community web pages of these names, opened from the Launch menu.
inline constexpr std::string_view kArmadaUniverseUrl = "https://www.armadauniverse.com/";
inline constexpr std::string_view kArmadaFleetCommandUrl = "https://www.armadafleetcommand.com/";
inline constexpr std::string_view kModCentralUrl = "https://www.modcentral.us/";

// Starts Armada II from `gameDir`: on Windows by writing the launch batch file
// there and opening it, elsewhere by running the game through Wine with the
// game folder as working directory, in the Wine prefix whose drive_c holds the
// game folder, else in `registryPrefix`: the prefix whose registry named
// `gameDir` (platform::Registry::FoundPrefix()), empty when the folder came
// from elsewhere. True when the game was started and the program should end;
// false (the user was told why) when Drydock should stay open.
bool LaunchGame(const std::optional<std::filesystem::path>& gameDir, platform::Shell& shell, ui::Dialogs& dialogs,
                const std::filesystem::path& registryPrefix = {},
                platform::GameHost host = platform::ThisSystemsGameHost());

// Creates the map editor markers in `gameDir` (a marker already there as a
// file is left as it is), under the game's writer lock, then asks whether to
// launch the game. True when the markers are in place and the user answered
// Yes: the caller then runs LaunchGame. Failures are told to the user.
bool InstallMapEditor(const std::optional<std::filesystem::path>& gameDir, ui::Dialogs& dialogs,
                      std::chrono::milliseconds lockWait = platform::WriterLock::kDefaultWait);

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
