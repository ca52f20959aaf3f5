#pragma once
// Reading text files the game and mod authors write: each line decoded as
// UTF-8 when it is valid UTF-8, otherwise as Windows-1252; a line ends at
// CR LF, CR or LF. Reading is bounded so that no input (binary junk, a huge
// file, a line of a million characters) can exhaust memory or hang the caller.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::platform {

struct TextLimits {
  std::size_t maxBytes = 4u << 20;       // read at most this much of the file
  std::size_t maxLineBytes = 64u << 10;  // a longer line is cut to this length
  std::chrono::milliseconds maxTime{0};  // stop reading after this long; 0: no limit
};

// Calls `onLine` with each line of the file (UTF-8) in order, reading it in
// chunks, so that memory stays bounded by the line length whatever the file's
// size. Returns false when the limits stopped it before the end. A file that
// cannot be opened or read has no lines.
bool ForEachTextLine(const std::filesystem::path& file, const TextLimits& limits,
                     const std::function<void(std::string_view line)>& onLine);

// The file's lines (UTF-8), or nothing when it cannot be opened or read.
std::vector<std::string> ReadTextLines(const std::filesystem::path& file, TextLimits limits = {});

// UTF-8 text of `bytes`: unchanged when valid UTF-8, else read as Windows-1252.
std::string DecodeText(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);
// The length of the UTF-8 sequence that starts at byte `i` of `bytes` (1 for
// ASCII), or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t i);
// The Windows-1252 bytes of UTF-8 `text`; nothing when it is not valid UTF-8
// or holds a character that Windows-1252 cannot hold.
std::optional<std::string> EncodeWindows1252(std::string_view text);

// Reads up to `maxBytes` of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace drydock::platform
