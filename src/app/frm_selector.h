#pragma once
// The main window: the mod list on the left, the details on the right.
#include <QMainWindow>
#include <filesystem>

#include "library/mod_library.h"

class QListWidget;

namespace drydock::app {

class frmSelector : public QMainWindow {
  Q_OBJECT
 public:
  frmSelector(std::filesystem::path programDir, std::filesystem::path gameDir, QWidget* parent = nullptr);

  // Rebuilds lstMods from the mods folder.
  void FillFromLibrary();
  const library::ModList& modList() const { return modList_; }

 private:
  std::filesystem::path programDir_;
  std::filesystem::path gameDir_;
  library::ModList modList_;
  QListWidget* lstMods_ = nullptr;
};

}  // namespace drydock::app
