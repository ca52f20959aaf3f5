// The install and uninstall as the user meets them: every question, message and caption, with scripted answers.
#include <gtest/gtest.h>

#include <stdexcept>

#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "library/mod_files.h"
#include "platform/file_ops.h"
#include "support/recording_host.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using drydock::test::ScriptedDialogs;
using drydock::test::TempTree;
using flow::Answer, flow::Icon;
using Rows = std::vector<std::string>;

namespace {

// The path in the messages, as this system shows paths.
const std::string kFed = library::ShownPath("odf/ships/fed.odf");

using test::RecordingHost;

class Flow : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("game/odf/ships/fed.odf", "game fed");
    t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod fed");
    t.Write("prog/mods/Fleet/odf/ships/new.odf", "mod new");
    t.Write("prog/mods/Fleet/Addon/Small/odf/ships/small.odf", "addon");
    gameDir = t / "game";
  }
  void TearDown() override { platform::fault::Configure(0, 0); }

  ModInstaller Installer() {
    return ModInstaller(dialogs, host, t / "prog/mods", [this] { return gameDir; });
  }
  // Scripts the next box: a Yes/No question, or a message for the answer Ok.
  void Expect(std::string text, std::string title, Answer a, Icon icon = Icon::Exclamation) {
    dialogs.Expect(
        {std::move(text), std::move(title), a == Answer::Ok ? flow::Buttons::Ok : flow::Buttons::YesNo, icon, a});
  }
  void ExpectInstallQuestion(Answer a, const std::string& name = "Fleet") {
    Expect("You have selected the " + name + " mod. Do you want to install it?", "Install " + name + " mod?", a,
           Icon::Question);
  }
  void ExpectUninstallQuestion(Answer a) {
    Expect("Are you sure you want to uninstall the Fleet mod?", "Uninstall Fleet mod?", a, Icon::Question);
  }
  void ExpectAlreadyInstalled(Answer a) {
    Expect("It appears that the Fleet mod is already installed. Continue?", "Continue installation?", a);
  }
  // Fleet installed, the question answered Yes.
  void InstallFleet() {
    ExpectInstallQuestion(Answer::Yes);
    ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
    ASSERT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  }
  std::string Game(const char* rel) const { return TempTree::Read(t / (std::string("game/") + rel)); }
  // Fresh folders for the next case of a table.
  void Reset() {
    for (const auto& entry : fs::directory_iterator(t.root())) fs::remove_all(entry.path());
    host.folderStillThere = true;
    host.throwAt = host.longWork = 0;
    SetUp();
  }

  TempTree t;
  const test::ScopedEnv trash_{"XDG_DATA_HOME", (t / "data").string()};  // the trash, in the test's folder
  ScriptedDialogs dialogs;
  RecordingHost host;
  std::optional<fs::path> gameDir;
  const Selection fleet{"Fleet", "Fleet"};
};

}  // namespace

TEST_F(Flow, NoModChosenOrThePlaceholderIsToldAndANoToTheQuestionChangesNothing) {
  Expect("Please select a mod.", "Select a mod", Answer::Ok);
  EXPECT_EQ(Installer().InstallMod({"", ""}), Outcome::Cancelled);
  Expect(
      "You must place a mod into the mods\\(mod's name) folder before you can install. You can find instructions "
      "in the Help\\View Readme menu.",
      "Install mod first", Answer::Ok);
  EXPECT_EQ(Installer().UninstallMod({"(No mods found.)", ""}), Outcome::Cancelled);
  EXPECT_TRUE(host.Idle());
  host = {};
  ExpectInstallQuestion(Answer::No);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(host.beeps, 0);
  EXPECT_EQ(host.installCaptions, Rows{"Install Mod"}) << "the caption is put back";
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(Flow, AnInstallShowsItsCaptionsAndProgressBeepsOnceAndRefreshes) {
  ExpectInstallQuestion(Answer::Yes);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(host.installCaptions, (Rows{"Installing", "Creating backup", "Copying files", "Install Mod"}));
  EXPECT_EQ(std::tuple(host.beeps, host.quietRefreshes, host.fullRefreshes), std::tuple(1, 1, 1));
  EXPECT_TRUE(host.Idle());
  EXPECT_EQ(std::pair(host.progress.front(), host.progress.back()), std::pair(0, 100));
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
}

// Installing again undoes the first install, so that the backup holds the game's files.
TEST_F(Flow, InstallingAgainFirstUndoesTheInstallAndOnlyWhenTheUserAgrees) {
  InstallFleet();
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod fed v2");
  ExpectInstallQuestion(Answer::Yes);
  ExpectAlreadyInstalled(Answer::Yes);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Done);
  EXPECT_EQ(host.uninstallCaptions,
            (Rows{"Uninstalling", "Deleting files", "Restoring backup", "Deleting backup", "Uninstall Mod"}));
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed v2");
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Fleet/Backup/odf/ships/fed.odf"), "game fed");
  ExpectInstallQuestion(Answer::Yes);
  ExpectAlreadyInstalled(Answer::No);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(host.installCaptions.back(), "Install Mod");
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed v2");
  EXPECT_TRUE(dialogs.Done());
}

