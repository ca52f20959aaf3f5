#pragma once
// Facts about the running process and user.
#include <filesystem>
#include <optional>
#include <string>

namespace drydock::platform {

// Folder that holds the running executable.
std::filesystem::path ExecutableDir();
// The variable's value as UTF-8 (on Windows read as UTF-16, whatever the ANSI code page).
std::optional<std::string> GetEnv(const char* name);
std::filesystem::path HomeDir();
// Per-user data folder of the program: $XDG_DATA_HOME/drydock or
// ~/.local/share/drydock (%LOCALAPPDATA%\Drydock on Windows).
std::filesystem::path UserDataDir();
// The first program called `name` in the folders of PATH (on Windows with an
// extension of PATHEXT), or nothing.
std::optional<std::filesystem::path> FindProgram(const std::string& name);
// The decimal separator of the user's number format; '.' when it is not one ASCII character.
char UserDecimalPoint();

}  // namespace drydock::platform
