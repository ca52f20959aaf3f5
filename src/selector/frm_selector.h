#pragma once
// src/selector: the main window, split by seam (menus, commands, start-up, refresh, details);
// a view whose flows live in their own folders. See README.md.
//
// The main window: the mod list on the left, the details of the selected mod
// on the right, three buttons below the list. It owns the run's shared state
// (ProgramDir, GameDir) and hands it to the flows and windows it opens.
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/install_flow.h"
#include "launch/launch.h"
#include "library/mod_filter.h"
#include "library/mod_library.h"
#include "library/mod_list_watch.h"
#include "ui/frm_change_a2_dir.h"
#include "ui/twips.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QResizeEvent;
class QTimer;

namespace drydock::platform {
class Shell;
}
namespace drydock::flow {
class Dialogs;
}
namespace drydock::install {
class frmInstalledMods;
}
namespace drydock::modinfo {
class frmEditModInfo;
}
namespace drydock::compat {
class frmCompatability;
}
namespace drydock::techtree {
class frmTechTree;
}
namespace drydock::fileinstaller {
class frmInstaller;
}
namespace drydock::analyzer {
class frmAnalyzer;
}
namespace drydock::help {
class frmAbout;
class frmChanges;
class frmReadme;
}  // namespace drydock::help

namespace drydock::selector {

class ModListMarkers;

struct SelectorServices {
  platform::Shell& shell;
  flow::Dialogs& dialogs;
  // The game search of the game directory dialog; empty: search this system.
  ui::GameSearchFn gameSearch;
  // The archives the user picks to add as mods; empty: the file dialog.
  std::function<std::vector<std::filesystem::path>(QWidget* parent)> chooseArchives = {};
  // How long a started game is watched before Drydock ends.
  std::chrono::milliseconds launchGrace = launch::kLaunchGraceTime;
};

struct RefreshOptions {
  bool skipProgress = false;
  bool skipControls = false;
  bool skipCount = false;
  static RefreshOptions Full() { return {}; }
  static RefreshOptions Silent() { return {true, true, true}; }
};

class frmSelector : public QMainWindow, public ui::GameDirHost, private install::InstallHost {
  Q_OBJECT
 public:
  explicit frmSelector(SelectorServices services, QWidget* parent = nullptr);
  ~frmSelector() override;

  // Start-up after the single-instance check: shows the window, sets
  // ProgramDir and GameDir (nothing when the registry and the command line
  // named none), fills the list, counts the game's files and asks for the
  // game directory when none is known. Returns when that dialog has closed.
  // `winePrefix` is the Wine prefix whose registry named `gameDir`, if any.
  void Startup(const std::filesystem::path& programDir, std::optional<std::filesystem::path> gameDir,
               std::filesystem::path winePrefix = {});

  // GameDirHost
  std::optional<std::filesystem::path> GameDir() const override { return gameDir_; }
  void SetGameDir(const std::filesystem::path& gameDir) override;
  std::filesystem::path ProgramDir() const override { return programDir_; }
  void QuitProgram() override;
  void GameDirDialogClosed() override;

  // True once the user ended the program from the game directory dialog.
  bool QuitRequested() const { return quitRequested_; }

  std::filesystem::path ModsDir() const { return library::ModsDir(programDir_); }
  const library::ModList& modList() const { return modList_; }

  // The mod list refresh and the auto refresh (mod_list_refresh.cpp).
  void RefreshModList(RefreshOptions options);
  void AutoRefreshTick();
  // Shows the selected mod's details (selector_details.cpp).
  void ShowModDetails();
  void ShowA2FileCount();

  // Adds a mod from each of `archives` (the files named on the command line)
  // as soon as no other work runs, as a drop of them would.
  void AddArchivesWhenIdle(std::vector<std::filesystem::path> archives);

  // Installs and uninstalls the selected mod (buttons, menu, keys, double click).
  install::Outcome InstallMod();
  install::Outcome UninstallMod();
  // Uninstalls every mod installed into the game, after one question (Manager > Uninstall All Mods).
  install::Outcome UninstallAllMods();
  // Manager > Profiles (selector_profiles.cpp): save the installed mods as a
  // profile under a name asked for, apply, rename or delete one.
  void SaveProfileAs();
  install::Outcome ApplyProfile(const std::string& name);
  void RenameProfile(const std::string& name);
  void DeleteProfile(const std::string& name);

  // Twips of the window's design to pixels.
  static int Px(int twips) { return ui::TwipsToPixels(twips); }

