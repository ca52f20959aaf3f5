#pragma once
// The ModInfo editor: five fields, a live preview of how the details panel
// will show them, and the button that writes ModInfo.txt into the mod that the
// main window has selected. The editor never reads the file itself: the main
// window hands it the selected mod's values whenever it shows a mod.
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "library/mod_library.h"
#include "modinfo/mod_info.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace drydock::ui {
class Dialogs;
}

namespace drydock::modinfo {

// What the editor asks of the main window.
struct EditModInfoHost {
  std::filesystem::path modsDir;
  ui::Dialogs& dialogs;
  // The main window's mod list (addons under their parents, no placeholder).
  std::function<library::ModList()> modList;
  // The ModPath of the entry selected in the main window's list; empty when none.
  std::function<std::string()> selectedModPath;
  // Selects the entry of a ModPath in the main window's list, which shows its
  // details and so calls ShowModValues.
  std::function<void(const std::string& modPath)> selectMod;
  // The five captions the details panel shows now, for empty fields' previews.
  std::function<ModInfoTexts()> shownTexts;
  // Runs after ModInfo.txt was written: the main window shows the mod's details again.
  std::function<void()> fileMade;
};

class frmEditModInfo : public QWidget {
  Q_OBJECT
 public:
  // `parent` is the main window; the window deletes itself when closed.
  frmEditModInfo(EditModInfoHost host, QWidget* parent);

  // The selected mod's five texts as the details panel has them (its captions,
  // fallback texts included): each goes into its text box as it stands, and
  // the preview follows. The mod box follows the main window's selection.
  void ShowModValues(const ModInfoTexts& captions);
  // The main window's mod list changed: the mod box is filled anew, keeping
  // its choice when that mod is still there.
  void ModListChanged();

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  struct Field {
    QLineEdit* box;
    QLabel* preview;
    std::string ModInfoTexts::*shown;
  };
  void FillModBox();
  // Selects `modPath` in the mod box without choosing it; no choice when absent.
  void ShowChoice(const std::string& modPath);
  void ChooseMod(int index);
  void Preview(const Field& field);
  void MakeFile();
  void TakeFocus();

  EditModInfoHost host_;
  library::ModList entries_;  // what cboMod shows
  bool writing_ = false;

  QComboBox* cboMod_;
  QLineEdit* txtAuthor_;
  QLineEdit* txtDescription_;
  QLineEdit* txtVersion_;
  QLineEdit* txtOtherHeading_;
  QLineEdit* txtOther_;
  QLabel* lblModsMaker_;
  QLabel* lblModsDescription_;
  QLabel* lblModsVersion_;
  QLabel* lblModsOtherHeading_;
  QLabel* lblModsOther_;
  QPushButton* cmdClear_;
  QPushButton* cmdMakeFile_;
  std::array<Field, 5> fields_{};
};

}  // namespace drydock::modinfo
