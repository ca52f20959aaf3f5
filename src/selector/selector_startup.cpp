// Start-up of the main window, in the order the user sees it happen.
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "archive/archive_add.h"
#include "flow/dialogs.h"
#include "modinfo/mod_info.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/system.h"
#include "platform/writer_lock.h"
#include "selector/frm_selector.h"
#include "selector/selector_texts.h"
#include "ui/qt_text.h"

namespace drydock::selector {

namespace {

// Told when the first run ends without a game folder, before the program closes.
const char* const kNoGameFolderChosen =
    platform::kWindows
        ? "Drydock cannot install mods without the Armada II game folder, and none was chosen, so it closes now.\n\n"
          "Next time, choose the folder that holds Armada2.exe in the \"Change A2 Directory\" window, or start Drydock "
          "with --game-dir FOLDER. By itself, Drydock finds the game where its installer registered it, or searches "
          "the "
          "drive that holds Drydock for Armada2.exe."
        : "Drydock cannot install mods without the Armada II game folder, and none was chosen, so it closes now.\n\n"
          "Next time, choose the folder that holds Armada2.exe in the \"Change A2 Directory\" window, or start Drydock "
          "with --game-dir FOLDER. By itself, Drydock reads where the game's installer registered it in the Wine "
          "prefixes ($WINEPREFIX, ~/.wine, and those of Steam, Lutris, Heroic and Bottles), and else searches those "
          "prefixes, your home folder and the disk that holds Drydock for Armada2.exe.";

}  // namespace

void frmSelector::Startup(const std::filesystem::path& programDir, std::optional<std::filesystem::path> gameDir,
                          std::filesystem::path winePrefix) {
  winePrefix_ = std::move(winePrefix);
  show();
  repaint();
  gameDir_ = std::move(gameDir);
  // A folder that is gone is no game directory: nothing to count, and the dialog asks for one.
  if (gameDir_ && !platform::IsFolder(*gameDir_)) gameDir_.reset();
  programDir_ = platform::PathFromUtf8(library::NormalizeProgramDir(platform::PathToUtf8(programDir)));
  library::EnsureModsDir(programDir_);
  // What a killed add left beside the mods folder goes, unless another run is adding right now.
  if (const auto lock = platform::WriterLock::Acquire({ModsDir()}, std::chrono::milliseconds(0))) {
    (void)archive::RemoveAddLeftovers(ModsDir(), *lock);
  }
  modList_ = library::FillModList(ModsDir());
  FillListWidget();

  const QString notFound = ui::Q(modinfo::kNoFile);
  for (QLabel* l : {lblModsDescription_, lblModsVersion_, lblModsMaker_, lblModsOther_}) l->setText(notFound);
  lblModNumOfFiles_->setText(QString::fromUtf8(texts::kModNumOfFiles));
  lblModsOtherHeading_->setText(ui::Q(modinfo::kDefaultOtherHeading));
  repaint();

  if (!modList_.empty()) lstMods_->setCurrentRow(0);  // shows the first mod's details

  // The count climbs visibly in steps of 22 while it runs.
  CountGameFiles(/*showSteps=*/true);
  ShowA2FileCount();
  fileCount_ = 0;

  RefreshModList(RefreshOptions::Silent());

  timRefreshModList_->start();
  timClickMod_->start();

  if (!gameDir_) {
    lblA2NumOfFiles_->setText(QString::fromUtf8(texts::kA2FolderNotFound));
    lblA2NumOfFiles_->repaint();
    OpenGameDirDialog(/*modal=*/true);
    // Cancel ends the program; the player learns why and what to do next time.
    if (quitRequested_)
      services_.dialogs.Ask(kNoGameFolderChosen, flow::kDefaultTitle, flow::Buttons::Ok, flow::Icon::Information);
  }
}

}  // namespace drydock::selector
