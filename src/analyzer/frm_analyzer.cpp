#include "analyzer/frm_analyzer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "analyzer/analyzer_files.h"
#include "analyzer/analyzer_folders.h"
#include "analyzer/analyzer_picture.h"
#include "analyzer/analyzer_texts.h"
#include "analyzer/wave_check.h"
#include "flow/dialogs.h"
#include "flow/locking.h"
#include "flow/preflight.h"
#include "launch/launch.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/shell.h"
#include "platform/text_file.h"
#include "platform/writer_lock.h"
#include "ui/long_work.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

namespace fs = std::filesystem;

namespace drydock::analyzer {

namespace {

// The design's geometry in twips (1/15 pixel at scale 1).
constexpr int kClientWidth = 8535;
constexpr int kStatusTop = 5520;  // a status line below the design's 5505, across the window
constexpr int kStatusHeight = 255;
constexpr int kClientHeight = kStatusTop + kStatusHeight + 30;
constexpr int kRightColumnLeft = 4320;
constexpr int kRightColumnWidth = 4155;
constexpr int kListTallHeight = 5130;
constexpr int kListShortHeight = 2595;
constexpr int kStatsTop = 3000;
constexpr int kStatStep = 240;
constexpr int kFirstStatHeight = 255;
constexpr int kStatHeight = 195;
constexpr int kPictureHeight = 2415;
constexpr int kTreeWidth = 4245;
constexpr int kListLeft = 4275;
constexpr int kListWidth = 4245;
constexpr int kTopRowTop = 60;
constexpr int kTopRowHeight = 255;
constexpr int kListTop = 360;
constexpr int kDragMargin = 30;    // a dragged picture keeps more than this inside the window's top-left
constexpr int kDragMaxTop = 5482;  // after a drag the top-left corner is pulled back to these
constexpr int kDragMaxLeft = 8512;
constexpr int kInvalidPicPoints = 24;

// Item data: a list entry's name and a node's folder as their own bytes, so
// a name that is not UTF-8 or holds a line break still names its file.
constexpr int kRawRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

QByteArray Raw(std::string_view bytes) { return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())); }
std::string FromRaw(const QVariant& data) { return data.toByteArray().toStdString(); }

