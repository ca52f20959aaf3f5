#include "install/frm_installed_mods.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>

#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "ui/long_work.h"

namespace drydock::install {

namespace {

constexpr int kColumnGapPx = 16;
constexpr char kNotCheckedText[] = "could not be checked";

// Draws an item's name, then its mod's check in a column at the right, in the
// colour of secondary text; a name too long for the space left is cut with an ellipsis.
class SummaryColumn final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString summary = index.data(kVerifySummaryRole).toString();
    if (summary.isEmpty()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QFontMetricsF metrics(item.font);
    // The name keeps at least half the row when both cannot show whole; the check takes the rest.
    const int inner = item.rect.width() - 2 * kTextMarginPx - kColumnGapPx;
    const int nameWidth = std::max(inner - Advance(metrics, summary), std::min(inner / 2, Advance(metrics, item.text)));
    const int summaryWidth = std::max(inner - nameWidth, 0);
    item.text = Fitted(metrics, item.text, nameWidth);
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    const QRect column = item.rect.adjusted(item.rect.width() - summaryWidth - kTextMarginPx, 0, -kTextMarginPx, 0);
    const bool selected = item.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
    painter->drawText(column, Qt::AlignRight | Qt::AlignVCenter, Fitted(metrics, summary, column.width()));
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString summary = index.data(kVerifySummaryRole).toString();
    if (!summary.isEmpty()) size.rwidth() += kColumnGapPx + Advance(QFontMetricsF(option.font), summary);
    return size;
  }

  // The width a row needs to show its name and its check whole.
  static int RowWidth(const QFont& font, const QString& name, const QString& summary) {
    const QFontMetricsF metrics(font);
    return Advance(metrics, name) + 2 * kTextMarginPx + kColumnGapPx + Advance(metrics, summary);
  }

 private:
  static constexpr int kTextMarginPx = 4;
  // Whole pixels, rounded up, and one to spare, so that a text measured to fit is never cut.
  static int Advance(const QFontMetricsF& metrics, const QString& text) {
    return static_cast<int>(std::ceil(metrics.horizontalAdvance(text))) + 1;
  }
  static QString Fitted(const QFontMetricsF& metrics, const QString& text, int width) {
    return Advance(metrics, text) <= width ? text : metrics.elidedText(text, Qt::ElideRight, std::max(width, 0));
  }
};

}  // namespace

struct frmInstalledMods::Receiver {
  explicit Receiver(frmInstalledMods* w) : window(w) {}
  std::mutex mutex;
  frmInstalledMods* window;
};

frmInstalledMods::frmInstalledMods(std::filesystem::path modsDir, std::function<library::ModList()> mainList,
                                   std::function<std::optional<std::filesystem::path>()> gameDir,
                                   std::function<void()> firstFill, QWidget* parent)
    : QDialog(parent),
      modsDir_(std::move(modsDir)),
      mainList_(std::move(mainList)),
      gameDir_(std::move(gameDir)),
      firstFill_(std::move(firstFill)),
      receiver_(std::make_shared<Receiver>(this)) {
  setObjectName(QStringLiteral("frmInstalledMods"));
  setWindowTitle(QStringLiteral("Installed Mods"));
  lblInfo1_ = new QLabel(QStringLiteral("Installed Mods:"), this);
  lblInfo1_->setObjectName(QStringLiteral("lblInfo1"));
  lstCurrentMods_ = new QListWidget(this);
  lstCurrentMods_->setObjectName(QStringLiteral("lstCurrentMods"));
  lstCurrentMods_->setItemDelegate(new SummaryColumn(lstCurrentMods_));
  lblCoveredBy_ = new QLabel(this);
  lblCoveredBy_->setObjectName(QStringLiteral("lblCoveredBy"));
  lblCoveredBy_->setWordWrap(true);
  lblCoveredBy_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblInfo1_);
  layout->addWidget(lstCurrentMods_);
  layout->addWidget(lblCoveredBy_);
  connect(lstCurrentMods_, &QListWidget::currentRowChanged, this, [this] { ShowCovering(); });
  resize(440, 300);
  Fill();  // created hidden by the first refresh, which fills it
}

frmInstalledMods::~frmInstalledMods() {
  const std::lock_guard hold(receiver_->mutex);
  receiver_->window = nullptr;
}

void frmInstalledMods::SetEntries(const std::vector<std::string>& entries) {
  // The entry the user chose stays chosen while it is still listed; a new fill starts at the first.
  const QString chosen = lstCurrentMods_->currentItem() ? lstCurrentMods_->currentItem()->text() : QString();
  {
    const QSignalBlocker quiet(lstCurrentMods_);
    lstCurrentMods_->clear();
    for (const std::string& e : entries) lstCurrentMods_->addItem(QString::fromStdString(e));
  }
  if (!filledOnce_) {
    filledOnce_ = true;
    if (firstFill_) firstFill_();
  }
  const auto found = lstCurrentMods_->findItems(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!chosen.isEmpty() && !found.isEmpty()) {
    lstCurrentMods_->setCurrentItem(found.first());
  } else {
    lstCurrentMods_->setCurrentRow(0);
  }
  ShowRows();
  StartChecks();
}

