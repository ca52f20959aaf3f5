#pragma once
// Finding Wine prefixes on this machine, and Windows paths inside them.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::platform {

// Where to look for Wine prefixes; taken from the process environment by
// FromProcess(), filled by hand in tests.
struct WineEnvironment {
  std::string winePrefix;      // $WINEPREFIX, may be empty
  std::filesystem::path home;  // $HOME
  static WineEnvironment FromProcess();
};

// Prefixes in the order they are tried: $WINEPREFIX, ~/.wine, Steam's
// compatdata/*/pfx (native, Flatpak and ~/.steam layouts), Lutris prefixes
// (~/Games/*), Heroic prefixes (~/Games/Heroic/Prefixes/...), Bottles.
// Only folders holding a system.reg are returned, each once.
std::vector<std::filesystem::path> CandidateWinePrefixes(const WineEnvironment& env);

// The values of the "path" lines of a Steam libraryfolders.vdf text, in order,
// unescaped, as written (relative ones included).
std::vector<std::string> LibraryFolderPaths(std::string_view vdfText);

// Maps a Windows path ("C:\\Program Files\\...") to a native path inside
// `prefix` through dosdevices/<drive>: (falling back to drive_c for C:).
// Components after the drive are resolved ignoring case.
std::optional<std::filesystem::path> WinePathToNative(const std::filesystem::path& prefix, std::string_view winPath);

}  // namespace drydock::platform
