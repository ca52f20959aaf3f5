#include "help/fitted_window.h"

#include <QEvent>
#include <QLayout>

namespace drydock::help {

FittedWindow::FittedWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

void FittedWindow::Fit() {
  QLayout* layout = this->layout();
  if (!layout) return;
  // The layout sizes nothing itself: a resize while the window is shown for
  // the first time would move it off the place it was given.
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->invalidate();
  layout->activate();
  setFixedSize(layout->totalSizeHint());
}

void FittedWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) Fit();
  QWidget::changeEvent(event);
}

}  // namespace drydock::help
