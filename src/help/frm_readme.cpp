#include "help/frm_readme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "help/help_texts.h"
#include "help/readme_topics.h"
#include "launch/launch.h"
#include "platform/shell.h"
#include "ui/qt_text.h"

namespace drydock::help {

namespace {
constexpr int kTextMargin = 8;
// The text column's width in average characters: at least, and when the window opens.
constexpr int kMinTextChars = 30;
constexpr int kTextChars = 70;
constexpr int kSlack = 4;  // pixels that rounding may add to a measured text
}  // namespace

frmReadme::frmReadme(std::filesystem::path programDir, platform::Shell& shell, flow::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), programDir_(std::move(programDir)), shell_(shell), dialogs_(dialogs) {
  setObjectName(QStringLiteral("frmReadme"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ui::Q(texts::kReadmeCaption));

  lstChoices_ = new QListWidget(this);
  lstChoices_->setObjectName(QStringLiteral("lstChoices"));
  // The list is as wide as its longest entry, so no topic is cut.
  lstChoices_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  lstChoices_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  lstChoices_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  lblDisplay_ = new QLabel;
  lblDisplay_->setObjectName(QStringLiteral("lblDisplay"));
  lblDisplay_->setTextFormat(Qt::PlainText);
  lblDisplay_->setWordWrap(true);
  lblDisplay_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblDisplay_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  lblEmail_ = new QLabel(ui::Q(texts::kContactAddress));
  lblEmail_->setObjectName(QStringLiteral("lblEmail"));
  lblEmail_->setTextFormat(Qt::PlainText);
  lblEmail_->setCursor(Qt::PointingHandCursor);
  lblEmail_->setForegroundRole(QPalette::Link);
  QFont linkFont = lblEmail_->font();
  linkFont.setUnderline(true);
  lblEmail_->setFont(linkFont);
  lblEmail_->installEventFilter(this);

  // A long text at a large font scrolls instead of being cut.
  auto* page = new QWidget;
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(kTextMargin, kTextMargin, kTextMargin, kTextMargin);
  pageLayout->addWidget(lblDisplay_);
  pageLayout->addWidget(lblEmail_, 0, Qt::AlignLeft);
  pageLayout->addStretch();
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(page);
  scroll_->setWidgetResizable(true);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setFocusPolicy(Qt::NoFocus);  // a click on the address leaves the keyboard with the list

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(lstChoices_);
  layout->addWidget(scroll_, 1);

  for (const ReadmeTopic& topic : ReadmeTopics()) lstChoices_->addItem(ui::Q(topic.entry));
  connect(lstChoices_, &QListWidget::currentRowChanged, this, &frmReadme::ShowTopic);
  const auto first = lstChoices_->findItems(ui::Q(kFirstTopic), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!first.isEmpty()) lstChoices_->setCurrentItem(first.first());
  lstChoices_->setFocus();
  FitToFont();
}

void frmReadme::FitToFont() {
  const int charWidth = fontMetrics().averageCharWidth();
  const int chrome = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * scroll_->frameWidth();
  // The text column never gets narrower than the address on one line, since it does not scroll sideways.
  // Measured with the window's new font: the labels may not have taken it yet.
  QFont linkFont = font();
  linkFont.setUnderline(true);
  const int address = QFontMetrics(linkFont).boundingRect(lblEmail_->text()).width() + 2 * kTextMargin + kSlack;
  scroll_->setMinimumWidth(std::max(address, kMinTextChars * charWidth) + chrome);
  layout()->activate();
  QSize size = sizeHint();
  size.rwidth() += std::max(0, kTextChars * charWidth + chrome - scroll_->sizeHint().width());
  if (screen()) size = size.boundedTo(screen()->availableGeometry().size());
  resize(size.expandedTo(minimumSizeHint()));
}

// The size follows the font at once, before the window is placed and shown:
// a resize while it is shown for the first time would move it off its place.
void frmReadme::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) FitToFont();
  QWidget::changeEvent(event);
}

void frmReadme::ShowTopic(int row) {
  const QListWidgetItem* item = lstChoices_->item(row);
  if (!item) return;
  lblEmail_->hide();
  const std::string title = ui::Utf8(item->text().trimmed());
  const std::optional<std::string> text = TopicText(title, programDir_);
  if (!text) return;
  if (title == kContactTopic) lblEmail_->show();
  lblDisplay_->setText(ui::Q(*text));
}

bool frmReadme::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblEmail_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    launch::OpenOrTell(shell_, dialogs_, "mailto:" + ui::Utf8(lblEmail_->text()));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace drydock::help
