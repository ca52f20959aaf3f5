// The main window's commands on mod folders, the places it opens, launching
// the game and the help windows.
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "analyzer/frm_analyzer.h"
#include "archive/add_flow.h"
#include "archive/archive_texts.h"
#include "archive/unpack_progress_dialog.h"
#include "compat/frm_compatability.h"
#include "desktop/qt_shell.h"
#include "fileinstaller/frm_installer.h"
#include "flow/dialogs.h"
#include "flow/preflight.h"
#include "help/frm_about.h"
#include "help/frm_changes.h"
#include "help/frm_readme.h"
#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "install/mod_folder.h"
#include "launch/launch.h"
#include "launch/launch_texts.h"
#include "modinfo/frm_edit_mod_info.h"
#include "modinfo/mod_info.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "selector/frm_selector.h"
#include "selector/selector_texts.h"
#include "techtree/frm_tech_tree.h"
#include "ui/qt_text.h"
#include "ui/secondary_window.h"

namespace drydock::selector {

namespace fs = std::filesystem;
using flow::Answer;
using flow::Buttons;
using flow::Icon;

fs::path frmSelector::SelectedModFolder() const {
  if (!lstMods_->currentItem()) return {};
  fs::path folder = library::EntryFolder(ModsDir(), modList_, lstMods_->currentRow());
  return !folder.empty() && platform::IsFolder(folder) ? folder : fs::path();
}

void frmSelector::RemoveMod() {
  const std::string text = ui::Utf8(SelectedText());
  const fs::path folder = SelectedModFolder();
  if (text.empty() || folder.empty()) return;
  const std::string title = "Remove " + text + " mod?";
  Guarded(title, [&] { RemoveModFolder(text, folder, title); });
}

namespace {
// An addon's entry without the spaces that set it under its parent in the list.
std::string Unindented(const std::string& entry) {
  return entry.substr(std::min(entry.find_first_not_of(' '), entry.size()));
}
}  // namespace

void frmSelector::RemoveModFolder(const std::string& text, const fs::path& folder, const std::string& title) {
  flow::Dialogs& dialogs = services_.dialogs;
  if (dialogs.AskDestructive("Are you sure you want to remove the " + text + " mod from your hard drive?", title,
                             Buttons::YesNo, Icon::Question) != Answer::Yes) {
    return;
  }
  // What the mod holds is looked at under the lock, so that no install or uninstall changes it meanwhile.
  const std::optional<platform::WriterLock> lock = flow::LockForChanges(dialogs, *this, {ModsDir()}, title);
  if (!lock) return;
  if (!platform::IsFolder(folder)) {
    RefreshModList(RefreshOptions::Full());  // gone since it was chosen
    return;
  }
  // Remove writes nothing in the game folder, so a running game stands in the way only of an installed
  // mod: its record and Backup are all that can put back the files the game has open, and the player
  // who goes on should uninstall it next, which waits for the game anyway. A mod that is not installed
  // is nothing the game uses, and removing it while playing is harmless.
  const bool installed = install::IsInstalled(folder);
  if (!flow::CheckBeforeChanges(dialogs, title, installed && gameDir_ ? *gameDir_ : fs::path(), {})) return;
  // The backup of an installed mod holds the only copies of the game files it replaced.
  if (installed &&
      dialogs.AskDestructive(
          "The " + text +
              " mod is installed. Its Backup folder holds the only copies of the game files it "
              "replaced, and they go with it: the game keeps the mod's files and its own can no longer be put "
              "back. Uninstall the mod first to restore them.\n\nRemove it anyway?",
          title, Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
    return;
  }
  bool trashed = false;
  std::string why;
  SetBusy(true);
  RunLong([&] { trashed = install::MoveModToTrash(folder, &why); });
  SetBusy(false);
  if (!trashed) {
    // Deleting for good is the user's call, made knowing that it cannot be undone.
    if (dialogs.AskDestructive("The " + text + " mod cannot be moved to the trash (" + why +
                                   "), so it can only be deleted for "
                                   "good, with no way to bring it back:\n" +
                                   platform::PrintableName(platform::PathToUtf8(folder)) + "\n\nDelete it for good?",
                               title, Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
      return;
    }
    platform::FsResult deleted;
    SetBusy(true);
    RunLong([&] { deleted = platform::DeleteTree(folder); });
    SetBusy(false);
    if (!deleted) {
      dialogs.Ask("Some of the " + text + " mod could not be deleted:\n" + deleted.Message(), title, Buttons::Ok,
                  Icon::Exclamation);
    }
    ShowStatus(deleted ? "Deleted " + Unindented(text) + " for good" : "Deleted " + Unindented(text) + " in part");
  } else {
    ShowStatus("Removed " + Unindented(text) + ": moved to the trash");
  }
  RefreshModList(RefreshOptions::Full());
}

void frmSelector::OpenModFolder() {
  const fs::path folder = SelectedModFolder();
  launch::OpenOrTell(services_.shell, services_.dialogs, platform::PathToUtf8(folder.empty() ? ModsDir() : folder));
}

void frmSelector::ViewReadme() {
  const fs::path folder = SelectedModFolder();
  if (folder.empty()) return;
  const std::string readme = modinfo::FindReadme(folder);
  if (!readme.empty()) {
    launch::OpenOrTell(services_.shell, services_.dialogs,
                       platform::PathToUtf8(folder / platform::PathFromUtf8(readme)));
  }
}

void frmSelector::ChangeSubfolders(const char* question, const char* title, int (*change)(const fs::path&)) {
  const fs::path folder = SelectedModFolder();
  if (folder.empty()) return;
  EnableList(false);
  if (services_.dialogs.Ask(question, title, Buttons::YesNo, Icon::Question) == Answer::Yes) {
    Guarded(title, [&] {
      if (const auto lock = flow::LockForChanges(services_.dialogs, *this, {ModsDir()}, title)) change(folder);
    });
  }
  EnableList(true);
}

void frmSelector::MakeModSubfolders() {
  ChangeSubfolders(texts::kMakeSubfolders, texts::kMakeSubfoldersTitle, &install::MakeModSubfolders);
}

void frmSelector::RemoveModSubfolders() {
  ChangeSubfolders(texts::kRemoveSubfolders, texts::kRemoveSubfoldersTitle, &install::RemoveModSubfolders);
}

void frmSelector::MakeNewModFolder() {
  Guarded(texts::kNewFolderTitle, [this] { AskForNewModFolder(); });
}

void frmSelector::AskForNewModFolder() {
  flow::Dialogs& dialogs = services_.dialogs;
  for (;;) {
    const std::optional<std::string> name = dialogs.Input(texts::kNewFolderPrompt, texts::kNewFolderTitle, "");
    if (!name || name->empty()) return;
    std::optional<platform::WriterLock> lock =
        flow::LockForChanges(dialogs, *this, {ModsDir()}, texts::kNewFolderTitle);
    if (!lock) return;
    library::EnsureModsDir(programDir_);
    switch (install::MakeNewModFolder(ModsDir(), *name)) {
      case install::NewFolder::Exists:
        dialogs.Ask(texts::kFolderExists, flow::kDefaultTitle, Buttons::Ok, Icon::None);
        return;
      // A name no folder can have is an error the user can mend: Retry asks for another.
      case install::NewFolder::Invalid:
      case install::NewFolder::Failed:
        lock.reset();
        if (dialogs.Ask(texts::kNewFolderError, texts::kNewFolderErrorTitle, Buttons::AbortRetryIgnore,
                        Icon::Exclamation) == Answer::Retry) {
          continue;
        }
        return;
      case install::NewFolder::Made:
        break;
    }
    lock.reset();
    RefreshModList(RefreshOptions::Silent());
    SelectModPath(*name);
    return;
  }
}

void frmSelector::AddModsFromArchives() {
  if (working_) return;
  std::vector<fs::path> archives;
  if (services_.chooseArchives) {
    archives = services_.chooseArchives(this);
  } else {
    for (const QString& file : QFileDialog::getOpenFileNames(this, ui::Q(archive::texts::kTitle), QString(),
                                                             ui::Q(archive::texts::kFileFilter))) {
      archives.push_back(ui::NativePathOf(file));
    }
  }
  AddArchives(archives);
}

void frmSelector::AddArchives(const std::vector<fs::path>& archives) {
  std::string added;
  for (const fs::path& file : archives) {
    archive::UnpackProgressDialog progress(this);
    archive::AddOutcome outcome;
    Guarded(archive::texts::kTitle, [&] {
      outcome = archive::AddModFromArchive(services_.dialogs, *this, progress, ModsDir(), {file, std::nullopt});
    });
    if (outcome.outcome == install::Outcome::Done) added = outcome.modName;
  }
  if (!added.empty()) SelectModPath(added);
}

void frmSelector::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  const bool archives = !working_ && !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) {
    return url.isLocalFile() && archive::HasArchiveExtension(ui::NativePathOf(url.toLocalFile()));
  });
  if (archives) event->acceptProposedAction();
}

