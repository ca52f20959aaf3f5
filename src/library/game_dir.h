#pragma once
// Where the game is installed, as its installer recorded it in the registry.
#include <filesystem>
#include <string_view>

#include "platform/registry.h"

namespace drydock::library {

inline constexpr std::string_view kGameRegistryKey = "Software\\Activision\\Star Trek Armada II\\v1.0";
inline constexpr std::string_view kGameRegistryValue = "INSTALLPATH";

// The game's folder from HKEY_LOCAL_MACHINE (a Wine prefix on Linux), as a
// native path; empty when the value is missing or cannot be mapped.
std::filesystem::path ReadGameDirFromRegistry(platform::Registry& registry);

}  // namespace drydock::library
