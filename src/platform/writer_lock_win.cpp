#include "platform/writer_lock.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

namespace drydock::platform {

namespace {
constexpr std::chrono::milliseconds kRetryPause{50};

std::wstring EnvVar(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::filesystem::path LockDir() {
  if (const std::wstring local = EnvVar(L"LOCALAPPDATA"); !local.empty()) {
    return std::filesystem::path(local) / L"Drydock" / L"locks";
  }
  std::error_code ec;
  return std::filesystem::temp_directory_path(ec) / L"Drydock" / L"locks";
}

// 64-bit FNV-1a over UTF-16 units: the file name only has to tell folders apart, not resist anyone.
std::string HashHex(const std::wstring& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t unit : text) hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}
}  // namespace

std::filesystem::path WriterLock::LockFileFor(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path key = std::filesystem::weakly_canonical(folder, ec);
  if (ec) key = std::filesystem::absolute(folder, ec).lexically_normal();
  if (ec) key = folder;
  // A folder that does not exist yet keeps the trailing separator it was written with.
  if (!key.has_filename() && key.has_relative_path()) key = key.parent_path();
  // The file system ignores case, so C:\Games\A2 and c:\games\a2 are one game.
  std::wstring text = key.native();
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return LockDir() / (HashHex(text) + ".lock");
}

std::optional<WriterLock> WriterLock::Acquire(const std::vector<std::filesystem::path>& folders,
                                              std::chrono::milliseconds wait) {
  std::vector<std::filesystem::path> files;
  for (const auto& folder : folders) files.push_back(LockFileFor(folder));
  // Two locks of one file in one process would refuse each other.
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  if (!files.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(files.front().parent_path(), ec);
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    std::vector<Held> held;
    for (const auto& file : files) {
      // No sharing: every other open fails (a sharing violation) until we close the
      // handle, and the last close deletes the file, even when the process dies.
      const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (handle == INVALID_HANDLE_VALUE) break;
      held.push_back({file, reinterpret_cast<std::intptr_t>(handle)});
    }
    if (held.size() == files.size()) return WriterLock(std::move(held));
    // Hold nothing while waiting, so two waiters with overlapping sets cannot starve each other.
    Release(held);
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kRetryPause, deadline - now));
  }
}

void WriterLock::Release(std::vector<Held>& held) noexcept {
  for (const Held& lock : held) CloseHandle(reinterpret_cast<HANDLE>(lock.handle));
  held.clear();
}

}  // namespace drydock::platform
