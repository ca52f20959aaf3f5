#pragma once
// The tech trees window: a copy of the main window's mod list beside the tech
// tree choices that the selected mod provides and those it does not.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

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

  // Selects the entry of `modPath` (a mod, or an addon through its parent) as
  // a click on it would, so its tech trees are looked up afresh; nothing when
  // it is empty or not in the list.
  void ChooseMod(const std::string& modPath);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Load();
  void ShowTrees(int row);
  void FitToFont();

  std::filesystem::path modsDir_;
  std::function<library::ModList()> mainList_;
  library::ModList entries_;  // the copy that lstMods shows
  int rowBeforePress_ = -1;   // lstMods' current entry when the mouse went down on it
  QListWidget* lstMods_;
  QLabel* lblAvailableList_;
  QLabel* lblUnavailableList_;
};

}  // namespace drydock::techtree
