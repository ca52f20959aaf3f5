#include "selector/frm_selector.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "flow/dialogs.h"
#include "install/frm_installed_mods.h"
#include "library/game_folders.h"
#include "modinfo/details_panel.h"
#include "modinfo/mod_info.h"
#include "platform/names.h"
#include "platform/shell.h"
#include "selector/mod_list_markers.h"
#include "selector/selector_texts.h"
#include "ui/elided_label.h"
#include "ui/long_work.h"
#include "ui/qt_text.h"
#include "ui/secondary_window.h"

namespace drydock::selector {

using ui::Q;

namespace {

// Control positions in twips (left, top, width, height) as designed without
// a picture; with one, the list and the details move down by the picture
// area's height, and the list gives up that much of its length (ApplyLayout).
struct Place {
  int left, top, width, height;
};
constexpr int kPictureHeight = 1335;
constexpr int kClientWidth = 6900;
constexpr int kClientHeight = 5400;  // below the buttons' bottom edge (5355)
// The filter box above the list; the list gives up its height and a gap.
constexpr int kFilterTop = 60;
constexpr int kFilterHeight = 330;
constexpr int kListTop = kFilterTop + kFilterHeight + 45;
constexpr int kListHeight = 4740 - (kListTop - kFilterTop);

template <typename W>
W* Make(QWidget* parent, const char* name) {
  auto* w = new W(parent);
  w->setObjectName(Q(name));
  return w;
}

}  // namespace

frmSelector::frmSelector(SelectorServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), modAuthors_(modinfo::ReadModAuthor) {
  setObjectName(QStringLiteral("frmSelector"));
  setWindowTitle(Q(texts::kCaption));
  BuildControls();
  BuildMenus();
  ApplyLayout(false);
  BuildStatusLine();
  resize(minimumSizeHint());

  timRefreshModList_ = new QTimer(this);
  timRefreshModList_->setObjectName(QStringLiteral("timRefreshModList"));
  timRefreshModList_->setInterval(1000);
  connect(timRefreshModList_, &QTimer::timeout, this, &frmSelector::AutoRefreshTick);

  timClickMod_ = new QTimer(this);
  timClickMod_->setObjectName(QStringLiteral("timClickMod"));
  timClickMod_->setInterval(1000);
  timClickMod_->setSingleShot(true);
  connect(timClickMod_, &QTimer::timeout, this, &frmSelector::ShowModDetails);
}

frmSelector::~frmSelector() = default;

void frmSelector::BuildControls() {
  central_ = new QWidget(this);
  setCentralWidget(central_);
  setAcceptDrops(true);  // archives dropped on the window are added as mods
  // The layout is fixed, so the captions get a font small enough for the
  // longest fixed caption to fit the details column.
  QFont small = font();
  const int column = Px(kClientWidth - 3900) - 4;
  for (int px = 11; px >= 8; --px) {
    small.setPixelSize(px);
    const QFontMetrics metrics(small);
    const int widest =
        std::max({metrics.horizontalAdvance(Q(texts::kA2NumOfFile)),
                  metrics.horizontalAdvance(Q(modinfo::kModSizePrefix) + QStringLiteral("(No mod selected)")),
                  metrics.horizontalAdvance(Q(modinfo::kModNumOfFilesPrefix) + QStringLiteral("1000000"))});
    if (widest <= column) break;
  }
  central_->setFont(small);

  txtFilter_ = Make<QLineEdit>(central_, "txtFilter");
  txtFilter_->setPlaceholderText(Q(texts::kFilterPlaceholder));
  txtFilter_->setClearButtonEnabled(true);
  txtFilter_->installEventFilter(this);
  connect(txtFilter_, &QLineEdit::textChanged, this, [this] { FilterChanged(); });
  auto* find = new QAction(this);
  find->setObjectName(QStringLiteral("actFindMod"));
  // Ctrl+F stays the file installer's, as the Manager menu has always had it.
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  find->setShortcutContext(Qt::WindowShortcut);
  connect(find, &QAction::triggered, this, [this] {
    txtFilter_->setFocus(Qt::ShortcutFocusReason);
    txtFilter_->selectAll();
  });
  addAction(find);

  lstMods_ = Make<QListWidget>(central_, "lstMods");
  lstMods_->setEnabled(false);
  lstMods_->setUniformItemSizes(true);
  markers_ = new ModListMarkers(lstMods_);
  connect(lstMods_, &QListWidget::currentRowChanged, this, [this](int) { ShowModDetails(); });

  picModsPic_ = Make<QLabel>(central_, "picModsPic");
  picModsPic_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picModsPic_->hide();

  cmdRefresh_ = Make<QPushButton>(central_, "cmdRefresh");
  cmdRefresh_->setText(Q(texts::kRefreshModList));
  cmdRefresh_->setEnabled(false);
  connect(cmdRefresh_, &QPushButton::clicked, this, [this] { RefreshModList(RefreshOptions::Full()); });

  cmdInstallMod_ = Make<QPushButton>(central_, "cmdInstallMod");
  cmdInstallMod_->setText(Q(texts::kInstallMod));
  cmdInstallMod_->setDefault(true);
  cmdInstallMod_->setEnabled(false);

  cmdUninstallMod_ = Make<QPushButton>(central_, "cmdUninstallMod");
  cmdUninstallMod_->setText(Q(texts::kUninstallMod));
  cmdUninstallMod_->setEnabled(false);
  connect(cmdInstallMod_, &QPushButton::clicked, this, &frmSelector::InstallMod);
  connect(cmdUninstallMod_, &QPushButton::clicked, this, &frmSelector::UninstallMod);
  connect(lstMods_, &QListWidget::itemDoubleClicked, this, [this] { InstallMod(); });
  lstMods_->installEventFilter(this);
  lstMods_->viewport()->installEventFilter(this);
  // Enter and Space press the focused button, whatever it says; Enter in the
  // list installs (the list's keys, in eventFilter).
  for (QPushButton* button : {cmdRefresh_, cmdInstallMod_, cmdUninstallMod_}) button->setAutoDefault(true);

  pgbPercent_ = Make<QProgressBar>(central_, "pgbPercent");
  pgbPercent_->setRange(0, 100);
  pgbPercent_->setTextVisible(false);
  pgbPercent_->hide();

  // The mod's own values are cut with an ellipsis where their box ends; their tooltips hold them whole.
  auto label = [this](const char* name, std::string_view caption, bool value = false) {
    QLabel* l = value ? Make<ui::ElidedLabel>(central_, name) : Make<QLabel>(central_, name);
    l->setText(Q(caption));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
  };
  lblStats_ = label("lblStats", texts::kStats);
  QFont bold = small;
  bold.setBold(true);
  lblStats_->setFont(bold);
  lblA2NumOfFile_ = label("lblA2NumOfFile", texts::kA2NumOfFile);
  lblA2NumOfFiles_ = label("lblA2NumOfFiles", "0");
  lblModNumOfFiles_ = label("lblModNumOfFiles", texts::kModNumOfFiles);
  lblModSize_ = label("lblModSize", modinfo::kModSizePrefix);
  lblModMaker_ = label("lblModMaker", texts::kModMaker);
  lblModsMaker_ = label("lblModsMaker", "", true);
  lblModDescription_ = label("lblModDescription", texts::kModDescription);
  lblModsDescription_ = label("lblModsDescription", "", true);
  lblModsDescription_->setWordWrap(true);
  lblModsOtherHeading_ = label("lblModsOtherHeading", "Other: ", true);
  lblModsOther_ = label("lblModsOther", "", true);
  lblModsOther_->setWordWrap(true);
  lblModVersion_ = label("lblModVersion", texts::kModVersion);
  lblModsVersion_ = label("lblModsVersion", "", true);
  for (QLabel* l : {lblModMaker_, lblModDescription_, lblModVersion_, lblModsOtherHeading_}) l->setFont(bold);

  lblInvalidPic_ = label("lblInvalidPic", texts::kInvalidPic);
  lblInvalidPic_->setAlignment(Qt::AlignCenter);
  lblInvalidPic_->setWordWrap(true);
  // Bold 24 points, or as much less as the picture area needs to hold the whole text.
  QFont big = small;
  big.setBold(true);
  const QRect area(0, 0, Px(6855), Px(1100));
  for (int pt = 24; pt >= 10; --pt) {
    big.setPointSize(pt);
    const QRect needed =
        QFontMetrics(big).boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, Q(texts::kInvalidPic));
    if (area.contains(needed)) break;
  }
  lblInvalidPic_->setFont(big);
  lblInvalidPic_->hide();
}