// A hand edit, then a mod installed over it: the edit is no installed mod's, so installing again or uninstalling
// first asks to undo it. (Where only mods changed the file, nothing is asked: mod_stack_test.)
TEST_F(Flow, AHandEditUnderALaterModIsUndoneOnlyOnAYesAndGoesToTheTrash) {
  InstallFleet();
  t.Write("game/odf/ships/fed.odf", "patched by hand");
  t.Write("prog/mods/Later/odf/ships/fed.odf", "later fed");
  ExpectInstallQuestion(Answer::Yes, "Later");
  ASSERT_EQ(Installer().InstallMod({"Later", "Later"}), Outcome::Done);
  const std::string changed =
      "1 file(s) of the Fleet mod were changed in the game after it was installed, by a mod installed later or by a "
      "game update:\n    " +
      kFed + "\n";
  ExpectInstallQuestion(Answer::Yes);
  ExpectAlreadyInstalled(Answer::Yes);
  Expect(changed +
             "Installing it again first puts back what the game had before this mod and so undoes those later "
             "changes; the files as they are now go to the trash. Continue?",
         "Continue installation?", Answer::No);
  EXPECT_EQ(Installer().InstallMod(fleet), Outcome::Cancelled);
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    SCOPED_TRACE(answer == Answer::Yes ? "undo agreed" : "undo refused");
    host.uninstallCaptions.clear();
    ExpectUninstallQuestion(Answer::No);
    EXPECT_EQ(Installer().UninstallMod(fleet), Outcome::Cancelled);
    ExpectUninstallQuestion(Answer::Yes);
    Expect(changed +
               "Uninstalling now puts back what the game had before this mod and so undoes those later "
               "changes; the files as they are now go to the trash. Uninstall anyway?",
           "Uninstall Fleet mod?", answer);
    EXPECT_EQ(Installer().UninstallMod(fleet), answer == Answer::Yes ? Outcome::Done : Outcome::Cancelled);
    EXPECT_EQ(Game("odf/ships/fed.odf"), "later fed");
    EXPECT_EQ(IsInstalled(t / "prog/mods/Fleet"), answer == Answer::No);
  }
  // The game's own file went to the mod installed over it, and the edit to the trash (on Windows the recycle bin).
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Later/Backup/odf/ships/fed.odf"), "game fed");
#ifndef _WIN32
  EXPECT_EQ(TempTree::Read(t / "data/Trash/files/fed.odf"), "patched by hand");
#endif
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(host.uninstallCaptions, (Rows{"Uninstall Mod", "Uninstalling", "Deleting files", "Restoring backup",
                                          "Deleting backup", "Uninstall Mod"}));
  EXPECT_TRUE(host.Idle());
}

TEST_F(Flow, AnAddonInstallsFromItsOwnFolderWithItsOwnBackup) {
  ExpectInstallQuestion(Answer::Yes, "Small");
  EXPECT_EQ(Installer().InstallMod({"    Small", "Fleet\\Addon\\Small"}), Outcome::Done);
  EXPECT_EQ(test::GameSnapshot(t / "game"), (Rows{"odf/ships/fed.odf=game fed", "odf/ships/small.odf=addon"}));
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Fleet/Addon/Small"));
  EXPECT_FALSE(IsInstalled(t / "prog/mods/Fleet"));
}

