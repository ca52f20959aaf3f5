#pragma once
// The main window's captions and messages, in one place.
#include <string>

#include "install/mod_folder.h"

namespace drydock::selector::texts {

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
inline constexpr const char* kFilterPlaceholder = "Filter mods (Ctrl+K)";
// The list's only line when no mod matches the filter box's text.
inline std::string NoModMatches(const std::string& text) { return "(No mod matches \"" + text + "\".)"; }
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
inline constexpr const char* kMenuFileInstaller = "&File installer";
inline constexpr const char* kMenuInstallMapEditor = "Install map editor";
inline constexpr const char* kMenuUninstallAll = "&Uninstall All Mods";
inline constexpr const char* kMenuLaunch = "&Launch";
inline constexpr const char* kMenuLaunchA2 = "&Armada II";
inline constexpr const char* kMenuLaunchA2Dir = "A&rmada II Directory";
inline constexpr const char* kMenuLaunchDrydockDir = "&Drydock Directory";
inline constexpr const char* kMenuLaunchAU = "Armada &Universe";
inline constexpr const char* kMenuLaunchAFC = "Armada &Fleet Command";
inline constexpr const char* kMenuLaunchModCentral = "Mod&Central";
inline constexpr const char* kMenuCompatibility = "&Check Compatability";
inline constexpr const char* kMenuEditModInfo = "&Edit ModInfo.txt file";
inline constexpr const char* kMenuAnalyze = "Analy&ze Mod Files";
inline constexpr const char* kMenuTechTree = "View Available &Tech Trees";
inline constexpr const char* kMenuRemoveMod = "Rem&ove mod";
inline constexpr const char* kMenuOpenDirectory = "Open directory";
inline constexpr const char* kMenuMakeSubfolders = "Make su&bfolders";
inline constexpr const char* kMenuRemoveSubfolders = "Remove &subfolders";
inline constexpr const char* kMenuMakeNewFolder = "&Make new mod folder";
// The list's context menu on a mod.
inline constexpr const char* kContextInstall = "&Install";
inline constexpr const char* kContextUninstall = "&Uninstall";
inline constexpr const char* kContextCompatibility = "&Compatibility with...";
inline constexpr const char* kContextEditModInfo = "&Edit ModInfo";
inline constexpr const char* kContextOpenFolder = "Open &folder";
inline constexpr const char* kContextViewReadme = "&View readme";
inline constexpr const char* kContextRemove = "Re&move";
inline constexpr const char* kMenuHelp = "&Help";
inline constexpr const char* kMenuAbout = "&About";
inline constexpr const char* kMenuHelpViewReadme = "&View Readme";
inline constexpr const char* kMenuChanges = "Changes from &last release";
// Mod folder maintenance.
inline constexpr const char* kMakeSubfolders = "Are you sure you want to make these folders?";
inline constexpr const char* kMakeSubfoldersTitle = "Make subfolders?";
inline constexpr const char* kRemoveSubfolders = "Are you sure you want to remove these folders?";
inline constexpr const char* kRemoveSubfoldersTitle = "Delete subfolders?";
inline constexpr const char* kNewFolderPrompt = "Please enter the name of the folder.";
inline constexpr const char* kNewFolderTitle = "Make new folder";
inline constexpr const char* kFolderExists = install::kFolderExistsText;
inline constexpr const char* kInvalidName = install::kInvalidNameText;
inline constexpr const char* kNewFolderError =
    "An error has occurred. It is possible that you have entered invalid characters. Please enter a different name.";
inline constexpr const char* kNewFolderErrorTitle = "Error!";

}  // namespace drydock::selector::texts