void frmSelector::ApplyLayout(bool withPicture) {
  pictureLayout_ = withPicture;
  // The window always has room for the picture, so that its height never
  // jumps when a picture comes or goes: without one, the list is taller. What
  // the user adds by resizing goes to the list (and the buttons below it).
  const int dy = withPicture ? kPictureHeight : 0;
  const QSize least(Px(kClientWidth), Px(kClientHeight + kPictureHeight));
  central_->setMinimumSize(least);
  const int wider = std::max(0, central_->width() - least.width());
  const int taller = std::max(0, central_->height() - least.height());
  // A design position in twips, moved right by `right` pixels (and down by the picture's room, or to the bottom).
  enum class Row { Top, Bottom };
  auto place = [&](QWidget* w, Place p, Row row = Row::Top, int right = 0, int grow = 0, int longer = 0) {
    const int top = row == Row::Top ? Px(p.top + dy) : Px(p.top + kPictureHeight) + taller;
    w->setGeometry(Px(p.left) + right, top, Px(p.width) + grow, Px(p.height) + longer);
  };
  const bool barShown = pgbPercent_->isVisible();
  place(txtFilter_, {0, kFilterTop, 3795, kFilterHeight}, Row::Top, 0, wider);
  place(lstMods_, {0, kListTop, 3795, (barShown ? kListHeight - 285 : kListHeight) + kPictureHeight - dy}, Row::Top, 0,
        wider, taller);
  place(cmdRefresh_, {0, 4860, 3795, 495}, Row::Bottom, 0, wider);
  place(cmdInstallMod_, {3840, 4860, 1515, 495}, Row::Bottom, wider);
  place(cmdUninstallMod_, {5400, 4860, 1455, 495}, Row::Bottom, wider);
  place(pgbPercent_, {0, 4500, 3780, 285}, Row::Bottom, 0, wider);
  // The labels reach to the window's right edge so that no caption is cut
  // where the design's narrower boxes would end mid-word.
  const int right = kClientWidth - 3900 - 45;
  // The details column: each label's top and height in twips.
  const struct {
    QWidget* label;
    int top, height;
  } column[] = {{lblStats_, 60, 255},
                {lblA2NumOfFile_, 300, 195},
                {lblA2NumOfFiles_, 480, 195},
                {lblModNumOfFiles_, 780, 195},
                {lblModSize_, 1080, 195},
                {lblModMaker_, 1440, 195},
                {lblModsMaker_, 1620, 195},
                {lblModDescription_, 1980, 195},
                {lblModsDescription_, 2160, 795},
                {lblModsOtherHeading_, 3060, 195},
                {lblModsOther_, 3240, 975},
                {lblModVersion_, 4360, 195},
                {lblModsVersion_, 4560, 195}};
  for (const auto& c : column) place(c.label, {3900, c.top, right, c.height}, Row::Top, wider);
  picModsPic_->setGeometry(0, 0, Px(6855), picModsPic_->height() > 1 ? Px(kPictureHeight) : 1);
  lblInvalidPic_->setGeometry(Px(30), Px(115), Px(6855), Px(1100));
}