template <typename T>
T* Make(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, std::string_view text) {
  auto* label = Make<QLabel>(parent, name);
  label->setTextFormat(Qt::PlainText);
  label->setText(ui::Q(text));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QAction* MakeAction(QMenu* menu, const char* name, std::string_view text) {
  QAction* action = menu->addAction(ui::Q(text));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

frmAnalyzer::frmAnalyzer(AnalyzerHost host, QWidget* parent) : QWidget(parent, Qt::Window), host_(std::move(host)) {
  setObjectName(QStringLiteral("frmAnalyzer"));
  setWindowTitle(ui::Q(texts::kCaption));
  BuildControls();
  BuildMenus();
  ApplyLayout();
}

void frmAnalyzer::BuildControls() {
  // Made in this order, so the picture lies above the statistics labels and the tall list above both.
  for (int i = 0; i < kOdfStatCount; ++i) {
    const OdfStat& stat = kOdfStats.at(i);
    statLabels_.at(i) = MakeLabel(this, std::string(stat.label).c_str(), stat.designCaption);
    statLabels_.at(i)->setToolTip(ui::Q(stat.toolTip));
  }
  lblInvalidPic_ = MakeLabel(this, "lblInvalidPic", texts::kInvalidPic);
  lblInvalidPic_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblInvalidPic_->setWordWrap(true);
  lblInvalidPic_->hide();
  picImages_ = Make<QLabel>(this, "picImages");
  picImages_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picImages_->setFocusPolicy(Qt::NoFocus);  // takes the keyboard only in the full window, from the program
  picImages_->installEventFilter(this);
  picImages_->hide();

  lblSelectFolder_ = MakeLabel(this, "lblSelectFolder", texts::kSelectFolder);
  TreeViewer_ = Make<QTreeWidget>(this, "TreeViewer");
  TreeViewer_->setHeaderHidden(true);
  TreeViewer_->setColumnCount(1);
  TreeViewer_->setEditTriggers(QAbstractItemView::NoEditTriggers);  // no node can be renamed
  TreeViewer_->viewport()->installEventFilter(this);
  // A click and the arrow keys select alike, and the selection is what the list shows. (The focus that
  // the opened window gives the tree makes the first node current without selecting it: that lists nothing.)
  connect(TreeViewer_, &QTreeWidget::itemSelectionChanged, this, [this] { NodeClick(SelectedNode()); });

  lstFiles_ = Make<QListWidget>(this, "lstFiles");
  lstFiles_->setSortingEnabled(false);
  lstFiles_->installEventFilter(this);
  lstFiles_->viewport()->installEventFilter(this);
  connect(lstFiles_, &QListWidget::itemSelectionChanged, this, [this] { ShowSelectedFile(); });
  connect(lstFiles_, &QListWidget::itemDoubleClicked, this, [this] { OpenFile(); });

  lblStatus_ = MakeLabel(this, "lblStatus", "");
  lblStatus_->setTextInteractionFlags(Qt::NoTextInteraction);
  cmdNormalWindow_ = Make<QPushButton>(this, "cmdNormalWindow");
  cmdNormalWindow_->setText(ui::Q(texts::kNormalWindowButton));
  cmdNormalWindow_->setFocusPolicy(Qt::NoFocus);  // the picture keeps the keyboard, so Escape stays with it
  cmdNormalWindow_->hide();
  connect(cmdNormalWindow_, &QPushButton::clicked, this, [this] {
    skipNextClick_ = false;
    ToggleFullWindow();
  });
}

void frmAnalyzer::BuildMenus() {
  menuLstFilesRight_ = new QMenu(this);
  menuLstFilesRight_->setObjectName(QStringLiteral("menuLstFilesRight"));
  menuLstFilesRightOpen_ = MakeAction(menuLstFilesRight_, "menuLstFilesRightOpen", texts::kMenuOpen);
  menuLstFilesRightRemove_ = MakeAction(menuLstFilesRight_, "menuLstFilesRightRemove", texts::kMenuRemove);
  menuLstFilesRightCopy_ = MakeAction(menuLstFilesRight_, "menuLstFilesRightCopy", texts::kMenuCopy);
  menuLstFilesRightPaste_ = MakeAction(menuLstFilesRight_, "menuLstFilesRightPaste", texts::kMenuPaste);
  connect(menuLstFilesRightOpen_, &QAction::triggered, this, &frmAnalyzer::OpenFile);
  connect(menuLstFilesRightRemove_, &QAction::triggered, this, &frmAnalyzer::RemoveFile);
  connect(menuLstFilesRightCopy_, &QAction::triggered, this, &frmAnalyzer::CopyFile);
  connect(menuLstFilesRightPaste_, &QAction::triggered, this, &frmAnalyzer::PasteFile);

  menuPicRight_ = new QMenu(this);
  menuPicRight_->setObjectName(QStringLiteral("menuPicRight"));
  menuPicRightCopy_ = MakeAction(menuPicRight_, "menuPicRightCopy", texts::kMenuCopyPicture);
  menuPicRightFullWindow_ = MakeAction(menuPicRight_, "menuPicRightFullWindow", texts::kMenuFullWindow);
  menuPicRightCenter_ = MakeAction(menuPicRight_, "menuPicRightCenter", texts::kMenuCenter);
  menuPicRightCenter_->setEnabled(false);
  connect(menuPicRightCopy_, &QAction::triggered, this, &frmAnalyzer::CopyPicture);
  connect(menuPicRightFullWindow_, &QAction::triggered, this, &frmAnalyzer::ToggleFullWindow);
  connect(menuPicRightCenter_, &QAction::triggered, this, &frmAnalyzer::CenterPicture);
}

int frmAnalyzer::PxOf(int twips) const { return ui::TwipsToPixels(twips, scale_); }

// The design's layout at one factor: at a larger font every measure grows,
// so that each fixed caption fits its label and no text is cut. The design
// size is the smallest; a larger window gives the extra room to the tree and
// the file list, and the area below the short list keeps its height.
void frmAnalyzer::ApplyLayout() {
  const QFontMetrics metrics(font());
  int widest = metrics.horizontalAdvance(ui::Q(texts::kSelectFolder));
  for (const OdfStat& stat : kOdfStats)
    widest = std::max(widest, metrics.horizontalAdvance(ui::Q(FallbackCaption(stat))));
  scale_ = std::max({1.0, (widest + 4) * 15.0 / kRightColumnWidth, metrics.height() * 15.0 / kStatHeight});

  const QSize design(PxOf(kClientWidth), PxOf(kClientHeight));
  setMinimumSize(design);
  // Bold 24 points as designed, smaller when the message would not fit its label.
  const QSize invalid(PxOf(kRightColumnWidth), PxOf(2000));
  QFont big(QStringLiteral("MS Sans Serif"));
  big.setBold(true);
  for (int points = kInvalidPicPoints; points > 6; --points) {
    big.setPointSize(points);
    const QRect needed = QFontMetrics(big).boundingRect(QRect(0, 0, invalid.width(), 100000),
                                                        Qt::TextWordWrap | Qt::AlignHCenter, lblInvalidPic_->text());
    if (needed.height() <= invalid.height() && needed.width() <= invalid.width()) break;
  }
  lblInvalidPic_->setFont(big);
  // Until shown the window takes the design size; once shown it keeps what the user made it, at least that.
  if (!isVisible()) {
    resize(design);
  } else if (width() < design.width() || height() < design.height()) {
    resize(design.expandedTo(size()));
  }
  PlaceControls();
}

// A rectangle of the design in pixels at this window's size: the right
// column moves right by half the extra width (and a control that grows to
// the right takes the other half), and what lies below the short list moves
// down by the extra height.
QRect frmAnalyzer::Placed(int left, int top, int width, int height, bool growsRight, bool growsDown) const {
  const int extraWidth = std::max(0, this->width() - PxOf(kClientWidth));
  const int extraHeight = std::max(0, this->height() - PxOf(kClientHeight));
  const int leftShare = extraWidth / 2;
  const bool rightColumn = left >= kListLeft;
  QRect rect(PxOf(left), PxOf(top), PxOf(width), PxOf(height));
  if (rightColumn) rect.translate(leftShare, 0);
  if (growsRight) rect.setWidth(rect.width() + (rightColumn ? extraWidth - leftShare : leftShare));
  if (growsDown) rect.setHeight(rect.height() + extraHeight);
  return rect;
}

QRect frmAnalyzer::NormalPictureRect() const {
  return Placed(kRightColumnLeft, kStatsTop, kRightColumnWidth, kPictureHeight, true).translated(0, BelowListShift());
}

void frmAnalyzer::PlaceControls() {
  lblSelectFolder_->setGeometry(Placed(kTopRowTop, kTopRowTop, kRightColumnWidth, kTopRowHeight, true));
  lblStatus_->setGeometry(PxOf(kTopRowTop), PxOf(kStatusTop) + BelowListShift(), width() - 2 * PxOf(kTopRowTop),
                          PxOf(kStatusHeight));
  ShowStatus(ui::Utf8(statusText_));
  TreeViewer_->setGeometry(Placed(0, kListTop, kTreeWidth, kListTallHeight, true, true));
  for (int i = 0; i < kOdfStatCount; ++i) {
    statLabels_.at(i)->setGeometry(Placed(kRightColumnLeft, kStatsTop + kStatStep * i, kRightColumnWidth,
                                          i == 0 ? kFirstStatHeight : kStatHeight, true)
                                       .translated(0, BelowListShift()));
  }
  lblInvalidPic_->setGeometry(
      Placed(kRightColumnLeft, 3400, kRightColumnWidth, 2000, true).translated(0, BelowListShift()));
  if (fullWindow_) {
    CenterPicture();
  } else {
    picImages_->setGeometry(NormalPictureRect());
  }
  cmdNormalWindow_->setGeometry(QRect(QPoint(PxOf(kTopRowTop), PxOf(kTopRowTop)), cmdNormalWindow_->sizeHint()));
  SetListTall(listTall_);
}

int frmAnalyzer::BelowListShift() const { return std::max(0, height() - PxOf(kClientHeight)); }

void frmAnalyzer::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) ApplyLayout();
  QWidget::changeEvent(event);
}

