#include "install/install_flow.h"

#include <iterator>
#include <set>

#include <map>

#include "flow/dialogs.h"
#include "flow/preflight.h"
#include "install/install_plan.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "install/profiles.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/volume.h"

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

// What an install writes where, for the checks before it: each game folder it
// copies into, with the bytes it copies there, and the Backup with what it
// keeps on its disk. A read-only game file is no obstacle (it is replaced by a
// rename and comes back read-only); a folder that cannot be written is.
std::vector<flow::PlannedWrite> InstallWrites(const InstallPlan& plan, const fs::path& modFolder) {
  std::map<fs::path, std::uint64_t> folders;
  for (const InstallPlan::File& f : plan.files) {
    folders[f.game.parent_path()] += f.action == InstallPlan::Action::SameBytes ? 0 : f.size;
  }
  std::vector<flow::PlannedWrite> writes;
  for (const auto& [folder, bytes] : folders) writes.push_back({.target = folder, .bytes = bytes, .folder = true});
  writes.push_back(
      {.target = modFolder / platform::PathFromUtf8(kBackupFolderName), .bytes = plan.bytesToBackup, .folder = true});
  return writes;
}

// What an uninstall writes where: each kept original goes back by a rename,
// which takes no room, unless it lies on another mount than where it goes (a
// linked mods folder), where it is copied.
std::vector<flow::PlannedWrite> UninstallWrites(const UninstallPlan& plan) {
  std::map<fs::path, std::uint64_t> folders;
  for (const UninstallPlan::Target& t : plan.targets) {
    using State = UninstallPlan::Target::State;
    if (t.state != State::Ours && t.state != State::Changed && t.state != State::HandOver) continue;
    const fs::path to = (t.state == State::HandOver ? t.heirKept : t.game).parent_path();
    std::uint64_t bytes = 0;
    if (!t.kept.empty() && platform::OnOneMount(t.kept.parent_path(), platform::NearestExistingFolder(to)) == false) {
      bytes = platform::StampOf(t.kept) ? platform::StampOf(t.kept)->size : 0;
    }
    folders[to] += bytes;
  }
  std::vector<flow::PlannedWrite> writes;
  for (const auto& [folder, bytes] : folders) writes.push_back({.target = folder, .bytes = bytes, .folder = true});
  return writes;
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
  // Within a profile's run the question was asked once for the whole run, and its lock is held.
  if (!batchLock_) {
    const std::string details = PlanDetails(host_, gameDir_(), ModFolder(selection), /*install=*/true);
    if (dialogs_.Ask("You have selected the " + name + " mod. Do you want to install it?", title + "?", Buttons::YesNo,
                     Icon::Question, details) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
  }
  host_.SetInstallCaption("Installing");
  if (!CheckGameDir()) return stop(Outcome::Refused);
  std::optional<platform::WriterLock> ownLock;
  if (!batchLock_ && !(ownLock = LockGame(title))) return stop(Outcome::Refused);
  const platform::WriterLock* lock = batchLock_ ? batchLock_ : &*ownLock;
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
  // Before anything changes: the game not running (a reinstall uninstalls first).
  if (installed && !flow::CheckBeforeChanges(dialogs_, title, GameDir(), {})) return stop(Outcome::Refused);
  if (installed) {
    Undone undo;
    const Outcome undone = Uninstall(selection, lock, &undo);
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

  // The game not running, room on every disk written to, every folder writable.
  InstallPlan plan;
  if (!RunLong(title, [&] { plan = PrepareInstall(*lock, GameDir(), modFolder); })) return stop(Outcome::Incomplete);
  if (!plan.refusal.refused && !flow::CheckBeforeChanges(dialogs_, title, GameDir(), InstallWrites(plan, modFolder))) {
    return stop(Outcome::Refused);
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
  const bool ran = RunLong(title, [&] { report = InstallPlannedFiles(*lock, plan, callbacks); });
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
  if (!reinstall && !batchLock_) {
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
  const platform::WriterLock& lock = reinstall ? *reinstall : batchLock_ ? *batchLock_ : *ownLock;
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
  // Before a question about its files: the game not running, room where a
  // kept original is copied back, every folder writable. A reinstall was
  // checked by the install.
  if (!reinstall && !plan.refusal.refused &&
      !flow::CheckBeforeChanges(dialogs_, title, GameDir(), UninstallWrites(plan))) {
    return stop(Outcome::Refused);
  }
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

namespace {

constexpr char kUninstallAllTitle[] = "Uninstall All Mods";

// The questions and messages of one mod's uninstall within UninstallAll: a
// question gets a Cancel that stops the whole run (the flow sees No), and a
// message is kept for the report at the end instead of a box of its own.
class BatchDialogs final : public flow::Dialogs {
 public:
  explicit BatchDialogs(flow::Dialogs& inner) : inner_(inner) {}
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override {
    return inner_.Input(prompt, title, initial);
  }
  // Before each mod: nothing said or answered yet.
  void Clear() {
    messages.clear();
    declined.clear();
  }

  bool cancelled = false;
  std::vector<std::string> messages;  // the messages of this mod's uninstall
  std::string declined;               // the question this mod's uninstall was answered No to

 protected:
  Answer Show(const std::string& text, const std::string& title, Buttons buttons, Icon icon, flow::Default preset,
              const std::string& details) override {
    if (buttons == Buttons::Ok) {
      messages.push_back(text);
      return Answer::Ok;
    }
    const Buttons offered = buttons == Buttons::YesNo ? Buttons::YesNoCancel : buttons;
    const Answer answer = preset == flow::Default::No ? inner_.AskDestructive(text, title, offered, icon, details)
                                                      : inner_.Ask(text, title, offered, icon, details);
    if (answer == Answer::Cancel) {
      cancelled = true;
      return Answer::No;
    }
    if (answer == Answer::No) declined = text;
    return answer;
  }

 private:
  flow::Dialogs& inner_;
};

// The window's side of one mod's uninstall within UninstallAll: the captions,
// the bar and the controls stay the run's from the first mod to the last, and
// each mod's progress is its share of the bar.
class BatchHost final : public InstallHost {
 public:
  BatchHost(InstallHost& inner, std::size_t count) : inner_(inner), count_(count) {}
  void Start(std::size_t index) {
    index_ = index;
    SetProgress(0);
  }
  void SetBusy(bool busy) override {
    if (busy) inner_.SetBusy(true);
  }
  void RunLong(const std::function<void()>& work) override { inner_.RunLong(work); }
  void ShowProgress(bool shown) override {
    if (shown) inner_.ShowProgress(true);
  }
  void SetProgress(int percent) override {
    inner_.SetProgress(static_cast<int>((index_ * 100 + static_cast<std::size_t>(percent)) / count_));
  }
  bool RefreshQuietly() override { return inner_.RefreshQuietly(); }

 private:
  InstallHost& inner_;
  std::size_t count_, index_ = 0;
};

// The first line of a message, its first sentence of a question: what a line of the report quotes.
std::string Gist(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (const std::size_t colon = line.find(':'); colon != std::string::npos) line.resize(colon);
  while (!line.empty() && (line.back() == '.' || line.back() == '?' || line.back() == ' ')) line.pop_back();
  return line;
}

// Every mod folder with its entry: the list's, then those of other mods folders that the game's ledger names.
std::vector<std::pair<std::string, fs::path>> ModFolders(const fs::path& modsDir, const fs::path& gameDir) {
  const library::ModList list = library::FillModList(modsDir);
  std::vector<std::pair<std::string, fs::path>> folders;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    folders.emplace_back(list[static_cast<std::size_t>(i)], library::EntryFolder(modsDir, list, i));
  }
  for (const fs::path& folder : ReadLedger(gameDir).modFolders) {
    folders.emplace_back(platform::PathToUtf8(folder.filename()), folder);
  }
  return folders;
}

std::string Mods(std::size_t n) { return std::to_string(n) + (n == 1 ? " mod" : " mods"); }

}  // namespace

InstalledIntoGame FindInstalledMods(const fs::path& modsDir, const fs::path& game) {
  InstalledIntoGame mods;
  std::set<std::string> seen;
  const std::vector<std::pair<std::string, fs::path>> folders = ModFolders(modsDir, game);
  for (const auto& [entry, folder] : folders) {
    InstallRecord record;
    const fs::path backup = FindBackupFolder(folder);
    if (backup.empty() || ReadRecord(backup, record) != RecordStatus::Read ||
        record.state != InstallRecord::State::Retiring || MatchGame(record, game) == GameMatch::Other ||
        !seen.insert(CanonicalText(folder)).second) {
      continue;
    }
    mods.retiring.push_back({entry, DisplayName(entry), folder});
  }
  for (const StackedMod& mod : InstalledStack(modsDir, game)) {
    if (seen.insert(CanonicalText(mod.modFolder)).second) mods.stacked.push_back({mod.name, mod.name, mod.modFolder});
  }
  // The others: records without a number, backups without a record, an uninstall cut short.
  for (const auto& [entry, folder] : folders) {
    if (folder.empty() || !IsInstalled(folder) || !seen.insert(CanonicalText(folder)).second) continue;
    if (const auto other = InstalledElsewhere(folder, game); other && other->match == GameMatch::Other) {
      mods.elsewhere.push_back(DisplayName(entry) + ": installed into " + platform::PrintableName(other->game) +
                               ", not this game");
      continue;
    }
    mods.unplaced.push_back({entry, DisplayName(entry), folder});
  }
  return mods;
}

std::vector<Selection> ModInstaller::InstalledHere(std::vector<std::string>& elsewhere) const {
  InstalledIntoGame found = FindInstalledMods(modsDir_, GameDir());
  // First the uninstalls that were cut short after every original was back (a mod below must not take that
  // backup for the one above it), then the stack top first, then the others in list order.
  std::vector<Selection> mods = std::move(found.retiring);
  std::move(found.stacked.rbegin(), found.stacked.rend(), std::back_inserter(mods));
  std::move(found.unplaced.begin(), found.unplaced.end(), std::back_inserter(mods));
  std::move(found.elsewhere.begin(), found.elsewhere.end(), std::back_inserter(elsewhere));
  return mods;
}

void ModInstaller::CleanModFolders(const platform::WriterLock& /*lock*/) const {
  // What runs cut short left beside a mod's Backup: one being built (the game
  // had not changed yet), or one whose every original was back and that was being deleted.
  for (const auto& [entry, folder] : ModFolders(modsDir_, GameDir())) {
    if (platform::IsFolder(folder)) CleanLeftovers(folder);
  }
}

ModInstaller::AllUninstalled ModInstaller::UninstallAll(Force force) {
  const ControlsOff installOff(host_, &InstallHost::EnableInstall);
  const ControlsOff uninstallOff(host_, &InstallHost::EnableUninstall);
  AllUninstalled result;
  if (!CheckGameDir()) {
    result.outcome = Outcome::Refused;
    return result;
  }
  const std::string game = platform::PrintableName(platform::PathToUtf8(GameDir()));
  std::vector<std::string> elsewhere;
  const std::vector<Selection> planned = InstalledHere(elsewhere);
  const std::size_t count = planned.size();
  const std::string others = elsewhere.empty() ? std::string()
                                               : "\nLeft alone, since their backups were made for another game:" +
                                                     FirstFew(elsewhere, elsewhere.size());
  if (count == 0) {
    if (const std::optional<platform::WriterLock> lock = LockGame(kUninstallAllTitle)) CleanModFolders(*lock);
    dialogs_.Ask("No mod is installed into " + game + "." + others, kUninstallAllTitle, Buttons::Ok, Icon::Information);
    result.outcome = Outcome::Done;
    result.left = elsewhere;
    return result;
  }
  // Under Show Details: the mods in the order they come out.
  std::string order = "In this order:";
  for (const Selection& mod : planned) order += "\n    " + DisplayName(mod.entry);
  if (dialogs_.AskDestructive(
          count == 1 ? "Uninstall the 1 mod installed into " + game + "?"
                     : "Uninstall all " + std::to_string(count) + " mods installed into " + game + "?",
          kUninstallAllTitle + std::string("?"), Buttons::YesNo, Icon::Question, order + others) != Answer::Yes) {
    return result;
  }
  const std::optional<platform::WriterLock> lock = LockGame(kUninstallAllTitle);
  // A running game refuses the whole run once, before anything changes.
  if (!lock || !flow::CheckBeforeChanges(dialogs_, kUninstallAllTitle, GameDir(), {})) {
    result.outcome = Outcome::Refused;
    return result;
  }
  CleanModFolders(*lock);
  // What is installed now, under the lock.
  elsewhere.clear();
  const std::vector<Selection> mods = InstalledHere(elsewhere);

  BatchDialogs dialogs(dialogs_);
  BatchHost host(host_, std::max<std::size_t>(mods.size(), 1));
  ModInstaller one(dialogs, host, modsDir_, gameDir_);
  one.batchLock_ = &*lock;
  std::vector<std::string> why(mods.size());  // for each mod not taken out
  std::size_t done = 0;
  host_.SetBusy(true);
  host_.ShowProgress(true);
  for (; done < mods.size() && !dialogs.cancelled; ++done) {
    const std::string name = DisplayName(mods[done].entry);
    host_.SetUninstallCaption("Uninstalling");
    host_.SetProgressText("Uninstalling " + std::to_string(done + 1) + " of " + std::to_string(mods.size()) + ": " +
                          name);
    host.Start(done);
    dialogs.Clear();
    const Outcome outcome = one.Uninstall(mods[done], nullptr, nullptr, force);
    if (outcome == Outcome::Done) continue;
    why[done] = dialogs.cancelled           ? "the run was stopped at your answer"
                : !dialogs.declined.empty() ? "you answered No to \"" + Gist(dialogs.declined) + "\""
                : !dialogs.messages.empty() ? Gist(dialogs.messages.front())
                                            : "it could not be uninstalled";
  }
  host_.SetProgress(100);
  host_.SetProgressText({});
  host_.ShowProgress(false);
  host_.SetUninstallCaption(kUninstallCaption);
  host_.RefreshFully();
  host_.SetBusy(false);

  // What the disk says now, whatever each run reported.
  for (std::size_t i = 0; i < mods.size(); ++i) {
    const std::string name = DisplayName(mods[i].entry);
    if (!IsInstalled(ModFolder(mods[i]))) {
      result.uninstalled.push_back(name);
      continue;
    }
    std::string reason = i >= done        ? "not uninstalled, since the run was stopped"
                         : why[i].empty() ? "its Backup folder still holds files Drydock did not put there"
                                          : why[i];
    result.left.push_back(name + ": " + reason);
  }
  const std::size_t stays = result.left.size();
  result.left.insert(result.left.end(), elsewhere.begin(), elsewhere.end());
  result.outcome = stays == 0 ? Outcome::Done : dialogs.cancelled ? Outcome::Cancelled : Outcome::Incomplete;

  const std::string uninstalled = Mods(result.uninstalled.size()) + " of " + std::to_string(mods.size());
  if (stays == 0) {
    host_.ShowStatus(
        (mods.size() == 1 ? std::string("Uninstalled the 1 mod") : "Uninstalled all " + Mods(mods.size())) +
        ": the game holds no mod any more");
    dialogs_.Ask((mods.size() == 1 ? std::string("The 1 mod was") : "All " + Mods(mods.size()) + " were") +
                     " uninstalled. " + game + " holds no mod any more." + others,
                 kUninstallAllTitle, Buttons::Ok, Icon::Information);
    host_.Beep();
  } else {
    host_.ShowStatus("Uninstalled " + uninstalled + "; " + std::to_string(stays) + " still installed");
    dialogs_.Ask(std::string(dialogs.cancelled ? "Stopped at your answer. " : "") + "Uninstalled " + uninstalled +
                     ". Still installed:" + FirstFew(result.left, result.left.size()),
                 kUninstallAllTitle, Buttons::Ok, Icon::Exclamation);
  }
  return result;
}

ModInstaller::ProfileApplied ModInstaller::ApplyProfile(const std::string& name,
                                                        const std::vector<std::string>& profile, Force force) {
  const ControlsOff installOff(host_, &InstallHost::EnableInstall);
  const ControlsOff uninstallOff(host_, &InstallHost::EnableUninstall);
  const std::string title = "Apply profile " + name;
  ProfileApplied result;
  if (!CheckGameDir()) {
    result.outcome = Outcome::Refused;
    return result;
  }
  ProfilePlan plan = PlanProfile(profile);
  if (!plan.missing.empty()) {
    dialogs_.Ask("The profile " + name + " names " +
                     (plan.missing.size() == 1 ? std::string("a mod that is") : "mods that are") +
                     " not in the mods folder, so nothing was changed:" + FirstFew(plan.missing, plan.missing.size()),
                 title, Buttons::Ok, Icon::Exclamation);
    result.outcome = Outcome::Refused;
    return result;
  }
  if (plan.Steps() == 0) {
    dialogs_.Ask("The game holds the mods of the profile " + name + " already, in its order: nothing to change.", title,
                 Buttons::Ok, Icon::Information);
    result.outcome = Outcome::Done;
    return result;
  }
  if (dialogs_.AskDestructive("Apply profile " + name + "? " + Mods(plan.uninstall.size()) +
                                  " will be uninstalled and " + Mods(plan.install.size()) + " installed.",
                              title + "?", Buttons::YesNo, Icon::Question, ProfilePlanText(plan)) != Answer::Yes) {
    return result;
  }
  const std::optional<platform::WriterLock> lock = LockGame(title);
  if (!lock) {
    result.outcome = Outcome::Refused;
    return result;
  }
  CleanModFolders(*lock);
  plan = PlanProfile(profile);  // what the game holds now, under the lock
  // Before anything changes: the game not running, and room for every install of the run at once (what the
  // uninstalls free is not counted), so that a full disk stops the run before its first step rather than
  // half way. Each step checks again for itself.
  std::vector<flow::PlannedWrite> writes;
  if (!RunLong(title, [&] {
        for (const Selection& mod : plan.install) {
          const fs::path folder = ModFolder(mod);
          for (flow::PlannedWrite& write : InstallWrites(PlanInstall(GameDir(), folder), folder))
            writes.push_back(std::move(write));
        }
      })) {
    result.outcome = Outcome::Refused;
    return result;
  }
  if (!flow::CheckBeforeChanges(dialogs_, title, GameDir(), writes)) {
    result.outcome = Outcome::Refused;
    return result;
  }

  struct Step {
    bool install;
    Selection mod;
  };
  std::vector<Step> steps;
  for (const Selection& mod : plan.uninstall) steps.push_back({false, mod});
  for (const Selection& mod : plan.install) steps.push_back({true, mod});
  BatchDialogs dialogs(dialogs_);
  BatchHost host(host_, std::max<std::size_t>(steps.size(), 1));
  ModInstaller one(dialogs, host, modsDir_, gameDir_);
  one.batchLock_ = &*lock;
  const auto line = [](const Step& step) {
    return step.install ? "installed: " + step.mod.modPath : "uninstalled: " + DisplayName(step.mod.entry);
  };
  std::size_t done = 0;
  std::string stoppedWhy;
  host_.SetBusy(true);
  host_.ShowProgress(true);
  for (; done < steps.size(); ++done) {
    const Step& step = steps[done];
    host_.SetProgressText("Applying " + name + ": " + std::to_string(done + 1) + " of " + std::to_string(steps.size()));
    host.Start(done);
    dialogs.Clear();
    const Outcome outcome = step.install ? one.InstallMod(step.mod) : one.Uninstall(step.mod, nullptr, nullptr, force);
    // The disk decides whether the step happened.
    if (outcome == Outcome::Done && IsInstalled(ModFolder(step.mod)) == step.install) {
      result.done.push_back(line(step));
      continue;
    }
    stoppedWhy = dialogs.cancelled           ? "the run was stopped at your answer"
                 : !dialogs.declined.empty() ? "you answered No to \"" + Gist(dialogs.declined) + "\""
                 : !dialogs.messages.empty() ? Gist(dialogs.messages.front())
                                             : std::string("it could not be done");
    break;
  }
  host_.SetProgress(100);
  host_.SetProgressText({});
  host_.ShowProgress(false);
  host_.SetUninstallCaption(kUninstallCaption);
  host_.SetInstallCaption(kInstallCaption);
  host_.RefreshFully();
  host_.SetBusy(false);

  for (std::size_t i = done; i < steps.size(); ++i) {
    const std::string what =
        std::string(steps[i].install ? "install " : "uninstall ") + DisplayName(steps[i].mod.entry);
    result.left.push_back(i == done ? what + " (" + stoppedWhy + ")" : what);
  }
  if (result.left.empty()) {
    result.outcome = Outcome::Done;
    host_.ShowStatus("Applied profile " + name + ": " + Mods(profile.size()) + " installed in its order");
    dialogs_.Ask("The profile " + name + " was applied: the game holds its " + Mods(profile.size()) + " in its order.",
                 title, Buttons::Ok, Icon::Information);
    host_.Beep();
    return result;
  }
  result.outcome = dialogs.cancelled ? Outcome::Cancelled : Outcome::Incomplete;
  host_.ShowStatus("Applying " + name + " stopped after " + std::to_string(done) + " of " +
                   std::to_string(steps.size()) + " steps");
  dialogs_.Ask("Applying " + name + " stopped after " + std::to_string(done) + " of " + std::to_string(steps.size()) +
                   " steps." +
                   (result.done.empty() ? std::string() : "\nDone:" + FirstFew(result.done, result.done.size())) +
                   "\nLeft:" + FirstFew(result.left, result.left.size()) +
                   "\nApply the profile again to finish: the steps are worked out anew from the game.",
               title, Buttons::Ok, Icon::Exclamation);
  return result;
}

}  // namespace drydock::install
