// The install and uninstall as the user meets them: every question, message
// and caption, with scripted answers.
#include <gtest/gtest.h>

#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "platform/file_ops.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using drydock::test::ScriptedDialogs;
using drydock::test::TempTree;
using ui::Answer;
using ui::Buttons;
using ui::Icon;
using Rows = std::vector<std::string>;

namespace {

class RecordingHost final : public InstallHost {
 public:
  void SetInstallCaption(const std::string& c) override { installCaptions.push_back(c); }
  void SetUninstallCaption(const std::string& c) override { uninstallCaptions.push_back(c); }
  void EnableInstall(bool e) override { installEnabled = e; }
  void EnableUninstall(bool e) override { uninstallEnabled = e; }
  void SetBusy(bool b) override { busy = b; }
  void ShowProgress(bool s) override { progressShown = s; }
  void SetProgress(int p) override { progress.push_back(p); }
  bool RefreshQuietly() override {
    ++quietRefreshes;
    return folderStillThere;
  }
  void RefreshFully() override { ++fullRefreshes; }
  void Beep() override { ++beeps; }

  Rows installCaptions, uninstallCaptions;
  std::vector<int> progress;
  bool installEnabled = true, uninstallEnabled = true, busy = false, progressShown = false;
  bool folderStillThere = true;
  int quietRefreshes = 0, fullRefreshes = 0, beeps = 0;
};

class Flow : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("game/odf/ships/fed.odf", "game fed");
    t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod fed");
    t.Write("prog/mods/Fleet/odf/ships/new.odf", "mod new");
    t.Write("prog/mods/Fleet/Addon/Small/odf/ships/small.odf", "addon");
    gameDir = (t / "game").string();
  }
  void TearDown() override { platform::fault::Configure(0, 0); }

  ModInstaller Installer() {
    return ModInstaller(dialogs, host, t / "prog/mods", [this] { return gameDir; });
  }
  static ScriptedDialogs::Box Question(std::string text, std::string title, Answer a, Icon icon = Icon::Question) {
    return {std::move(text), std::move(title), Buttons::YesNo, icon, a};
  }
  static ScriptedDialogs::Box Message(std::string text, std::string title) {
    return {std::move(text), std::move(title), Buttons::Ok, Icon::Exclamation, Answer::Ok};
  }
  void ExpectInstallQuestion(Answer a, const std::string& name = "Fleet") {
    dialogs.Expect(
        Question("You have selected the " + name + " mod. Do you want to install it?", "Install " + name + " mod?", a));
  }
  void ExpectUninstallQuestion(Answer a, const std::string& name = "Fleet") {
    dialogs.Expect(
        Question("Are you sure you want to uninstall the " + name + " mod?", "Uninstall " + name + " mod?", a));
  }
  std::string Game(const char* rel) const { return TempTree::Read(t / (std::string("game/") + rel)); }

  TempTree t;
  ScriptedDialogs dialogs;
  RecordingHost host;
  std::string gameDir;
  const Selection fleet{"Fleet", "Fleet"};
};

}  // namespace

TEST_F(Flow, NothingOrThePlaceholderSelected) {
  dialogs.Expect(Message("Please select a mod.", "Select a mod"));
  EXPECT_EQ(Installer().InstallMod({"", ""}), Outcome::Cancelled);
  dialogs.Expect(
      Message("You must place a mod into the mods\\(mod's name) folder before you can install. You can "
              "find instructions in the Help\\View Readme menu.",
              "Install mod first"));
  EXPECT_EQ(Installer().UninstallMod({"(No mods found.)", ""}), Outcome::Cancelled);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_TRUE(host.installEnabled);
  EXPECT_TRUE(host.uninstallEnabled);
}

TEST_F(Flow, InstallAskedAndDoneWithItsCaptionsBeepAndRefreshes) {
  ExpectInstallQuestion(Answer::Yes);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(host.installCaptions, (Rows{"Installing", "Creating backup", "Copying files", "Install Mod"}));
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(host.quietRefreshes, 1);
  EXPECT_EQ(host.fullRefreshes, 1);
  EXPECT_FALSE(host.busy);
  EXPECT_FALSE(host.progressShown);
  EXPECT_TRUE(host.installEnabled);
  EXPECT_EQ(host.progress.front(), 0);
  EXPECT_EQ(host.progress.back(), 100);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
}

TEST_F(Flow, AnsweringNoChangesNothing) {
  ExpectInstallQuestion(Answer::No);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(host.beeps, 0);
  EXPECT_TRUE(host.installEnabled);
}

TEST_F(Flow, ReinstallUndoesTheFirstInstallSoTheBackupHoldsTheGamesFiles) {
  ExpectInstallQuestion(Answer::Yes);
  ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod fed v2");
  ExpectInstallQuestion(Answer::Yes);
  dialogs.Expect(Question("It appears that the Fleet mod is already installed. Continue?", "Continue installation?",
                          Answer::Yes, Icon::Exclamation));
  host.uninstallCaptions.clear();
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(host.uninstallCaptions,
            (Rows{"Uninstalling", "Deleting files", "Restoring backup", "Deleting backup", "Uninstall Mod"}));
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed v2");
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Fleet/Backup/odf/ships/fed.odf"), "game fed");

  ExpectInstallQuestion(Answer::Yes);
  dialogs.Expect(Question("It appears that the Fleet mod is already installed. Continue?", "Continue installation?",
                          Answer::No, Icon::Exclamation));
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(host.installCaptions.back(), "Install Mod");
}

