#pragma once
// Escape belongs to the window: the main window closes a secondary window on
// an Escape that no control of it wanted. This finds the controls that keep
// the key to themselves.
#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace drydock::test {

// The object names of the controls of `window` that, holding the keyboard,
// keep an Escape from reaching the window.
inline QStringList EscapeKeepers(QWidget* window) {
  struct Probe : QObject {
    bool reached = false;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) reached = true;
      return false;
    }
  } probe;
  window->installEventFilter(&probe);
  QStringList keepers;
  for (QWidget* control : window->findChildren<QWidget*>()) {
    if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(window) || !control->isEnabled()) continue;
    control->setFocus();
    probe.reached = false;
    QWidget* focus = QApplication::focusWidget();  // the control, or what it hands the keyboard to
    QTest::keyClick(focus ? focus : control, Qt::Key_Escape);
    if (!probe.reached) keepers << control->objectName();
  }
  window->removeEventFilter(&probe);
  return keepers;
}

}  // namespace drydock::test
