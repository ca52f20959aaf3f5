#include "install/frm_installed_mods.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace drydock::install {

frmInstalledMods::frmInstalledMods(std::filesystem::path modsDir, std::function<library::ModList()> mainList,
                                   std::function<std::optional<std::filesystem::path>()> gameDir,
                                   std::function<void()> firstFill, QWidget* parent)
    : QDialog(parent),
      modsDir_(std::move(modsDir)),
      mainList_(std::move(mainList)),
      gameDir_(std::move(gameDir)),
      firstFill_(std::move(firstFill)) {
  setObjectName(QStringLiteral("frmInstalledMods"));
  setWindowTitle(QStringLiteral("Installed Mods"));
  lblInfo1_ = new QLabel(QStringLiteral("Installed Mods:"), this);
  lblInfo1_->setObjectName(QStringLiteral("lblInfo1"));
  lstCurrentMods_ = new QListWidget(this);
  lstCurrentMods_->setObjectName(QStringLiteral("lstCurrentMods"));
  lblCoveredBy_ = new QLabel(this);
  lblCoveredBy_->setObjectName(QStringLiteral("lblCoveredBy"));
  lblCoveredBy_->setWordWrap(true);
  lblCoveredBy_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblInfo1_);
  layout->addWidget(lstCurrentMods_);
  layout->addWidget(lblCoveredBy_);
  connect(lstCurrentMods_, &QListWidget::currentRowChanged, this, [this] { ShowCovering(); });
  resize(260, 300);
  Fill();  // created hidden by the first refresh, which fills it
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

bool frmInstalledMods::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) Fill();
  return QDialog::event(e);
}

}  // namespace drydock::install
