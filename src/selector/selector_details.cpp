// The details panel of the main window: the selected mod's fields, picture,
// file count and size.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QToolTip>
#include <algorithm>

#include "modinfo/details_panel.h"
#include "modinfo/details_picture.h"
#include "modinfo/frm_edit_mod_info.h"
#include "selector/frm_selector.h"
#include "selector/selector_texts.h"
#include "ui/freeze.h"
#include "ui/qt_text.h"

namespace drydock::selector {

namespace {
constexpr int kPictureHeightTwips = 1335;

QString Shown(const std::string& caption) { return QString::fromStdString(modinfo::StripMnemonics(caption)); }
}  // namespace

void frmSelector::ShowModDetails() {
  const QString selected = SelectedText();
  if (selected.isEmpty() || selected == ui::Q(library::kNoModsFound)) {
    const QString none = ui::Q(modinfo::kNoModSelected);
    for (QLabel* l : {lblModsDescription_, lblModsVersion_, lblModsMaker_, lblModsOther_}) l->setText(none);
    lblModNumOfFiles_->setText(ui::Q(modinfo::kModNumOfFilesPrefix) + QStringLiteral("N/A"));
    lblModSize_->setText(ui::Q(modinfo::kModSizePrefix) + none);
    lblModsOtherHeading_->setText(ui::Q(modinfo::kDefaultOtherHeading));
    for (QLabel* l : {lblModsMaker_, lblModsDescription_, lblModsVersion_, lblModsOtherHeading_, lblModsOther_}) {
      l->setToolTip(QString());
    }
    // Nor does a mod's picture stay once its mod is gone.
    if (pictureLayout_) {
      picModsPic_->clear();
      picModsPic_->hide();
      lblInvalidPic_->hide();
      ApplyLayout(false);
    }
    return;
  }
  ui::FreezeWindow(this);
  const modinfo::ModDetails details =
      modinfo::ReadModDetails(library::EntryFolder(ModsDir(), modList_, lstMods_->currentRow()));
  const modinfo::DetailsView view = modinfo::MakeDetailsView(details, modinfo::LocaleDecimalPoint());

  menuModCurrentModViewReadme_->setEnabled(view.readmeEnabled);
  lblModSize_->setText(QString::fromStdString(view.modSize));
  lblModNumOfFiles_->setText(QString::fromStdString(view.modNumOfFiles));

  const int shift = Px(kPictureHeightTwips);
  lblInvalidPic_->hide();
  if (view.picture != modinfo::PictureState::None) {
    const QImage image = modinfo::DecodeDetailsPicture(view);
    picModsPic_->setPixmap(QPixmap::fromImage(image));
    picModsPic_->resize(picModsPic_->width(), image.isNull() ? 1 : shift);
    ApplyLayout(true);
    picModsPic_->show();
    if (image.isNull()) lblInvalidPic_->show();
  } else {
    picModsPic_->clear();
    picModsPic_->hide();
    ApplyLayout(false);
  }
  // While the player types in the filter box the selection follows the matches, and the keys stay in the box.
  if (!txtFilter_->hasFocus()) lstMods_->setFocus();

  lblModsMaker_->setText(Shown(view.info.author));
  lblModsDescription_->setText(Shown(view.info.description));
  lblModsVersion_->setText(Shown(view.info.version));
  lblModsOther_->setText(Shown(view.info.other));
  lblModsOtherHeading_->setText(Shown(view.info.otherHeading));
  for (QLabel* l : {lblModsMaker_, lblModsDescription_, lblModsVersion_, lblModsOtherHeading_, lblModsOther_}) {
    SetFullTextTip(l);
  }
  // The open editor takes the values of the mod shown.
  if (frmEditModInfo_) frmEditModInfo_->ShowModValues(view.info);
  ui::UnfreezeWindow();
}

void frmSelector::SetFullTextTip(QLabel* label) {
  // A value longer than its fixed box is still readable in full as a
  // tooltip, wrapped, and cut where it would run off the screen.
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QFontMetrics metrics(QToolTip::font());
  const int width = std::max(200, (screen ? screen->availableGeometry().width() : 1024) / 2);
  const int maxLines = std::max(1, (screen ? screen->availableGeometry().height() : 768) / metrics.lineSpacing() - 2);
  QStringList lines;
  for (const QString& paragraph : label->text().split(QLatin1Char('\n'))) {
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
      const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
      if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
        lines << line;
        line = word;
      } else {
        line = longer;
      }
      // A single word wider than the tip is cut at its width.
      while (metrics.horizontalAdvance(line) > width && line.size() > 1) {
        int fit = line.size() - 1;
        while (fit > 1 && metrics.horizontalAdvance(line.left(fit)) > width) fit = fit * 3 / 4;
        lines << line.left(fit);
        line = line.mid(fit);
      }
    }
    lines << line;
  }
  if (lines.size() > maxLines) {
    lines = lines.mid(0, maxLines);
    lines.last() = metrics.elidedText(lines.last() + QStringLiteral(" \u2026"), Qt::ElideRight, width);
  }
  label->setToolTip(lines.join(QLatin1Char('\n')));
}

}  // namespace drydock::selector
