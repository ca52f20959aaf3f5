#include "ui/freeze.h"

#include <QPointer>
#include <QWidget>

namespace drydock::ui {

namespace {
QPointer<QWidget>& Frozen() {
  static QPointer<QWidget> frozen;
  return frozen;
}
}  // namespace

void FreezeWindow(QWidget* window) {
  if (Frozen() && Frozen() != window) UnfreezeWindow();
  Frozen() = window;
  if (window) window->setUpdatesEnabled(false);
}

void UnfreezeWindow() {
  if (QWidget* w = Frozen()) {
    w->setUpdatesEnabled(true);
    w->update();
  }
  Frozen() = nullptr;
}

}  // namespace drydock::ui
