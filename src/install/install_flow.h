#pragma once
// The install and uninstall as the user meets them: the questions, the
// messages and the captions around the engine. The main window and the
// command line run the same flow, each with its own Dialogs and InstallHost.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "flow/locking.h"
#include "flow/work_host.h"
#include "install/install_engine.h"
#include "platform/writer_lock.h"

namespace drydock::flow {
class Dialogs;
}

namespace drydock::install {

struct ProfilePlan;

// What the flows ask of the window that runs them. Every method has a
// do-nothing default, so the command line overrides only what it needs.
class InstallHost : public flow::WorkHost {
 public:
  virtual void SetInstallCaption(const std::string& /*caption*/) {}
  virtual void SetUninstallCaption(const std::string& /*caption*/) {}
  virtual void EnableInstall(bool /*enabled*/) {}
  virtual void EnableUninstall(bool /*enabled*/) {}
  virtual void ShowProgress(bool /*shown*/) {}
  virtual void SetProgress(int /*percent*/) {}
  // Rebuilds the mod list without touching the controls; false when the
  // selected entry is gone from it (its folder was renamed or removed).
  virtual bool RefreshQuietly() = 0;
  // Rebuilds the mod list as the refresh button does.
  virtual void RefreshFully() {}
  virtual void Beep() {}
  // What the last run did, in one line ("Installed Fleet: 12 files, 3 kept in Backup").
  virtual void ShowStatus(const std::string& /*line*/) {}
  // The text on the progress bar of a run of several mods ("Uninstalling 2 of 5: Fleet"); "" takes it away.
  virtual void SetProgressText(const std::string& /*text*/) {}
};

// The selected entry of the mod list: its text ("" when nothing is
// selected) and its ModPath.
struct Selection {
  std::string entry;
  std::string modPath;
  std::filesystem::path folder = {};  // the mod's folder, resolved once by whoever chose it
};

// The mods installed into `gameDir`, from the list of `modsDir` and the game's
// ledger (which names mods of other mods folders too), by kind.
struct InstalledIntoGame {
  std::vector<Selection> retiring;     // uninstalls cut short after every original was back
  std::vector<Selection> stacked;      // with a numbered record, in install order (first installed first)
  std::vector<Selection> unplaced;     // installed without a place in the order, in list order
  std::vector<std::string> elsewhere;  // "NAME: installed into GAME, not this game", for backups of another game
};
InstalledIntoGame FindInstalledMods(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir);

// What the uninstall does with a backup that a plain uninstall cannot retire
// (an original gone, a damaged record, files Drydock did not put there).
enum class Force {
  Offer,   // the window: asks, naming what is missing, whether to force it
  Never,   // the command line without --force: says how to force it
  Always,  // the command line's --force
};

enum class Outcome {
  Done,        // every file was handled
  Cancelled,   // the user answered No, or nothing was selected
  Refused,     // nothing was changed: no game folder, folder gone, ...
  Incomplete,  // some files could not be handled; the user was told which
};

class ModInstaller {
 public:
  // `gameDir` gives the game's folder at the moment it is asked; nothing
  // while none is known.
  ModInstaller(flow::Dialogs& dialogs, InstallHost& host, std::filesystem::path modsDir,
               std::function<std::optional<std::filesystem::path>()> gameDir);

  Outcome InstallMod(const Selection& selection);
  Outcome UninstallMod(const Selection& selection, Force force = Force::Offer);

  // What UninstallAll did, for the command line's output.
  struct AllUninstalled {
    Outcome outcome = Outcome::Cancelled;  // Done only when no mod of this game stays installed
    std::vector<std::string> uninstalled;  // the mods taken out, in the order they went
    std::vector<std::string> left;         // "NAME: why", one line per mod still installed, other games' included
  };
  // Every mod installed into the game, top of the stacks first, each as a
  // plain uninstall with its own questions (their No keeps that mod, Cancel
  // stops the run), after one question naming how many; tells at the end what
  // is still installed and why. A backup made for another game is left alone
  // and named.
  AllUninstalled UninstallAll(Force force = Force::Offer);

  // What applying a profile would do to the game as it is now (profiles.h); read only.
  ProfilePlan PlanProfile(const std::vector<std::string>& profile) const;
  // What ApplyProfile did, for the command line's output.
  struct ProfileApplied {
    Outcome outcome = Outcome::Cancelled;  // Done only when the game holds the profile's mods
    std::vector<std::string> done;         // "uninstalled: NAME", "installed: NAME", in the order they ran
    std::vector<std::string> left;         // the steps not done, the first one with why
  };
  // Makes the game hold the profile's mods in its order (profiles.h): one
  // question with the plan under Show Details , the pre-flight checks, then each uninstall and install with
  // its own questions under one lock; a refusal or a failure stops the run,
  // and the report names what is done and what is left. A profile naming a
  // mod that is not in the mods folder changes nothing and says which.
  ProfileApplied ApplyProfile(const std::string& name, const std::vector<std::string>& profile,
                              Force force = Force::Offer);

 private:
  // With `reinstall` (the install's lock) it was started by the install for a
  // mod that is installed already: it asks only about changed files and
  // reports nothing itself.
  // `undone` receives the engine's report and what kind of backup it undid.
  struct Undone {
    Report report;
    UninstallPlan::Source source = UninstallPlan::Source::NoBackup;
  };
  Outcome Uninstall(const Selection& selection, const platform::WriterLock* reinstall, Undone* undone,
                    Force force = Force::Never);
  // The plan, once the user agreed to take a moved game for the one the
  // backup was made for; nothing when the user said no or the plan refuses.
  std::optional<UninstallPlan> Plan(const std::string& name, const platform::WriterLock& lock,
                                    const std::filesystem::path& modFolder, bool reinstall, PlanOptions options);
  // Runs `work` through the host; false after telling the user, when it threw.
  bool RunLong(const std::string& title, const std::function<void()>& work);
  // Runs the uninstall by `plan` with the captions and the bar.
  Report RunPlan(const UninstallPlan& plan, const platform::WriterLock& lock, bool installed);
  bool CheckSelection(const Selection& selection);
  bool CheckGameDir();
  // The game's writer lock, or nothing (the user was told) while another run holds it.
  std::optional<platform::WriterLock> LockGame(const std::string& title);
  std::filesystem::path ModFolder(const Selection& selection) const;
  // The game's folder, checked by CheckGameDir before it is used.
  std::filesystem::path GameDir() const;

  // The mods installed into the game, in the order UninstallAll takes them
  // out; `elsewhere` receives the lines for backups made for another game.
  std::vector<Selection> InstalledHere(std::vector<std::string>& elsewhere) const;
  // Clears what runs cut short left in every mod folder, under the game's lock.
  void CleanModFolders(const platform::WriterLock& lock) const;

  flow::Dialogs& dialogs_;
  InstallHost& host_;
  // Set while UninstallAll runs this uninstall: the run's lock, and no question of its own before the plan.
  const platform::WriterLock* batchLock_ = nullptr;
  std::filesystem::path modsDir_;
  std::function<std::optional<std::filesystem::path>()> gameDir_;
};

// The offer to force an uninstall, saying what that does.
std::string ForceQuestion(const std::string& name);

// The first few items of a list for a message, one an indented line, and how
// many more there are.
std::string FirstFew(const std::vector<std::string>& items, std::size_t shown = 5);
// The same for failures, each with its reason.
std::string DescribeFailures(const std::vector<FileFailure>& failures, std::size_t shown = 5);

}  // namespace drydock::install