void frmSelector::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ApplyLayout(pictureLayout_);
}

void frmSelector::BuildStatusLine() {
  lblStatus_ = new QLabel(this);
  lblStatus_->setObjectName(QStringLiteral("lblStatus"));
  lblStatus_->setTextFormat(Qt::PlainText);
  lblStatus_->setFont(central_->font());
  statusBar()->setObjectName(QStringLiteral("statusBar"));
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(lblStatus_, 1);
}

void frmSelector::ShowStatus(const std::string& line) {
  lblStatus_->setText(QString::fromStdString(line));
  lblStatus_->setToolTip(lblStatus_->text());
}

void frmSelector::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Minimizing slows the auto refresh from the next tick on.
  if (event->type() == QEvent::WindowStateChange) timRefreshModList_->setInterval(isMinimized() ? 10000 : 1000);
}

void frmSelector::closeEvent(QCloseEvent* event) {
  // Work on the disk is not cut off: the window closes when it has ended.
  if (working_) {
    event->ignore();
    closePending_ = true;
    setWindowTitle(Q(texts::kCaptionClosing));
    return;
  }
  // Closing the main window ends the program, and every other window goes with
  // it, unless one keeps itself open (the ModInfo editor asked about typed values).
  if (!ui::CloseSecondaryWindows(this)) {
    event->ignore();
    return;
  }
  timRefreshModList_->stop();
  timClickMod_->stop();
  QMainWindow::closeEvent(event);
  QCoreApplication::quit();
}

