// The main window's menus, their shortcuts and enabling, and the list's pop-up menu.
#include <QAction>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include "archive/archive_texts.h"
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

void frmSelector::ShowCurrentModMenu(const QPoint& at) { menuModCurrentMod_->popup(at, menuModInstall_); }

bool frmSelector::ListMouseOrMenuKey(QObject* watched, QEvent* event) {
  // The right button selects the entry under the pointer (asking the list
  // which row that is), then opens the Current Mod menu there.
  if (watched == lstMods_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return false;
    if (QListWidgetItem* item = lstMods_->itemAt(mouse->position().toPoint())) lstMods_->setCurrentItem(item);
    ShowCurrentModMenu(mouse->globalPosition().toPoint());
    return true;
  }
  // The menu key opens it below the selected entry.
  if (watched == lstMods_ && event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
    const QRect row = lstMods_->currentItem() ? lstMods_->visualItemRect(lstMods_->currentItem()) : QRect();
    ShowCurrentModMenu(lstMods_->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : QPoint(0, 0)));
    return true;
  }
  return false;
}

}  // namespace drydock::selector
