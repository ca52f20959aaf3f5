#pragma once
// A window that always has exactly the size its layout needs at its current
// font, wrapped labels included, so no text is ever cut. The size is set as
// soon as the font changes, before the window is placed and shown.
#include <QWidget>

namespace drydock::help {

class FittedWindow : public QWidget {
 public:
  explicit FittedWindow(QWidget* parent);

 protected:
  // Sizes the window to its layout; call once the layout is complete.
  void Fit();
  void changeEvent(QEvent* event) override;
};

}  // namespace drydock::help
