// The main window's menus, their shortcuts and enabling, and the list's context menus.
#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include "archive/archive_texts.h"
#include "compat/frm_compatability.h"
#include "install/installed_mods.h"
#include "modinfo/mod_info.h"
#include "selector/frm_selector.h"
#include "selector/selector_texts.h"
#include "ui/qt_text.h"

namespace drydock::selector {

using ui::Q;

void frmSelector::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const char* caption, QKeySequence key = {}) {
    QAction* a = menu->addAction(Q(caption));
    a->setObjectName(Q(name));
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
  };
  auto menu = [](QMenu* parent, const char* name, const char* caption) {
    QMenu* m = parent->addMenu(Q(caption));
    m->setObjectName(Q(name));
    return m;
  };
  auto top = [this](const char* name, const char* caption) {
    QMenu* m = menuBar()->addMenu(Q(caption));
    m->setObjectName(Q(name));
    return m;
  };
  // An entry that opens a window carries a check mark while the window is
  // open; choosing it again shows the same window and keeps the mark, which
  // only the window's closing takes away.
  auto opens = [&](QMenu* m, const char* name, const char* caption, QKeySequence key, auto slot) {
    QAction* a = action(m, name, caption, key);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [a] { a->setChecked(true); });
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };

  QMenu* manager = top("menuSelector", texts::kMenuManager);
  connect(manager, &QMenu::aboutToShow, this, &frmSelector::UpdateManagerMenu);
  modChangeA2Directory_ = opens(manager, "modChangeA2Directory", texts::kMenuChangeA2Directory, ctrl(Qt::Key_H),
                                [this] { OpenGameDirDialog(false); });
  menuManagerCheckInstalledMods_ = opens(manager, "menuManagerCheckInstalledMods", texts::kMenuCheckInstalledMods,
                                         ctrl(Qt::Key_D), &frmSelector::OpenInstalledMods);
  menuManagerAddFromArchive_ =
      action(manager, "menuManagerAddFromArchive", archive::texts::kMenuAddFromArchive, ctrl(Qt::Key_N));
  connect(menuManagerAddFromArchive_, &QAction::triggered, this, &frmSelector::AddModsFromArchives);
  menuManagerFileInstaller_ = opens(manager, "menuManagerFileInstaller", texts::kMenuFileInstaller, ctrl(Qt::Key_F),
                                    &frmSelector::OpenFileInstaller);
  menuManagerInstallMapEditor_ =
      action(manager, "menuManagerInstallMapEditor", texts::kMenuInstallMapEditor, ctrl(Qt::Key_P));
  connect(menuManagerInstallMapEditor_, &QAction::triggered, this, &frmSelector::InstallMapEditor);
  menuManagerUninstallAll_ = action(manager, "menuManagerUninstallAll", texts::kMenuUninstallAll);
  connect(menuManagerUninstallAll_, &QAction::triggered, this, &frmSelector::UninstallAllMods);
  BuildProfilesMenu(manager);
  menuManagerAuto_ = action(manager, "menuManagerAuto", texts::kMenuDisableAuto);
  connect(menuManagerAuto_, &QAction::triggered, this, &frmSelector::ToggleAutoRefresh);
  manager->addSeparator();
  QMenu* launch = menu(manager, "menuManagerLaunch", texts::kMenuLaunch);
  menuManagerLaunchA2_ = action(launch, "menuManagerLaunchA2", texts::kMenuLaunchA2, ctrl(Qt::Key_A));
  connect(menuManagerLaunchA2_, &QAction::triggered, this, &frmSelector::LaunchGame);
  launch->addSeparator();
  connect(action(launch, "menuManagarLaunchA2Dir", texts::kMenuLaunchA2Dir), &QAction::triggered, this,
          [this] { OpenPage(Page::GameDir); });
  connect(action(launch, "menuManagerLaunchDrydockDir", texts::kMenuLaunchDrydockDir), &QAction::triggered, this,
          [this] { OpenPage(Page::ProgramDir); });
  launch->addSeparator();
  connect(action(launch, "menuManagerLaunchAU", texts::kMenuLaunchAU), &QAction::triggered, this,
          [this] { OpenPage(Page::ArmadaUniverse); });
  connect(action(launch, "menuManagerLaunchAFC", texts::kMenuLaunchAFC), &QAction::triggered, this,
          [this] { OpenPage(Page::ArmadaFleetCommand); });
  connect(action(launch, "menuManagerLaunchModCentral", texts::kMenuLaunchModCentral), &QAction::triggered, this,
          [this] { OpenPage(Page::ModCentral); });
  manager->addSeparator();
  menuQuit_ = action(manager, "menuQuit", texts::kMenuQuit);
  connect(menuQuit_, &QAction::triggered, this, &QWidget::close);

  QMenu* mod = top("menuMod", texts::kMenuMod);
  menuModCompatablility_ =
      opens(mod, "menuModCompatablility", texts::kMenuCompatibility, ctrl(Qt::Key_C), &frmSelector::OpenCompatibility);
  menuModEdit_ = opens(mod, "menuModEdit", texts::kMenuEditModInfo, ctrl(Qt::Key_E), &frmSelector::OpenModInfoEditor);
  menuModAnalyzeMod_ =
      opens(mod, "menuModAnalyzeMod", texts::kMenuAnalyze, ctrl(Qt::Key_Z), &frmSelector::OpenAnalyzer);
  menuModTechTree_ = opens(mod, "menuModTechTree", texts::kMenuTechTree, ctrl(Qt::Key_T), &frmSelector::OpenTechTrees);
  mod->addSeparator();
  menuModCurrentMod_ = menu(mod, "menuModCurrentMod", texts::kMenuCurrentMod);
  QMenu* current = menuModCurrentMod_;
  menuModInstall_ = action(current, "menuModInstall", texts::kMenuInstall, ctrl(Qt::Key_I));
  connect(menuModInstall_, &QAction::triggered, this, &frmSelector::InstallMod);
  current->setDefaultAction(menuModInstall_);
  menuModRefreshModList_ = action(current, "menuModRefreshModList", texts::kRefreshModList, ctrl(Qt::Key_R));
  connect(menuModRefreshModList_, &QAction::triggered, this, [this] { RefreshModList(RefreshOptions::Full()); });
  menuModUninstall_ = action(current, "menuModUninstall", texts::kMenuUninstall, ctrl(Qt::Key_U));
  connect(menuModUninstall_, &QAction::triggered, this, &frmSelector::UninstallMod);
  menuModCurrentModRemoveMod_ =
      action(current, "menuModCurrentModRemoveMod", texts::kMenuRemoveMod, QKeySequence(Qt::Key_Delete));
  connect(menuModCurrentModRemoveMod_, &QAction::triggered, this, &frmSelector::RemoveMod);
  current->addSeparator();
  menuModCurrentModViewReadme_ =
      action(current, "menuModCurrentModViewReadme", texts::kMenuViewReadme, ctrl(Qt::Key_W));
  connect(menuModCurrentModViewReadme_, &QAction::triggered, this, &frmSelector::ViewReadme);
  current->addSeparator();
  connect(action(current, "menuModCurrentModOpen", texts::kMenuOpenDirectory, ctrl(Qt::Key_O)), &QAction::triggered,
          this, &frmSelector::OpenModFolder);
  menuModCurrentModSubfolders_ =
      action(current, "menuModCurrentModSubfolders", texts::kMenuMakeSubfolders, ctrl(Qt::Key_B));
  connect(menuModCurrentModSubfolders_, &QAction::triggered, this, &frmSelector::MakeModSubfolders);
  menuModCurrentModRemoveSubfolders_ =
      action(current, "menuModCurrentModRemoveSubfolders", texts::kMenuRemoveSubfolders, ctrl(Qt::Key_S));
  connect(menuModCurrentModRemoveSubfolders_, &QAction::triggered, this, &frmSelector::RemoveModSubfolders);
  mod->addSeparator();
  menuModMakeNewFolder_ = action(mod, "menuModMakeNewFolder", texts::kMenuMakeNewFolder, ctrl(Qt::Key_M));
  connect(menuModMakeNewFolder_, &QAction::triggered, this, &frmSelector::MakeNewModFolder);

  QMenu* help = top("menuHelp", texts::kMenuHelp);
  menuHelpAbout_ = opens(help, "menuHelpAbout", texts::kMenuAbout, QKeySequence(Qt::Key_F1), &frmSelector::OpenAbout);
  menuHelpViewReadme_ =
      opens(help, "menuHelpViewReadme", texts::kMenuHelpViewReadme, ctrl(Qt::Key_V), &frmSelector::OpenReadme);
  help->addSeparator();
  menuHelpChanges_ = opens(help, "menuHelpChanges", texts::kMenuChanges, ctrl(Qt::Key_L), &frmSelector::OpenChanges);

  // The list's context menus. Each entry runs the command of its counterpart in the menus above (the same
  // function, so the same questions); the entries of those menus that need no new caption are those menus' own.
  auto popup = [this](const char* name) {
    auto* m = new QMenu(this);
    m->setObjectName(Q(name));
    return m;
  };
  mnuModContext_ = popup("mnuModContext");
  mnuContextInstall_ = action(mnuModContext_, "mnuContextInstall", texts::kContextInstall);
  connect(mnuContextInstall_, &QAction::triggered, this, &frmSelector::InstallMod);
  mnuModContext_->setDefaultAction(mnuContextInstall_);
  mnuContextUninstall_ = action(mnuModContext_, "mnuContextUninstall", texts::kContextUninstall);
  connect(mnuContextUninstall_, &QAction::triggered, this, &frmSelector::UninstallMod);
  mnuModContext_->addSeparator();
  connect(action(mnuModContext_, "mnuContextCompatibility", texts::kContextCompatibility), &QAction::triggered, this,
          &frmSelector::OpenCompatibilityWithSelected);
  connect(action(mnuModContext_, "mnuContextEditModInfo", texts::kContextEditModInfo), &QAction::triggered, this,
          &frmSelector::OpenModInfoEditor);
  connect(action(mnuModContext_, "mnuContextOpenFolder", texts::kContextOpenFolder), &QAction::triggered, this,
          &frmSelector::OpenModFolder);
  mnuContextViewReadme_ = action(mnuModContext_, "mnuContextViewReadme", texts::kContextViewReadme);
  connect(mnuContextViewReadme_, &QAction::triggered, this, &frmSelector::ViewReadme);
  mnuModContext_->addSeparator();
  mnuModContext_->addAction(menuModCurrentModSubfolders_);
  mnuModContext_->addAction(menuModCurrentModRemoveSubfolders_);
  mnuContextRemove_ = action(mnuModContext_, "mnuContextRemove", texts::kContextRemove);
  connect(mnuContextRemove_, &QAction::triggered, this, &frmSelector::RemoveMod);
  mnuModContext_->addSeparator();
  mnuModContext_->addAction(menuModRefreshModList_);

  mnuListContext_ = popup("mnuListContext");
  mnuListContext_->addAction(menuModRefreshModList_);
  mnuListContext_->addAction(menuModMakeNewFolder_);
}