void frmAnalyzer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceControls();
}

void frmAnalyzer::SetListTall(bool tall) {
  listTall_ = tall;
  lstFiles_->setGeometry(
      Placed(kListLeft, kListTop, kListWidth, tall ? kListTallHeight : kListShortHeight, true, true));
}

// The status line shows the text whole when it fits, else cut with "..." and whole in its tooltip.
void frmAnalyzer::ShowStatus(const std::string& text) {
  statusText_ = ui::Q(text);
  const QString shown = lblStatus_->fontMetrics().elidedText(statusText_, Qt::ElideMiddle, lblStatus_->width());
  lblStatus_->setText(shown);
  lblStatus_->setToolTip(shown == statusText_ ? QString() : statusText_);
}

// Each opening shows the window as designed; the run's state (the folder,
// the copied file) stays.
void frmAnalyzer::ResetControls() {
  for (int i = 0; i < kOdfStatCount; ++i) {
    statLabels_.at(i)->setText(ui::Q(kOdfStats.at(i).designCaption));
    statLabels_.at(i)->setToolTip(ui::Q(kOdfStats.at(i).toolTip));
  }
  picImages_->hide();
  lblInvalidPic_->hide();
  ShowStatus({});
  SetListTall(true);
}

void frmAnalyzer::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) ResetControls();
  QWidget::showEvent(event);
}

