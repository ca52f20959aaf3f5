#include "platform/environment.h"

#include <cstdlib>

#include "platform/names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace drydock::platform {

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
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return std::string(v);
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

}  // namespace drydock::platform