QList<QAction*> frmSelector::FileChangingActions() const {
  return {menuModRefreshModList_,
          menuModInstall_,
          menuModUninstall_,
          modChangeA2Directory_,
          menuModCurrentModRemoveMod_,
          menuModCurrentModSubfolders_,
          menuModCurrentModRemoveSubfolders_,
          menuModMakeNewFolder_,
          menuManagerAddFromArchive_,
          menuManagerInstallMapEditor_,
          menuManagerUninstallAll_,
          menuManagerLaunchA2_};
}

bool frmSelector::CurrentRowIsMod() const { return !SelectedModPath().empty(); }

void frmSelector::ShowListContextMenu(const QPoint& at) {
  // One press or key opens one menu, also where the system sends its own context menu event after it.
  if (mnuModContext_->isVisible() || mnuListContext_->isVisible()) return;
  if (!CurrentRowIsMod()) {
    mnuListContext_->popup(at);
    return;
  }
  // What the mod menu's entries can do now, as the Current Mod menu and the buttons tell it; while work runs
  // those are greyed, and so are these.
  const std::filesystem::path folder = SelectedModFolder();
  mnuContextInstall_->setEnabled(!working_ && menuModInstall_->isEnabled());
  mnuContextUninstall_->setEnabled(!working_ && menuModUninstall_->isEnabled() && !folder.empty() &&
                                   install::IsInstalled(folder));
  mnuContextViewReadme_->setEnabled(!folder.empty() && !modinfo::FindReadme(folder).empty());
  mnuContextRemove_->setEnabled(!working_ && menuModCurrentModRemoveMod_->isEnabled() && !folder.empty());
  mnuModContext_->popup(at, mnuContextInstall_);
}

