// The mod list refresh and the auto refresh of the main window.
#include <QApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "analyzer/frm_analyzer.h"
#include "install/frm_installed_mods.h"
#include "install/installed_mods.h"
#include "modinfo/frm_edit_mod_info.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "selector/frm_selector.h"
#include "selector/selector_texts.h"
#include "ui/qt_text.h"

namespace drydock::selector {

using ui::Q;

void frmSelector::RefreshModList(RefreshOptions o) {
  if (!o.skipControls) {
    cmdRefresh_->setEnabled(false);
    menuModRefreshModList_->setEnabled(false);
    EnableList(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  library::EnsureModsDir(programDir_);
  const std::string remembered = SelectedModPath();

  if (!o.skipCount) {
    if (!o.skipControls) cmdRefresh_->setText(Q(texts::kCountingFiles));
    if (!o.skipProgress) {
      // The bar lies over the bottom strip of the list, which makes room for it.
      pgbPercent_->show();
      ApplyLayout(pictureLayout_);
      repaint();
    }
    CountGameFiles(/*showSteps=*/false, /*showBar=*/!o.skipProgress);
    // The count is shown whenever it was taken: after an install or uninstall's quiet refresh too, so the panel
    // never keeps the count from before.
    ShowA2FileCount();
  }
  pgbPercent_->hide();
  ApplyLayout(pictureLayout_);

  if (!o.skipControls) cmdRefresh_->setText(Q(texts::kRefreshingModList));
  modList_ = library::FillModList(ModsDir());
  FillListWidget();

  // The installed-mods window is created, hidden, by the first refresh; its
  // first fill enables the main window's controls.
  install::frmInstalledMods* installed = InstalledModsWindow();
  installed->SetEntries(install::InstalledModEntries(ModsDir(), modList_));

  // Back to the entry that was selected, or the first; with no mod left the
  // placeholder is selected, which clears the details of a vanished mod.
  if (lstMods_->count() == 0) {
    {
      const QSignalBlocker block(lstMods_);
      lstMods_->addItem(Q(library::kNoModsFound));
    }
    lstMods_->setCurrentRow(0);
  } else {
    SelectModPath(remembered);
  }

  if (!o.skipControls) {
    QApplication::restoreOverrideCursor();
    cmdRefresh_->setText(Q(texts::kRefreshModList));
    cmdRefresh_->setEnabled(true);
    EnableList(true);
    menuModRefreshModList_->setEnabled(true);
  }
  installed->SelectText(SelectedText());
  if (frmEditModInfo_) frmEditModInfo_->ModListChanged();
  if (frmAnalyzer_ && frmAnalyzer_->isVisible()) frmAnalyzer_->SetUpFolders();
  Q_EMIT modListRefreshed();
}

void frmSelector::AutoRefreshTick() {
  if (working_) return;  // a tick that was due when the work began
  timRefreshModList_->setInterval(isMinimized() ? 10000 : 1000);
  const auto mods = ModsDir();
  if (!platform::IsFolder(mods)) {
    library::EnsureModsDir(programDir_);
    RefreshModList(RefreshOptions::Silent());
    return;
  }
  // An empty mods folder compares equal to the list holding only the
  // placeholder, so it does not refresh on every tick.
  if (modListWatch_.Changed(programDir_, modList_)) RefreshModList(RefreshOptions::Silent());
}

}  // namespace drydock::selector
