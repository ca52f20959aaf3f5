#pragma once
// Name comparison and text/path conversion shared by every layer.
//
// Names are UTF-8 std::string everywhere in the engines. The game's platform
// ignores letter case and orders names with letters folded to upper case, so
// "A2X" sorts before "A2_"; ties (names that differ only in case) fall back to
// byte order so that two listings of one folder always agree.
#include <filesystem>
#include <string>
#include <string_view>

namespace drydock::platform {

// Upper-cases ASCII letters only; other bytes (including UTF-8 sequences) stay.
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);

// True when a and b are equal ignoring ASCII letter case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Listing order: negative, zero or positive like strcmp.
int CompareNames(std::string_view a, std::string_view b);
inline bool NameLess(std::string_view a, std::string_view b) { return CompareNames(a, b) < 0; }

// Why a Windows game could not hold a file of this name, or null when it can:
// a control character (line breaks included), one of \ / : * ? " < > |, a
// trailing dot or space, a device name (CON, NUL.txt, COM1, ...), or bytes
// that are not UTF-8.
const char* WindowsNameProblem(std::string_view name);

// The name as a user can read it in a message: control characters and bytes
// that are not UTF-8 are written as \xHH, so the result is always UTF-8 on
// one line.
std::string PrintableName(std::string_view name);

// UTF-8 text <-> native path, lossless on both platforms.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Whether two UTF-8 paths name one place to this system's file system as text: byte for byte on
// Linux; on Windows ignoring letter case ("C:\Games" and "c:\GAMES"), as the file system does.
bool SamePathText(std::string_view a, std::string_view b);

}  // namespace drydock::platform
