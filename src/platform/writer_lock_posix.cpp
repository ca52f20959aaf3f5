#include "platform/writer_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/environment.h"

namespace drydock::platform {

namespace {
constexpr std::chrono::milliseconds kRetryPause{50};
// Reopens after finding the lock file replaced under us; more means someone is churning it on purpose.
constexpr int kReopenAttempts = 5;

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

// 64-bit FNV-1a: the file name only has to tell folders apart, not resist anyone.
std::string HashHex(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

// The descriptor holding the lock of `file`, or -1 when another open file holds it.
int TryLockFile(const std::filesystem::path& file) {
  for (int attempt = 0; attempt < kReopenAttempts; ++attempt) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return -1;
    }
    // A releasing holder unlinks the file first, so a lock won on the inode we
    // opened before that guards nothing: only the inode the name holds now counts.
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && ::stat(file.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino) {
      return fd;
    }
    ::close(fd);
  }
  return -1;
}
}  // namespace

std::filesystem::path WriterLock::LockFileFor(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path key = std::filesystem::weakly_canonical(folder, ec);
  if (ec) key = std::filesystem::absolute(folder, ec).lexically_normal();
  if (ec) key = folder;
  // A folder that does not exist yet keeps the trailing separator it was written with.
  if (!key.has_filename() && key.has_relative_path()) key = key.parent_path();
  return LockDir() / (HashHex(key.native()) + ".lock");
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
    std::filesystem::create_directories(files.front().parent_path().parent_path(), ec);
    ::mkdir(files.front().parent_path().c_str(), 0700);
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    std::vector<Held> held;
    for (const auto& file : files) {
      const int fd = TryLockFile(file);
      if (fd < 0) break;
      held.push_back({file, fd});
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
  for (const Held& lock : held) {
    // Unlinked while still locked, so the folder of lock files does not fill up; the inode
    // check in TryLockFile keeps a waiter from trusting a lock on the removed file.
    ::unlink(lock.file.c_str());
    ::close(static_cast<int>(lock.handle));
  }
  held.clear();
}

}  // namespace drydock::platform
