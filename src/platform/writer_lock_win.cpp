#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "platform/writer_lock_os.h"

namespace drydock::platform::writer_lock_os {

namespace {
std::wstring EnvVar(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

// A folder or a read-only file where the lock file belongs refuses every open for good.
bool RefusesForGood(const std::filesystem::path& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
}
}  // namespace

std::filesystem::path LockDir() {
  if (const std::wstring local = EnvVar(L"LOCALAPPDATA"); !local.empty()) {
    return std::filesystem::path(local) / L"Drydock" / L"locks";
  }
  std::error_code ec;
  return std::filesystem::temp_directory_path(ec) / L"Drydock" / L"locks";
}

std::error_code MakeLockDir(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return ec;
}

// The file system ignores case, so C:\Games\A2 and c:\games\a2 are one game.
std::filesystem::path::string_type FoldCase(std::filesystem::path::string_type key) {
  if (!key.empty()) CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

LockAttempt TryLock(const std::filesystem::path& file) {
  // No sharing: every other open fails (a sharing violation) until we close the
  // handle, and the last close deletes the file, even when the process dies.
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle != INVALID_HANDLE_VALUE) return {LockOutcome::kHeld, reinterpret_cast<std::intptr_t>(handle)};
  const DWORD code = GetLastError();
  const std::error_code error(static_cast<int>(code), std::system_category());
  switch (code) {
    case ERROR_SHARING_VIOLATION:
      return {LockOutcome::kBusy};
    // A released lock file stays "delete pending", refusing opens, while anyone else (an
    // indexer, a virus scanner) still has it open; only a refusal that lasts is a fault.
    case ERROR_ACCESS_DENIED:
      return {RefusesForGood(file) ? LockOutcome::kFailed : LockOutcome::kBusy, -1, error};
    default:
      return {LockOutcome::kFailed, -1, error};
  }
}

void Unlock(const std::filesystem::path& /*file*/, std::intptr_t handle) noexcept {
  CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace drydock::platform::writer_lock_os
