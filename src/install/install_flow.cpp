#include "install/install_flow.h"

#include "flow/dialogs.h"
#include "install/install_plan.h"
#include "install/installed_mods.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;
using drydock::flow::Answer;
using drydock::flow::Buttons;
using drydock::flow::Icon;

namespace drydock::install {

namespace {

constexpr char kInstallCaption[] = "Install Mod";
constexpr char kUninstallCaption[] = "Uninstall Mod";
constexpr char kSelectAMod[] = "Please select a mod.";
constexpr char kSelectAModTitle[] = "Select a mod";
constexpr char kInstallFirst[] =
    "You must place a mod into the mods\\(mod's name) folder before you can install. You can find instructions in "
    "the Help\\View Readme menu.";
constexpr char kInstallFirstTitle[] = "Install mod first";
constexpr char kFolderGone[] =
    "The folder you have selected no longer exists. Please check to see if it has been renamed or moved.";
constexpr char kFolderGoneTitle[] = "Folder not found.";
constexpr char kNotInstalled[] =
    "This mod does not appear to be installed. If there is no backup for a file, it will be deleted and not "
    "replaced. Continue anyway?";
constexpr char kNotInstalledTitle[] = "Mod not installed";
constexpr char kNoGameDirTitle[] = "Armada II directory not found";
constexpr char kShippedBackupHint[] =
    "\nThe mod's Backup folder has no install record. If the mod came with a Backup folder of its own, move that "
    "folder out of the mod's folder and install again.";
constexpr char kForceHint[] =
    "\nTo put back every original the backup still has, leave the game's files whose originals are gone as they "
    "are and move the rest of the Backup folder to the trash, uninstall with --force.";

std::string DisplayName(const std::string& entry) {
  return library::IsAddonEntry(entry) ? entry.substr(library::kAddonIndent.size()) : entry;
}

// Disables the controls that start a command while it runs, and enables
// them again however it ends.
class ControlsOff {
 public:
  ControlsOff(InstallHost& host, void (InstallHost::*enable)(bool)) : host_(host), enable_(enable) {
    (host_.*enable_)(false);
  }
  ~ControlsOff() { (host_.*enable_)(true); }
  ControlsOff(const ControlsOff&) = delete;
  ControlsOff& operator=(const ControlsOff&) = delete;

 private:
  InstallHost& host_;
  void (InstallHost::*enable_)(bool);
};

Report Refusal(std::string why) {
  Report r;
  r.refused = true;
  r.refusal = std::move(why);
  return r;
}

int Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return -1;
  const std::int64_t p = done * 100 / total;
  return p < 0 || p > 100 ? -1 : static_cast<int>(p);
}

std::string Files(std::int64_t n) { return std::to_string(n) + (n == 1 ? " file" : " files"); }

// What the install (`install`) or the uninstall of the mod would do, file by
// file, for the question's Show Details: read without the lock, on the host's
// worker, changing nothing. Empty while the game folder is not known, or when
// reading failed (the run plans again under the lock and says what stops it).
std::string PlanDetails(InstallHost& host, const std::optional<fs::path>& gameDir, const fs::path& modFolder,
                        bool install) {
  if (!gameDir || !platform::IsFolder(*gameDir)) return {};
  std::string details;
  host.SetBusy(true);
  try {
    host.RunLong([&] {
      if (install && IsInstalled(modFolder)) {
        details = "Installed already: it is uninstalled first.\n" +
                  DescriptionText(Describe(PreviewUninstall(*gameDir, modFolder)));
      } else {
        details = DescriptionText(install ? Describe(PlanInstall(*gameDir, modFolder))
                                          : Describe(PreviewUninstall(*gameDir, modFolder)));
      }
    });
  } catch (...) {
    details.clear();
  }
  host.SetBusy(false);
  return details;
}

}  // namespace

std::string FirstFew(const std::vector<std::string>& items, std::size_t shown) {
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < shown; ++i) text += "\n    " + items[i];
  if (items.size() > shown) text += "\n    and " + std::to_string(items.size() - shown) + " more";
  return text;
}

std::string DescribeFailures(const std::vector<FileFailure>& failures, std::size_t shown) {
  std::vector<std::string> items;
  for (std::size_t i = 0; i < failures.size() && i < shown; ++i) {
    items.push_back(failures[i].relativePath + " (" + failures[i].reason + ")");
  }
  items.resize(failures.size());
  return FirstFew(items, shown);
}

