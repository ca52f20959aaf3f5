#pragma once
// The ModInfo editor: five fields, a live preview of how the details panel
// will show them, and the button that writes ModInfo.txt into the mod that the
// editor shows. The mod box and the fields always belong to the same mod: the
// one the main window shows, or the one chosen in the box (which the main
// window then shows too). The fields start from the values in that mod's own
// ModInfo.txt, never from the panel's fallback texts.
//
// What the user typed is never thrown away by a reload: while a field differs
// from the file it was loaded from, a reload of the same mod only refreshes
// the untouched fields, and the main window showing another mod leaves the
// editor on its own mod (the box still names it) until the edits are made
// into a file. While a question of the editor's is open, reloads wait until
// it is answered.
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

namespace drydock::flow {
class Dialogs;
}

namespace drydock::modinfo {

// What the editor asks of the main window.
struct EditModInfoHost {
  std::filesystem::path modsDir;
  flow::Dialogs& dialogs;
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

  // The main window shows its selected mod with these captions (fallback
  // texts included; empty fields preview them). Unless edits hold the editor
  // on another mod, the editor shows that mod, its fields loaded from its file.
  void ShowModValues(const ModInfoTexts& captions);
  // The main window's mod list changed: the mod box is filled anew, keeping
  // the editor's mod when it is still there.
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
  // Makes `modPath` the editor's mod: the fields the user has not edited take
  // its values from its file; `captions` are what empty fields preview.
  void Load(const std::string& modPath, const ModInfoTexts& captions);
  bool Edited(const Field& field) const;
  // Asks what becomes of typed values when the window closes; false keeps it open.
  bool KeepOrDropEdits();
  bool HasEdits() const;
  void Preview(const Field& field);
  void MakeFile();
  bool AskToMake(flow::Dialogs& dialogs);
  bool WriteFile(flow::Dialogs& dialogs);
  // Runs the reloads that came while a question was open.
  void CatchUp();
  void TakeFocus();

  EditModInfoHost host_;
  library::ModList entries_;  // what cboMod shows
  std::string modPath_;       // the editor's mod; empty for none
  ModInfoTexts loaded_;       // the values of modPath_'s file when it was loaded or written
  ModInfoTexts captions_;     // how the details panel shows modPath_
  bool busy_ = false;         // a question of the editor's is open, or it waits to write
  bool reloadDue_ = false;    // a reload came meanwhile

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
