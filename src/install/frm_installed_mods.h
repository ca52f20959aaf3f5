#pragma once
// The installed-mods window: a list of the mods and addons that are installed.
#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>

#include "library/mod_library.h"

class QLabel;
class QListWidget;

namespace drydock::install {

class frmInstalledMods : public QDialog {
  Q_OBJECT
 public:
  // `mainList` gives the main window's current mod list and `gameDir` the
  // game's folder (nothing while none is known); `firstFill` runs once,
  // after the first fill (it enables the main window's controls).
  frmInstalledMods(std::filesystem::path modsDir, std::function<library::ModList()> mainList,
                   std::function<std::optional<std::filesystem::path>()> gameDir, std::function<void()> firstFill,
                   QWidget* parent = nullptr);

  // Fills lstCurrentMods from the mods folder and selects its first entry.
  void Fill();
  // Puts an already computed list in place (the main list's refresh does that).
  void SetEntries(const std::vector<std::string>& entries);
  // Selects the entry equal to `text`, when there is one.
  void SelectText(const QString& text);

 protected:
  bool event(QEvent* e) override;

 private:
  // Names the mods installed over the selected one in lblCoveredBy.
  void ShowCovering();

  std::filesystem::path modsDir_;
  std::function<library::ModList()> mainList_;
  std::function<std::optional<std::filesystem::path>()> gameDir_;
  std::function<void()> firstFill_;
  bool filledOnce_ = false;
  QLabel* lblInfo1_;
  QListWidget* lstCurrentMods_;
  QLabel* lblCoveredBy_;
};

}  // namespace drydock::install
