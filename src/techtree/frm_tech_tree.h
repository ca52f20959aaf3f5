#pragma once
// The tech trees window: a copy of the main window's mod list beside the tech
// tree choices that the selected mod provides and those it does not.
#include <QWidget>
#include <filesystem>
#include <functional>

#include "library/mod_library.h"

class QLabel;
class QListWidget;

namespace drydock::techtree {

class frmTechTree : public QWidget {
  Q_OBJECT
 public:
  // `mainList` gives the main window's current mod list, which the window
  // copies each time it opens; `parent` is the main window.
  frmTechTree(std::filesystem::path modsDir, std::function<library::ModList()> mainList, QWidget* parent);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Load();
  void ShowTrees(int row);
  void FitToFont();

  std::filesystem::path modsDir_;
  std::function<library::ModList()> mainList_;
  library::ModList entries_;  // the copy that lstMods shows
  QListWidget* lstMods_;
  QLabel* lblAvailableList_;
  QLabel* lblUnavailableList_;
};

}  // namespace drydock::techtree