void frmSelector::dropEvent(QDropEvent* event) {
  std::vector<fs::path> archives;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) archives.push_back(ui::NativePathOf(url.toLocalFile()));
  }
  if (working_ || archives.empty()) return;
  event->acceptProposedAction();
  // The drop ends first, so the source of the drag is not held while the mods are added.
  AddArchivesWhenIdle(std::move(archives));
}

void frmSelector::AddArchivesWhenIdle(std::vector<fs::path> archives) {
  if (archives.empty()) return;
  // Start-up may still be counting the game's files; the archives wait for it.
  QTimer::singleShot(working_ ? 100 : 0, this, [this, archives = std::move(archives)]() mutable {
    if (working_) {
      AddArchivesWhenIdle(std::move(archives));
    } else {
      AddArchives(archives);
    }
  });
}

install::Outcome frmSelector::UninstallAllMods() {
  install::ModInstaller installer(services_.dialogs, *this, ModsDir(), [this] { return gameDir_; });
  install::Outcome outcome = install::Outcome::Incomplete;
  Guarded(flow::kDefaultTitle, [&] { outcome = installer.UninstallAll().outcome; });
  CloseIfAsked();
  return outcome;
}

void frmSelector::UpdateManagerMenu() {
  // While work runs, neither may start; it enables them again when it ends.
  if (working_) return;
  menuManagerLaunchA2_->setEnabled(launch::GameExePresent(gameDir_));
  menuManagerInstallMapEditor_->setEnabled(!launch::MapEditorInstalled(gameDir_));
}

