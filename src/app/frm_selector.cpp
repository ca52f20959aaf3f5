#include "app/frm_selector.h"

#include <QListWidget>

#include "platform/names.h"

namespace drydock::app {

frmSelector::frmSelector(std::filesystem::path programDir, std::filesystem::path gameDir, QWidget* parent)
    : QMainWindow(parent), programDir_(std::move(programDir)), gameDir_(std::move(gameDir)) {
  setObjectName(QStringLiteral("frmSelector"));
  setWindowTitle(QStringLiteral("Drydock"));
  lstMods_ = new QListWidget(this);
  lstMods_->setObjectName(QStringLiteral("lstMods"));
  setCentralWidget(lstMods_);
  resize(457, 410);
  library::EnsureModsDir(programDir_);
  FillFromLibrary();
}

void frmSelector::FillFromLibrary() {
  modList_ = library::FillModList(library::ModsDir(programDir_));
  lstMods_->clear();
  if (modList_.empty())
    lstMods_->addItem(QString::fromUtf8(library::kNoModsFound.data(), library::kNoModsFound.size()));
  for (const std::string& entry : modList_) lstMods_->addItem(QString::fromStdString(entry));
  if (lstMods_->count() > 0) lstMods_->setCurrentRow(0);
}

}  // namespace drydock::app
