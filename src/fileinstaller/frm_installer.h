#pragma once
// The file installer window: pick a mod, see the types of the loose files in
// its root folder, tick types and single files, read each type's help, and
// sort the ticked files into the game's folders inside the mod.
#include <QPointer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <optional>
#include <vector>

#include "fileinstaller/file_types.h"
#include "fileinstaller/loose_sorter.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace drydock::platform {
class Shell;
}
namespace drydock::ui {
class Dialogs;
}

namespace drydock::fileinstaller {

class frmInstaller : public QWidget {
  Q_OBJECT
 public:
  // `parent` is the main window; the window is a top-level window of its own.
  frmInstaller(std::filesystem::path modsDir, ui::Dialogs& dialogs, platform::Shell& shell, QWidget* parent);

  // What the sorter would get now: every type's tick and each file's.
  SortChoice Choice() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Load();
  void ChooseMod();
  void ShowType(int row);
  void FileCheckChanged(QListWidgetItem* item);
  void TypeCheckChanged(QListWidgetItem* item);
  void ApplyButtonRule();
  void CheckAllTypes(bool checked);
  void ShowHelp(const QString& text);
  void Install();
  void FitWidth(bool always = false);
  std::filesystem::path ChosenFolder() const;
  bool NoneFound() const;

  std::filesystem::path modsDir_;
  ui::Dialogs& dialogs_;
  platform::Shell& shell_;

  ModScan scan_;
  // Each file's tick, per type; kept while the mod stays chosen.
  std::array<std::vector<bool>, kFileTypeCount> fileChecks_;
  std::optional<std::size_t> currentType_;  // the type whose files lstFiles shows
  bool ready_ = true;
  bool fileRuleActive_ = false;  // the file-check rule is changing a type's tick
  bool typeRuleActive_ = false;  // the type-check rule is changing file ticks

  QListWidget* lstChooser_;
  QListWidget* lstFolders_;
  QListWidget* lstFiles_;
  QPushButton* cmdInstall_;
  QPushButton* cmdSelectAll_;
  QPushButton* cmdSelectNone_;
  QComboBox* cboBox_;
  QLabel* lblHelp_;
};

}  // namespace drydock::fileinstaller
