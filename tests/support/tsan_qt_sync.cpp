// ThreadSanitizer builds only (linked into the window tests and the program they start): makes the
// ordering that Qt's event queue gives visible to the sanitizer.
//
// Debian's Qt is not built with ThreadSanitizer, so the lock by which a worker's post happens before
// the event's delivery on the window's thread is invisible to it: every task that a worker hands to
// the window, and everything that task reads, would be reported as a race. Here each post through
// Qt's entry points releases one token and each event delivery acquires it, as Qt's queue lock
// orders them. Qt's part of a queued call on the posting thread (which may free the call object that
// the window's thread ran) is not checked; what the worker does before and after the post is.
#include <dlfcn.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QThread>

extern "C" {
void __tsan_acquire(void* addr);
void __tsan_release(void* addr);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}

namespace {

char queueToken;

bool BeforeDelivery(void**) {
  __tsan_acquire(&queueToken);
  return false;  // the event is delivered as usual
}

const bool kHooked = QInternal::registerCallback(QInternal::EventNotifyCallback, BeforeDelivery);

// Qt's own definition of the function that this file stands in for.
template <typename Function>
Function QtsOwn(const char* mangledName) {
  void* const found = dlsym(RTLD_NEXT, mangledName);
  if (!found) qFatal("ThreadSanitizer support: Qt has no %s", mangledName);
  return reinterpret_cast<Function>(found);
}

}  // namespace

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type,
                                   void* ret) {
  static const auto own = QtsOwn<bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*)>(
      "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
  const bool queued = type == Qt::QueuedConnection || type == Qt::BlockingQueuedConnection ||
                      (type == Qt::AutoConnection && object && object->thread() != QThread::currentThread());
  if (!queued) return own(object, slot, type, ret);  // runs the call here and now: checked as any code
  __tsan_release(&queueToken);
  __tsan_ignore_thread_begin();
  const bool posted = own(object, slot, type, ret);
  __tsan_ignore_thread_end();
  return posted;
}

void QMetaObject::activate(QObject* sender, const QMetaObject* metaObject, int localSignalIndex, void** argv) {
  static const auto own =
      QtsOwn<void (*)(QObject*, const QMetaObject*, int, void**)>("_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
  __tsan_release(&queueToken);  // a signal may reach a queued connection
  own(sender, metaObject, localSignalIndex, argv);
}

void QCoreApplication::postEvent(QObject* receiver, QEvent* event, int priority) {
  static const auto own =
      QtsOwn<void (*)(QObject*, QEvent*, int)>("_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
  __tsan_release(&queueToken);
  own(receiver, event, priority);
}