void frmInstalledMods::StartChecks() {
  // The main list's refreshes fill the window while it is hidden too; it checks the mods once it is shown.
  const std::optional<std::filesystem::path> gameDir = gameDir_ && isVisible() ? gameDir_() : std::nullopt;
  if (checking_ || !gameDir || !platform::IsFolder(*gameDir)) return;
  const library::ModList list = mainList_();
  for (int row = 0; row < lstCurrentMods_->count(); ++row) {
    const std::string entry = lstCurrentMods_->item(row)->text().toStdString();
    // The placeholder "(No mods found.)" is no mod, whatever the main list holds.
    if (entry != library::kNoModsFound && std::find(list.begin(), list.end(), entry) != list.end()) {
      pending_.insert(entry);
    }
  }
  if (pending_.empty()) return;
  checking_ = true;
  ShowRows();
  Verifier verify = verifier_ ? verifier_ : Verifier(VerifyInstalled);
  // Not joined: a check of a large game may outlast the window, which then no longer hears of it.
  std::thread([receiver = receiver_, verify = std::move(verify), modsDir = modsDir_, list, game = *gameDir] {
    std::map<std::string, std::string> summaries;
    try {
      for (const ModCheck& check : verify(modsDir, list, game)) summaries.emplace(check.entry, ShortSummary(check));
    } catch (...) {
      summaries.clear();  // each mod then could not be checked
    }
    const std::lock_guard hold(receiver->mutex);
    if (frmInstalledMods* window = receiver->window) {
      ui::OnUiThread(window, [window, summaries] { window->ShowChecks(summaries); });
    }
  }).detach();
}

void frmInstalledMods::ShowChecks(const std::map<std::string, std::string>& summaries) {
  checking_ = false;
  for (const std::string& entry : pending_) {
    const auto found = summaries.find(entry);
    known_[entry] = found != summaries.end() ? found->second : kNotCheckedText;
  }
  pending_.clear();
  ShowRows();
  FitRows();
  // Mods listed while the check ran get theirs now.
  for (int row = 0; row < lstCurrentMods_->count(); ++row) {
    if (!known_.count(lstCurrentMods_->item(row)->text().toStdString())) {
      StartChecks();
      break;
    }
  }
}

void frmInstalledMods::ShowRows() {
  for (int row = 0; row < lstCurrentMods_->count(); ++row) {
    QListWidgetItem* item = lstCurrentMods_->item(row);
    const std::string entry = item->text().toStdString();
    const auto found = known_.find(entry);
    const std::string text = pending_.count(entry) ? kCheckingText : found != known_.end() ? found->second : "";
    item->setData(kVerifySummaryRole, QString::fromStdString(text));
    item->setToolTip(QString::fromStdString(text));
  }
}

void frmInstalledMods::FitRows() {
  int needed = 0;
  for (int row = 0; row < lstCurrentMods_->count(); ++row) {
    const QListWidgetItem* item = lstCurrentMods_->item(row);
    needed = std::max(needed, SummaryColumn::RowWidth(lstCurrentMods_->font(), item->text(),
                                                      item->data(kVerifySummaryRole).toString()));
  }
  const int missing = needed - lstCurrentMods_->viewport()->width();
  if (missing <= 0) return;
  const QScreen* display = screen();
  const int most = display ? display->availableGeometry().width() * 3 / 4 : width() + missing;
  resize(std::min(width() + missing, std::max(most, width())), height());
}

void frmInstalledMods::Fill() { SetEntries(InstalledModEntries(modsDir_, mainList_())); }

void frmInstalledMods::SelectText(const QString& text) {
  const auto found = lstCurrentMods_->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) lstCurrentMods_->setCurrentItem(found.first());
}

void frmInstalledMods::ShowCovering() {
  std::string text;
  // The main list's refreshes fill the window while it is hidden too; it reads the records once it is shown.
  const std::optional<std::filesystem::path> gameDir = gameDir_ && isVisible() ? gameDir_() : std::nullopt;
  if (const QListWidgetItem* item = lstCurrentMods_->currentItem(); item && gameDir && platform::IsFolder(*gameDir)) {
    const library::ModList list = mainList_();
    const auto found = std::find(list.begin(), list.end(), item->text().toStdString());
    if (found != list.end()) {
      const auto folder = library::EntryFolder(modsDir_, list, static_cast<int>(found - list.begin()));
      const auto other = InstalledElsewhere(folder, *gameDir);
      text = other ? "Installed into another game folder: " + platform::PrintableName(other->game)
                   : CoveredByText(CoveringMods(modsDir_, *gameDir, folder));
    }
  }
  lblCoveredBy_->setText(QString::fromStdString(text));
  lblCoveredBy_->setVisible(!text.empty());
}

void frmInstalledMods::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  StartChecks();
}

bool frmInstalledMods::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) Fill();
  return QDialog::event(e);
}

}  // namespace drydock::install
