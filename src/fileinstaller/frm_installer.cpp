#include "fileinstaller/frm_installer.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "flow/dialogs.h"
#include "install/install_flow.h"
#include "launch/launch.h"
#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/shell.h"
#include "ui/freeze.h"
#include "ui/long_work.h"
#include "ui/qt_text.h"

namespace fs = std::filesystem;

namespace drydock::fileinstaller {

namespace {
constexpr char kCaption[] = "Install files";
constexpr char kNone[] = "(None)";
constexpr char kFirstHelp[] = "bzn";
constexpr int kListChars = 24;  // each list's width in average characters
constexpr int kListLines = 14;  // the lists' height in lines of text
constexpr int kNameRole = Qt::UserRole;

// The sorter's host: the hourglass and a worker that keeps the window painting.
class WindowHost final : public install::InstallHost {
 public:
  explicit WindowHost(QWidget* window) : window_(window) {}
  bool RefreshQuietly() override { return true; }
  void SetBusy(bool busy) override {
    if (busy) {
      window_->setCursor(Qt::WaitCursor);
    } else {
      window_->unsetCursor();
    }
  }
  void RunLong(const std::function<void()>& work) override { ui::RunAndWait(work); }

 private:
  QWidget* window_;
};

QListWidget* MakeList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  return list;
}

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

std::string NameOf(const QListWidgetItem* item) { return item->data(kNameRole).toByteArray().toStdString(); }

bool IsChecked(const QListWidgetItem* item) { return item->checkState() == Qt::Checked; }
}  // namespace

frmInstaller::frmInstaller(fs::path modsDir, flow::Dialogs& dialogs, platform::Shell& shell, QWidget* parent,
                           std::function<std::optional<fs::path>()> gameDir)
    : QWidget(parent, Qt::Window),
      modsDir_(std::move(modsDir)),
      dialogs_(dialogs),
      shell_(shell),
      gameDir_(std::move(gameDir)) {
  setObjectName(QStringLiteral("frmInstaller"));
  setWindowTitle(QString::fromLatin1(kCaption));

  lstChooser_ = MakeList("lstChooser", this);
  lstFolders_ = MakeList("lstFolders", this);
  lstFiles_ = MakeList("lstFiles", this);
  cmdInstall_ = MakeButton("&Install Files", "cmdInstall", this);
  cmdSelectAll_ = MakeButton("Select &All", "cmdSelectAll", this);
  cmdSelectNone_ = MakeButton("Select &None", "cmdSelectNone", this);
  cboBox_ = new QComboBox(this);
  cboBox_->setObjectName(QStringLiteral("cboBox"));
  cboBox_->setEditable(true);
  cboBox_->setInsertPolicy(QComboBox::NoInsert);
  lblHelp_ = new QLabel(this);
  lblHelp_->setObjectName(QStringLiteral("lblHelp"));
  lblHelp_->setTextFormat(Qt::PlainText);
  lblHelp_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* selectRow = new QHBoxLayout;
  selectRow->addWidget(cmdSelectAll_);
  selectRow->addWidget(cmdSelectNone_);
  auto* typeColumn = new QVBoxLayout;
  typeColumn->addWidget(lstFolders_, 1);
  typeColumn->addWidget(cmdInstall_);
  typeColumn->addLayout(selectRow);
  auto* grid = new QGridLayout(this);
  grid->addWidget(lstChooser_, 0, 0);
  grid->addLayout(typeColumn, 0, 1);
  grid->addWidget(cboBox_, 1, 0, 1, 2);
  grid->addWidget(lblHelp_, 2, 0, 1, 2);
  grid->addWidget(lstFiles_, 0, 2, 3, 1);
  grid->setRowStretch(0, 1);
  grid->setSizeConstraint(QLayout::SetMinimumSize);

  setTabOrder(lstChooser_, lstFolders_);
  setTabOrder(lstFolders_, lstFiles_);
  setTabOrder(lstFiles_, cmdInstall_);
  setTabOrder(cmdInstall_, cmdSelectAll_);
  setTabOrder(cmdSelectAll_, cmdSelectNone_);
  setTabOrder(cmdSelectNone_, cboBox_);

  for (const FileTypeRule& rule : FileTypeRules()) cboBox_->addItem(ui::Q(rule.name));

  connect(lstChooser_, &QListWidget::currentRowChanged, this, [this] { ScanChosenMod(); });
  // A click on the mod already chosen scans it again: its files may have changed since.
  lstChooser_->viewport()->installEventFilter(this);
  connect(lstChooser_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (lstChooser_->row(item) == rowBeforePress_) ScanChosenMod();
  });
  // What the lists show is always what they highlight: a click beside the entries does not take the highlight.
  for (QListWidget* list : {lstChooser_, lstFolders_}) {
    connect(list, &QListWidget::itemSelectionChanged, this, [list] {
      if (list->selectedItems().isEmpty() && list->currentItem()) list->currentItem()->setSelected(true);
    });
  }
  connect(lstChooser_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    if (item->data(kNameRole).isValid())
      launch::OpenOrTell(shell_, dialogs_, platform::PathToUtf8(modsDir_ / platform::PathFromUtf8(NameOf(item))));
  });
  connect(lstFolders_, &QListWidget::currentRowChanged, this, &frmInstaller::ShowType);
  connect(lstFolders_, &QListWidget::itemChanged, this, &frmInstaller::TypeCheckChanged);
  connect(lstFiles_, &QListWidget::itemChanged, this, &frmInstaller::FileCheckChanged);
  connect(cboBox_, &QComboBox::editTextChanged, this, &frmInstaller::ShowHelp);
  connect(cmdSelectAll_, &QPushButton::clicked, this, [this] { CheckAllTypes(true); });
  connect(cmdSelectNone_, &QPushButton::clicked, this, [this] { CheckAllTypes(false); });
  connect(cmdInstall_, &QPushButton::clicked, this, &frmInstaller::Install);
}

