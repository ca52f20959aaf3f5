#include "ui/long_work.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <thread>

namespace drydock::ui {

void RunAndWait(const std::function<void()>& work) {
  QEventLoop loop;
  std::thread worker([&loop, &work] {
    try {
      work();
    } catch (const std::exception&) {
      // The work's own report says what it got done; the window goes on.
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
}

void OnUiThread(QObject* context, std::function<void()> task) {
  if (QThread::currentThread() == context->thread()) {
    task();
    return;
  }
  QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

}  // namespace drydock::ui