void frmAnalyzer::hideEvent(QHideEvent* event) {
  // Closing leaves full-window mode; the next opening starts in the normal layout.
  if (!event->spontaneous() && fullWindow_) {
    skipNextClick_ = false;
    ToggleFullWindow();
  }
  QWidget::hideEvent(event);
}

bool frmAnalyzer::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == picImages_) {
    // Only the mouse events below are QMouseEvents; the cast waits for their type.
    auto* mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                          type == QEvent::MouseMove || type == QEvent::MouseButtonRelease
                      ? static_cast<QMouseEvent*>(event)
                      : nullptr;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
      skipNextRelease_ = false;
      if (type == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton) {
        // A double click switches once: the click before it has switched already, and its own release does not
        // switch back. (A double click that comes without that click switches here.)
        const bool clickSwitched =
            lastClickSwitch_.isValid() && lastClickSwitch_.elapsed() <= QApplication::doubleClickInterval();
        if (!clickSwitched) ToggleFullWindow();
        lastClickSwitch_.invalidate();
        skipNextRelease_ = true;
      }
      PictureMouseDown(mouse);
      return true;
    }
    if (type == QEvent::MouseMove) {
      PictureMouseMove(mouse);
      return true;
    }
    if (type == QEvent::MouseButtonRelease) {
      PictureMouseUp();
      const bool secondOfDouble = std::exchange(skipNextRelease_, false);
      // The release that ends a drag is a click wherever the picture stopped.
      if (mouse->button() == Qt::LeftButton && (skipNextClick_ || !secondOfDouble) &&
          (skipNextClick_ || picImages_->rect().contains(mouse->position().toPoint()))) {
        if (!skipNextClick_) lastClickSwitch_.start();
        ToggleFullWindow();
      }
      return true;
    }
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && PictureKey(event)) return true;
  } else if (watched == TreeViewer_->viewport() && type == QEvent::MouseButtonDblClick) {
    // The click before it has made the node under the pointer current; on empty space it is the one clicked last.
    if (!currentFolder_.empty()) launch::OpenOrTell(host_.shell, host_.dialogs, platform::PathToUtf8(currentFolder_));
  } else if (watched == lstFiles_->viewport() && type == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    FilesMouseDown(mouse);
    return mouse->button() != Qt::LeftButton;
  } else if (watched == lstFiles_ && type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    return FilesKeyPress(key->key(), key->modifiers());
  }
  return QWidget::eventFilter(watched, event);
}

