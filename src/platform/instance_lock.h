#pragma once
// One running copy per program directory. The lock is a file in the system's
// temporary folder whose name is derived from the program directory; a lock
// left by a process that no longer runs is taken over.
#include <filesystem>
#include <memory>

class QLockFile;

namespace drydock::platform {

class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& programDir);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock (also after a stale one).
  bool TryLock();
  std::filesystem::path LockFilePath() const;

 private:
  std::unique_ptr<QLockFile> lock_;
  std::filesystem::path path_;
};

}  // namespace drydock::platform
