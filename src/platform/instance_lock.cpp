#include "platform/instance_lock.h"

#include "platform/writer_lock.h"
#include "platform/writer_lock_os.h"

namespace drydock::platform {

namespace os = writer_lock_os;

// Its own name, so that a game folder that is also the program folder keeps its writer lock free.
InstanceLock::InstanceLock(const std::filesystem::path& programDir) : path_(WriterLock::LockFileFor(programDir)) {
  path_.replace_filename("instance-" + path_.filename().string());
}

InstanceLock::~InstanceLock() {
  if (handle_ != -1) os::Unlock(path_, handle_);
}

bool InstanceLock::TryLock() {
  if (handle_ != -1) return true;
  if (os::MakeLockDir(path_.parent_path())) return false;
  const os::LockAttempt attempt = os::TryLock(path_);
  if (attempt.outcome != os::LockOutcome::kHeld) return false;
  handle_ = attempt.handle;
  return true;
}

std::filesystem::path InstanceLock::LockFilePath() const { return path_; }

}  // namespace drydock::platform