// A whole game that cannot be written, another run holding the game and a mod that ships a Backup folder of its own
// are probed through the command line (install_probe_test, cli_test).
TEST_F(Flow, AnInstallThatDoesNotFinishSaysWhyAndLeavesTheGameSafe) {
  struct Case {
    std::function<void()> arrange;
    std::string text, title;
    Rows game = {"odf/ships/fed.odf=game fed"};  // the game folder afterwards
    bool installed = false;                      // a Backup afterwards, and the install Incomplete, not Refused
    std::string kept = "";                       // the Backup's fed.odf afterwards
  };
  const std::string noGame =
      "The Armada II directory is not set or no longer exists, so nothing was changed. Choose it with \"Change A2 "
      "Directory\" in the Manager menu first.";
  const Case cases[] = {
      {[&] { gameDir.reset(); }, noGame, "Armada II directory not found"},
      {[&] { host.folderStillThere = false; },
       "The folder you have selected no longer exists. Please check to see if it has been renamed or moved.",
       "Folder not found."},
      {[&] {
         fs::remove_all(t / "prog/mods/Fleet/odf");
         t.Write("prog/mods/Fleet/ModInfo.txt", "Author: Q\r\n");
       },
       "The Fleet mod has no files for the game's folders, so nothing was installed.", "Install Fleet mod"},
      {[&] { platform::fault::Configure(0, 0, "game/odf/ships/fed.odf"); },
       "1 file(s) of the Fleet mod could not be installed:\n    " + kFed +
           " (the mod's file could not be copied; the game's file was left as it was: Input/output error)\nThe game "
           "files concerned were left as they were; every other file was installed.",
       "Install incomplete",
       {"odf/ships/fed.odf=game fed", "odf/ships/new.odf=mod new"},
       true},
      {[&] {
         ExpectInstallQuestion(Answer::Yes);
         ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
         platform::fault::Configure(0, 0, "game/odf/ships/fed.odf");
       },
       "The Fleet mod could not be taken out of the game completely before installing it again, so nothing was "
       "copied. 1 file(s) could not be restored; their backup copies were kept:\n    " +
           kFed + " (could not be restored; its backup copy was kept: Input/output error)",
       "Reinstall stopped",
       {"odf/ships/fed.odf=mod fed"},
       true,
       "game fed"},
      // The plan shown under the question is the first piece of long work, the lock's wait the second, the
      // plan the checks before the copy read the third, the copying the fourth.
      {[&] { host.throwAt = 4; },
       "The work was stopped by an unexpected error: disk on fire\nThe files handled so far are in their places; "
       "every kept original is still in the mod's Backup folder.",
       "Install Fleet mod",
       {"odf/ships/fed.odf=mod fed", "odf/ships/new.odf=mod new"},
       true,
       "game fed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Reset();
    c.arrange();
    ExpectInstallQuestion(Answer::Yes);
    if (IsInstalled(t / "prog/mods/Fleet")) ExpectAlreadyInstalled(Answer::Yes);
    Expect(c.text, c.title, Answer::Ok);
    const int beeps = host.beeps;
    EXPECT_EQ(Installer().InstallMod(fleet), c.installed ? Outcome::Incomplete : Outcome::Refused);
    platform::fault::Configure(0, 0);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_EQ(host.beeps, beeps);
    EXPECT_TRUE(host.Idle());
    EXPECT_EQ(host.installCaptions.back(), "Install Mod");
    EXPECT_EQ(test::GameSnapshot(t / "game"), c.game);
    EXPECT_EQ(fs::exists(t / "prog/mods/Fleet/Backup"), c.installed);
    EXPECT_EQ(TempTree::Read(t / "prog/mods/Fleet/Backup/odf/ships/fed.odf"), c.kept);
  }
}

TEST_F(Flow, UninstallingAModThatIsNotInstalledTrashesOnlyTheModsOwnFilesAfterEachQuestion) {
  t.Write("game/odf/ships/new.odf", "mod new");
  t.Write("game/odf/ships/kling.odf", "game kling");
  t.Write("prog/mods/Fleet/odf/ships/kling.odf", "mod kling");
  const Rows before = TempTree::Snapshot(t / "game");
  // Two questions, then the files that hold the mod's bytes are named before they go and the rest after.
  const std::string boxes[] = {
      "This mod does not appear to be installed. If there is no backup for a file, it will be deleted and not "
      "replaced. Continue anyway?",
      "1 file(s) in the game hold exactly the files of the Fleet mod and will be moved to the trash. With no "
      "backup, Drydock cannot tell them from the game's own files:\n    " +
          library::ShownPath("odf/ships/new.odf") + "\nMove them to the trash?",
      "2 file(s) at the Fleet mod's paths were left in the game, since they do not hold the mod's files:\n    " + kFed +
          "\n    " + library::ShownPath("odf/ships/kling.odf")};
  for (int yeses = 0; yeses <= 2; ++yeses) {
    SCOPED_TRACE(yeses);
    ExpectUninstallQuestion(Answer::Yes);
    for (int box = 0; box <= yeses; ++box)
      Expect(boxes[box], "Mod not installed",
             box == 2      ? Answer::Ok
             : box < yeses ? Answer::Yes
                           : Answer::No,
             box == 2 ? Icon::Information : Icon::Exclamation);
    EXPECT_EQ(Installer().UninstallMod(fleet), yeses > 1 ? Outcome::Done : Outcome::Cancelled);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_EQ(TempTree::Snapshot(t / "game"),
              (yeses > 1 ? Rows{"odf/ships/fed.odf=game fed", "odf/ships/kling.odf=game kling"} : before));
  }
  // Nothing says the game never had that file: it can be brought back.
#ifndef _WIN32
  EXPECT_EQ(TempTree::Read(t / "data/Trash/files/new.odf"), "mod new");
#endif
}

// A backup that a plain uninstall cannot retire: the window names what is missing and offers the way out; No keeps
// everything as it is, Yes puts back what the backup still has and moves the rest to the trash.
TEST_F(Flow, AStuckBackupIsForcedOutOnlyAfterAQuestionNamingWhatIsMissing) {
  const std::string force =
      "Uninstall the Fleet mod anyway? Drydock puts back every original the backup still has, leaves each game file "
      "whose original is gone as it is, and moves what is left of the Backup folder to the trash.";
  struct Case {
    const char* what;
    std::function<void()> damage;
    std::string stuck;  // what the offer says first
  };
  const Case cases[] = {
      {"a kept original deleted by hand", [&] { fs::remove(t / "prog/mods/Fleet/Backup/odf/ships/fed.odf"); },
       "The Fleet mod cannot be uninstalled completely:\n    " + kFed +
           " (its kept original is missing from the backup, so the game's file was left as it was)\n\n"},
      {"a record cut short",
       [&] {
         const fs::path record = t / "prog/mods/Fleet/Backup/.drydock-record";
         const std::string text = TempTree::Read(record);
         t.Write("prog/mods/Fleet/Backup/.drydock-record", text.substr(0, text.size() - 5));
       },
       "The install record in the mod's Backup folder cannot be read (it is damaged, or comes from a later version "
       "of Drydock), so nothing was changed.\n\n"},
  };
  for (const Case& c : cases) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
      SCOPED_TRACE(std::string(c.what) + (answer == Answer::Yes ? ", forced" : ", kept"));
      Reset();
      ExpectInstallQuestion(Answer::Yes);
      ASSERT_EQ(Installer().InstallMod(fleet), Outcome::Done);
      c.damage();
      ExpectUninstallQuestion(Answer::Yes);
      Expect(c.stuck + force, "Uninstall Fleet mod?", answer);
      const bool lost = c.stuck.find("missing") != std::string::npos;
      if (answer == Answer::Yes) {
        Expect(lost ? "The Fleet mod was uninstalled.\nThese game files were left as they are, since their originals "
                      "were gone:\n    " +
                          kFed
                    : "The Fleet mod was uninstalled.",
               "Uninstall Fleet mod", Answer::Ok, Icon::Information);
      } else if (lost) {
        Expect("", "Uninstall Fleet mod", Answer::Ok);  // the report of what could not be handled
      }
      const Outcome outcome = Installer().UninstallMod(fleet);
      EXPECT_TRUE(dialogs.Done());
      EXPECT_EQ(outcome, answer == Answer::Yes ? Outcome::Done : lost ? Outcome::Incomplete : Outcome::Refused);
      EXPECT_EQ(IsInstalled(t / "prog/mods/Fleet"), answer == Answer::No);
      if (answer == Answer::Yes) {
        EXPECT_EQ(TempTree::Snapshot(t / "game"),
                  Rows{lost ? "odf/ships/fed.odf=mod fed" : "odf/ships/fed.odf=game fed"});
      }
      EXPECT_TRUE(host.Idle());
    }
  }
}