void frmSelector::OpenCompatibilityWithSelected() {
  const bool wasOpen = frmCompatability_ && frmCompatability_->isVisible();
  OpenCompatibility();
  // A window that opens fills its first side from the selected mod; one already open is turned to it.
  if (wasOpen && frmCompatability_) frmCompatability_->ShowFirst(ui::Utf8(SelectedText()));
}

bool frmSelector::ListMouseOrMenuKey(QObject* watched, QEvent* event) {
  // The right button selects the entry under the pointer (asking the list which row that is), then opens the
  // context menu there; blank space selects nothing and offers only what needs no mod. The press opens it, and
  // the context menu event the system may send after it finds it open.
  const auto mouseAt = [this](const QPoint& pos, const QPoint& globalPos) {
    if (mnuModContext_->isVisible() || mnuListContext_->isVisible()) return;
    QListWidgetItem* item = lstMods_->itemAt(pos);
    if (!item) {
      mnuListContext_->popup(globalPos);
      return;
    }
    lstMods_->setCurrentItem(item);
    ShowListContextMenu(globalPos);
  };
  if (watched == lstMods_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return false;
    mouseAt(mouse->position().toPoint(), mouse->globalPosition().toPoint());
    return true;
  }
  const auto* menuEvent = event->type() == QEvent::ContextMenu ? static_cast<QContextMenuEvent*>(event) : nullptr;
  if (watched == lstMods_->viewport() && menuEvent && menuEvent->reason() == QContextMenuEvent::Mouse) {
    mouseAt(menuEvent->pos(), menuEvent->globalPos());
    return true;
  }
  // The menu key (or Shift+F10) opens it below the selected entry.
  const bool menuKey = watched == lstMods_ && event->type() == QEvent::KeyPress && [event] {
    const auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
  }();
  if (menuKey || (watched == lstMods_ && menuEvent && menuEvent->reason() == QContextMenuEvent::Keyboard)) {
    const QRect row = lstMods_->currentItem() ? lstMods_->visualItemRect(lstMods_->currentItem()) : QRect();
    ShowListContextMenu(lstMods_->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : QPoint(0, 0)));
    return true;
  }
  return false;
}

}  // namespace drydock::selector