TEST_F(Flow, NoGameFolderStopsBeforeTouchingAnything) {
  const Rows before = TempTree::Snapshot(t.root());
  for (const std::string& dir : {std::string("(Armada II directory not found)"), (t / "gone").string()}) {
    gameDir = dir;
    ExpectInstallQuestion(Answer::Yes);
    dialogs.Expect(
        Message("The Armada II directory is not set or no longer exists, so nothing was changed. Choose "
                "it with \"Change A2 Directory\" in the Manager menu first.",
                "Armada II directory not found"));
    EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Refused);
  }
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Snapshot(t.root()), before);
  EXPECT_EQ(host.installCaptions.back(), "Install Mod");
}

TEST_F(Flow, AVanishedFolderIsReported) {
  host.folderStillThere = false;
  ExpectInstallQuestion(Answer::Yes);
  dialogs.Expect(
      Message("The folder you have selected no longer exists. Please check to see if it has been renamed or moved.",
              "Folder not found."));
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Refused);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_FALSE(host.busy);
}

TEST_F(Flow, FailedFilesAreReportedInsteadOfTheBeep) {
  platform::fault::Configure(0, 0, "game/odf/ships/fed.odf");
  ExpectInstallQuestion(Answer::Yes);
  dialogs.Expect(
      Message("1 file(s) of the Fleet mod could not be installed:\n    odf\\ships\\fed.odf (the mod's "
              "file could not be copied; the game's file was left as it was: Input/output error)\nThe game "
              "files concerned were left as they were; every other file was installed.",
              "Install incomplete"));
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Incomplete);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(host.beeps, 0);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("odf/ships/new.odf"), "mod new");
}

TEST_F(Flow, AReinstallWhoseUninstallFailedCopiesNothing) {
  ExpectInstallQuestion(Answer::Yes);
  ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod fed v2");
  platform::fault::Configure(0, 0, "game/odf/ships/fed.odf");
  ExpectInstallQuestion(Answer::Yes);
  dialogs.Expect(Question("It appears that the Fleet mod is already installed. Continue?", "Continue installation?",
                          Answer::Yes, Icon::Exclamation));
  dialogs.Expect(
      Message("The Fleet mod could not be taken out of the game completely before installing it again, so "
              "nothing was copied. 1 file(s) could not be restored; their backup copies were kept:\n    "
              "odf\\ships\\fed.odf (could not be restored; its backup copy was kept: Input/output error)",
              "Reinstall stopped"));
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Incomplete);
  platform::fault::Configure(0, 0);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Fleet/Backup/odf/ships/fed.odf"), "game fed");
  EXPECT_FALSE(fs::exists(t / "game/odf/ships/new.odf"));
}

TEST_F(Flow, UninstallAskedThenDoneWithItsCaptions) {
  ExpectInstallQuestion(Answer::Yes);
  ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  ExpectUninstallQuestion(Answer::No);
  EXPECT_EQ(Installer().UninstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");

  ExpectUninstallQuestion(Answer::Yes);
  EXPECT_EQ(Installer().UninstallMod(fleet), Outcome::Done);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(host.uninstallCaptions, (Rows{"Uninstall Mod", "Uninstalling", "Deleting files", "Restoring backup",
                                          "Deleting backup", "Uninstall Mod"}));
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_FALSE(fs::exists(t / "game/odf/ships/new.odf"));
  EXPECT_TRUE(host.uninstallEnabled);
}

TEST_F(Flow, UninstallingAModThatIsNotInstalledAsksFirst) {
  ExpectUninstallQuestion(Answer::Yes);
  dialogs.Expect(
      Question("This mod does not appear to be installed. If there is no backup for a file, it will be "
               "deleted and not replaced. Continue anyway?",
               "Mod not installed", Answer::No, Icon::Exclamation));
  EXPECT_EQ(Installer().UninstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(Flow, UninstallingOutOfOrderAsksBeforeUndoingLaterChanges) {
  t.Write("prog/mods/Later/odf/ships/fed.odf", "later fed");
  ExpectInstallQuestion(Answer::Yes);
  ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  ExpectInstallQuestion(Answer::Yes, "Later");
  ASSERT_EQ(Installer().InstallMod({"Later", "Later"}), Outcome::Done);

  const std::string warning =
      "1 file(s) of the Fleet mod were changed in the game after it was installed, by a mod installed later or by a "
      "game update:\n    odf\\ships\\fed.odf\nUninstalling now puts back what the game had before this mod and so "
      "undoes those later changes. Uninstall anyway?";
  ExpectUninstallQuestion(Answer::Yes);
  dialogs.Expect(Question(warning, "Uninstall Fleet mod?", Answer::No, Icon::Exclamation));
  EXPECT_EQ(Installer().UninstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "later fed");
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Fleet"));

  ExpectUninstallQuestion(Answer::Yes);
  dialogs.Expect(Question(warning, "Uninstall Fleet mod?", Answer::Yes, Icon::Exclamation));
  EXPECT_EQ(Installer().UninstallMod(fleet), Outcome::Done);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(Flow, AnAddonInstallsFromItsOwnFolderWithItsOwnBackup) {
  ExpectInstallQuestion(Answer::Yes, "Small");
  EXPECT_EQ(Installer().InstallMod({"    Small", "Fleet\\Addon\\Small"}), Outcome::Done);
  EXPECT_EQ(Game("odf/ships/small.odf"), "addon");
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Fleet/Addon/Small"));
  EXPECT_FALSE(IsInstalled(t / "prog/mods/Fleet"));
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
}
