#pragma once
// Facts about the running process and user.
#include <filesystem>
#include <optional>
#include <string>

namespace drydock::platform {

// Folder that holds the running executable.
std::filesystem::path ExecutableDir();
std::optional<std::string> GetEnv(const char* name);
std::filesystem::path HomeDir();
// Per-user data folder of the program: $XDG_DATA_HOME/drydock or
// ~/.local/share/drydock (%LOCALAPPDATA%\Drydock on Windows).
std::filesystem::path UserDataDir();

}  // namespace drydock::platform
