#include "help/frm_about.h"

#include <QFrame>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "help/help_texts.h"
#include "help/versions.h"
#include "ui/qt_text.h"

namespace drydock::help {

namespace {
constexpr int kIconPx = 32;

QLabel* AddLabel(QWidget* box, const char* name, const QString& text) {
  auto* label = new QLabel(text, box);
  label->setObjectName(QString::fromUtf8(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

QFrame* Line(QWidget* box, const char* name) {
  auto* line = new QFrame(box);
  line->setObjectName(QString::fromUtf8(name));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}
}  // namespace

frmAbout::frmAbout(const std::optional<std::filesystem::path>& gameDir, QWidget* parent) : FittedWindow(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ui::Q(texts::kAboutCaption));

  auto* picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  if (parent) picIcon->setPixmap(parent->windowIcon().pixmap(kIconPx, kIconPx));
  picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  picIcon->setMinimumWidth(kIconPx);

  QLabel* lblTitle = AddLabel(this, "lblTitle", ui::Q(texts::kAboutTitle));
  QFont bold = lblTitle->font();
  bold.setBold(true);
  lblTitle->setFont(bold);
  QLabel* lblVersion = AddLabel(this, "lblVersion", ui::Q(ProgramVersionLine()));
  QLabel* lblDescription = AddLabel(this, "lblDescription", ui::Q(texts::kAboutDescription));
  lblDescription->setWordWrap(true);
  QLabel* lblCurVersion = AddLabel(this, "lblCurVersion", ui::Q(GameVersionLine(gameDir)));

  auto* cmdOK = new QPushButton(ui::Q(texts::kOK), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setAutoDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
  new QShortcut(QKeySequence::Cancel, this, this, &QWidget::close);

  auto* layout = new QGridLayout(this);
  layout->addWidget(picIcon, 0, 0, 2, 1);
  layout->addWidget(lblTitle, 0, 1);
  layout->addWidget(lblVersion, 1, 1);
  layout->addWidget(Line(this, "Line1"), 2, 0, 1, 2);
  layout->addWidget(lblDescription, 3, 0, 1, 2);
  layout->addWidget(Line(this, "Line2"), 4, 0, 1, 2);
  layout->addWidget(lblCurVersion, 5, 0, 1, 2);
  layout->addWidget(cmdOK, 6, 0, 1, 2, Qt::AlignRight);
  layout->setColumnStretch(1, 1);
  Fit();
  cmdOK->setFocus();
}

}  // namespace drydock::help