void frmInstaller::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    // Room for the longest help line and for names of a usual length.
    const QFontMetrics metrics(font());
    int helpWidth = 0;
    for (const FileTypeRule& rule : FileTypeRules()) {
      helpWidth = std::max(
          {helpWidth, metrics.horizontalAdvance(ui::Q(rule.help1)), metrics.horizontalAdvance(ui::Q(rule.help2))});
    }
    lblHelp_->setMinimumSize(helpWidth, 2 * metrics.lineSpacing());
    for (QListWidget* list : {lstChooser_, lstFolders_, lstFiles_}) {
      list->setMinimumSize(kListChars * metrics.averageCharWidth(), kListLines * metrics.lineSpacing());
    }
    FitWidth(/*always=*/true);
  }
  QWidget::changeEvent(event);
}

// Every opening lists the mods afresh; a return from the task bar does not.
void frmInstaller::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Load();
  QWidget::showEvent(event);
}

bool frmInstaller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstChooser_->viewport() && event->type() == QEvent::MouseButtonPress) {
    rowBeforePress_ = lstChooser_->currentRow();
  }
  return QWidget::eventFilter(watched, event);
}

void frmInstaller::ChooseMod(const std::string& modPath) {
  if (modPath.empty()) return;
  for (int row = 0; row < lstChooser_->count(); ++row) {
    const QListWidgetItem* item = lstChooser_->item(row);
    if (!item->data(kNameRole).isValid() || NameOf(item) != modPath) continue;
    if (row == lstChooser_->currentRow()) {
      ScanChosenMod();
    } else {
      lstChooser_->setCurrentRow(row);
    }
    lstChooser_->scrollToItem(item);
    return;
  }
}

void frmInstaller::Load() {
  {
    const QSignalBlocker blocker(lstChooser_);
    lstChooser_->clear();
    // Top-level mod folders only, in listing order; addons are sorted inside their own mod.
    for (const std::string& name : platform::ListSubfolders(modsDir_, platform::Links::Follow)) {
      auto* item = new QListWidgetItem(ui::Q(name), lstChooser_);
      item->setData(kNameRole, QByteArray::fromStdString(name));
    }
    if (lstChooser_->count() == 0) lstChooser_->addItem(ui::Q(library::kNoModsFound));
    // The first mod is chosen (scanned below); the placeholder is not.
    if (lstChooser_->item(0)->data(kNameRole).isValid()) lstChooser_->setCurrentRow(0);
  }
  // A reopened window starts as a new one: the first type's help.
  cboBox_->setEditText(QString::fromLatin1(kFirstHelp));
  ShowHelp(cboBox_->currentText());
  if (lstChooser_->currentItem()) {
    ScanChosenMod();
  } else {
    // Nothing to choose: the type and file lists stay empty.
    scan_ = {};
    currentType_.reset();
    lstFolders_->clear();
    lstFiles_->clear();
    ApplyButtonRule();
    cmdInstall_->setEnabled(false);
    FitWidth();
  }
  lstChooser_->setFocus();
}