// ---- The tree and the file list ----------------------------------------------

void frmAnalyzer::SetUpFolders() {
  TreeViewer_->clear();
  lstFiles_->clear();
  SetListTall(true);
  const fs::path modsDir = library::ModsDir(host_.programDir);
  auto* root = new QTreeWidgetItem(TreeViewer_, {ui::Q(texts::kRootText)});
  root->setData(0, kRawRole, Raw(platform::PathToUtf8(modsDir)));
  root->setData(0, kKeyRole, ui::Q(texts::kRootKey));
  if (isVisible()) repaint();

  const library::ModList list = host_.modList ? host_.modList() : library::ModList();
  const std::vector<TreeMod> mods = AnalyzerTree(modsDir, list);
  std::vector<QTreeWidgetItem*> modNodes;
  for (const TreeMod& mod : mods) {
    auto* node = new QTreeWidgetItem(root, {ui::Q(platform::PrintableName(mod.entry))});
    node->setData(0, kRawRole, Raw(platform::PathToUtf8(mod.folder)));
    node->setData(0, kKeyRole, ui::Q(mod.entry));
    modNodes.push_back(node);
  }
  // Children hang on their parents' items, not on keys, so a mod named like a key ("odf0") cannot clash.
  for (std::size_t m = 0; m < mods.size(); ++m) {
    std::array<QTreeWidgetItem*, kAnalyzerFolderCount + 1> rowNodes{};
    rowNodes[0] = modNodes[m];
    for (const TreeFolder& folder : mods[m].folders) {
      const AnalyzerFolderRow& row = AnalyzerRow(folder.row);
      auto* node = new QTreeWidgetItem(rowNodes.at(static_cast<std::size_t>(row.parent)), {ui::Q(row.text)});
      node->setData(0, kRawRole, Raw(platform::PathToUtf8(folder.folder)));
      node->setData(0, kKeyRole, ui::Q(FolderKey(folder.row, mods[m].entryIndex)));
      rowNodes.at(static_cast<std::size_t>(folder.row)) = node;
    }
  }
}

void frmAnalyzer::NodeClick(QTreeWidgetItem* node) {
  if (!node) return;
  currentFolder_ = platform::PathFromUtf8(FromRaw(node->data(0, kRawRole)));
  ShowStatus({});
  ListFolderFiles();
}

