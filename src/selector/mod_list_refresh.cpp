// The mod list refresh and the auto refresh of the main window.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

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

int frmSelector::NoMatchRow() const {
  const int rows = static_cast<int>(modList_.size());
  return rows > 0 && lstMods_->count() > rows ? rows : -1;
}

void frmSelector::ReadAuthorsIfStale() {
  if (!authorsStale_) return;
  modAuthors_.Update(ModsDir(), modList_);
  authorsStale_ = false;
}

void frmSelector::ApplyFilter() {
  if (modList_.empty()) return;  // the list shows "(No mods found.)" whatever the box holds
  const std::string text = ui::Utf8(txtFilter_->text());
  // The authors are read when the box takes the keyboard and at a refresh while it has it, never on a key press.
  if (!text.empty() || txtFilter_->hasFocus()) ReadAuthorsIfStale();
  const std::vector<bool> shown =
      library::FilterModList(modList_, text, [this](int i) { return modAuthors_.FoldedOf(i); });
  // Only the rows that change are touched: a key press then costs what it changes.
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    if (lstMods_->isRowHidden(i) == shown[static_cast<size_t>(i)]) lstMods_->setRowHidden(i, !shown[i]);
  }
  const bool none = std::none_of(shown.begin(), shown.end(), [](bool b) { return b; });
  const int noMatch = NoMatchRow();
  if (none) {
    const QString line = Q(texts::NoModMatches(text));
    if (noMatch >= 0) {
      lstMods_->item(noMatch)->setText(line);
    } else {
      // Shown, but neither selectable nor enabled: no command can act on it.
      auto* item = new QListWidgetItem(line);
      item->setFlags(Qt::NoItemFlags);
      item->setForeground(
          lstMods_->palette().brush(QPalette::Active, QPalette::Text));  // read as a message, not greyed
      lstMods_->addItem(item);
    }
  } else if (noMatch >= 0) {
    delete lstMods_->takeItem(noMatch);
  }
}

void frmSelector::FilterChanged() {
  const std::string remembered = SelectedModPath();
  ApplyFilter();
  SelectModPath(remembered);
}

bool frmSelector::FilterKey(QObject* watched, QEvent* event) {
  if (watched != txtFilter_) return false;
  // A ModInfo.txt edited while the box was left is read again when it takes the keyboard back.
  if (event->type() == QEvent::FocusOut) authorsStale_ = true;
  if (event->type() == QEvent::FocusIn && !modList_.empty()) ReadAuthorsIfStale();
  // The box's editing keys win over the menus' shortcuts (Ctrl+A selects the text, it does not launch the game).
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    for (const auto editing :
         {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
          QKeySequence::Redo, QKeySequence::Delete, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
          QKeySequence::DeleteCompleteLine}) {
      if (key->matches(editing)) {
        key->accept();
        return true;
      }
    }
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier) return false;
  // A second Escape, in an empty box, goes on to the window as it did before the box was there.
  if (key->key() == Qt::Key_Escape && !txtFilter_->text().isEmpty()) {
    txtFilter_->clear();
    return true;
  }
  if (key->key() == Qt::Key_Down && lstMods_->isEnabled()) {
    lstMods_->setFocus(Qt::TabFocusReason);
    return true;
  }
  return false;
}

}  // namespace drydock::selector
