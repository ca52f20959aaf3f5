#include "help/frm_changes.h"

#include <QDialogButtonBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "help/help_texts.h"
#include "help/versions.h"
#include "ui/qt_text.h"

namespace drydock::help {

frmChanges::frmChanges(QWidget* parent) : FittedWindow(parent) {
  setObjectName(QStringLiteral("frmChanges"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ui::Q(texts::kChangesCaption));

  auto* layout = new QVBoxLayout(this);
  auto* lblVersion = new QLabel(ui::Q(ProgramVersionLine()), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  QFont bold = lblVersion->font();
  bold.setBold(true);
  lblVersion->setFont(bold);
  layout->addWidget(lblVersion);
  layout->addSpacing(lblVersion->fontMetrics().height() / 2);

  int number = 0;
  for (const std::string_view change : texts::kChanges) {
    auto* label = new QLabel(ui::Q(change), this);
    label->setObjectName(QStringLiteral("lblChanges%1").arg(++number));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
  }

  auto* OKButton = new QPushButton(ui::Q(texts::kOK), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setAutoDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QWidget::close);
  new QShortcut(QKeySequence::Cancel, this, this, &QWidget::close);
  layout->addSpacing(lblVersion->fontMetrics().height() / 2);
  layout->addWidget(OKButton, 0, Qt::AlignRight);
  Fit();
  OKButton->setFocus();
}

}  // namespace drydock::help
