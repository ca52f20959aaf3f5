#pragma once
// The main window's captions and messages, in one place.
namespace drydock::app::texts {

inline constexpr const char* kCaption = "Drydock";
inline constexpr const char* kCaptionClosing = "Drydock (closes when the work under way has finished)";
inline constexpr const char* kRefreshModList = "&Refresh Mod List";
inline constexpr const char* kCountingFiles = "Counting files";
inline constexpr const char* kRefreshingModList = "Refresing mod list";
inline constexpr const char* kInstallMod = "Install Mod";
inline constexpr const char* kUninstallMod = "Uninstall Mod";
inline constexpr const char* kStats = "Stats:";
inline constexpr const char* kA2NumOfFile = "Number of files in Armada II Directory:";
inline constexpr const char* kA2FolderNotFound = "(A2 folder not found)";
inline constexpr const char* kModNumOfFiles = "Number of files in current mod:";
inline constexpr const char* kModMaker = "Maker(s) of current mod:";
inline constexpr const char* kModDescription = "Description:";
inline constexpr const char* kModVersion = "Version:";
inline constexpr const char* kInvalidPic = "Picture file is not a valid picture or it is corrupted.";

inline constexpr const char* kSecondInstance = "Warning: Previous instance of application detected. Aborting load.";
inline constexpr const char* kSecondInstanceTitle = "Warning!";

// Menus.
inline constexpr const char* kMenuManager = "Mana&ger";
inline constexpr const char* kMenuChangeA2Directory = "C&hange A2 Directory";
inline constexpr const char* kMenuCheckInstalledMods = "Check currently installed mo&ds";
inline constexpr const char* kMenuDisableAuto = "Disable &auto refresh";
inline constexpr const char* kMenuEnableAuto = "Enable &auto refresh";
inline constexpr const char* kMenuQuit = "&Quit";
inline constexpr const char* kMenuMod = "&Mod";
inline constexpr const char* kMenuCurrentMod = "Current Mod";
inline constexpr const char* kMenuInstall = "&Install Mod";
inline constexpr const char* kMenuUninstall = "&Uninstall Mod";
inline constexpr const char* kMenuViewReadme = "Vie&w mod's readme";

}  // namespace drydock::app::texts
