// The details panel of the main window: the selected mod's fields, picture,
// file count and size.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>

#include "app/frm_selector.h"
#include "app/selector_texts.h"
#include "modinfo/details_panel.h"
#include "modinfo/details_picture.h"
#include "ui/freeze.h"

namespace drydock::app {

namespace {
constexpr int kPictureHeightTwips = 1335;

QString Shown(const std::string& caption) { return QString::fromStdString(modinfo::StripMnemonics(caption)); }
}  // namespace

void frmSelector::ShowModDetails() {
  const QString selected = SelectedText();
  if (selected.isEmpty() || selected == QString::fromUtf8(library::kNoModsFound.data())) {
    const QString none = QString::fromUtf8(modinfo::kNoModSelected.data());
    for (QLabel* l : {lblModsDescription_, lblModsVersion_, lblModsMaker_, lblModsOther_}) l->setText(none);
    lblModNumOfFiles_->setText(QString::fromUtf8(texts::kModNumOfFilesNA));
    lblModSize_->setText(QString::fromUtf8(texts::kModSizePrefix) + none);
    lblModsOtherHeading_->setText(QString::fromUtf8(modinfo::kDefaultOtherHeading.data()));
    return;
  }
  ui::FreezeWindow(this);
  const std::string modPath = library::ResolveModPath(modList_, lstMods_->currentRow());
  const modinfo::ModDetails details = modinfo::ReadModDetails(library::ModFolder(ModsDir(), modPath));
  const modinfo::DetailsView view = modinfo::MakeDetailsView(details, modinfo::LocaleDecimalPoint());

  menuModCurrentModViewReadme_->setEnabled(view.readmeEnabled);
  lblModSize_->setText(QString::fromStdString(view.modSize));
  lblModNumOfFiles_->setText(QString::fromStdString(view.modNumOfFiles));

  const bool wasPicture = pictureLayout_;
  const int shift = Px(kPictureHeightTwips);
  lblInvalidPic_->hide();
  if (view.picture != modinfo::PictureState::None) {
    const QImage image = modinfo::DecodeDetailsPicture(view);
    picModsPic_->setPixmap(QPixmap::fromImage(image));
    picModsPic_->resize(picModsPic_->width(), image.isNull() ? 1 : shift);
    if (!wasPicture) {
      // The window grows upwards so that its bottom edge stays put, never above the screen's top.
      const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
      const int top = screen ? screen->availableGeometry().top() : 0;
      move(x(), std::max(top, y() - shift));
    }
    ApplyLayout(true);
    picModsPic_->show();
    if (image.isNull()) lblInvalidPic_->show();
  } else {
    picModsPic_->clear();
    picModsPic_->hide();
    if (wasPicture) move(x(), y() + shift);
    ApplyLayout(false);
  }
  lstMods_->setFocus();

  lblModsMaker_->setText(Shown(view.info.author));
  lblModsDescription_->setText(Shown(view.info.description));
  lblModsVersion_->setText(Shown(view.info.version));
  lblModsOther_->setText(Shown(view.info.other));
  lblModsOtherHeading_->setText(Shown(view.info.otherHeading));
  // A value longer than its fixed box is still readable in full as a tooltip.
  for (QLabel* l : {lblModsMaker_, lblModsDescription_, lblModsVersion_, lblModsOtherHeading_, lblModsOther_}) {
    l->setToolTip(l->text());
  }
  ui::UnfreezeWindow();
}

}  // namespace drydock::app
