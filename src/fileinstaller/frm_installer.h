#pragma once
// The file installer window: pick a mod, see the types of the loose files in
// its root folder, tick types and single files, read each type's help, and
// sort the ticked files into the game's folders inside the mod.
#include <QPointer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
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
namespace drydock::flow {
class Dialogs;
}

namespace drydock::fileinstaller {

class frmInstaller : public QWidget {
  Q_OBJECT
 public:
  // `parent` is the main window; the window is a top-level window of its own.
  // `gameDir` tells the game folder as the main window knows it now (the
  // sorter waits for a game running there to close).
  frmInstaller(std::filesystem::path modsDir, flow::Dialogs& dialogs, platform::Shell& shell, QWidget* parent,
               std::function<std::optional<std::filesystem::path>()> gameDir = {});

  // What the sorter would get now: every type's tick and each file's.
  SortChoice Choice() const;

  // Chooses the entry of the top-level mod `modPath` as a click on it would,
  // so its root folder is scanned afresh; nothing when it is empty or not in
  // the list (an addon, a vanished mod).
  void ChooseMod(const std::string& modPath);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Load();
  // Scans the chosen mod's root folder and lists what it finds.
  void ScanChosenMod();
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
  flow::Dialogs& dialogs_;
  platform::Shell& shell_;
  std::function<std::optional<std::filesystem::path>()> gameDir_;

  ModScan scan_;
  // Each file's tick, per type; kept while the mod stays chosen.
  std::array<std::vector<bool>, kFileTypeCount> fileChecks_;
  std::optional<std::size_t> currentType_;  // the type whose files lstFiles shows
  bool ready_ = true;
  bool fileRuleActive_ = false;  // the file-check rule is changing a type's tick
  bool typeRuleActive_ = false;  // the type-check rule is changing file ticks
  int rowBeforePress_ = -1;      // lstChooser's current entry when the mouse went down on it

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
