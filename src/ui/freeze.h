#pragma once
// Suspends the drawing of one window while many of its controls change.
// Only one window is frozen at a time; freezing another thaws the first.
class QWidget;

namespace drydock::ui {

void FreezeWindow(QWidget* window);
void UnfreezeWindow();

}  // namespace drydock::ui
