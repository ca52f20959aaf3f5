#pragma once
// Long work (copying a mod, counting the game's files) runs on a worker
// thread while the window's thread keeps handling events, so the window
// repaints and stays responsive; the caller waits until the work has ended,
// and its flow goes on in the order the user expects.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flow/work_host.h"
#include "platform/writer_lock.h"

class QObject;

namespace drydock::flow {
class Dialogs;
}

namespace drydock::ui {

// Runs `work` on a worker thread and returns when it has ended, handling the
// window's events meanwhile. The caller disables whatever must not start
// during the work. `work` must not touch widgets: it reports through
// OnUiThread. What `work` throws is thrown again here, once the worker has
// ended.
void RunAndWait(const std::function<void()>& work);

// Calls `step`, which runs long work (RunAndWait, or a window's runner around
// it), and returns what the user is to be told when it threw
// (flow::UnexpectedErrorText); nothing when it did not. A caller that gets a text
// shows it and reports no success.
std::optional<std::string> ErrorOf(const std::function<void()>& step);

// Runs `task` on the thread of `context` (at once when that is this thread,
// else queued), so that a worker can report progress to a window. The task
// is dropped when `context` is destroyed first.
void OnUiThread(QObject* context, std::function<void()> task);

// The wait cursor on (`wanted`) or off, once: `shown` remembers which, so that
// every setting is undone exactly once.
void ShowWaitCursor(bool& shown, bool wanted);

// A window's side of a flow's long work: on a worker through RunAndWait, the
// wait cursor while it is busy (and never left on when the work throws).
class WindowWork final : public flow::WorkHost {
 public:
  ~WindowWork() override { SetBusy(false); }
  void SetBusy(bool busy) override { ShowWaitCursor(busy_, busy); }
  void RunLong(const std::function<void()>& work) override { RunAndWait(work); }

 private:
  bool busy_ = false;
};

// The writer lock of `folders` for a window's command, waited for on a
// worker; nothing, after telling the user why under `title` (an error of the
// wait itself included).
std::optional<platform::WriterLock> LockForWindow(flow::Dialogs& dialogs,
                                                  const std::vector<std::filesystem::path>& folders,
                                                  const std::string& title);

}  // namespace drydock::ui
