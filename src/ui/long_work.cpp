#include "ui/long_work.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <thread>

#include "flow/dialogs.h"
#include "flow/locking.h"

namespace drydock::ui {

void RunAndWait(const std::function<void()>& work) {
  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&loop, &work, &failure] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();  // handed to the waiting thread once this one has ended
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

std::optional<std::string> ErrorOf(const std::function<void()>& step) {
  try {
    step();
    return std::nullopt;
  } catch (...) {
    return flow::UnexpectedErrorText(std::current_exception());
  }
}

void OnUiThread(QObject* context, std::function<void()> task) {
  if (QThread::currentThread() == context->thread()) {
    task();
    return;
  }
  QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

void ShowWaitCursor(bool& shown, bool wanted) {
  if (wanted == shown) return;
  shown = wanted;
  if (wanted) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

std::optional<platform::WriterLock> LockForWindow(flow::Dialogs& dialogs,
                                                  const std::vector<std::filesystem::path>& folders,
                                                  const std::string& title) {
  std::optional<platform::WriterLock> lock;
  WindowWork work;
  if (const std::optional<std::string> error =
          ErrorOf([&] { lock = flow::LockForChanges(dialogs, work, folders, title); })) {
    work.SetBusy(false);
    dialogs.Ask(*error, title, flow::Buttons::Ok, flow::Icon::Critical);
  }
  return lock;
}

}  // namespace drydock::ui
