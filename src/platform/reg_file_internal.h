#pragma once
// Pieces of the registry file reader that the Wine prefix search and the
// registry itself also use. Not part of the platform interface: include it
// only from the registry and Wine prefix sources.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace drydock::platform {

// The whole file as bytes, or nothing when it is missing, unreadable, not a
// regular file or bigger than `maxBytes`.
std::optional<std::string> ReadFileCapped(const std::filesystem::path& file, std::uintmax_t maxBytes);

// A key name without the backslashes at either end.
std::string_view TrimBackslashes(std::string_view text);

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Logical lines of a registry file. A line ends at CR LF, LF or CR; a line
// whose last character is a backslash continues on the next one with that
// line's indent dropped (Wine wraps long hex data so).
class RegLines {
 public:
  explicit RegLines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line);

 private:
  std::string_view NextPhysical();

  std::string_view text_;
  size_t pos_ = 0;
  std::string joined_;
};

}  // namespace drydock::platform
