#include "ui/secondary_window.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScreen>
#include <algorithm>

namespace drydock::ui {

namespace {
class CheckMarkFollower final : public QObject {
 public:
  CheckMarkFollower(QWidget* window, QAction* entry) : QObject(window), entry_(entry) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Spontaneous hides come from minimizing: the window is still open.
    if (entry_ && event->type() == QEvent::Show) entry_->setChecked(true);
    if (entry_ && event->type() == QEvent::Hide && !event->spontaneous()) entry_->setChecked(false);
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<QAction> entry_;
};

// Escape that no control of the window took closes it, as a dialog's does.
class EscapeCloser final : public QObject {
 public:
  explicit EscapeCloser(QWidget* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        window_->close();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* window_;
};

constexpr int kGap = 8;
constexpr int kOffset = 40;
}  // namespace

void FollowWithCheckMark(QWidget* window, QAction* entry) {
  window->installEventFilter(new CheckMarkFollower(window, entry));
}

void CloseOnEscape(QWidget* window) {
  // A dialog has its own Escape (Cancel, with what its Cancel does).
  if (!qobject_cast<QDialog*>(window)) window->installEventFilter(new EscapeCloser(window));
}

void PlaceBeside(QWidget* window, const QWidget* main) {
  const QScreen* screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect mainFrame = main->frameGeometry();
  // The frame around the window's own area is taken to be as wide as the main window's.
  const QSize margins = mainFrame.size() - main->geometry().size();
  const QSize size = window->size().expandedTo(window->sizeHint()) + margins;
  QPoint at;
  if (mainFrame.right() + kGap + size.width() <= area.right()) {
    at = QPoint(mainFrame.right() + kGap, mainFrame.top());
  } else if (mainFrame.left() - kGap - size.width() >= area.left()) {
    at = QPoint(mainFrame.left() - kGap - size.width(), mainFrame.top());
  } else {
    at = mainFrame.topLeft() + QPoint(kOffset, kOffset);
  }
  // Another window of the main window's already there: the new one steps down below its title.
  const auto taken = [&](QPoint point) {
    const auto others = main->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return std::any_of(others.begin(), others.end(), [&](const QWidget* other) {
      return other != window && other->isWindow() && other->isVisible() && other->frameGeometry().topLeft() == point;
    });
  };
  for (int step = 0; step < 8 && taken(at); ++step) at += QPoint(kOffset, kOffset);
  at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
  at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
  window->move(at);
}

void PlaceBesideOnce(QWidget* window, const QWidget* main) {
  if (window->property("drydockPlaced").toBool()) return;
  window->setProperty("drydockPlaced", true);
  PlaceBeside(window, main);
}

void ShowSecondaryWindow(QWidget* window, const QWidget* main) {
  PlaceBesideOnce(window, main);
  window->show();
  window->raise();
  window->activateWindow();
}

QFont WindowFont(const QWidget* main) {
  const auto* window = qobject_cast<const QMainWindow*>(main);
  return window && window->centralWidget() ? window->centralWidget()->font() : main->font();
}

bool CloseSecondaryWindows(QWidget* main) {
  // Each is asked to close as its own Close would, so that one holding typed
  // values asks about them; one that stays open keeps the main window open.
  bool closed = true;
  for (QWidget* child : main->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() && child->isVisible() && !child->close()) closed = false;
  }
  if (!closed) return false;
  for (QWidget* child : main->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child->isWindow()) child->hide();
  }
  return true;
}

}  // namespace drydock::ui
