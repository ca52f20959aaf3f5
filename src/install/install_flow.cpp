#include "install/install_flow.h"

#include "install/installed_mods.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "ui/dialogs.h"

namespace fs = std::filesystem;
using drydock::ui::Answer;
using drydock::ui::Buttons;
using drydock::ui::Icon;

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
constexpr char kNoGameDir[] =
    "The Armada II directory is not set or no longer exists, so nothing was changed. Choose it with "
    "\"Change A2 Directory\" in the Manager menu first.";
constexpr char kNoGameDirTitle[] = "Armada II directory not found";

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

int Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return -1;
  const std::int64_t p = done * 100 / total;
  return p < 0 || p > 100 ? -1 : static_cast<int>(p);
}

}  // namespace

std::string DescribeFailures(const std::vector<FileFailure>& failures, std::size_t shown) {
  std::string text;
  for (std::size_t i = 0; i < failures.size() && i < shown; ++i) {
    text += "\n    " + failures[i].relativePath + " (" + failures[i].reason + ")";
  }
  if (failures.size() > shown) text += "\n    and " + std::to_string(failures.size() - shown) + " more";
  return text;
}

ModInstaller::ModInstaller(ui::Dialogs& dialogs, InstallHost& host, fs::path modsDir,
                           std::function<std::string()> gameDir)
    : dialogs_(dialogs), host_(host), modsDir_(std::move(modsDir)), gameDir_(std::move(gameDir)) {}

fs::path ModInstaller::ModFolder(const Selection& selection) const {
  return library::ModFolder(modsDir_, selection.modPath);
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
  const std::string gameDir = gameDir_();
  if (gameDir.empty() || gameDir == library::kGameDirNotFound || !platform::IsFolder(platform::PathFromUtf8(gameDir))) {
    dialogs_.Ask(kNoGameDir, kNoGameDirTitle, Buttons::Ok, Icon::Exclamation);
    return false;
  }
  return true;
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
  if (dialogs_.Ask("You have selected the " + name + " mod. Do you want to install it?", "Install " + name + " mod?",
                   Buttons::YesNo, Icon::Question) != Answer::Yes) {
    return stop(Outcome::Cancelled);
  }
  host_.SetInstallCaption("Installing");
  if (!CheckGameDir()) return stop(Outcome::Refused);
  const bool installed = IsInstalled(ModFolder(selection));
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
    Report undo;
    if (Uninstall(selection, /*reinstalling=*/true, &undo) != Outcome::Done) {
      // Copying over a half-restored game would bury the originals still kept.
      host_.SetBusy(false);
      dialogs_.Ask("The " + name +
                       " mod could not be taken out of the game completely before installing it again, "
                       "so nothing was copied. " +
                       (undo.refused ? undo.refusal
                                     : std::to_string(undo.failures.size()) +
                                           " file(s) could not be restored; their backup copies were kept:" +
                                           DescribeFailures(undo.failures)),
                   "Reinstall stopped", Buttons::Ok, Icon::Exclamation);
      return stop(undo.refused ? Outcome::Refused : Outcome::Incomplete);
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
  const Report report = InstallModFiles(platform::PathFromUtf8(gameDir_()), ModFolder(selection), callbacks);
  host_.ShowProgress(false);
  host_.RefreshFully();
  stop(Outcome::Done);
  if (report.refused) {
    dialogs_.Ask(report.refusal, "Install " + name + " mod", Buttons::Ok, Icon::Exclamation);
    return Outcome::Refused;
  }
  if (!report.failures.empty()) {
    dialogs_.Ask(std::to_string(report.failures.size()) + " file(s) of the " + name +
                     " mod could not be installed:" + DescribeFailures(report.failures) +
                     "\nThe game files concerned were left as they were; every other file was installed.",
                 "Install incomplete", Buttons::Ok, Icon::Exclamation);
    return Outcome::Incomplete;
  }
  host_.Beep();
  return Outcome::Done;
}

Outcome ModInstaller::UninstallMod(const Selection& selection) { return Uninstall(selection, false, nullptr); }

Outcome ModInstaller::Uninstall(const Selection& selection, bool reinstalling, Report* reportOut) {
  const ControlsOff controlsOff(host_, &InstallHost::EnableUninstall);
  auto stop = [this](Outcome outcome) {
    host_.SetBusy(false);
    host_.SetUninstallCaption(kUninstallCaption);
    return outcome;
  };

  if (!CheckSelection(selection)) return stop(Outcome::Cancelled);
  const std::string name = DisplayName(selection.entry);
  const fs::path modFolder = ModFolder(selection);
  if (!reinstalling) {
    if (dialogs_.Ask("Are you sure you want to uninstall the " + name + " mod?", "Uninstall " + name + " mod?",
                     Buttons::YesNo, Icon::Question) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
    if (!CheckGameDir()) return stop(Outcome::Refused);
    const bool installed = IsInstalled(modFolder);
    if (!installed &&
        dialogs_.Ask(kNotInstalled, kNotInstalledTitle, Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
      return stop(Outcome::Cancelled);
    }
    if (!host_.RefreshQuietly()) {
      dialogs_.Ask(kFolderGone, kFolderGoneTitle, Buttons::Ok, Icon::Exclamation);
      return stop(Outcome::Refused);
    }
    if (installed) {
      const std::vector<std::string> changed = FilesChangedSinceInstall(platform::PathFromUtf8(gameDir_()), modFolder);
      if (!changed.empty()) {
        std::string text = std::to_string(changed.size()) + " file(s) of the " + name +
                           " mod were changed in the game after it was installed, by a mod installed later or by "
                           "a game update:";
        for (std::size_t i = 0; i < changed.size() && i < 5; ++i) text += "\n    " + changed[i];
        if (changed.size() > 5) text += "\n    and " + std::to_string(changed.size() - 5) + " more";
        text +=
            "\nUninstalling now puts back what the game had before this mod and so undoes those later "
            "changes. Uninstall anyway?";
        if (dialogs_.Ask(text, "Uninstall " + name + " mod?", Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
          return stop(Outcome::Cancelled);
        }
      }
    }
  }

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
  const Report report = UninstallModFiles(platform::PathFromUtf8(gameDir_()), modFolder, callbacks);
  if (reportOut) *reportOut = report;
  host_.RefreshQuietly();
  stop(Outcome::Done);
  host_.ShowProgress(false);
  if (report.refused) {
    if (!reinstalling) dialogs_.Ask(report.refusal, "Uninstall " + name + " mod", Buttons::Ok, Icon::Exclamation);
    return Outcome::Refused;
  }
  if (!report.failures.empty()) {
    if (!reinstalling) {
      dialogs_.Ask(std::to_string(report.failures.size()) + " file(s) of the " + name +
                       " mod could not be handled:" + DescribeFailures(report.failures) +
                       "\nThe backup was kept, so the mod still counts as installed and no kept game file was "
                       "lost. Uninstall it again once the files are free.",
                   "Uninstall incomplete", Buttons::Ok, Icon::Exclamation);
    }
    return Outcome::Incomplete;
  }
  return Outcome::Done;
}

}  // namespace drydock::install