ModInstaller::ModInstaller(flow::Dialogs& dialogs, InstallHost& host, fs::path modsDir,
                           std::function<std::optional<fs::path>()> gameDir)
    : dialogs_(dialogs), host_(host), modsDir_(std::move(modsDir)), gameDir_(std::move(gameDir)) {}

fs::path ModInstaller::GameDir() const { return gameDir_().value_or(fs::path()); }

fs::path ModInstaller::ModFolder(const Selection& selection) const {
  return selection.folder.empty() ? library::ModFolder(modsDir_, selection.modPath) : selection.folder;
}

bool ModInstaller::CheckSelection(const Selection& selection) {
  if (selection.entry.empty()) {
    dialogs_.Ask(kSelectAMod, kSelectAModTitle, Buttons::Ok, Icon::Exclamation);
    return false;
  }
  if (selection.entry == library::kNoModsFound || selection.modPath.empty()) {
    dialogs_.Ask(kInstallFirst, kInstallFirstTitle, Buttons::Ok, Icon::Exclamation);
    return false;
  }
  return true;
}

bool ModInstaller::CheckGameDir() {
  const std::optional<fs::path> gameDir = gameDir_();
  if (!gameDir || !platform::IsFolder(*gameDir)) {
    dialogs_.Ask(std::string(kNoGameDirText), kNoGameDirTitle, Buttons::Ok, Icon::Exclamation);
    return false;
  }
  return true;
}

std::optional<platform::WriterLock> ModInstaller::LockGame(const std::string& title) {
  return LockForChanges(dialogs_, host_, {GameDir(), modsDir_}, title, GameDir());
}

bool ModInstaller::RunLong(const std::string& title, const std::function<void()>& work) {
  std::exception_ptr error;
  try {
    host_.RunLong(work);
    return true;
  } catch (...) {
    error = std::current_exception();
  }
  host_.SetBusy(false);
  host_.ShowProgress(false);
  dialogs_.Ask(flow::UnexpectedErrorText(error) +
                   "\nThe files handled so far are in their places; every kept original is still in the mod's "
                   "Backup folder.",
               title, Buttons::Ok, Icon::Exclamation);
  return false;
}

