#include "install/frm_installed_mods.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "install/installed_mods.h"

namespace drydock::install {

frmInstalledMods::frmInstalledMods(std::filesystem::path modsDir, std::function<library::ModList()> mainList,
                                   std::function<void()> firstFill, QWidget* parent)
    : QDialog(parent), modsDir_(std::move(modsDir)), mainList_(std::move(mainList)), firstFill_(std::move(firstFill)) {
  setObjectName(QStringLiteral("frmInstalledMods"));
  setWindowTitle(QStringLiteral("Installed Mods"));
  lblInfo1_ = new QLabel(QStringLiteral("Installed Mods:"), this);
  lblInfo1_->setObjectName(QStringLiteral("lblInfo1"));
  lstCurrentMods_ = new QListWidget(this);
  lstCurrentMods_->setObjectName(QStringLiteral("lstCurrentMods"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblInfo1_);
  layout->addWidget(lstCurrentMods_);
  resize(260, 300);
  Fill();  // created hidden by the first refresh, which fills it
}

void frmInstalledMods::SetEntries(const std::vector<std::string>& entries) {
  lstCurrentMods_->clear();
  for (const std::string& e : entries) lstCurrentMods_->addItem(QString::fromStdString(e));
  if (!filledOnce_) {
    filledOnce_ = true;
    if (firstFill_) firstFill_();
  }
  lstCurrentMods_->setCurrentRow(0);
}

void frmInstalledMods::Fill() { SetEntries(InstalledModEntries(modsDir_, mainList_())); }

void frmInstalledMods::SelectText(const QString& text) {
  const auto found = lstCurrentMods_->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) lstCurrentMods_->setCurrentItem(found.first());
}

bool frmInstalledMods::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) Fill();
  return QDialog::event(e);
}

}  // namespace drydock::install
