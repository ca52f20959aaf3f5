#pragma once
// The few steps of WriterLock that differ per operating system; writer_lock.cpp
// builds the lock on them, and exactly one of writer_lock_posix.cpp and
// writer_lock_win.cpp implements them.
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace drydock::platform::writer_lock_os {

// The per-user folder that holds the lock files.
std::filesystem::path LockDir();
// Makes `dir` (the LockDir) and its parents; an error only when it still is not there.
std::error_code MakeLockDir(const std::filesystem::path& dir);
// The canonical folder path as the lock key: lower-cased where the file system ignores case.
std::filesystem::path::string_type FoldCase(std::filesystem::path::string_type key);

enum class LockOutcome { kHeld, kBusy, kFailed };
struct LockAttempt {
  LockOutcome outcome;
  std::intptr_t handle = -1;  // file descriptor or HANDLE, when held
  // Why it failed. A busy attempt carries one only when the refusal may also be a
  // lasting fault: it is the reason to give if the lock stays refused past the wait.
  std::error_code error{};
};
// One try, without waiting, to lock `file`, creating it when missing.
LockAttempt TryLock(const std::filesystem::path& file);
// Lets go of a lock that TryLock returned as held.
void Unlock(const std::filesystem::path& file, std::intptr_t handle) noexcept;

}  // namespace drydock::platform::writer_lock_os
