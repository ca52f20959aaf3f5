#pragma once
// What every flow asks of whoever runs it, a window or the command line: an
// hourglass while it waits, and a way to run the part that waits on the disk.
#include <functional>

namespace drydock::flow {

class WorkHost {
 public:
  virtual ~WorkHost() = default;
  virtual void SetBusy(bool /*busy*/) {}  // the hourglass
  // Runs `work`, the part of a run that waits on the disk, and returns when
  // it has ended. A window runs it on a worker thread and keeps repainting;
  // questions are never asked from inside it. What `work` throws reaches the
  // caller, once the work has ended.
  virtual void RunLong(const std::function<void()>& work) { work(); }
};

}  // namespace drydock::flow