fs::path frmInstaller::ChosenFolder() const {
  const QListWidgetItem* item = lstChooser_->currentItem();
  if (!item || !item->data(kNameRole).isValid()) return {};
  return modsDir_ / platform::PathFromUtf8(NameOf(item));
}

bool frmInstaller::NoneFound() const {
  return lstFolders_->count() > 0 && lstFolders_->item(0)->data(kNameRole).isNull() &&
         lstFolders_->item(0)->text() == QString::fromLatin1(kNone);
}

void frmInstaller::ScanChosenMod() {
  const fs::path folder = ChosenFolder();
  if (folder.empty()) return;
  ready_ = false;
  ui::FreezeWindow(this);
  scan_ = ScanModRoot(folder);
  for (std::size_t row = 0; row < kFileTypeCount; ++row) fileChecks_[row].assign(scan_.files[row].size(), true);
  currentType_.reset();
  {
    const QSignalBlocker types(lstFolders_), files(lstFiles_);
    lstFiles_->clear();
    lstFolders_->clear();
    for (const std::size_t row : scan_.foundTypes) {
      auto* item = new QListWidgetItem(ui::Q(FileTypeRules()[row].name), lstFolders_);
      item->setData(kNameRole, static_cast<int>(row));
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Checked);
    }
    if (lstFolders_->count() == 0) lstFolders_->addItem(QString::fromLatin1(kNone));
  }
  // The first type becomes current, with its files listed and ticked.
  lstFolders_->setCurrentRow(0);
  ShowType(0);
  ApplyButtonRule();
  FitWidth();
  ui::UnfreezeWindow();
  ready_ = true;
}

void frmInstaller::ShowType(int row) {
  if (fileRuleActive_) return;
  const QSignalBlocker files(lstFiles_);
  lstFiles_->clear();
  currentType_.reset();
  const QListWidgetItem* item = row >= 0 ? lstFolders_->item(row) : nullptr;
  if (!item || !item->data(kNameRole).isValid()) return;
  const auto type = static_cast<std::size_t>(item->data(kNameRole).toInt());
  currentType_ = type;
  for (std::size_t k = 0; k < scan_.files[type].size(); ++k) {
    const std::string& name = scan_.files[type][k].name;
    auto* file = new QListWidgetItem(ui::Q(name), lstFiles_);
    file->setData(kNameRole, QByteArray::fromStdString(name));
    file->setFlags(file->flags() | Qt::ItemIsUserCheckable);
    file->setCheckState(fileChecks_[type][k] ? Qt::Checked : Qt::Unchecked);
  }
}

// A file's tick is remembered, and its type is ticked while at least one of
// its files is.
void frmInstaller::FileCheckChanged(QListWidgetItem* item) {
  if (!currentType_) return;
  auto& checks = fileChecks_[*currentType_];
  const auto k = static_cast<std::size_t>(lstFiles_->row(item));
  if (k < checks.size()) checks[k] = IsChecked(item);
  if (!ready_ || typeRuleActive_) return;
  const bool any = std::find(checks.begin(), checks.end(), true) != checks.end();
  for (int i = 0; i < lstFolders_->count(); ++i) {
    QListWidgetItem* type = lstFolders_->item(i);
    if (type->data(kNameRole).toInt() != static_cast<int>(*currentType_) || IsChecked(type) == any) continue;
    fileRuleActive_ = true;
    type->setCheckState(any ? Qt::Checked : Qt::Unchecked);
    fileRuleActive_ = false;
  }
}

