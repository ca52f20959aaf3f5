#include "ui/long_work.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <thread>

#include "ui/dialogs.h"

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
    return UnexpectedErrorText(std::current_exception());
  }
}

void OnUiThread(QObject* context, std::function<void()> task) {
  if (QThread::currentThread() == context->thread()) {
    task();
    return;
  }
  QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

}  // namespace drydock::ui