QTreeWidgetItem* frmAnalyzer::SelectedNode() const {
  const QList<QTreeWidgetItem*> selected = TreeViewer_->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void frmAnalyzer::ListFolderFiles() {
  picImages_->hide();
  SetListTall(true);
  lstFiles_->clear();
  if (!currentFolder_.empty()) {
    for (const std::string& name : platform::ListPlainFiles(currentFolder_)) {
      auto* item = new QListWidgetItem(ui::Q(platform::PrintableName(name)), lstFiles_);
      item->setData(kRawRole, Raw(name));
    }
  }
  // The placeholder carries no name, so no file operation takes it for a file.
  if (lstFiles_->count() == 0) lstFiles_->addItem(ui::Q(texts::kNoFilesFound));
}

std::string frmAnalyzer::SelectedEntry() const {
  const QList<QListWidgetItem*> selected = lstFiles_->selectedItems();
  return selected.isEmpty() ? std::string() : FromRaw(selected.first()->data(kRawRole));
}

fs::path frmAnalyzer::EntryPath(const std::string& entry) const {
  return currentFolder_ / platform::PathFromUtf8(entry);
}

void frmAnalyzer::ShowSelectedFile() {
  const std::string entry = SelectedEntry();
  if (entry.empty()) return;
  picImages_->hide();
  lblInvalidPic_->hide();
  for (QLabel* label : statLabels_) label->clear();
  // With no node selected (after a rebuild) the folder is neither ships nor stations.
  const QTreeWidgetItem* node = SelectedNode();
  const FileView view = ViewFor(entry, node ? ui::Utf8(node->text(0)) : std::string());
  if (view.stats) {
    const OdfCaptions captions = ReadOdfStats(EntryPath(entry));
    for (int i = 0; i < kOdfStatCount; ++i) statLabels_.at(i)->setText(ui::Q(captions.at(i)));
    SetListTall(false);
  }
  if (view.picture) ShowPicture(EntryPath(entry));
  if (view.tallList) SetListTall(true);
}

// ---- The picture viewer ---------------------------------------------------------

void frmAnalyzer::ShowPicture(const fs::path& file) {
  picImages_->clear();
  picImages_->show();
  const QImage image = LoadAnalyzerPicture(file);
  if (image.isNull()) {
    picImages_->hide();
    lblInvalidPic_->show();
  } else {
    picImages_->setPixmap(QPixmap::fromImage(image));
  }
  if (fullWindow_) {
    if (!image.isNull()) picImages_->resize(image.size());
    CenterPicture();
  }
  SetListTall(false);
}

void frmAnalyzer::CenterPicture() {
  picImages_->move(width() / 2 - picImages_->width() / 2, height() / 2 - picImages_->height() / 2);
}

void frmAnalyzer::ToggleFullWindow() {
  if (skipNextClick_) {  // the click that ends a drag
    skipNextClick_ = false;
    return;
  }
  if (fullWindow_) {
    for (int i = 0; i < kOdfStatCount; ++i) statLabels_.at(i)->setToolTip(savedToolTips_.at(i));
    fullWindow_ = false;
    cmdNormalWindow_->hide();
    picImages_->stackUnder(lblSelectFolder_);  // back below the list, as designed
    picImages_->setGeometry(NormalPictureRect());
    TreeViewer_->show();
    lstFiles_->show();
    lstFiles_->setFocus();
    lblSelectFolder_->show();
    menuPicRightFullWindow_->setText(ui::Q(texts::kMenuFullWindow));
    menuPicRightCenter_->setEnabled(false);
    return;
  }
  // No tooltip pops up over the picture.
  for (int i = 0; i < kOdfStatCount; ++i) {
    savedToolTips_.at(i) = statLabels_.at(i)->toolTip();
    statLabels_.at(i)->setToolTip(QString());
  }
  const QPixmap picture = picImages_->pixmap();
  if (!picture.isNull()) picImages_->resize(picture.size());
  CenterPicture();
  picImages_->raise();
  cmdNormalWindow_->raise();
  cmdNormalWindow_->show();
  picImages_->setFocus();  // Escape goes to the picture, which leaves this mode with it
  TreeViewer_->hide();
  lstFiles_->hide();
  lblSelectFolder_->hide();
  fullWindow_ = true;
  menuPicRightFullWindow_->setText(ui::Q(texts::kMenuNormalWindow));
  menuPicRightCenter_->setEnabled(true);
}

void frmAnalyzer::PictureMouseDown(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) menuPicRight_->popup(event->globalPosition().toPoint());
  dragStart_ = event->position().toPoint();
}

// The grabbed point stays under the pointer; each axis stops by itself when
// the picture's far edge would come within the margin of the window's edge.
void frmAnalyzer::PictureMouseMove(QMouseEvent* event) {
  if (event->buttons() != Qt::LeftButton || !fullWindow_) return;
  const QPoint at = event->position().toPoint();
  QRect box = picImages_->geometry();
  const int dx = at.x() - dragStart_.x();
  const int dy = at.y() - dragStart_.y();
  if (box.left() + box.width() + dx > PxOf(kDragMargin)) box.moveLeft(box.left() + dx);
  if (box.top() + box.height() + dy > PxOf(kDragMargin)) box.moveTop(box.top() + dy);
  picImages_->move(box.topLeft());
  picImages_->repaint();
  dragged_ = true;
  skipNextClick_ = true;
}