 Q_SIGNALS:
  // Each value shown in lblA2NumOfFiles while the game's files are counted.
  void a2FileCountShown(const QString& text);
  // A refresh of the mod list has ended.
  void modListRefreshed();

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildStatusLine();
  void ApplyLayout(bool withPicture);
  void FillListWidget();
  // The filter box (mod_list_refresh.cpp): hides the entries that do not
  // match its text, and shows the placeholder when none does; the selection
  // stays where it was when that entry is still shown, else the first shown.
  void ApplyFilter();
  void FilterChanged();
  // Reads the mods' ModInfo authors again when a fill of the list or a ModInfo edit made them stale.
  void ReadAuthorsIfStale();
  // The row of the placeholder of an empty filter result, or -1.
  int NoMatchRow() const;
  // Escape clears the box, Down goes to the list; true when handled.
  bool FilterKey(QObject* watched, QEvent* event);
  // Makes the entry of `modPath` current (the first when it is gone); the
  // details follow through the list's signal.
  void SelectModPath(const std::string& modPath);
  QString SelectedText() const;
  std::string SelectedModPath() const;
  // Counts the game's files on a worker: with `showSteps` the label climbs
  // in steps of 22, with `showBar` the progress bar follows the folders.
  void CountGameFiles(bool showSteps, bool showBar = false);
  // The list has the keyboard again whenever it comes back from being disabled.
  void EnableList(bool enabled);
  // Closes the window when the user asked to while work was running.
  void CloseIfAsked();
  // Runs one command of the window. When work in it throws, the user is
  // shown the error under `title`, the window drops what the run had shown
  // (hourglass, bar, captions) and refreshes; the result is then false.
  bool Guarded(const std::string& title, const std::function<void()>& command);
  // RemoveMod once its folder is known: the questions, the lock and the work.
  void RemoveModFolder(const std::string& text, const std::filesystem::path& folder, const std::string& title);
  // A value label's full text as its tooltip, cut to what a screen can show.
  void SetFullTextTip(QLabel* label);
  void ToggleAutoRefresh();
  void OpenGameDirDialog(bool modal);
  void OpenInstalledMods();
  install::frmInstalledMods* InstalledModsWindow();
  void EnableMainControls();
  install::Selection CurrentSelection() const;

  // Menus (selector_menus.cpp).
  void BuildMenus();
  // Greys "Armada II" without the game's program and "Install map editor"
  // once its markers are there, each time the Manager menu opens.
  void UpdateManagerMenu();
  // The entries that change files; none of them runs while work is under way.
  QList<QAction*> FileChangingActions() const;
  // The right button and the menu key on the list; true when handled.
  bool ListMouseOrMenuKey(QObject* watched, QEvent* event);
  // The context menu of the list at `at` (global): the mod menu when the
  // current row is a mod, else the menu of what needs no mod.
  void ShowListContextMenu(const QPoint& at);
  // True when the current row is a mod (not blank, not the placeholder).
  bool CurrentRowIsMod() const;
  // The compatibility window with the selected mod as its first side.
  void OpenCompatibilityWithSelected();

  // Mod folder commands (selector_commands.cpp). Each acts on the selected
  // mod only; with nothing selected it does nothing (Open directory opens the
  // mods folder).
  std::filesystem::path SelectedModFolder() const;
  void RemoveMod();
  void OpenModFolder();
  void ViewReadme();
  void MakeModSubfolders();
  void RemoveModSubfolders();
  // Asks `question`, then makes or removes the selected mod's game folders.
  void ChangeSubfolders(const char* question, const char* title, int (*change)(const std::filesystem::path&));
  void MakeNewModFolder();
  // MakeNewModFolder's questions and work.
  void AskForNewModFolder();
  // Adds mods from archives chosen in the file dialog or dropped on the
  // window, one after the other, and selects the last one added.
  void AddModsFromArchives();
  void AddArchives(const std::vector<std::filesystem::path>& archives);

  // Launching, places and the help windows (selector_commands.cpp).
  enum class Page { GameDir, ProgramDir, ArmadaUniverse, ArmadaFleetCommand, ModCentral };
  void OpenPage(Page page);
  void LaunchGame();
  void InstallMapEditor();
  void OpenModInfoEditor();
  void OpenTechTrees();
  void OpenFileInstaller();
  void OpenAnalyzer();
  void OpenCompatibility();
  void OpenAbout();
  void OpenReadme();
  void OpenChanges();

  // install::InstallHost
  void SetInstallCaption(const std::string& caption) override;
  void SetUninstallCaption(const std::string& caption) override;
  void EnableInstall(bool enabled) override;
  void EnableUninstall(bool enabled) override;
  void SetBusy(bool busy) override;
  void ShowProgress(bool shown) override;
  void SetProgress(int percent) override;
  void SetProgressText(const std::string& text) override;
  bool RefreshQuietly() override;
  void RefreshFully() override;
  void Beep() override;
  void ShowStatus(const std::string& line) override;
  void RunLong(const std::function<void()>& work) override;

  SelectorServices services_;
  std::filesystem::path programDir_;
  std::optional<std::filesystem::path> gameDir_;
  std::filesystem::path winePrefix_;  // where the registry named gameDir_; empty once the user chose another
  library::ModList modList_;
  library::ModAuthors modAuthors_;  // for the filter: read when its box takes the keyboard, and at refreshes meanwhile
  bool authorsStale_ = true;
  library::ModListWatch modListWatch_;  // the auto refresh's look at the mods folder between refreshes
  bool pictureLayout_ = false;
  bool quitRequested_ = false;
  bool busy_ = false;
  bool working_ = false;       // long work runs on a worker thread
  bool closePending_ = false;  // the user closed the window meanwhile
  long fileCount_ = 0;

