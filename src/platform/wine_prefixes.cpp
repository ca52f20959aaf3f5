// Where Wine prefixes live (Steam and its library list, Lutris, Heroic,
// Bottles) and how a prefix maps drive letters to native folders.
#include "platform/wine_prefixes.h"

#include <cstdint>
#include <initializer_list>
#include <unordered_set>
#include <utility>

#include "platform/environment.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/reg_file_internal.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

// Steam's library list is a few hundred bytes; anything huge is junk.
constexpr std::uintmax_t kMaxLibraryListBytes = 1u << 20;

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
  for (const std::string& path : LibraryFolderPaths(text)) {
    const fs::path library = PathFromUtf8(path);
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

}  // namespace

std::vector<std::string> LibraryFolderPaths(std::string_view vdfText) {
  std::vector<std::string> paths;
  RegLines lines(vdfText);
  std::string_view line;
  while (lines.Next(line)) {
    std::vector<std::string> tokens = VdfTokens(line);
    if (tokens.size() >= 2 && EqualsIgnoreCase(tokens[0], "path")) paths.push_back(std::move(tokens[1]));
  }
  return paths;
}

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

}  // namespace drydock::platform
