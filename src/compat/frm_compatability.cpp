#include "compat/frm_compatability.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "compat/compat_texts.h"
#include "ui/long_work.h"
#include "ui/qt_text.h"

namespace drydock::compat {

namespace {
constexpr int kAfterIntervalMs = 1;
constexpr int kListMinRows = 6;  // rows a list keeps visible while the bar takes its share
constexpr int kListWidthChars = 28;
constexpr int kResultRows = 8;

QString SelectedText(const QListWidget* list) {
  const auto selected = list->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text();
}

// The name the labels show: an addon without its indent.
std::string ShownName(const QString& entry) {
  const std::string text = ui::Utf8(entry);
  return library::IsAddonEntry(text) ? text.substr(library::kAddonIndent.size()) : text;
}

QListWidget* MakeList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromUtf8(name));
  const QFontMetrics metrics(list->font());
  list->setMinimumSize(kListWidthChars * metrics.averageCharWidth(), kListMinRows * metrics.height());
  return list;
}
}  // namespace

frmCompatability::frmCompatability(CompatInputs inputs, QWidget* parent)
    : QWidget(parent, Qt::Window), inputs_(std::move(inputs)) {
  setObjectName(QStringLiteral("frmCompatability"));
  setWindowTitle(ui::Q(texts::kCaption));

  frameMods_ = new QGroupBox(ui::Q(texts::kFrameCaption), this);
  frameMods_->setObjectName(QStringLiteral("frameMods"));
  lstBox1_ = MakeList("lstBox1", frameMods_);
  lstBox2_ = MakeList("lstBox2", frameMods_);
  pgbProgress_ = new QProgressBar(frameMods_);
  pgbProgress_->setObjectName(QStringLiteral("pgbProgress"));
  pgbProgress_->setRange(0, 100);
  pgbProgress_->hide();
  cmdCheck_ = new QPushButton(ui::Q(texts::kCheckButton), frameMods_);
  cmdCheck_->setObjectName(QStringLiteral("cmdCheck"));

  auto* lists = new QHBoxLayout;
  lists->addWidget(lstBox1_);
  lists->addWidget(lstBox2_);
  auto* frameLayout = new QVBoxLayout(frameMods_);
  frameLayout->addLayout(lists, 1);
  frameLayout->addWidget(pgbProgress_);  // shown, it takes its height from the lists
  frameLayout->addWidget(cmdCheck_);

  lblMod1_ = new QLabel(ui::Q(texts::kModsLabel), this);
  lblMod1_->setObjectName(QStringLiteral("lblMod1"));
  lblMod2_ = new QLabel(this);
  lblMod2_->setObjectName(QStringLiteral("lblMod2"));
  for (QLabel* label : {lblMod1_, lblMod2_}) label->setTextFormat(Qt::PlainText);
  label1_ = new QLabel(ui::Q(texts::kIncompatableLabel), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  lstIncompatable_ = new QPlainTextEdit(this);
  lstIncompatable_->setObjectName(QStringLiteral("lstIncompatable"));
  lstIncompatable_->setLineWrapMode(QPlainTextEdit::NoWrap);
  lstIncompatable_->setMinimumHeight(kResultRows * lstIncompatable_->fontMetrics().height());

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frameMods_, 1);
  layout->addWidget(lblMod1_);
  layout->addWidget(lblMod2_);
  layout->addWidget(label1_);
  layout->addWidget(lstIncompatable_, 1);

  timAfter_ = new QTimer(this);
  timAfter_->setObjectName(QStringLiteral("timAfter"));
  timAfter_->setInterval(kAfterIntervalMs);
  connect(timAfter_, &QTimer::timeout, this, &frmCompatability::AfterCheck);

  connect(cmdCheck_, &QPushButton::clicked, this, &frmCompatability::Check);
  for (QListWidget* list : {lstBox1_, lstBox2_}) {
    connect(list, &QListWidget::itemDoubleClicked, this, &frmCompatability::Check);
    list->installEventFilter(this);
  }
  resize(sizeHint());
}

// Each opening fills the lists anew from the main window's current list.
void frmCompatability::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Fill();
  QWidget::showEvent(event);
}

void frmCompatability::Fill() {
  entries_ = inputs_.modList();
  for (QListWidget* list : {lstBox1_, lstBox2_}) {
    list->clear();
    list->addItem(ui::Q(kGameEntry));
    for (const std::string& entry : entries_) list->addItem(ui::Q(entry));
    if (entries_.empty()) list->addItem(ui::Q(library::kNoModsFound));
  }
  ShowFirst(inputs_.selectedMod ? inputs_.selectedMod() : std::string());
  lstBox1_->setFocus();
}

