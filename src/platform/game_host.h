#pragma once
// How this system runs the game: natively on Windows, through Wine elsewhere;
// and the two facts of the system that the Windows way of starting it needs.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace drydock::platform {

enum class GameHost { Native, Wine };

GameHost ThisSystemsGameHost();

// The short (8.3) form of an existing path as the system reports it (on a
// volume that keeps no short names that is the path itself); nothing where
// the system has no short names or the path cannot be resolved.
std::optional<std::string> ShortPathName(const std::filesystem::path& path);

// UTF-8 `text` in the system's 8-bit code page (the ANSI code page on
// Windows; Windows-1252, Wine's code page for Western locales, elsewhere);
// nothing when a character does not fit.
std::optional<std::string> ToSystemCodePage(std::string_view text);

}  // namespace drydock::platform
