// The game's processes on Linux, read from /proc.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/environment.h"
#include "platform/game_processes.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/wine_prefixes.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

// Sets of NUL-terminated strings, as cmdline and environ hold them; bounded, since a process may be odd.
std::vector<std::string> ReadNulList(const fs::path& file) {
  constexpr std::size_t kMaxBytes = 1 << 20;
  std::ifstream in(file, std::ios::binary);
  std::string bytes;
  char buffer[4096];
  while (in && bytes.size() < kMaxBytes) {
    in.read(buffer, sizeof buffer);
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    items.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

fs::path ReadLink(const fs::path& link) {
  std::error_code ec;
  fs::path target = fs::read_symlink(link, ec);
  return ec ? fs::path() : target;
}

// The last component of a path written with either separator.
std::string_view BaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsWineLoader(std::string_view argument) {
  const std::string name = ToLowerAscii(BaseName(argument));
  return name == "wine" || name == "wine64" || name == "wine-preloader" || name == "wine64-preloader";
}

// The Wine prefix of a process: its WINEPREFIX, else .wine in its HOME (or this user's home).
fs::path PrefixOf(const fs::path& procDir) {
  fs::path home;
  for (const std::string& entry : ReadNulList(procDir / "environ")) {
    if (entry.starts_with("WINEPREFIX=") && entry.size() > 11) return PathFromUtf8(entry.substr(11));
    if (entry.starts_with("HOME=") && entry.size() > 5) home = PathFromUtf8(entry.substr(5));
  }
  return (home.empty() ? HomeDir() : home) / ".wine";
}

// The native path of the Windows program a Wine process runs, as its argument names it.
std::optional<fs::path> WineProgram(const fs::path& procDir, const std::string& argument) {
  if (argument.size() >= 2 && argument[1] == ':') return WinePathToNative(PrefixOf(procDir), argument);
  if (argument.starts_with('/')) return PathFromUtf8(argument);
  // A bare or relative name is the one in the folder the process was started in.
  const fs::path cwd = ReadLink(procDir / "cwd");
  if (cwd.empty()) return std::nullopt;
  return NativePath(cwd, argument);
}

bool OwnedByThisUser(const fs::path& procDir) {
  struct stat st {};
  return ::stat(procDir.c_str(), &st) == 0 && st.st_uid == ::getuid();
}

}  // namespace

std::vector<GameProcess> GameProcesses(const fs::path& gameDir) {
  std::vector<GameProcess> found;
  if (gameDir.empty()) return found;
  const long self = static_cast<long>(::getpid());
  std::error_code ec;
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    char* rest = nullptr;
    const long pid = std::strtol(name.c_str(), &rest, 10);
    if (name.empty() || *rest != '\0' || pid == self || !OwnedByThisUser(it->path())) continue;
    // A native game is judged by its program alone; a copy of it run from elsewhere is not the game.
    const fs::path exe = ReadLink(it->path() / "exe");
    if (EqualsIgnoreCase(PathToUtf8(exe.filename()), kGameProgramName)) {
      if (IsGameProgram(exe, gameDir)) found.push_back({pid, exe});
      continue;
    }
    const std::vector<std::string> args = ReadNulList(it->path() / "cmdline");
    std::size_t first = 0;
    if (args.size() > 1 && IsWineLoader(args[0])) first = 1;
    if (args.size() <= first || !EqualsIgnoreCase(BaseName(args[first]), kGameProgramName)) continue;
    const std::optional<fs::path> program = WineProgram(it->path(), args[first]);
    if (program && IsGameProgram(*program, gameDir)) found.push_back({pid, *program});
  }
  return found;
}

}  // namespace drydock::platform
