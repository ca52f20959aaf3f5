#include "platform/environment.h"

#include <cstdlib>
#include <locale>
#include <string_view>
#include <vector>

#include "platform/names.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace drydock::platform {

namespace {
#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

std::vector<std::string> SplitList(std::string_view list, char separator) {
  std::vector<std::string> items;
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t end = list.find(separator, start);
    if (end == std::string_view::npos) end = list.size();
    if (end > start) items.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

bool IsProgram(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
#ifdef _WIN32
  return true;
#else
  return ::access(file.c_str(), X_OK) == 0;
#endif
}
}  // namespace

std::filesystem::path ExecutableDir() {
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n);
  return std::filesystem::path(buffer).parent_path();
#else
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
#endif
}

std::optional<std::string> GetEnv(const char* name) {
#ifdef _WIN32
  // getenv gives the ANSI code page's bytes, which cannot hold every user name.
  const std::wstring wideName = PathFromUtf8(name).native();
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;  // an empty value still needs room for its terminator
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(wideName.c_str(), value.data(), size));
  return PathToUtf8(std::filesystem::path(value));
#else
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return std::string(v);
#endif
}
std::filesystem::path HomeDir() {
#ifdef _WIN32
  if (auto p = GetEnv("USERPROFILE")) return PathFromUtf8(*p);
#else
  if (auto p = GetEnv("HOME"); p && !p->empty()) return PathFromUtf8(*p);
#endif
  return {};
}

std::filesystem::path UserDataDir() {
#ifdef _WIN32
  if (auto p = GetEnv("LOCALAPPDATA")) return PathFromUtf8(*p) / "Drydock";
  return HomeDir() / "AppData" / "Local" / "Drydock";
#else
  if (auto p = GetEnv("XDG_DATA_HOME"); p && !p->empty() && p->front() == '/') return PathFromUtf8(*p) / "drydock";
  return HomeDir() / ".local" / "share" / "drydock";
#endif
}

std::optional<std::filesystem::path> FindProgram(const std::string& name) {
  std::vector<std::string> names;
#ifdef _WIN32
  const std::string extensions = GetEnv("PATHEXT").value_or(".COM;.EXE;.BAT;.CMD");
  for (const std::string& extension : SplitList(extensions, ';')) names.push_back(name + extension);
  if (PathFromUtf8(name).has_extension()) names.push_back(name);
#else
  names.push_back(name);
#endif
  for (const std::string& folder : SplitList(GetEnv("PATH").value_or(""), kPathListSeparator)) {
    for (const std::string& candidate : names) {
      const std::filesystem::path file = PathFromUtf8(folder) / PathFromUtf8(candidate);
      if (IsProgram(file)) return file;
    }
  }
  return std::nullopt;
}

char UserDecimalPoint() {
#ifdef _WIN32
  wchar_t point[4] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 4) == 2 && point[0] < 0x80) {
    return static_cast<char>(point[0]);
  }
  return '.';
#else
  // The locale named by LC_ALL, LC_NUMERIC or LANG, read without changing the process's own.
  try {
    const char point = std::use_facet<std::numpunct<char> >(std::locale("")).decimal_point();
    return static_cast<unsigned char>(point) < 0x80 && point != '\0' ? point : '.';
  } catch (const std::runtime_error&) {
    return '.';  // a locale that is not installed
  }
#endif
}

}  // namespace drydock::platform