void frmSelector::OpenPage(Page page) {
  std::string target;
  switch (page) {
    case Page::GameDir:
      if (!gameDir_) {
        services_.dialogs.Ask(launch::texts::kNoGameDir, launch::texts::kNoGameDirTitle, Buttons::Ok,
                              Icon::Exclamation);
        return;
      }
      target = platform::PathToUtf8(*gameDir_);
      break;
    case Page::ProgramDir:
      target = platform::PathToUtf8(programDir_);
      break;
    case Page::ArmadaUniverse:
      target = launch::kArmadaUniverseUrl;
      break;
    case Page::ArmadaFleetCommand:
      target = launch::kArmadaFleetCommandUrl;
      break;
    case Page::ModCentral:
      target = launch::kModCentralUrl;
      break;
  }
  launch::OpenOrTell(services_.shell, services_.dialogs, target);
}

void frmSelector::LaunchGame() {
  const QString launchWatch = QStringLiteral("timLaunchWatch");
  // The game of an earlier launch is still being watched.
  if (findChild<QObject*>(launchWatch, Qt::FindDirectChildrenOnly)) return;
  launch::Started started =
      launch::LaunchGame(gameDir_, services_.shell, services_.dialogs, winePrefix_, platform::ThisSystemsGameHost(),
                         [this](const std::function<void()>& wait) { WaitForGameLock(wait); });
  if (!started) return;
  // The game has started: Drydock ends, as it would from Quit, unless the game
  // fails within its first seconds. It is watched meanwhile; the window answers.
  if (!started.game) {
    close();
    return;
  }
  setCursor(Qt::BusyCursor);
  auto launched = std::make_shared<launch::Started>(std::move(started));
  std::unique_ptr<platform::WatchedProgram> game = std::move(launched->game);
  desktop::WatchProgram(
      this, std::move(game), services_.launchGrace,
      [this, launched](platform::WatchedProgram& program, const std::optional<platform::ProgramEnd>& end) {
        unsetCursor();
        if (launch::TellGameEnd(*launched, program, end, services_.dialogs)) close();
      })
      ->setObjectName(launchWatch);
}