Outcome ModInstaller::InstallMod(const Selection& selection) {
  const ControlsOff controlsOff(host_, &InstallHost::EnableInstall);
  auto stop = [this](Outcome outcome) {
    host_.SetBusy(false);
    host_.SetInstallCaption(kInstallCaption);
    return outcome;
  };

  if (!CheckSelection(selection)) return stop(Outcome::Cancelled);
  const std::string name = DisplayName(selection.entry);
  const std::string title = "Install " + name + " mod";
  const std::string details = PlanDetails(host_, gameDir_(), ModFolder(selection), /*install=*/true);
  if (dialogs_.Ask("You have selected the " + name + " mod. Do you want to install it?", title + "?", Buttons::YesNo,
                   Icon::Question, details) != Answer::Yes) {
    return stop(Outcome::Cancelled);
  }
  host_.SetInstallCaption("Installing");
  if (!CheckGameDir()) return stop(Outcome::Refused);
  const std::optional<platform::WriterLock> lock = LockGame(title);
  if (!lock) return stop(Outcome::Refused);
  const fs::path modFolder = ModFolder(selection);
  // A backup made for another game is not this game's to undo.
  if (const auto other = InstalledElsewhere(modFolder, GameDir()); other && other->match == GameMatch::Other) {
    dialogs_.Ask(InstalledIntoText(name, other->game), title, Buttons::Ok, Icon::Exclamation);
    return stop(Outcome::Refused);
  }
  const bool installed = IsInstalled(modFolder);
  if (installed && dialogs_.Ask("It appears that the " + name + " mod is already installed. Continue?",
                                "Continue installation?", Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
    return stop(Outcome::Cancelled);
  }
  host_.SetBusy(true);
  if (!host_.RefreshQuietly()) {
    dialogs_.Ask(kFolderGone, kFolderGoneTitle, Buttons::Ok, Icon::Exclamation);
    return stop(Outcome::Refused);
  }
  if (installed) {
    Undone undo;
    const Outcome undone = Uninstall(selection, &*lock, &undo);
    if (undone == Outcome::Cancelled) return stop(undone);
    if (undone != Outcome::Done) {
      // Copying over a half-restored game would bury the originals still kept.
      host_.SetBusy(false);
      const Report& r = undo.report;
      dialogs_.Ask("The " + name +
                       " mod could not be taken out of the game completely before installing it again, "
                       "so nothing was copied. " +
                       (r.refused ? r.refusal
                                  : std::to_string(r.failures.size()) +
                                        " file(s) could not be restored; their backup copies were kept:" +
                                        DescribeFailures(r.failures)) +
                       (undo.source == UninstallPlan::Source::OldBackup ? kShippedBackupHint : ""),
                   "Reinstall stopped", Buttons::Ok, Icon::Exclamation);
      return stop(r.refused ? Outcome::Refused : Outcome::Incomplete);
    }
  }

  host_.ShowProgress(true);
  host_.SetProgress(0);
  Callbacks callbacks;
  callbacks.phase = [this](Phase phase) {
    host_.SetInstallCaption(phase == Phase::CreatingBackup ? "Creating backup" : "Copying files");
  };
  callbacks.progress = [this](std::int64_t done, std::int64_t total) {
    if (const int p = Percent(done, total); p >= 0) host_.SetProgress(p);
  };
  Report report;
  const bool ran = RunLong(title, [&] { report = InstallModFiles(*lock, GameDir(), modFolder, callbacks); });
  host_.ShowProgress(false);
  host_.RefreshFully();
  stop(Outcome::Done);
  if (!ran) return Outcome::Incomplete;
  if (report.refused) {
    dialogs_.Ask(report.refusal, title, Buttons::Ok, Icon::Exclamation);
    return Outcome::Refused;
  }
  if (report.filesHandled == 0 && report.failures.empty()) {
    dialogs_.Ask("The " + name + " mod has no files for the game's folders, so nothing was installed.", title,
                 Buttons::Ok, Icon::Exclamation);
    return Outcome::Refused;
  }
  if (!report.failures.empty()) {
    host_.ShowStatus("Installed " + name + " in part: " + std::to_string(report.failures.size()) +
                     " file(s) could not be copied");
    dialogs_.Ask(std::to_string(report.failures.size()) + " file(s) of the " + name +
                     " mod could not be installed:" + DescribeFailures(report.failures) +
                     (report.filesHandled == 0
                          ? "\nNothing was installed, and the game was left as it was."
                          : "\nThe game files concerned were left as they were; every other file was installed."),
                 "Install incomplete", Buttons::Ok, Icon::Exclamation);
    return Outcome::Incomplete;
  }
  host_.ShowStatus("Installed " + name + ": " + Files(report.filesHandled) + ", " +
                   std::to_string(report.originalsKept) + " kept in Backup");
  host_.Beep();
  return Outcome::Done;
}

Outcome ModInstaller::UninstallMod(const Selection& selection, Force force) {
  return Uninstall(selection, nullptr, nullptr, force);
}

std::optional<UninstallPlan> ModInstaller::Plan(const std::string& name, const platform::WriterLock& lock,
                                                const fs::path& modFolder, bool reinstall, PlanOptions options) {
  const std::string title = reinstall ? std::string("Continue installation?") : "Uninstall " + name + " mod?";
  UninstallPlan plan;
  if (!RunLong(title, [&] { plan = PlanUninstall(lock, GameDir(), modFolder, options); })) return std::nullopt;
  if (plan.movedFrom.empty()) return plan;
  // The game was moved or renamed since the install: its files say it is the same game.
  if (dialogs_.Ask(
          name + " was installed into " + platform::PrintableName(plan.movedFrom) +
              ", which is no longer there. The game folder chosen now, " +
              platform::PrintableName(platform::PathToUtf8(GameDir())) +
              ", is that game at its new place: it still holds what the install wrote.\nTake it for the game " + name +
              " was installed into, and go on?",
          title, Buttons::YesNo, Icon::Question) != Answer::Yes) {
    return std::nullopt;
  }
  platform::FsResult adopted;
  if (!RunLong(title, [&] { adopted = AdoptMovedGame(lock, plan); })) return std::nullopt;
  if (!adopted) {
    dialogs_.Ask("The backup's record could not be changed to the game's new place, so nothing was changed (" +
                     adopted.Message() + ").",
                 title, Buttons::Ok, Icon::Exclamation);
    return std::nullopt;
  }
  if (!RunLong(title, [&] { plan = PlanUninstall(lock, GameDir(), modFolder, options); })) return std::nullopt;
  return plan;
}

Outcome ModInstaller::Uninstall(const Selection& selection, const platform::WriterLock* reinstall, Undone* undone,
                                Force force) {
  const ControlsOff controlsOff(host_, &InstallHost::EnableUninstall);
  auto stop = [this](Outcome outcome) {
    host_.SetBusy(false);
    host_.SetUninstallCaption(kUninstallCaption);
    return outcome;
  };

  if (!CheckSelection(selection)) return stop(Outcome::Cancelled);
  const std::string name = DisplayName(selection.entry);
  const std::string title = "Uninstall " + name + " mod";
  const fs::path modFolder = ModFolder(selection);
  std::optional<platform::WriterLock> ownLock;
  if (!reinstall) {
    const std::string details = PlanDetails(host_, gameDir_(), modFolder, /*install=*/false);
    if (dialogs_.Ask("Are you sure you want to uninstall the " + name + " mod?", title + "?", Buttons::YesNo,
                     Icon::Question, details) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
    if (!CheckGameDir()) return stop(Outcome::Refused);
    ownLock = LockGame(title);
    if (!ownLock) return stop(Outcome::Refused);
    if (!IsInstalled(modFolder) &&
        dialogs_.Ask(kNotInstalled, kNotInstalledTitle, Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
    if (!host_.RefreshQuietly()) {
      dialogs_.Ask(kFolderGone, kFolderGoneTitle, Buttons::Ok, Icon::Exclamation);
      return stop(Outcome::Refused);
    }
  }
  const platform::WriterLock& lock = reinstall ? *reinstall : *ownLock;
  const auto say = [&](const std::string& text, Icon icon = Icon::Exclamation) {
    if (!reinstall) dialogs_.Ask(text, title, Buttons::Ok, icon);
  };
  std::optional<UninstallPlan> planned =
      Plan(name, lock, modFolder, reinstall != nullptr, {.force = force == Force::Always});
  if (!planned) return stop(Outcome::Cancelled);
  UninstallPlan plan = std::move(*planned);
  if (!plan.installedInto.empty()) {
    const std::string text = InstalledIntoText(name, plan.installedInto);
    if (undone) undone->report = Refusal(text);
    say(text);
    return stop(Outcome::Refused);
  }
  // A damaged record: the window offers the way out at once, the refusal in its question.
  if (plan.refusal.stuck && force == Force::Offer && !reinstall) {
    if (dialogs_.AskDestructive(plan.refusal.refusal + "\n\n" + ForceQuestion(name), title + "?", Buttons::YesNo,
                                Icon::Exclamation) != Answer::Yes) {
      return stop(Outcome::Refused);
    }
    planned = Plan(name, lock, modFolder, false, {.force = true});
    if (!planned) return stop(Outcome::Cancelled);
    plan = std::move(*planned);
  }
  const bool installed = plan.source != UninstallPlan::Source::NoBackup;
  if (const std::vector<std::string> changed = plan.Changed(); !changed.empty() && !plan.refusal.refused) {
    const std::string text =
        std::to_string(changed.size()) + " file(s) of the " + name +
        " mod were changed in the game after it was installed, by a mod installed later or by a game update:" +
        FirstFew(changed) +
        (reinstall ? "\nInstalling it again first puts back what the game had before this mod and so undoes those "
                     "later changes; the files as they are now go to the trash. Continue?"
                   : "\nUninstalling now puts back what the game had before this mod and so undoes those later "
                     "changes; the files as they are now go to the trash. Uninstall anyway?");
    if (dialogs_.AskDestructive(text, reinstall ? "Continue installation?" : title + "?", Buttons::YesNo,
                                Icon::Exclamation) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
  }
  // Without a backup, a game file that holds the mod's bytes may still be
  // the game's own (a file the mod ships unchanged): it is named first.
  if (const std::vector<std::string> deleted = plan.Deletions(); !deleted.empty() && !plan.refusal.refused) {
    if (dialogs_.AskDestructive(
            std::to_string(deleted.size()) + " file(s) in the game hold exactly the files of the " + name +
                " mod and will be moved to the trash. With no backup, Drydock cannot tell them from the "
                "game's own files:" +
                FirstFew(deleted) + "\nMove them to the trash?",
            kNotInstalledTitle, Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
  }

  Report report = RunPlan(plan, lock, installed);
  if (!report.refused && !report.failures.empty() && report.stuck && force == Force::Offer && !reinstall) {
    // What a plain uninstall cannot get past: the user may force it, knowing what is missing.
    host_.SetBusy(false);
    host_.ShowProgress(false);
    host_.SetUninstallCaption(kUninstallCaption);
    if (dialogs_.AskDestructive("The " + name + " mod cannot be uninstalled completely:" +
                                    DescribeFailures(report.failures) + "\n\n" + ForceQuestion(name),
                                title + "?", Buttons::YesNo, Icon::Exclamation) == Answer::Yes) {
      planned = Plan(name, lock, modFolder, false, {.force = true});
      if (!planned) return stop(Outcome::Cancelled);
      plan = std::move(*planned);
      report = RunPlan(plan, lock, true);
    }
  }
  if (undone) *undone = {report, plan.source};
  host_.RefreshQuietly();
  stop(Outcome::Done);
  host_.ShowProgress(false);
  if (report.refused) {
    if (!report.refusal.empty()) say(report.refusal + (report.stuck && force == Force::Never ? kForceHint : ""));
    return Outcome::Refused;
  }
  if (!report.failures.empty()) {
    say(std::to_string(report.failures.size()) + " file(s) of the " + name +
        " mod could not be handled:" + DescribeFailures(report.failures) +
        "\nThe backup was kept, so the mod still counts as installed and no kept game file was lost. " +
        (report.stuck ? "" : "Uninstall it again once the files are free.") +
        (report.stuck && force == Force::Never ? kForceHint : ""));
    return Outcome::Incomplete;
  }
  if (plan.forced) {
    say("The " + name + " mod was uninstalled." +
            (report.keptMissing.empty() ? std::string()
                                        : "\nThese game files were left as they are, since their originals were gone:" +
                                              FirstFew(report.keptMissing)) +
            (report.backupWentTo.empty() ? std::string()
                                         : "\nWhat was left of its Backup folder is now in " +
                                               platform::PrintableName(report.backupWentTo) + "."),
        Icon::Information);
  }
  if (!report.leftAlone.empty()) {
    dialogs_.Ask(
        std::to_string(report.leftAlone.size()) + " file(s) at the " + name +
            " mod's paths were left in the game, since they do not hold the mod's files:" + FirstFew(report.leftAlone),
        kNotInstalledTitle, Buttons::Ok, Icon::Information);
  }
  host_.ShowStatus("Uninstalled " + name + ": " + Files(report.filesHandled) + " put back or taken out");
  return Outcome::Done;
}

Report ModInstaller::RunPlan(const UninstallPlan& plan, const platform::WriterLock& lock, bool installed) {
  host_.SetUninstallCaption("Uninstalling");
  host_.SetBusy(true);
  host_.ShowProgress(true);
  host_.SetProgress(0);
  Callbacks callbacks;
  callbacks.phase = [this](Phase phase) {
    host_.SetUninstallCaption(phase == Phase::DeletingFiles     ? "Deleting files"
                              : phase == Phase::RestoringBackup ? "Restoring backup"
                                                                : "Deleting backup");
  };
  callbacks.progress = [this](std::int64_t done, std::int64_t total) {
    if (const int p = Percent(done, total); p >= 0) host_.SetProgress(p);
  };
  Report report;
  if (!RunLong("Uninstall", [&] {
        report = UninstallModFiles(lock, plan, installed ? ChangedFiles::Replace : ChangedFiles::Keep, callbacks);
      })) {
    report = Refusal({});  // the user was told
  }
  return report;
}

std::string ForceQuestion(const std::string& name) {
  return "Uninstall the " + name +
         " mod anyway? Drydock puts back every original the backup still has, leaves each game file whose original "
         "is gone as it is, and moves what is left of the Backup folder to the trash.";
}

}  // namespace drydock::install
