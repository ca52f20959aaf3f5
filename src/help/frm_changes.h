#pragma once
// The changes window: the program's version and what changed in this release.
#include "help/fitted_window.h"

namespace drydock::help {

class frmChanges : public FittedWindow {
  Q_OBJECT
 public:
  // `parent` is the main window; the window deletes itself when closed.
  explicit frmChanges(QWidget* parent);
};

}  // namespace drydock::help
