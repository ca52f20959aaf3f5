#pragma once
// Whether the program can play a wave file itself. Qt's sound effect waits
// for good on a wave whose header or sound data is cut short, and then every
// later sound waits behind it, so only whole waves of a format it decodes are
// handed on; for the others the user is told why.
#include <filesystem>
#include <optional>
#include <string>

namespace drydock::analyzer {

// Why `file` cannot be played ("the file is cut short", ...), or nothing
// when it is a whole PCM wave: a RIFF WAVE header, a format chunk of plain
// PCM (8, 16, 24 or 32 bits), and a data chunk that lies wholly in the file
// and holds whole sample frames. Reads the chunk headers only.
std::optional<std::string> WaveProblem(const std::filesystem::path& file);

}  // namespace drydock::analyzer
