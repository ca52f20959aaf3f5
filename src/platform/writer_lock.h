#pragma once
// One writer per game: whatever changes files in a game folder or a mods folder
// holds this lock for its whole run, so two windows, two command lines or one
// of each never interleave their copies and backups. The lock files live in a
// per-user cache folder, never inside the locked folder, and the operating
// system drops a lock when its process ends, so a crash never blocks the next run.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace drydock::platform {

class WriterLock {
 public:
  static constexpr std::chrono::milliseconds kDefaultWait{3000};

  // Takes the lock of every folder in `folders` (duplicates and equal canonical
  // paths count once), all or none, waiting up to `wait` for another holder to
  // let go. Nothing when another Drydock still holds one of them after the wait,
  // and then `*failure` is cleared. Nothing at once when a lock cannot be taken
  // at all (its folder cannot be made, its file not opened), and then `*failure`
  // tells why, so the caller does not blame another Drydock. `busy`, when
  // given, receives the folder whose lock another Drydock held.
  static std::optional<WriterLock> Acquire(const std::vector<std::filesystem::path>& folders,
                                           std::chrono::milliseconds wait = kDefaultWait,
                                           std::error_code* failure = nullptr, std::filesystem::path* busy = nullptr);
  // The lock file that stands for `folder`.
  static std::filesystem::path LockFileFor(const std::filesystem::path& folder);

  WriterLock(WriterLock&& other) noexcept : held_(std::exchange(other.held_, {})) {}
  WriterLock& operator=(WriterLock&& other) noexcept {
    if (this != &other) {
      Release(held_);
      held_ = std::exchange(other.held_, {});
    }
    return *this;
  }
  ~WriterLock() { Release(held_); }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

 private:
  struct Held {
    std::filesystem::path file;
    std::intptr_t handle;  // file descriptor or HANDLE
  };
  explicit WriterLock(std::vector<Held> held) : held_(std::move(held)) {}
  // Lets go of every lock in `held` and empties it.
  static void Release(std::vector<Held>& held) noexcept;

  std::vector<Held> held_;
};

}  // namespace drydock::platform
