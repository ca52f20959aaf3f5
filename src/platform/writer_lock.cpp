#include "platform/writer_lock.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <type_traits>

#include "platform/writer_lock_os.h"

namespace drydock::platform {

namespace {
namespace fs = std::filesystem;
namespace os = writer_lock_os;

constexpr std::chrono::milliseconds kRetryPause{50};

// 64-bit FNV-1a over the native units (bytes, or UTF-16 units on Windows): the
// file name only has to tell folders apart, not resist anyone.
std::string HashHex(const fs::path::string_type& text) {
  using Unit = std::make_unsigned_t<fs::path::value_type>;
  std::uint64_t hash = 14695981039346656037ull;
  for (const auto unit : text) hash = (hash ^ static_cast<Unit>(unit)) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}
}  // namespace

fs::path WriterLock::LockFileFor(const fs::path& folder) {
  std::error_code ec;
  fs::path key = fs::weakly_canonical(folder, ec);
  if (ec) key = fs::absolute(folder, ec).lexically_normal();
  if (ec) key = folder;
  // A folder that does not exist yet keeps the trailing separator it was written with.
  if (!key.has_filename() && key.has_relative_path()) key = key.parent_path();
  return os::LockDir() / (HashHex(os::FoldCase(key.native())) + ".lock");
}

std::optional<WriterLock> WriterLock::Acquire(const std::vector<fs::path>& folders, std::chrono::milliseconds wait,
                                              std::error_code* failure, fs::path* busy) {
  std::error_code unreported;
  std::error_code& error = failure ? *failure : unreported;
  error.clear();
  std::vector<fs::path> files;
  for (const auto& folder : folders) files.push_back(LockFileFor(folder));
  // Two locks of one file in one process would refuse each other.
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  if (!files.empty()) error = os::MakeLockDir(files.front().parent_path());
  if (error) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    std::vector<Held> held;
    os::LockAttempt attempt{os::LockOutcome::kHeld};
    for (const auto& file : files) {
      attempt = os::TryLock(file);
      if (attempt.outcome != os::LockOutcome::kHeld) break;
      held.push_back({file, attempt.handle});
    }
    if (attempt.outcome == os::LockOutcome::kHeld) return WriterLock(std::move(held));
    const std::size_t stopped = held.size();  // the lock that was not had
    // Hold nothing while waiting, so two waiters with overlapping sets cannot starve each other.
    Release(held);
    const auto now = std::chrono::steady_clock::now();
    // Waiting does not mend a fault, and a busy attempt's error is empty unless it may be one.
    if (attempt.outcome == os::LockOutcome::kFailed || now >= deadline) {
      error = attempt.error;
      if (busy && attempt.outcome != os::LockOutcome::kFailed) {
        const fs::path& file = files[stopped];
        for (const fs::path& folder : folders) {
          if (LockFileFor(folder) == file) *busy = folder;
        }
      }
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kRetryPause, deadline - now));
  }
}

void WriterLock::Release(std::vector<Held>& held) noexcept {
  for (const Held& lock : held) os::Unlock(lock.file, lock.handle);
  held.clear();
}

}  // namespace drydock::platform