// Ticking or unticking a type does the same to every one of its files.
void frmInstaller::TypeCheckChanged(QListWidgetItem* item) {
  ApplyButtonRule();
  if (fileRuleActive_ || !item->data(kNameRole).isValid()) return;
  const auto type = static_cast<std::size_t>(item->data(kNameRole).toInt());
  const bool checked = IsChecked(item);
  fileChecks_[type].assign(scan_.files[type].size(), checked);
  if (currentType_ != type) return;
  typeRuleActive_ = true;
  for (int i = 0; i < lstFiles_->count(); ++i) lstFiles_->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  typeRuleActive_ = false;
}

void frmInstaller::ApplyButtonRule() {
  int checked = 0;
  for (int i = 0; i < lstFolders_->count(); ++i) checked += IsChecked(lstFolders_->item(i)) ? 1 : 0;
  const bool none = NoneFound() || lstFolders_->count() == 0;
  cmdSelectAll_->setEnabled(!none && checked < lstFolders_->count());
  cmdSelectNone_->setEnabled(checked > 0);
  cmdInstall_->setEnabled(!none && checked > 0);
}

void frmInstaller::CheckAllTypes(bool checked) {
  ui::FreezeWindow(this);
  const int current = lstFolders_->currentRow();
  for (int i = 0; i < lstFolders_->count(); ++i) {
    QListWidgetItem* item = lstFolders_->item(i);
    if (!item->data(kNameRole).isValid()) continue;
    ready_ = false;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    ready_ = true;
  }
  lstFolders_->setCurrentRow(current);
  lstFolders_->setFocus();
  ui::UnfreezeWindow();
}

void frmInstaller::ShowHelp(const QString& text) {
  const FileTypeRule* rule = TypeByName(ui::Utf8(text));
  if (!rule) return;
  lblHelp_->setText(ui::Q(rule->help1) + QStringLiteral("\n") + ui::Q(rule->help2));
}

SortChoice frmInstaller::Choice() const {
  SortChoice choice;
  for (int i = 0; i < lstFolders_->count(); ++i) {
    const QListWidgetItem* item = lstFolders_->item(i);
    if (!item->data(kNameRole).isValid()) continue;
    const auto type = static_cast<std::size_t>(item->data(kNameRole).toInt());
    choice.types[type] = IsChecked(item);
    choice.files[type] = fileChecks_[type];
  }
  return choice;
}

void frmInstaller::Install() {
  const fs::path folder = ChosenFolder();
  if (folder.empty() || !cmdInstall_->isEnabled()) return;
  for (QWidget* w : {static_cast<QWidget*>(lstChooser_), static_cast<QWidget*>(lstFolders_),
                     static_cast<QWidget*>(lstFiles_), static_cast<QWidget*>(cmdInstall_)}) {
    w->setEnabled(false);
  }
  WindowHost host(this);
  std::optional<SortReport> report;
  const fs::path gameDir = gameDir_ ? gameDir_().value_or(fs::path()) : fs::path();
  const std::optional<std::string> error =
      ui::ErrorOf([&] { report = SortLooseFiles(dialogs_, host, modsDir_, folder, scan_, Choice(), gameDir); });
  if (error) {
    host.SetBusy(false);
    dialogs_.Ask(*error, kCaption, flow::Buttons::Ok, flow::Icon::Critical);
  }
  if (report) dialogs_.Ask(report->message, flow::kDefaultTitle, flow::Buttons::Ok, flow::Icon::None);
  for (QWidget* w : {lstChooser_, lstFolders_, lstFiles_}) w->setEnabled(true);
  ApplyButtonRule();
  // The moved files have left the root folder: the lists shrink or vanish. Work that threw may have moved some.
  if (error || (report && report->moved > 0)) ScanChosenMod();
  activateWindow();
  lstChooser_->setFocus();
}

// Without files to show, the window is narrowed so that the file list is out
// of sight. A size the user chose stays until the file list comes or goes, or
// `always` (a new font) asks for the fitting size.
void frmInstaller::FitWidth(bool always) {
  const bool wide = lstFiles_->count() > 0;
  if (lstFiles_->isVisibleTo(this) == wide && !always) return;
  lstFiles_->setVisible(wide);
  layout()->activate();
  resize(sizeHint().width(), std::max(height(), sizeHint().height()));
}

}  // namespace drydock::fileinstaller
