#pragma once
// Which mods are installed. A mod or addon is installed when its folder holds
// a folder "Backup": the install keeps the game files it replaced there.
#include <filesystem>
#include <string>
#include <vector>

#include "library/mod_library.h"

namespace drydock::install {

inline constexpr std::string_view kBackupFolderName = "Backup";

// A folder "Backup" in any letter case, as the game's file system sees names
// (a file of that name, or a link, is no backup): the test of install,
// uninstall and the installed-mods list alike.
bool IsInstalled(const std::filesystem::path& modFolder);

// The installed-mods list: every entry of `list` (addons with their indent)
// whose folder is installed. The placeholder "(No mods found.)" when none is.
std::vector<std::string> InstalledModEntries(const std::filesystem::path& modsDir, const library::ModList& list);

}  // namespace drydock::install
