#pragma once
// The version lines of the about box and the changes window: the program's
// own version, and the patch level of the installed game.
#include <filesystem>
#include <optional>
#include <string>

namespace drydock::help {

// "Version 0.8.17": major, minor and revision of this build.
std::string ProgramVersionLine();

// Patched when the game folder holds the 1.1 patch's readme, named in any
// letter case (hidden or not); unpatched otherwise, also without a game folder.
std::string GameVersionLine(const std::optional<std::filesystem::path>& gameDir);

}  // namespace drydock::help
