#include "techtree/frm_tech_tree.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QVBoxLayout>

#include "techtree/tech_trees.h"
#include "techtree/techtree_texts.h"
#include "ui/qt_text.h"

namespace drydock::techtree {

namespace {
constexpr int kListIndentPx = 4;  // the two lists sit a little right of their headings
constexpr int kListChars = 24;    // the mod list's width in average characters

QLabel* MakeLabel(std::string_view text, const char* name, QWidget* parent) {
  auto* label = new QLabel(ui::Q(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QString AllChoices() {
  std::vector<std::string> names;
  for (const TechTreeChoice& choice : kTechTreeChoices) names.emplace_back(choice.name);
  return ui::Q(LinesOf(names));
}
}  // namespace

frmTechTree::frmTechTree(std::filesystem::path modsDir, std::function<library::ModList()> mainList, QWidget* parent)
    : QWidget(parent, Qt::Window), modsDir_(std::move(modsDir)), mainList_(std::move(mainList)) {
  setObjectName(QStringLiteral("frmTechTree"));
  setWindowTitle(ui::Q(texts::kCaption));

  auto* lblInfo1 = MakeLabel(texts::kPleaseSelect, "lblInfo1", this);
  lstMods_ = new QListWidget(this);
  lstMods_->setObjectName(QStringLiteral("lstMods"));
  auto* lblAvailable = MakeLabel(texts::kAvailable, "lblAvailable", this);
  lblAvailableList_ = MakeLabel(texts::kNoModSelected, "lblAvailableList", this);
  auto* lblUnavailable = MakeLabel(texts::kUnavailable, "lblUnavailable", this);
  lblUnavailableList_ = MakeLabel(texts::kNoModSelected, "lblUnavailableList", this);
  for (QLabel* list : {lblAvailableList_, lblUnavailableList_}) list->setContentsMargins(kListIndentPx, 0, 0, 0);

  auto* modColumn = new QVBoxLayout;
  modColumn->addWidget(lblInfo1);
  modColumn->addWidget(lstMods_, 1);
  auto* treeColumn = new QVBoxLayout;
  for (QLabel* label : {lblAvailable, lblAvailableList_, lblUnavailable, lblUnavailableList_}) {
    treeColumn->addWidget(label);
  }
  treeColumn->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(modColumn, 1);
  layout->addLayout(treeColumn);

  connect(lstMods_, &QListWidget::currentRowChanged, this, &frmTechTree::ShowTrees);
  // A click on the entry already shown looks again: the mod's files may have changed since.
  lstMods_->viewport()->installEventFilter(this);
  connect(lstMods_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (lstMods_->row(item) == rowBeforePress_) ShowTrees(rowBeforePress_);
  });
  // The highlighted entry is always the one shown: a click beside the entries does not take the highlight.
  connect(lstMods_, &QListWidget::itemSelectionChanged, this, [this] {
    if (lstMods_->selectedItems().isEmpty() && lstMods_->currentItem()) lstMods_->currentItem()->setSelected(true);
  });
  FitToFont();
}

// Each list label holds room for all six names, so a choice never moves the
// headings or resizes the window.
void frmTechTree::FitToFont() {
  const QFontMetrics metrics(font());
  const QSize six = metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, AllChoices()).size();
  for (QLabel* list : {lblAvailableList_, lblUnavailableList_}) {
    list->setMinimumSize(six + QSize(kListIndentPx, 0));
  }
  lstMods_->setMinimumWidth(kListChars * metrics.averageCharWidth());
  layout()->activate();
  resize(sizeHint().expandedTo(minimumSizeHint()));
}

void frmTechTree::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) FitToFont();
  QWidget::changeEvent(event);
}

// Every opening (not a return from the task bar) copies the main list afresh.
void frmTechTree::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Load();
  QWidget::showEvent(event);
}

bool frmTechTree::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstMods_->viewport() && event->type() == QEvent::MouseButtonPress) {
    rowBeforePress_ = lstMods_->currentRow();
  }
  return QWidget::eventFilter(watched, event);
}

void frmTechTree::ChooseMod(const std::string& modPath) {
  if (modPath.empty()) return;
  for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
    if (library::ResolveModPath(entries_, row) != modPath) continue;
    if (row == lstMods_->currentRow()) {
      ShowTrees(row);
    } else {
      lstMods_->setCurrentRow(row);
    }
    lstMods_->scrollToItem(lstMods_->item(row));
    return;
  }
}

void frmTechTree::Load() {
  entries_ = mainList_ ? mainList_() : library::ModList();
  lstMods_->clear();
  for (const std::string& entry : entries_) lstMods_->addItem(ui::Q(entry));
  if (entries_.empty()) lstMods_->addItem(ui::Q(library::kNoModsFound));
  lstMods_->setCurrentRow(0);
  lstMods_->setFocus();
}

void frmTechTree::ShowTrees(int row) {
  if (row < 0) return;
  // The placeholder and an addon without a parent resolve to nothing, which provides no choice.
  const TechTrees trees = ModTechTrees(modsDir_, library::ResolveModPath(entries_, row));
  lblAvailableList_->setText(ui::Q(LinesOf(trees.available)));
  lblUnavailableList_->setText(ui::Q(LinesOf(trees.unavailable)));
}

}  // namespace drydock::techtree