// Escape leaves the full-window mode at the picture, which has the keyboard
// then, so that the key never reaches the window (which it would close).
bool frmAnalyzer::PictureKey(QEvent* event) {
  const auto* key = static_cast<QKeyEvent*>(event);
  if (!fullWindow_ || key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
  event->accept();  // for the shortcut check before the key: no shortcut takes it
  if (event->type() == QEvent::KeyPress) {
    skipNextClick_ = false;
    ToggleFullWindow();
  }
  return true;
}

// Where the picture lost the keyboard, Escape still ends the full window here, before any shortcut of the window.
bool frmAnalyzer::event(QEvent* event) {
  if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) && PictureKey(event))
    return true;
  return QWidget::event(event);
}

void frmAnalyzer::PictureMouseUp() {
  if (!dragged_) return;
  // The limits move with the window's extra size, so a corner of the picture stays inside.
  QPoint at = picImages_->pos();
  at.setY(std::min(at.y(), PxOf(kDragMaxTop) + BelowListShift()));
  at.setX(std::min(at.x(), PxOf(kDragMaxLeft) + std::max(0, width() - PxOf(kClientWidth))));
  picImages_->move(at);
  dragged_ = false;
}

void frmAnalyzer::CopyPicture() {
  QClipboard* clipboard = QApplication::clipboard();
  clipboard->clear();
  const QPixmap picture = picImages_->pixmap();
  if (!picture.isNull()) clipboard->setPixmap(picture);
}

// ---- File operations ------------------------------------------------------------

bool frmAnalyzer::CanPaste() const {
  return !copiedFilePath_.empty() && !currentFolder_.empty() && CopiedFileExists(copiedFilePath_);
}

void frmAnalyzer::FilesMouseDown(QMouseEvent* event) {
  const int row = lstFiles_->indexAt(event->position().toPoint()).row();
  if (row >= 0) {
    lstFiles_->setCurrentRow(row);
  } else {
    lstFiles_->setCurrentRow(-1);  // below the last entry nothing stays selected
  }
  const bool onEntry = lstFiles_->currentItem() != nullptr;
  const bool onFile = !SelectedEntry().empty();
  for (QAction* action : {menuLstFilesRightOpen_, menuLstFilesRightRemove_, menuLstFilesRightCopy_}) {
    action->setVisible(true);
    action->setEnabled(onFile);
  }
  if (event->button() != Qt::RightButton) return;
  const QPoint at = event->globalPosition().toPoint();
  if (onEntry) {
    menuLstFilesRightPaste_->setEnabled(CanPaste());
    menuLstFilesRight_->setDefaultAction(menuLstFilesRightOpen_);
    menuLstFilesRight_->popup(at);
  } else if (!copiedFilePath_.empty()) {
    for (QAction* action : {menuLstFilesRightOpen_, menuLstFilesRightRemove_, menuLstFilesRightCopy_}) {
      action->setVisible(false);
    }
    menuLstFilesRightPaste_->setEnabled(CanPaste());
    menuLstFilesRight_->setDefaultAction(nullptr);
    menuLstFilesRight_->popup(at);
  }
}

bool frmAnalyzer::FilesKeyPress(int key, Qt::KeyboardModifiers modifiers) {
  const bool control = (modifiers & Qt::ControlModifier) != 0;
  if (control && key == Qt::Key_V) {
    PasteFile();
    return true;
  }
  if (SelectedEntry().empty()) return false;
  if (control && key == Qt::Key_C) {
    CopyFile();
  } else if (control && key == Qt::Key_D) {
    RemoveFile();
  } else if (!control && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
    OpenFile();
  } else {
    return false;
  }
  return true;
}

void frmAnalyzer::OpenFile() {
  const std::string entry = SelectedEntry();
  if (entry.empty()) return;
  const fs::path file = EntryPath(entry);
  ShowStatus({});
  if (IsPlayedWave(file, entry)) {
    PlayWave(file, entry);
  } else {
    launch::OpenOrTell(host_.shell, host_.dialogs, platform::PathToUtf8(file));
  }
}

