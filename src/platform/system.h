#pragma once
// Facts of the system Drydock runs on, for the code above the platform layer
// that words a text or shapes a path differently on each: they are plain
// constants and functions, so both branches of a choice compile everywhere.
#include <filesystem>
#include <string>
#include <vector>

namespace drydock::platform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// The separator of the paths users type and see.
inline constexpr char kPathSeparator = kWindows ? '\\' : '/';
// True for a character that separates a path's parts here ('/' counts on Windows too).
constexpr bool IsPathSeparator(char c) { return c == '/' || (kWindows && c == '\\'); }

// True when standard input is a terminal.
bool StdinIsTerminal();

// The system's own opener for a file, a folder or an address, as a program
// and its arguments (xdg-open, or cmd's start on Windows).
struct OpenerCommand {
  std::string program;
  std::vector<std::string> arguments;
};
OpenerCommand SystemOpener(const std::string& pathOrAddress);

// A path from a file name as a toolkit hands it over, given both ways: its
// UTF-16 (taken on Windows) and its bytes in the file system's encoding
// (taken elsewhere, where a name need not be UTF-8).
std::filesystem::path PathFromToolkitName(const std::u16string& utf16, const std::string& bytes);

}  // namespace drydock::platform