void frmSelector::CloseIfAsked() {
  if (closePending_ && !working_) close();
}

bool frmSelector::eventFilter(QObject* watched, QEvent* event) {
  if (ListMouseOrMenuKey(watched, event)) return true;
  if (FilterKey(watched, event)) return true;
  // Enter in the list installs and Backspace uninstalls, once per press.
  if (watched == lstMods_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter || key->key() == Qt::Key_Backspace) {
      if (!key->isAutoRepeat()) enter ? InstallMod() : UninstallMod();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

install::Selection frmSelector::CurrentSelection() const {
  const std::string modPath = SelectedModPath();
  // The folder the list found, its name taken whole: never another folder its ModPath could also name.
  return {
      ui::Utf8(SelectedText()), modPath,
      modPath.empty() ? std::filesystem::path() : library::EntryFolder(ModsDir(), modList_, lstMods_->currentRow())};
}

install::Outcome frmSelector::InstallMod() {
  install::ModInstaller installer(services_.dialogs, *this, ModsDir(), [this] { return gameDir_; });
  install::Outcome outcome = install::Outcome::Incomplete;
  Guarded(flow::kDefaultTitle, [&] { outcome = installer.InstallMod(CurrentSelection()); });
  CloseIfAsked();
  return outcome;
}

install::Outcome frmSelector::UninstallMod() {
  install::ModInstaller installer(services_.dialogs, *this, ModsDir(), [this] { return gameDir_; });
  install::Outcome outcome = install::Outcome::Incomplete;
  Guarded(flow::kDefaultTitle, [&] { outcome = installer.UninstallMod(CurrentSelection()); });
  CloseIfAsked();
  return outcome;
}

bool frmSelector::Guarded(const std::string& title, const std::function<void()>& command) {
  const std::optional<std::string> error = ui::ErrorOf(command);
  if (!error) return true;
  // Work that threw half-way: the hourglass, the bar and the captions of a run go, and the list shows the disk as
  // it is.
  SetBusy(false);
  ShowProgress(false);
  SetInstallCaption(texts::kInstallMod);
  SetUninstallCaption(texts::kUninstallMod);
  services_.dialogs.Ask(*error, title, flow::Buttons::Ok, flow::Icon::Critical);
  RefreshModList(RefreshOptions::Full());
  return false;
}

void frmSelector::RunLong(const std::function<void()>& work) {
  // Nothing else may start meanwhile: the commands go quiet, the auto
  // refresh pauses, and closing waits; the window still repaints.
  const bool wasWorking = working_;
  working_ = true;
  const bool ticking = timRefreshModList_->isActive();
  timRefreshModList_->stop();
  std::vector<std::pair<QObject*, bool>> enabled;
  for (QWidget* w :
       {static_cast<QWidget*>(lstMods_), static_cast<QWidget*>(txtFilter_), static_cast<QWidget*>(cmdRefresh_),
        static_cast<QWidget*>(cmdInstallMod_), static_cast<QWidget*>(cmdUninstallMod_)}) {
    enabled.emplace_back(w, w->isEnabled());
  }
  for (QAction* a : FileChangingActions()) enabled.emplace_back(a, a->isEnabled());
  for (auto& [object, on] : enabled) object->setProperty("enabled", false);
  // What the work throws reaches the caller, once the controls are back.
  std::exception_ptr failure;
  try {
    ui::RunAndWait(work);
  } catch (...) {
    failure = std::current_exception();
  }
  for (auto& [object, on] : enabled) {
    if (object == lstMods_) {
      EnableList(on);
    } else {
      object->setProperty("enabled", on);
    }
  }
  if (ticking) timRefreshModList_->start();
  working_ = wasWorking;
  if (failure) std::rethrow_exception(failure);
}

void frmSelector::SetInstallCaption(const std::string& caption) {
  ui::OnUiThread(this, [this, caption] {
    cmdInstallMod_->setText(Q(caption));
    cmdInstallMod_->repaint();
  });
}

void frmSelector::SetUninstallCaption(const std::string& caption) {
  ui::OnUiThread(this, [this, caption] {
    cmdUninstallMod_->setText(Q(caption));
    cmdUninstallMod_->repaint();
  });
}

void frmSelector::EnableInstall(bool enabled) {
  cmdInstallMod_->setEnabled(enabled);
  menuModInstall_->setEnabled(enabled);
}

void frmSelector::EnableUninstall(bool enabled) {
  cmdUninstallMod_->setEnabled(enabled);
  menuModUninstall_->setEnabled(enabled);
}

void frmSelector::SetBusy(bool busy) { ui::ShowWaitCursor(busy_, busy); }

void frmSelector::ShowProgress(bool shown) {
  pgbPercent_->setVisible(shown);
  ApplyLayout(pictureLayout_);
  repaint();
}

void frmSelector::SetProgress(int percent) {
  ui::OnUiThread(this, [this, percent] {
    pgbPercent_->setValue(percent);
    pgbPercent_->repaint();
  });
}

void frmSelector::SetProgressText(const std::string& text) {
  ui::OnUiThread(this, [this, text] {
    // A long mod name is cut short with an ellipsis rather than clipped by the bar's edge.
    pgbPercent_->setFormat(
        pgbPercent_->fontMetrics().elidedText(Q(text), Qt::ElideRight, pgbPercent_->width() - Px(120)));
    pgbPercent_->setTextVisible(!text.empty());
    pgbPercent_->repaint();
  });
}

bool frmSelector::RefreshQuietly() {
  const std::string before = SelectedModPath();
  RefreshModList({/*skipProgress=*/true, /*skipControls=*/true, /*skipCount=*/false});
  return SelectedModPath() == before;
}

void frmSelector::RefreshFully() { RefreshModList(RefreshOptions::Full()); }

void frmSelector::Beep() { services_.shell.Beep(); }

QString frmSelector::SelectedText() const {
  // A mouse press makes an entry current before it is selected, so the
  // current entry is the selected one, whichever way it was chosen.
  // The placeholder of an empty filter result is no mod.
  const QListWidgetItem* item = lstMods_->currentItem();
  return item && lstMods_->currentRow() != NoMatchRow() ? item->text() : QString();
}

std::string frmSelector::SelectedModPath() const {
  return lstMods_->currentItem() ? library::ResolveModPath(modList_, lstMods_->currentRow()) : std::string();
}

void frmSelector::SelectModPath(const std::string& modPath) {
  // By ModPath, not by text: two addons of one name under different
  // parents are two entries.
  int row = modPath.empty() ? -1 : library::FindModEntry(modList_, modPath);
  if (row < 0 || library::ResolveModPath(modList_, row) != modPath) row = -1;
  if (row < 0) {
    for (int i = 0; i < static_cast<int>(modList_.size()) && row < 0; ++i) {
      if (library::ResolveModPath(modList_, i) == modPath) row = i;
    }
  }
  // With no mod matching the filter nothing is selected; an entry the filter hides is not chosen, the first shown is.
  if (NoMatchRow() >= 0) {
    if (lstMods_->currentRow() != -1) {
      lstMods_->setCurrentRow(-1);
    } else {
      ShowModDetails();
    }
    return;
  }
  if (row >= 0 && lstMods_->isRowHidden(row)) row = -1;
  for (int i = 0; i < static_cast<int>(modList_.size()) && row < 0; ++i) {
    if (!lstMods_->isRowHidden(i)) row = i;
  }
  if (lstMods_->count() > 0) lstMods_->setCurrentRow(row >= 0 ? row : 0);
}

void frmSelector::EnableList(bool enabled) {
  lstMods_->setEnabled(enabled);
  // A disabled list loses the keyboard; without it Enter, Backspace and the
  // arrow keys would do nothing afterwards.
  if (enabled && isActiveWindow()) lstMods_->setFocus();
}

void frmSelector::FillListWidget() {
  const QSignalBlocker block(lstMods_);
  lstMods_->clear();
  QStringList entries;
  entries.reserve(static_cast<qsizetype>(modList_.size()));
  for (const std::string& entry : modList_) entries.push_back(QString::fromStdString(entry));
  lstMods_->addItems(entries);
  markers_->Rebuild(ModsDir(), modList_, gameDir_);
  authorsStale_ = true;
  ApplyFilter();
}

void frmSelector::ShowA2FileCount() { lblA2NumOfFiles_->setText(QString::number(fileCount_)); }

void frmSelector::CountGameFiles(bool showSteps, bool showBar) {
  fileCount_ = 0;
  if (!gameDir_) return;
  const std::filesystem::path root = *gameDir_;
  // The count climbs visibly in steps of 22 while the worker counts.
  std::function<void(long)> step;
  if (showSteps) {
    step = [this](long n) {
      if (n % 22 != 0) return;
      ui::OnUiThread(this, [this, n] {
        lblA2NumOfFiles_->setText(QString::number(n));
        lblA2NumOfFiles_->repaint();
        Q_EMIT a2FileCountShown(lblA2NumOfFiles_->text());
      });
    };
  }
  std::function<void(int)> folder;
  if (showBar) {
    folder = [this](int i) { SetProgress(i * 100 / library::kGameFolderCount); };
  }
  long counted = 0;
  if (const auto error =
          ui::ErrorOf([&] { RunLong([&] { counted = library::CountFolderListFiles(root, step, folder); }); })) {
    services_.dialogs.Ask(*error, flow::kDefaultTitle, flow::Buttons::Ok, flow::Icon::Critical);
    counted = 0;
  }
  fileCount_ = counted;
}

void frmSelector::ToggleAutoRefresh() {
  if (menuManagerAuto_->text() == Q(texts::kMenuDisableAuto)) {
    timRefreshModList_->stop();
    menuManagerAuto_->setText(Q(texts::kMenuEnableAuto));
  } else if (menuManagerAuto_->text() == Q(texts::kMenuEnableAuto)) {
    timRefreshModList_->start();
    menuManagerAuto_->setText(Q(texts::kMenuDisableAuto));
    AutoRefreshTick();
  }
}

void frmSelector::OpenGameDirDialog(bool modal) {
  modChangeA2Directory_->setChecked(true);
  ui::SecondaryWindow(frmChangeA2Dir_, this, nullptr, [this] {
    return new ui::frmChangeA2Dir(*this, services_.shell, services_.dialogs, services_.gameSearch, this);
  });
  ui::PlaceBesideOnce(frmChangeA2Dir_, this);
  if (modal) {
    frmChangeA2Dir_->ExecModal();
  } else {
    frmChangeA2Dir_->ShowFromMenu();
  }
}

void frmSelector::GameDirDialogClosed() { modChangeA2Directory_->setChecked(false); }

void frmSelector::SetGameDir(const std::filesystem::path& gameDir) {
  const bool changed = gameDir != gameDir_;
  if (changed) winePrefix_.clear();
  gameDir_ = gameDir;
  // The install order and what is installed into this game are the new folder's.
  if (changed) markers_->Rebuild(ModsDir(), modList_, gameDir_);
  // The count shown belongs to the folder just chosen, not to the last one.
  CountGameFiles(/*showSteps=*/false);
  ShowA2FileCount();
}

void frmSelector::QuitProgram() {
  // Cancel without a game directory ends the program, also during start-up,
  // when the dialog runs its own modal loop before the main loop has begun.
  quitRequested_ = true;
  if (frmChangeA2Dir_) frmChangeA2Dir_->QDialog::done(QDialog::Rejected);  // its own done() refuses
  close();
  QCoreApplication::quit();
}

install::frmInstalledMods* frmSelector::InstalledModsWindow() {
  return ui::SecondaryWindow(frmInstalledMods_, this, menuManagerCheckInstalledMods_, [this] {
    return new install::frmInstalledMods(
        ModsDir(), [this] { return modList_; }, [this] { return gameDir_; }, [this] { EnableMainControls(); }, this);
  });
}

void frmSelector::OpenInstalledMods() { ui::ShowSecondaryWindow(InstalledModsWindow(), this); }

void frmSelector::EnableMainControls() {
  for (QWidget* w : {static_cast<QWidget*>(cmdRefresh_), static_cast<QWidget*>(cmdInstallMod_),
                     static_cast<QWidget*>(cmdUninstallMod_)}) {
    w->setEnabled(true);
  }
  EnableList(true);
}

}  // namespace drydock::selector