// A damaged wave never reaches the player, where it would hold up every sound after it; the user reads why.
void frmAnalyzer::PlayWave(const fs::path& file, const std::string& entry) {
  if (const std::optional<std::string> problem = WaveProblem(file)) {
    ShowStatus(std::string(texts::kCouldNotPlay) + platform::PrintableName(entry) + ": " + *problem);
    return;
  }
  host_.shell.PlayWave(file);
}

void frmAnalyzer::CopyFile() {
  const std::string entry = SelectedEntry();
  if (entry.empty()) return;
  copiedFilePath_ = EntryPath(entry);
  copiedFileName_ = entry;
}

void frmAnalyzer::PasteFile() {
  if (!CanPaste()) return;
  const std::string remembered = SelectedEntry();
  PasteResult result;
  {
    const auto lock =
        ui::LockForWindow(host_.dialogs, {library::ModsDir(host_.programDir)}, std::string(texts::kPasteFailedTitle));
    if (!lock) return;
    // A paste never replaces a file, so only the folder it goes to is looked at; like every change of a
    // mod's files it waits for the game to close.
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(copiedFilePath_, ec);
    const fs::path gameDir = host_.gameDir ? host_.gameDir().value_or(fs::path()) : fs::path();
    if (!flow::CheckBeforeChanges(host_.dialogs, std::string(texts::kPasteFailedTitle), gameDir,
                                  {{.target = currentFolder_, .bytes = ec ? 0 : size, .folder = true}})) {
      return;
    }
    result = analyzer::PasteFile(copiedFilePath_, currentFolder_, copiedFileName_, *lock);
  }
  if (result.outcome == PasteOutcome::Exists) {
    host_.dialogs.Ask(std::string(texts::kFileExists), std::string(texts::kFileExistsTitle), flow::Buttons::Ok,
                      flow::Icon::Exclamation);
  } else if (result.outcome == PasteOutcome::Failed) {
    host_.dialogs.Ask(platform::PrintableName(copiedFileName_) + " could not be pasted:\n" + result.why,
                      std::string(texts::kPasteFailedTitle), flow::Buttons::Ok, flow::Icon::Exclamation);
  }
  ListFolderFiles();
  for (int row = 0; row < lstFiles_->count() && !remembered.empty(); ++row) {
    if (FromRaw(lstFiles_->item(row)->data(kRawRole)) == remembered) lstFiles_->setCurrentRow(row);
  }
}

void frmAnalyzer::RemoveFile() {
  const std::string entry = SelectedEntry();
  if (entry.empty()) return;
  const fs::path file = EntryPath(entry);
  const std::string shown = platform::PrintableName(entry);
  std::string failure;
  {
    const auto lock =
        ui::LockForWindow(host_.dialogs, {library::ModsDir(host_.programDir)}, std::string(texts::kRemoveFailedTitle));
    if (!lock) return;
    const RemoveResult result = analyzer::RemoveFile(file, *lock);
    if (result.outcome == RemoveOutcome::Failed) failure = result.why;
    // Deleting for good is the user's call, made knowing that it cannot be undone.
    if (result.outcome == RemoveOutcome::NoTrash &&
        host_.dialogs.AskDestructive(
            shown + " cannot be moved to the trash (" + result.why +
                "), so it can only be deleted for good, with no way to bring it back.\n\nDelete it "
                "for good?",
            std::string(texts::kRemoveTitle), flow::Buttons::YesNo, flow::Icon::Exclamation) == flow::Answer::Yes) {
      const platform::FsResult deleted = DeleteForGood(file, *lock);
      if (!deleted) failure = deleted.Message();
    }
  }
  if (!failure.empty()) {
    host_.dialogs.Ask(shown + " could not be removed:\n" + failure, std::string(texts::kRemoveFailedTitle),
                      flow::Buttons::Ok, flow::Icon::Exclamation);
  }
  ListFolderFiles();
}

}  // namespace drydock::analyzer
