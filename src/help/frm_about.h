#pragma once
// The about box: the program's name, version and purpose, and the version of
// the game installed.
#include <filesystem>
#include <optional>
#include "help/fitted_window.h"

namespace drydock::help {

class frmAbout : public FittedWindow {
  Q_OBJECT
 public:
  // `gameDir` is where the game is installed, when it is known. `parent` is
  // the main window, whose icon the box shows; the box deletes itself when closed.
  frmAbout(const std::optional<std::filesystem::path>& gameDir, QWidget* parent);
};

}  // namespace drydock::help
