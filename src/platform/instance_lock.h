#pragma once
// One running copy per program directory. The lock is a file beside the writer
// locks, named by the program directory, and held the way they are (`flock`, or
// an unshared handle on Windows), so the system lets go of it when its process
// ends and a crashed copy never blocks the next one.
#include <cstdint>
#include <filesystem>

namespace drydock::platform {

class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& programDir);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock.
  bool TryLock();
  std::filesystem::path LockFilePath() const;

 private:
  std::filesystem::path path_;
  std::intptr_t handle_ = -1;  // file descriptor or HANDLE while held
};

}  // namespace drydock::platform
