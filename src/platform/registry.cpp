#include "platform/registry.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <unordered_set>
#include <utility>

#include "platform/environment.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

// A registry file bigger than this is not a registry file; it is not read.
constexpr std::uintmax_t kMaxRegistryFileBytes = 256u << 20;
// Steam's library list is a few hundred bytes; anything huge is junk.
constexpr std::uintmax_t kMaxLibraryListBytes = 1u << 20;

// The whole file as bytes, or nothing when it is missing, unreadable, not a
// regular file or bigger than `maxBytes`.
std::optional<std::string> ReadFileCapped(const fs::path& file, std::uintmax_t maxBytes) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size > maxBytes) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  // The file may have shrunk since its size was taken.
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

std::string_view TrimBackslashes(std::string_view text) {
  while (!text.empty() && text.front() == '\\') text.remove_prefix(1);
  while (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// ---------------------------------------------------------------------------
// Wine registry files

// Collects the text of a quoted registry string as UTF-8. Escapes give UTF-16
// code units (a character outside the BMP arrives as two \x escapes); bytes
// written as they are pass through unchanged.
class Utf8Builder {
 public:
  void Byte(char c) {
    FlushHighSurrogate();
    out_.push_back(c);
  }

  void Unit(std::uint32_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      FlushHighSurrogate();
      high_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (high_ == 0) {
        Append(0xFFFD);
      } else {
        Append(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
      }
      return;
    }
    FlushHighSurrogate();
    Append(unit);
  }

  std::string Finish() {
    FlushHighSurrogate();
    return std::move(out_);
  }

 private:
  void FlushHighSurrogate() {
    if (high_ != 0) Append(0xFFFD);
    high_ = 0;
  }

  void Append(std::uint32_t cp) {
    if (cp < 0x80) {
      out_.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out_.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out_.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out_.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  std::string out_;
  std::uint32_t high_ = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// Reads an escaped string as Wine writes key and value names and string data,
// starting at `pos` (just after the opening delimiter) and ending at the first
// unescaped `end`. Leaves `pos` after that delimiter. Nothing when the line
// ends first.
std::optional<std::string> ParseEscaped(std::string_view line, size_t& pos, char end) {
  Utf8Builder out;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == end) return out.Finish();
    if (c != '\\') {
      out.Byte(c);
      continue;
    }
    if (pos >= line.size()) break;
    const char e = line[pos++];
    switch (e) {
      case 'a':
        out.Unit(0x07);
        break;
      case 'b':
        out.Unit(0x08);
        break;
      case 't':
        out.Unit(0x09);
        break;
      case 'n':
        out.Unit(0x0A);
        break;
      case 'v':
        out.Unit(0x0B);
        break;
      case 'f':
        out.Unit(0x0C);
        break;
      case 'r':
        out.Unit(0x0D);
        break;
      case 'e':
        out.Unit(0x1B);
        break;
      case 'x': {
        std::uint32_t unit = 0;
        int digits = 0;
        while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
          unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
          ++digits;
        }
        if (digits == 0) {
          out.Byte('x');
        } else {
          out.Unit(unit);
        }
        break;
      }
      default:
        if (IsOctalDigit(e)) {
          std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
          for (int digits = 1; digits < 3 && pos < line.size() && IsOctalDigit(line[pos]); ++digits) {
            unit = unit * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
          }
          out.Unit(unit);
        } else {
          out.Byte(e);  // \\, \", \[, \] and anything unknown stand for the character itself
        }
        break;
    }
  }
  return std::nullopt;
}

// Logical lines of a registry file. A line ends at CR LF, LF or CR; a line
// whose last character is a backslash continues on the next one with that
// line's indent dropped (Wine wraps long hex data so).
class RegLines {
 public:
  explicit RegLines(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::string_view physical = NextPhysical();
    if (physical.empty() || physical.back() != '\\') {
      line = physical;
      return true;
    }
    joined_.assign(physical.substr(0, physical.size() - 1));
    while (pos_ < text_.size()) {
      std::string_view more = NextPhysical();
      while (!more.empty() && (more.front() == ' ' || more.front() == '\t')) more.remove_prefix(1);
      if (!more.empty() && more.back() == '\\') {
        joined_.append(more.substr(0, more.size() - 1));
        continue;
      }
      joined_.append(more);
      break;
    }
    line = joined_;
    return true;
  }

 private:
  std::string_view NextPhysical() {
    const size_t start = pos_;
    const size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) {
      pos_ = text_.size();
      return text_.substr(start);
    }
    pos_ = end + 1;
    if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return text_.substr(start, end - start);
  }

  std::string_view text_;
  size_t pos_ = 0;
  std::string joined_;
};

void SkipBlanks(std::string_view line, size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

// The string held by the data part of a value line ("..." or str:"..."), or
// nothing when the data is of another type or malformed. `isString` tells the
// two apart: a value of another type hides an earlier string of the same name.
std::optional<std::string> ParseStringData(std::string_view data, bool& isString) {
  size_t pos = 0;
  if (!data.empty() && data.front() == '"') {
    pos = 1;
  } else if (StartsWithIgnoreCase(data, "str:\"")) {
    pos = 5;
  } else if (StartsWithIgnoreCase(data, "str(1):\"")) {
    pos = 8;
  } else {
    isString = false;
    return std::nullopt;
  }
  isString = true;
  std::optional<std::string> text = ParseEscaped(data, pos, '"');
  // Programs see a REG_SZ value up to its first NUL.
  if (text) {
    const size_t nul = text->find('\0');
    if (nul != std::string::npos) text->resize(nul);
  }
  return text;
}

// ---------------------------------------------------------------------------
// Wine prefixes

// Prefix folders in the order found, each once, only those holding a system.reg.
class PrefixList {
 public:
  void Add(const fs::path& prefix) {
    std::error_code ec;
    if (!fs::is_regular_file(prefix / "system.reg", ec)) return;
    const fs::path canonical = fs::weakly_canonical(prefix, ec);
    const std::string key = PathToUtf8(ec ? prefix.lexically_normal() : canonical);
    if (seen_.insert(key).second) prefixes_.push_back(prefix);
  }

  // Adds <dir>/<each subfolder>/<below>, subfolders in listing order.
  void AddChildren(const fs::path& dir, const fs::path& below = {}) {
    for (const std::string& name : ListSubfolders(dir, Links::Follow)) {
      Add(below.empty() ? dir / PathFromUtf8(name) : dir / PathFromUtf8(name) / below);
    }
  }

  std::vector<fs::path> Take() { return std::move(prefixes_); }

 private:
  std::vector<fs::path> prefixes_;
  std::unordered_set<std::string> seen_;
};

// The quoted tokens of one line of a Valve key/value file, unescaped.
std::vector<std::string> VdfTokens(std::string_view line) {
  std::vector<std::string> tokens;
  size_t pos = 0;
  while (pos < line.size()) {
    if (line[pos] != '"') {
      ++pos;
      continue;
    }
    std::string token;
    ++pos;
    bool closed = false;
    while (pos < line.size()) {
      const char c = line[pos++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c == '\\' && pos < line.size()) {
        token.push_back(line[pos++]);
      } else {
        token.push_back(c);
      }
    }
    if (!closed) break;
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// A Steam installation and the extra library folders listed in its
// steamapps/libraryfolders.vdf ("path" "/mnt/games/SteamLibrary" lines).
std::vector<fs::path> SteamLibraries(const fs::path& steamRoot) {
  std::error_code ec;
  if (!fs::is_directory(steamRoot, ec)) return {};
  std::vector<fs::path> libraries{steamRoot};
  const std::string text =
      ReadFileCapped(steamRoot / "steamapps" / "libraryfolders.vdf", kMaxLibraryListBytes).value_or(std::string());
  RegLines lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    const std::vector<std::string> tokens = VdfTokens(line);
    if (tokens.size() < 2 || !EqualsIgnoreCase(tokens[0], "path")) continue;
    const fs::path library = PathFromUtf8(tokens[1]);
    if (library.is_absolute()) libraries.push_back(library);
  }
  return libraries;
}

// Where a drive link in dosdevices leads. A relative target is taken from the
// dosdevices folder; ".." steps back lexically while the folder it leaves is a
// real folder, so that "../drive_c" reads as <prefix>/drive_c.
fs::path ResolveDriveLink(const fs::path& dosdevices, const fs::path& target) {
  if (target.is_absolute()) return target;
  fs::path result = dosdevices;
  for (const fs::path& part : target) {
    if (part == ".") continue;
    if (part == "..") {
      std::error_code ec;
      if (result.has_filename() && !fs::is_symlink(result, ec) && !ec) {
        result = result.parent_path();
      } else {
        result = fs::canonical(result, ec).parent_path();
        if (ec) return {};
      }
      continue;
    }
    result /= part;
  }
  return result;
}

// The native folder behind drive `letter` (lower case) of a prefix, or empty.
fs::path DriveRoot(const fs::path& prefix, char letter) {
  std::error_code ec;
  const fs::path dosdevices = prefix / "dosdevices";
  const std::string entry = FindEntryIgnoreCase(dosdevices, std::string{letter, ':'});
  if (!entry.empty()) {
    const fs::path link = dosdevices / PathFromUtf8(entry);
    fs::path root = link;
    if (fs::is_symlink(link, ec)) {
      const fs::path target = fs::read_symlink(link, ec);
      root = ec ? fs::path() : ResolveDriveLink(dosdevices, target);
    }
    if (!root.empty() && fs::is_directory(root, ec)) return root;
  }
  if (letter == 'c' && fs::is_directory(prefix / "drive_c", ec)) return prefix / "drive_c";
  return {};
}

#ifndef _WIN32
// The value from one prefix's registry file: under Software\Wow6432Node first
// (where a 32-bit program's machine settings land in a 64-bit prefix), then the
// key itself.
std::optional<std::string> ReadFromPrefix(const fs::path& prefix, RegRoot root, std::string_view subkey,
                                          std::string_view valueName) {
  const fs::path file = prefix / (root == RegRoot::LocalMachine ? "system.reg" : "user.reg");
  const std::optional<std::string> text = ReadFileCapped(file, kMaxRegistryFileBytes);
  if (!text) return std::nullopt;
  const std::string_view key = TrimBackslashes(subkey);
  constexpr std::string_view kSoftware = "Software\\";
  if (StartsWithIgnoreCase(key, kSoftware)) {
    const std::string redirected =
        std::string(key.substr(0, kSoftware.size())) + "Wow6432Node\\" + std::string(key.substr(kSoftware.size()));
    if (auto value = FindWineRegString(*text, redirected, valueName)) return value;
  }
  return FindWineRegString(*text, key, valueName);
}
#endif

#ifdef _WIN32
std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// A REG_SZ value from one view of the registry.
std::optional<std::string> QueryString(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                                       REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> result;
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  // The value may grow between the two calls; try again a few times.
  for (int attempt = 0; attempt < 4 && rc == ERROR_SUCCESS && type == REG_SZ; ++attempt) {
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (rc == ERROR_MORE_DATA) {
      size = bytes;
      rc = ERROR_SUCCESS;
      continue;
    }
    if (rc == ERROR_SUCCESS && type == REG_SZ) {
      buffer.resize(std::min<size_t>(buffer.size(), bytes / sizeof(wchar_t)));
      const size_t nul = buffer.find(L'\0');
      if (nul != std::wstring::npos) buffer.resize(nul);
      result = Narrow(buffer);
    }
    break;
  }
  RegCloseKey(key);
  return result;
}
#endif

}  // namespace

WineEnvironment WineEnvironment::FromProcess() {
  WineEnvironment env;
  env.winePrefix = GetEnv("WINEPREFIX").value_or(std::string());
  env.home = HomeDir();
  return env;
}

std::vector<fs::path> CandidateWinePrefixes(const WineEnvironment& env) {
  PrefixList list;
  if (!env.winePrefix.empty()) list.Add(PathFromUtf8(env.winePrefix));
  if (env.home.empty()) return list.Take();
  const fs::path& home = env.home;
  list.Add(home / ".wine");
  // Proton keeps one prefix per game: <library>/steamapps/compatdata/<appid>/pfx.
  for (const fs::path& steam : {home / ".steam" / "steam", home / ".local" / "share" / "Steam",
                                home / ".var" / "app" / "com.valvesoftware.Steam" / "data" / "Steam"}) {
    for (const fs::path& library : SteamLibraries(steam)) list.AddChildren(library / "steamapps" / "compatdata", "pfx");
  }
  list.AddChildren(home / "Games");  // Lutris
  list.AddChildren(home / "Games" / "Heroic" / "Prefixes");
  list.AddChildren(home / "Games" / "Heroic" / "Prefixes" / "default");
  list.AddChildren(home / ".local" / "share" / "bottles" / "bottles");
  list.AddChildren(home / ".var" / "app" / "com.usebottles.bottles" / "data" / "bottles" / "bottles");
  return list.Take();
}

std::optional<std::string> FindWineRegString(std::string_view regFileText, std::string_view subkey,
                                             std::string_view valueName) {
  const std::string_view wantedKey = TrimBackslashes(subkey);
  const bool wantDefault = valueName.empty() || valueName == "@";
  // Later lines win, as when Wine loads the file.
  std::optional<std::string> found;
  bool inKey = false;
  RegLines lines(regFileText);
  std::string_view line;
  while (lines.Next(line)) {
    size_t pos = 0;
    SkipBlanks(line, pos);
    if (pos >= line.size()) continue;
    const char first = line[pos++];
    if (first == '[') {
      const std::optional<std::string> key = ParseEscaped(line, pos, ']');
      inKey = key && EqualsIgnoreCase(TrimBackslashes(*key), wantedKey);
      continue;
    }
    if (!inKey) continue;
    if (first == '@') {
      if (!wantDefault) continue;
    } else if (first == '"') {
      const std::optional<std::string> name = ParseEscaped(line, pos, '"');
      if (!name) continue;
      if (wantDefault ? !name->empty() : !EqualsIgnoreCase(*name, valueName)) continue;
    } else {
      continue;  // comments, #time=/#class= options, header lines
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    SkipBlanks(line, pos);
    bool isString = false;
    std::optional<std::string> text = ParseStringData(line.substr(pos), isString);
    if (text) {
      found = std::move(text);
    } else if (!isString) {
      found.reset();
    }
  }
  return found;
}

std::optional<fs::path> WinePathToNative(const fs::path& prefix, std::string_view winPath) {
  if (winPath.size() < 2 || winPath[1] != ':') return std::nullopt;
  const char letter = ToLowerAscii(winPath.substr(0, 1)).front();
  if (letter < 'a' || letter > 'z') return std::nullopt;
  const std::string_view rest = winPath.substr(2);
  // "C:foo" is relative to the drive's current folder, which a registry value cannot mean.
  if (!rest.empty() && rest.front() != '\\' && rest.front() != '/') return std::nullopt;
  const fs::path root = DriveRoot(prefix, letter);
  if (root.empty()) return std::nullopt;
  return NativePath(root, rest);
}

Registry Registry::ForThisSystem() {
#ifdef _WIN32
  return Registry({});
#else
  return Registry(CandidateWinePrefixes(WineEnvironment::FromProcess()));
#endif
}

Registry::Registry(std::vector<fs::path> winePrefixes) : prefixes_(std::move(winePrefixes)) {}

std::string Registry::ReadRegString(RegRoot root, std::string_view subkey, std::string_view valueName,
                                    std::string_view fallback) {
#ifdef _WIN32
  const HKEY rootKey = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::wstring key = Widen(TrimBackslashes(subkey));
  const std::wstring name = valueName == "@" ? std::wstring() : Widen(valueName);
  // The game is a 32-bit program: its keys live in the 32-bit view.
  for (const REGSAM view : {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
    if (auto value = QueryString(rootKey, key, name, view)) return *value;
  }
  return std::string(fallback);
#else
  // When no prefix holds the value, FoundPrefix() keeps the prefix of the last
  // value found, so a path read earlier still maps through it.
  for (const fs::path& prefix : prefixes_) {
    if (auto value = ReadFromPrefix(prefix, root, subkey, valueName)) {
      foundPrefix_ = prefix;
      return *value;
    }
  }
  return std::string(fallback);
#endif
}

fs::path Registry::ToNativePath(std::string_view windowsPath) const {
#ifdef _WIN32
  return PathFromUtf8(windowsPath);
#else
  if (foundPrefix_.empty()) return {};
  return WinePathToNative(foundPrefix_, windowsPath).value_or(fs::path());
#endif
}

}  // namespace drydock::platform
