#pragma once
// The compatibility window: two lists of mods (the game folder first in
// each) and the relative paths that both chosen entries provide.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "compat/compat_check.h"
#include "flow/dialogs.h"
#include "library/mod_library.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace drydock::compat {

// What the window needs from the main window.
struct CompatInputs {
  std::filesystem::path modsDir;
  std::function<std::optional<std::filesystem::path>()> gameDir;
  std::function<library::ModList()> modList;  // the main window's mod list, without the placeholder
  std::function<std::string()> selectedMod;   // the main list's selected entry text; empty when none
  flow::Dialogs& dialogs;
  ListFiles listFiles = library::ListModFiles;  // the mod-file listing; tests may make it fail
};

// Above this many paths in the first list, the check shows its progress.
inline constexpr size_t kLongCheckAbove = 150;

class frmCompatability : public QWidget {
  Q_OBJECT
 public:
  // `parent` is the main window; the window is a top-level window of its own.
  frmCompatability(CompatInputs inputs, QWidget* parent);
  // Selects the main list's entry `entry` (its text) on the first side, unless a check runs.
  void ShowFirst(const std::string& entry);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();
  void Check();
  bool Validate();
  // The ModPath of a list's selected entry, kGameEntry for the game, empty for none.
  std::string ChosenModPath(const QListWidget* list) const;
  void ShowResult(const std::vector<std::string>& conflicts);
  void AfterCheck();
  void EndLongCheck();

  CompatInputs inputs_;
  library::ModList entries_;  // the list both boxes were filled from, below the game entry
  bool checking_ = false;

  QGroupBox* frameMods_;
  QListWidget* lstBox1_;
  QListWidget* lstBox2_;
  QProgressBar* pgbProgress_;
  QPushButton* cmdCheck_;
  QLabel* lblMod1_;
  QLabel* lblMod2_;
  QLabel* label1_;
  QPlainTextEdit* lstIncompatable_;
  QTimer* timAfter_;
};

}  // namespace drydock::compat
