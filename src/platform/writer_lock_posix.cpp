#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/environment.h"
#include "platform/writer_lock_os.h"

namespace drydock::platform::writer_lock_os {

namespace {
// Reopens after finding the lock file replaced under us; more means someone is churning it on purpose.
constexpr int kReopenAttempts = 5;

LockAttempt Failed(int error) { return {LockOutcome::kFailed, -1, std::error_code(error, std::generic_category())}; }
}  // namespace

std::filesystem::path LockDir() {
  if (auto cache = GetEnv("XDG_CACHE_HOME"); cache && !cache->empty() && cache->front() == '/') {
    return std::filesystem::path(*cache) / "drydock" / "locks";
  }
  if (const auto home = HomeDir(); !home.empty()) return home / ".cache" / "drydock" / "locks";
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  if (ec) temp = "/tmp";
  return temp / ("drydock-" + std::to_string(::getuid()));
}

std::error_code MakeLockDir(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir.parent_path(), ec);
  if (ec) return ec;
  // Private to the user, as it may sit in the shared temporary folder.
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {errno, std::generic_category()};
  return {};
}

// Linux file systems tell case apart, so two spellings are two folders.
std::filesystem::path::string_type FoldCase(std::filesystem::path::string_type key) { return key; }

LockAttempt TryLock(const std::filesystem::path& file) {
  for (int attempt = 0; attempt < kReopenAttempts; ++attempt) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Failed(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      return error == EWOULDBLOCK ? LockAttempt{LockOutcome::kBusy} : Failed(error);
    }
    // A releasing holder unlinks the file first, so a lock won on the inode we
    // opened before that guards nothing: only the inode the name holds now counts.
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && ::stat(file.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino) {
      return {LockOutcome::kHeld, fd};
    }
    ::close(fd);
  }
  return {LockOutcome::kBusy};
}

void Unlock(const std::filesystem::path& file, std::intptr_t handle) noexcept {
  // Unlinked while still locked, so the folder of lock files does not fill up; the inode
  // check in TryLock keeps a waiter from trusting a lock on the removed file.
  ::unlink(file.c_str());
  ::close(static_cast<int>(handle));
}

}  // namespace drydock::platform::writer_lock_os