void frmCompatability::ShowFirst(const std::string& entry) {
  if (entry.empty() || checking_) return;
  const auto found = lstBox1_->findItems(ui::Q(entry), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) lstBox1_->setCurrentItem(found.first());
}

bool frmCompatability::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == lstBox1_ || watched == lstBox2_) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Check();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

std::string frmCompatability::ChosenModPath(const QListWidget* list) const {
  const auto selected = list->selectedItems();
  if (selected.isEmpty()) return {};
  const int row = list->row(selected.first());
  if (row == 0) return std::string(kGameEntry);
  return library::ResolveModPath(entries_, row - 1);  // empty for the placeholder
}

bool frmCompatability::Validate() {
  const QString first = SelectedText(lstBox1_);
  const QString second = SelectedText(lstBox2_);
  auto refuse = [this](std::string_view text, std::string_view title) {
    (void)inputs_.dialogs.Ask(std::string(text), std::string(title), flow::Buttons::Ok, flow::Icon::Exclamation);
    return false;
  };
  if (first.isEmpty() && second.isEmpty()) return refuse(texts::kSelectTwo, texts::kSelectTwoTitle);
  if (first == second) return refuse(texts::kSameMod, texts::kSameModTitle);
  if (first.isEmpty()) return refuse(texts::kSelectFirst, texts::kSelectOneTitle);
  if (second.isEmpty()) return refuse(texts::kSelectSecond, texts::kSelectOneTitle);
  return true;
}

void frmCompatability::Check() {
  if (checking_ || !Validate()) return;
  checking_ = true;
  cmdCheck_->setEnabled(false);
  lblMod1_->setText(
      ui::Q(std::string(texts::kModsPrefix) + ShownName(SelectedText(lstBox1_)) + std::string(texts::kAnd)));
  lblMod2_->setText(ui::Q(std::string(texts::kSecondIndent) + ShownName(SelectedText(lstBox2_))));
  lstIncompatable_->setReadOnly(false);

  const std::optional<std::filesystem::path> gameDir = inputs_.gameDir();
  const auto firstFolder = SideFolder(inputs_.modsDir, gameDir, ChosenModPath(lstBox1_));
  const auto secondFolder = SideFolder(inputs_.modsDir, gameDir, ChosenModPath(lstBox2_));
  const ListFiles listFiles = inputs_.listFiles;
  std::vector<library::ModFile> firstFiles;
  std::optional<std::string> error;
  ui::RunAndWait([&] { error = Guarded([&] { firstFiles = SideFiles(firstFolder, Side::First, listFiles); }); });

  const bool longCheck = !error && firstFiles.size() > kLongCheckAbove;
  if (longCheck) {
    pgbProgress_->setValue(0);
    pgbProgress_->show();
    lstBox1_->setEnabled(false);
    lstBox2_->setEnabled(false);
    lstIncompatable_->setPlainText(ui::Q(texts::kChecking));
  }
  std::vector<std::string> conflicts;
  if (!error) {
    QProgressBar* bar = pgbProgress_;
    auto progress = [bar](int percent) { ui::OnUiThread(bar, [bar, percent] { bar->setValue(percent); }); };
    ui::RunAndWait([&] {
      error = Guarded([&] {
        conflicts = Conflicts(firstFiles, SideFiles(secondFolder, Side::Second, listFiles),
                              longCheck ? std::function<void(int)>(progress) : std::function<void(int)>());
      });
    });
  }
  checking_ = false;
  if (error) {
    // Neither the progress note nor an earlier pair's result belongs to the pair the labels now name.
    lstIncompatable_->clear();
    (void)inputs_.dialogs.Ask(*error, std::string(texts::kErrorTitle), flow::Buttons::Ok, flow::Icon::Critical);
    cmdCheck_->setEnabled(true);
    EndLongCheck();
    return;
  }
  ShowResult(conflicts);
  timAfter_->start();
  cmdCheck_->setEnabled(true);
  if (longCheck) EndLongCheck();
}

void frmCompatability::ShowResult(const std::vector<std::string>& conflicts) {
  lstIncompatable_->setFocus();
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(conflicts.size()));
  for (const std::string& path : conflicts) lines << ui::Q(path);
  lstIncompatable_->setPlainText(lines.join(QLatin1Char('\n')));
}

void frmCompatability::EndLongCheck() {
  lstBox1_->setEnabled(true);
  lstBox2_->setEnabled(true);
  pgbProgress_->hide();
}

// Runs once, right after a check: the result box is locked and read from its start.
void frmCompatability::AfterCheck() {
  if (lstIncompatable_->document()->isEmpty()) lstIncompatable_->setPlainText(ui::Q(texts::kCompatable));
  lstIncompatable_->setReadOnly(true);
  lstIncompatable_->moveCursor(QTextCursor::Start);
  timAfter_->stop();
}

}  // namespace drydock::compat