  QWidget* central_ = nullptr;
  QLineEdit* txtFilter_ = nullptr;  // narrows lstMods_ to the mods it names
  QListWidget* lstMods_ = nullptr;
  ModListMarkers* markers_ = nullptr;  // installed and conflict markers on lstMods_ (mod_list_markers.h)
  QLabel* picModsPic_ = nullptr;
  QPushButton* cmdRefresh_ = nullptr;
  QPushButton* cmdInstallMod_ = nullptr;
  QPushButton* cmdUninstallMod_ = nullptr;
  QProgressBar* pgbPercent_ = nullptr;
  QLabel* lblStats_ = nullptr;
  QLabel* lblA2NumOfFile_ = nullptr;
  QLabel* lblA2NumOfFiles_ = nullptr;
  QLabel* lblModNumOfFiles_ = nullptr;
  QLabel* lblModSize_ = nullptr;
  QLabel* lblModMaker_ = nullptr;
  QLabel* lblModsMaker_ = nullptr;
  QLabel* lblModDescription_ = nullptr;
  QLabel* lblModsDescription_ = nullptr;
  QLabel* lblModsOtherHeading_ = nullptr;
  QLabel* lblModsOther_ = nullptr;
  QLabel* lblModVersion_ = nullptr;
  QLabel* lblModsVersion_ = nullptr;
  QLabel* lblInvalidPic_ = nullptr;
  QLabel* lblStatus_ = nullptr;  // what the last action did
  QTimer* timRefreshModList_ = nullptr;
  QTimer* timClickMod_ = nullptr;

  QAction* modChangeA2Directory_ = nullptr;
  QAction* menuManagerCheckInstalledMods_ = nullptr;
  QAction* menuManagerAuto_ = nullptr;
  QMenu* menuManagerProfiles_ = nullptr;
  // Fills Apply, Rename and Delete with the profiles' names each time the Profiles menu opens.
  void BuildProfilesMenu(QMenu* manager);
  void FillProfilesMenu();
  void RefillProfilesMenuLater();
  QAction* menuQuit_ = nullptr;
  QAction* menuModRefreshModList_ = nullptr;
  QAction* menuModInstall_ = nullptr;
  QAction* menuModUninstall_ = nullptr;
  QAction* menuModCurrentModViewReadme_ = nullptr;
  QAction* menuManagerInstallMapEditor_ = nullptr;
  QAction* menuManagerUninstallAll_ = nullptr;
  QAction* menuManagerLaunchA2_ = nullptr;
  QAction* menuModCurrentModRemoveMod_ = nullptr;
  QAction* menuModCurrentModSubfolders_ = nullptr;
  QAction* menuModCurrentModRemoveSubfolders_ = nullptr;
  QAction* menuModMakeNewFolder_ = nullptr;
  QAction* menuManagerAddFromArchive_ = nullptr;
  QAction* menuModEdit_ = nullptr;
  QAction* menuModTechTree_ = nullptr;
  QAction* menuManagerFileInstaller_ = nullptr;
  QAction* menuModAnalyzeMod_ = nullptr;
  QAction* menuModCompatablility_ = nullptr;
  QAction* menuHelpAbout_ = nullptr;
  QAction* menuHelpViewReadme_ = nullptr;
  QAction* menuHelpChanges_ = nullptr;
  QMenu* menuModCurrentMod_ = nullptr;
  // The list's context menus: on a mod (mnuModContext), and on blank space or
  // the placeholder (mnuListContext, only what needs no mod).
  QMenu* mnuModContext_ = nullptr;
  QMenu* mnuListContext_ = nullptr;
  QAction* mnuContextInstall_ = nullptr;
  QAction* mnuContextUninstall_ = nullptr;
  QAction* mnuContextViewReadme_ = nullptr;
  QAction* mnuContextRemove_ = nullptr;

  QPointer<ui::frmChangeA2Dir> frmChangeA2Dir_;
  QPointer<install::frmInstalledMods> frmInstalledMods_;
  QPointer<modinfo::frmEditModInfo> frmEditModInfo_;
  QPointer<techtree::frmTechTree> frmTechTree_;
  QPointer<fileinstaller::frmInstaller> frmInstaller_;
  QPointer<analyzer::frmAnalyzer> frmAnalyzer_;
  QPointer<compat::frmCompatability> frmCompatability_;
  QPointer<help::frmAbout> frmAbout_;
  QPointer<help::frmReadme> frmReadme_;
  QPointer<help::frmChanges> frmChanges_;

  // The wait for the game's writer lock of a launch or the map editor switch,
  // run as other long work is; the control that had the keyboard gets it back.
  void WaitForGameLock(const std::function<void()>& wait);
};

}  // namespace drydock::selector
