#pragma once
// The installed-mods window: a list of the mods and addons that are installed,
// each with whether the game still holds what it installed.
#include <QDialog>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "install/verify.h"
#include "library/mod_library.h"

class QLabel;
class QListWidget;

namespace drydock::install {

// The role of a list item that holds its mod's check in words ("as installed",
// "3 files changed since install"), drawn in a column after the mod's name.
inline constexpr int kVerifySummaryRole = Qt::UserRole + 1;
inline constexpr char kCheckingText[] = "checking...";

class frmInstalledMods : public QDialog {
  Q_OBJECT
 public:
  // What checks the installed mods; it runs on a worker thread.
  using Verifier = std::function<std::vector<ModCheck>(const std::filesystem::path& modsDir, const library::ModList&,
                                                       const std::filesystem::path& gameDir)>;

  // `mainList` gives the main window's current mod list and `gameDir` the
  // game's folder (nothing while none is known); `firstFill` runs once,
  // after the first fill (it enables the main window's controls).
  frmInstalledMods(std::filesystem::path modsDir, std::function<library::ModList()> mainList,
                   std::function<std::optional<std::filesystem::path>()> gameDir, std::function<void()> firstFill,
                   QWidget* parent = nullptr);
  ~frmInstalledMods() override;

  // Fills lstCurrentMods from the mods folder and selects its first entry.
  void Fill();
  // Puts an already computed list in place (the main list's refresh does that).
  void SetEntries(const std::vector<std::string>& entries);
  // Selects the entry equal to `text`, when there is one.
  void SelectText(const QString& text);
  // Checks with `verifier` instead of VerifyInstalled (a test's slow or counting one).
  void SetVerifier(Verifier verifier) { verifier_ = std::move(verifier); }

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // Names the mods installed over the selected one in lblCoveredBy.
  void ShowCovering();
  // Checks the listed mods on a worker, unless one runs already; each shows "checking..." until its result comes.
  void StartChecks();
  // Takes a check's results (each mod's check in words, by its entry).
  void ShowChecks(const std::map<std::string, std::string>& summaries);
  // Shows in each row "checking...", its mod's last check, or nothing.
  void ShowRows();
  // Widens the window, within the screen, until each row's name and check show whole.
  void FitRows();

  std::filesystem::path modsDir_;
  std::function<library::ModList()> mainList_;
  std::function<std::optional<std::filesystem::path>()> gameDir_;
  std::function<void()> firstFill_;
  Verifier verifier_;
  bool filledOnce_ = false;
  bool checking_ = false;                     // a check runs; a refill meanwhile waits for its result
  std::set<std::string> pending_;             // the entries the running check answers for
  std::map<std::string, std::string> known_;  // each entry's last check
  // What a worker reports to; emptied when the window goes, so that a
  // worker still running reports to nothing.
  struct Receiver;
  std::shared_ptr<Receiver> receiver_;
  QLabel* lblInfo1_;
  QListWidget* lstCurrentMods_;
  QLabel* lblCoveredBy_;
};

}  // namespace drydock::install