void frmSelector::InstallMapEditor() {
  if (launch::InstallMapEditor(gameDir_, services_.dialogs, platform::WriterLock::kDefaultWait,
                               [this](const std::function<void()>& wait) { WaitForGameLock(wait); })) {
    LaunchGame();
  }
}

void frmSelector::OpenModInfoEditor() {
  ui::OpenSecondaryWindow(frmEditModInfo_, this, menuModEdit_, [this] {
    modinfo::EditModInfoHost host{ModsDir(),
                                  services_.dialogs,
                                  [this] { return modList_; },
                                  [this] { return SelectedModPath(); },
                                  [this](const std::string& modPath) {
                                    // The details follow even when that mod was selected already.
                                    const int before = lstMods_->currentRow();
                                    SelectModPath(modPath);
                                    if (lstMods_->currentRow() == before) ShowModDetails();
                                  },
                                  [this] {
                                    return modinfo::ModInfoTexts{
                                        ui::Utf8(lblModsMaker_->text()), ui::Utf8(lblModsDescription_->text()),
                                        ui::Utf8(lblModsVersion_->text()), ui::Utf8(lblModsOther_->text()),
                                        ui::Utf8(lblModsOtherHeading_->text())};
                                  },
                                  [this] { ShowModDetails(); }};
    return new modinfo::frmEditModInfo(std::move(host), this);
  });
  // The editor starts with the values of the mod shown.
  ShowModDetails();
}

// The tech trees and the file installer open on the mod selected here.
void frmSelector::OpenTechTrees() {
  ui::OpenSecondaryWindow(frmTechTree_, this, menuModTechTree_, [this] {
    return new techtree::frmTechTree(
        ModsDir(), [this] { return modList_; }, this);
  })->ChooseMod(SelectedModPath());
}

void frmSelector::OpenFileInstaller() {
  ui::OpenSecondaryWindow(frmInstaller_, this, menuManagerFileInstaller_, [this] {
    return new fileinstaller::frmInstaller(ModsDir(), services_.dialogs, services_.shell, this,
                                           [this] { return gameDir_; });
  })->ChooseMod(SelectedModPath());
}

void frmSelector::OpenAnalyzer() {
  analyzer::frmAnalyzer* window = ui::OpenSecondaryWindow(frmAnalyzer_, this, menuModAnalyzeMod_, [this] {
    return new analyzer::frmAnalyzer(
        {programDir_, [this] { return modList_; }, services_.shell, services_.dialogs, [this] { return gameDir_; }},
        this);
  });
  window->SetUpFolders();
}

void frmSelector::OpenCompatibility() {
  ui::OpenSecondaryWindow(frmCompatability_, this, menuModCompatablility_, [this] {
    return new compat::frmCompatability({ModsDir(), [this] { return gameDir_; }, [this] { return modList_; },
                                         [this] { return ui::Utf8(SelectedText()); }, services_.dialogs},
                                        this);
  });
}

void frmSelector::OpenAbout() {
  ui::OpenSecondaryWindow(frmAbout_, this, menuHelpAbout_, [this] { return new help::frmAbout(gameDir_, this); });
}

void frmSelector::OpenReadme() {
  ui::OpenSecondaryWindow(frmReadme_, this, menuHelpViewReadme_, [this] {
    return new help::frmReadme(programDir_, services_.shell, services_.dialogs, this);
  });
}

void frmSelector::OpenChanges() {
  ui::OpenSecondaryWindow(frmChanges_, this, menuHelpChanges_, [this] { return new help::frmChanges(this); });
}

void frmSelector::WaitForGameLock(const std::function<void()>& wait) {
  const QPointer<QWidget> keyboard = QApplication::focusWidget();
  SetBusy(true);  // another run may hold the lock for a moment
  RunLong(wait);
  SetBusy(false);
  if (keyboard && keyboard->isEnabled() && !QApplication::focusWidget()) keyboard->setFocus();
}

}  // namespace drydock::selector
