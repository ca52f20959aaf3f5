// The main window's menus and its commands on mod folders, driven by keys,
// clicks and the right mouse button, with scripted message boxes.
#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>

#include "flow/preflight.h"
#include "launch/launch.h"
#include "launch/launch_texts.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/writer_lock.h"
#include "selector/frm_selector.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#ifndef _WIN32
#include "support/stand_in_game.h"
#endif
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::PressKey;
using Box = test::ScriptedDialogs::Box;

namespace {

Box Answered(const std::string& text, const std::string& title, flow::Answer answer,
             flow::Buttons buttons = flow::Buttons::YesNo, flow::Icon icon = flow::Icon::Question) {
  return {text, title, buttons, icon, answer};
}
// A question whose Yes removes files: Enter gives No.
Box AnsweredNoFirst(const std::string& text, const std::string& title, flow::Answer answer,
                    flow::Icon icon = flow::Icon::Question) {
  Box box = Answered(text, title, answer, flow::Buttons::YesNo, icon);
  box.preset = flow::Default::No;
  return box;
}

class SelectorCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    test::GuiApp();
    t.Write("game/Armada2.exe", "");
    t.MakeDir("home/data");
  }
  void Start() { window = test::StartMainWindow(shell, dialogs, t / "prog", t / "game", launchGrace); }
  QListWidget* Mods() const { return test::Child<QListWidget>(window.get(), "lstMods"); }
  QAction* Entry(const char* name) const { return test::Child<QAction>(window.get(), name); }
  void Click(const char* text) { test::ClickText(Mods(), text); }
  std::string Current() const { return Mods()->currentItem() ? test::Str(Mods()->currentItem()->text()) : ""; }
  fs::path Mod(const char* relative) const { return t / "prog/mods" / relative; }
  std::string Label(const char* name) const { return test::Str(test::Child<QLabel>(window.get(), name)->text()); }

  test::TempTree t;
  // Removed mods go to a trash of the test's own.
  test::ScopedEnv home{"HOME", (t / "home").string()};
  test::ScopedEnv data{"XDG_DATA_HOME", (t / "home/data").string()};
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  std::chrono::milliseconds launchGrace = launch::kLaunchGraceTime;
  std::unique_ptr<selector::frmSelector> window;
};

TEST_F(SelectorCommands, EveryShortcutReachesItsCommandAndSubfoldersChangeOnlyUnderTheLock) {
  t.Write("prog/mods/Fleet/Fleet Readme.txt");
  Start();
  Click("Fleet");
  // Each key and what it brings up: a question (by its title), the input box, or a call to the shell. The game's
  // folders are made in the mod and the empty ones removed again.
  const fs::path manuals = Mod("Fleet/Extras/Help/Manuals");
  const struct {
    QKeyCombination key;
    std::string shows;
    flow::Answer answer = flow::Answer::No;
    bool manualsAfter = false;
  } keys[] = {
      {Qt::CTRL | Qt::Key_I, "Install Fleet mod?"},
      {Qt::CTRL | Qt::Key_U, "Uninstall Fleet mod?"},
      {QKeyCombination(Qt::Key_Delete), "Remove Fleet mod?"},
      {Qt::CTRL | Qt::Key_B, "Make subfolders?", flow::Answer::Yes, true},
      {Qt::CTRL | Qt::Key_S, "Delete subfolders?", flow::Answer::Yes, false},
      {Qt::CTRL | Qt::Key_M, "input Please enter the name of the folder."},
      {Qt::CTRL | Qt::Key_W, "open " + (Mod("Fleet") / "Fleet Readme.txt").string()},
      {Qt::CTRL | Qt::Key_O, "open " + Mod("Fleet").string()},
  };
  for (const auto& k : keys) {
    dialogs.shown.clear();
    dialogs.prompts.clear();
    shell.calls.clear();
    if (k.shows.starts_with("input ")) {
      dialogs.ExpectInput(std::nullopt);
    } else if (!k.shows.starts_with("open ")) {
      dialogs.Expect(Answered("", k.shows, k.answer));
    }
    PressKey(k.key.key(), k.key.keyboardModifiers());
    std::vector<std::string> seen = shell.calls;
    for (const Box& box : dialogs.shown) seen.push_back(box.title);
    for (const std::string& prompt : dialogs.prompts) seen.push_back("input " + prompt);
    EXPECT_EQ(seen, std::vector<std::string>{k.shows});
    EXPECT_EQ(fs::is_directory(manuals), k.manualsAfter) << k.shows;
    EXPECT_TRUE(Mods()->hasFocus()) << k.shows;
  }
  EXPECT_TRUE(fs::exists(Mod("Fleet/Fleet Readme.txt")));

  // While another run holds the lock, nothing changes.
  const auto other = platform::WriterLock::Acquire({t / "prog/mods"});
  ASSERT_TRUE(other);
  dialogs.Expect(Answered("", "Make subfolders?", flow::Answer::Yes));
  dialogs.Expect(
      {"Another Drydock is changing the files in " + (t / "prog/mods").string() + ". Try again when it has finished.",
       "Make subfolders?", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_B, Qt::ControlModifier);
  EXPECT_FALSE(fs::exists(manuals));
  PressKey(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(Current(), "Fleet") << "a full refresh keeps the selection";
  // The window of this entry is not there yet: its key does nothing.
  PressKey(Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(SelectorCommands, TheListTakesTypeAheadHomeAndEndAndDeleteAsksToRemoveWithNoAsTheDefault) {
  for (const char* name : {"Alpha", "Borg Pack", "Fleet Yards", "Romulan Wars"})
    t.MakeDir(std::string("prog/mods/") + name);
  Start();
  Click("Alpha");
  const struct {
    const char* keys;  // typed, or a named key
    Qt::Key key;
    const char* lands;
  } moves[] = {{"fl", Qt::Key_unknown, "Fleet Yards"},  // two letters typed at once find the mod they begin
               {nullptr, Qt::Key_End, "Romulan Wars"},
               {nullptr, Qt::Key_Home, "Alpha"},
               {nullptr, Qt::Key_Down, "Borg Pack"}};
  for (const auto& move : moves) {
    if (move.keys) {
      QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(move.keys));
    } else {
      PressKey(move.key);
    }
    EXPECT_EQ(Current(), move.lands);
    EXPECT_EQ(Label("lblModNumOfFiles"), "Number of files in current mod: 0") << "the details follow";
  }
  dialogs.Expect(AnsweredNoFirst("Are you sure you want to remove the Borg Pack mod from your hard drive?",
                                 "Remove Borg Pack mod?", flow::Answer::No));
  PressKey(Qt::Key_Delete);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_TRUE(fs::is_directory(Mod("Borg Pack")));
}

TEST_F(SelectorCommands, EveryMenuGivesEachOfItsEntriesItsOwnMnemonic) {
  Start();
  QList<QWidget*> menus{window->menuBar()};
  for (QMenu* menu : window->menuBar()->findChildren<QMenu*>()) menus << menu;
  for (QWidget* menu : menus) {
    std::map<QChar, QString> taken;
    for (const QAction* action : menu->actions()) {
      const QString text = action->text();
      for (qsizetype at = text.indexOf(QLatin1Char('&')); at >= 0 && at + 1 < text.size();
           at = text.indexOf(QLatin1Char('&'), at + 2)) {
        if (text[at + 1] == QLatin1Char('&')) continue;
        const QChar key = text[at + 1].toLower();
        EXPECT_FALSE(taken.contains(key))
            << test::Str(text) << " and " << test::Str(taken[key]) << " share &" << test::Str(QString(key));
        taken[key] = text;
      }
    }
  }
}

// Removing a mod: Fleet with its addon Extra, and Inst, which is installed.
class RemoveMod : public SelectorCommands {
 protected:
  void SetUp() override {
    SelectorCommands::SetUp();
    t.Write("prog/mods/Fleet/odf/fed.odf", "fleet");
    t.Write("prog/mods/Fleet/Addon/Extra/odf/x.odf", "extra");
    t.Write("prog/mods/Inst/Backup/odf/fed.odf", "the game's own");
    Start();
  }
  // The first question, and the second that warns of what cannot be undone; both default to No.
  static Box Ask(const std::string& name, flow::Answer answer) {
    return AnsweredNoFirst("Are you sure you want to remove the " + name + " mod from your hard drive?",
                           "Remove " + name + " mod?", answer);
  }
  static Box Warning(const std::string& name, flow::Answer answer) {
    return AnsweredNoFirst("", "Remove " + name + " mod?", answer, flow::Icon::Exclamation);
  }
  // Selects `name` and presses Delete, answering the first question Yes and the warning, when one is due, `warning`.
  void Remove(const char* name, std::optional<flow::Answer> warning = flow::Answer::Yes) {
    Click(name);
    dialogs.Expect(Ask(name, flow::Answer::Yes));
    if (warning) dialogs.Expect(Warning(name, *warning));
    PressKey(Qt::Key_Delete);
  }
  std::string Status() const { return Label("lblStatus"); }
};

TEST_F(RemoveMod, TheModIsLookedAtUnderTheLockAndWorkThatThrowsIsToldDeletingNothing) {
  // While another run holds the lock, nothing is asked about the mod's backup.
  {
    const auto other = platform::WriterLock::Acquire({t / "prog/mods"});
    ASSERT_TRUE(other);
    Click("Inst");
    dialogs.Expect(Ask("Inst", flow::Answer::Yes));
    dialogs.Expect(
        {"Another Drydock is changing the files in " + (t / "prog/mods").string() + ". Try again when it has finished.",
         "Remove Inst mod?", flow::Buttons::Ok, flow::Icon::Exclamation});
    PressKey(Qt::Key_Delete);
    EXPECT_TRUE(dialogs.Done());
  }
  // Work that throws (the trash's look into a data folder that is a loop of links) is told, and nothing is deleted.
  const test::ScopedEnv loop{"XDG_DATA_HOME", t.Link("home/loop", t / "home/loop").string()};
  dialogs.Expect(Ask("Inst", flow::Answer::Yes));
  dialogs.Expect(Warning("Inst", flow::Answer::Yes));
  dialogs.Expect({"", "Remove Inst mod?", flow::Buttons::Ok, flow::Icon::Critical});
  PressKey(Qt::Key_Delete);
  ASSERT_TRUE(dialogs.Done());
  EXPECT_TRUE(dialogs.shown.back().text.starts_with("The work was stopped by an unexpected error: "));
  EXPECT_NE(dialogs.shown.back().text.find((t / "home/loop/Trash").string()), std::string::npos);
  EXPECT_TRUE(fs::exists(Mod("Inst/Backup/odf/fed.odf")));
}

TEST_F(RemoveMod, AnAddonGoesToTheTrashAloneAndAnInstalledModNeedsASecondYes) {
  Remove("    Extra", std::nullopt);
  EXPECT_FALSE(fs::exists(Mod("Fleet/Addon/Extra")));
  EXPECT_EQ(test::TempTree::Read(t / "home/data/Trash/files/Extra/odf/x.odf"), "extra");
  EXPECT_EQ(Status(), "Removed Extra: moved to the trash");
  EXPECT_EQ(test::TempTree::Read(Mod("Fleet/odf/fed.odf")), "fleet");
  EXPECT_EQ(test::Items(Mods()), test::L({"Fleet", "Inst"}));

  Remove("Inst", flow::Answer::No);  // the backup would go with it
  EXPECT_TRUE(fs::exists(Mod("Inst/Backup/odf/fed.odf")));
  dialogs.Expect(Ask("Inst", flow::Answer::Yes));
  dialogs.Expect(Warning("Inst", flow::Answer::Yes));
  Entry("menuModCurrentModRemoveMod")->trigger();
  EXPECT_EQ(test::TempTree::Read(t / "home/data/Trash/files/Inst/Backup/odf/fed.odf"), "the game's own");
  EXPECT_TRUE(dialogs.Done());
}

#ifndef _WIN32
// A running game stops the removal of an installed mod only: a mod that is not installed is nothing the game uses.
TEST_F(RemoveMod, WhileTheGameRunsAnInstalledModStaysAndAnotherGoes) {
  fs::copy_file("/bin/sleep", t / "game/Armada2.exe", fs::copy_options::overwrite_existing);
  test::StandInGame game(t / "game/Armada2.exe", "Armada2.exe", t / "game");
  ASSERT_TRUE(game.Started());
  Click("Inst");
  dialogs.Expect(Ask("Inst", flow::Answer::Yes));
  dialogs.Expect({flow::kGameRunningText, "Remove Inst mod?", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_Delete);
  ASSERT_TRUE(dialogs.Done());
  EXPECT_EQ(test::TempTree::Read(Mod("Inst/Backup/odf/fed.odf")), "the game's own");

  Remove("Fleet", std::nullopt);
  EXPECT_EQ(test::TempTree::Read(t / "home/data/Trash/files/Fleet/odf/fed.odf"), "fleet");
  EXPECT_EQ(test::Items(Mods()), test::L({"Inst"}));

  game.Stop();  // closed: the installed mod goes once the user says so twice
  Remove("Inst");
  EXPECT_EQ(test::TempTree::Read(t / "home/data/Trash/files/Inst/Backup/odf/fed.odf"), "the game's own");
  EXPECT_TRUE(dialogs.Done());
}
#endif

TEST_F(RemoveMod, WithoutATrashAModIsDeletedOnlyWhenTheUserSaysSoKnowingItIsForGood) {
  fs::remove_all(Mod("Inst"));
  t.Write("home/data/Trash", "not a folder");
  PressKey(Qt::Key_R, Qt::ControlModifier);
  for (const flow::Answer answer : {flow::Answer::No, flow::Answer::Yes}) {
    Remove("Fleet", answer);
    EXPECT_EQ(fs::exists(Mod("Fleet/odf/fed.odf")), answer == flow::Answer::No);
  }
  EXPECT_NE(dialogs.shown.back().text.find(Mod("Fleet").string() + "\n\nDelete it for good?"), std::string::npos);
  EXPECT_EQ(Status(), "Deleted Fleet for good");
  EXPECT_EQ(test::Items(Mods()), test::L({"(No mods found.)"}));
  PressKey(Qt::Key_Delete);  // the placeholder is no mod
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(RemoveMod, OnLinuxABackslashIsPartOfTheModsNameNeverAFolderOfAnotherMod) {
  t.Write("prog/mods/x/y/precious.odf", "x's");
  fs::create_directories(Mod("x\\y"));
  std::ofstream(Mod("x\\y") / "odd.odf") << "odd";
  PressKey(Qt::Key_R, Qt::ControlModifier);
  Remove("x\\y", std::nullopt);
  EXPECT_EQ(test::TempTree::Read(Mod("x/y/precious.odf")), "x's");
  EXPECT_EQ(test::TempTree::Read(t / "home/data/Trash/files" / "x\\y" / "odd.odf"), "odd");
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(SelectorCommands, ANewModFolderTakesOnlyAFolderNameAndIsSelectedOnceMade) {
  t.MakeDir("prog/mods/Fleet");
  Start();
  const auto error = [](flow::Answer answer) {
    return Answered(
        "An error has occurred. It is possible that you have entered invalid characters. Please "
        "enter a different name.",
        "Error!", answer, flow::Buttons::AbortRetryIgnore, flow::Icon::Exclamation);
  };
  dialogs.ExpectInput("FLEET");
  dialogs.Expect({"Folder already exists.", "Drydock"});
  PressKey(Qt::Key_M, Qt::ControlModifier);
  dialogs.ExpectInput("");  // nothing typed: nothing happens
  PressKey(Qt::Key_M, Qt::ControlModifier);

  // A name no folder can have, then a folder the system refuses to make: Retry asks again, Abort ends.
  platform::fault::Configure(0, 0, "Refused");
  dialogs.ExpectInput("../Outside");
  dialogs.Expect(error(flow::Answer::Retry));
  dialogs.ExpectInput("Refused");
  dialogs.Expect(error(flow::Answer::Retry));
  dialogs.ExpectInput("New Mod");
  PressKey(Qt::Key_M, Qt::ControlModifier);
  dialogs.ExpectInput("a:b|c");
  dialogs.Expect(error(flow::Answer::Abort));
  PressKey(Qt::Key_M, Qt::ControlModifier);
  platform::fault::Configure(0, 0, "");
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(test::Items(Mods()), test::L({"Fleet", "New Mod"}));
  EXPECT_EQ(Current(), "New Mod");
  EXPECT_FALSE(fs::exists(t / "prog/Outside"));
  EXPECT_FALSE(fs::exists(Mod("Refused")));
}

TEST_F(SelectorCommands, TheManagerMenuGreysWhatCannotRunTheMapEditorIsSwitchedOnAndLaunchingEndsDrydock) {
  t.Write("prog/mods/Fleet/Fleet Readme.txt");
  Start();
  Click("Fleet");
  // The Launch menu's places and the mod's folder and readme, opened, and told with the path or address in full
  // when the shell cannot open them.
  const std::pair<std::function<void()>, std::string> places[] = {
      {[] { PressKey(Qt::Key_O, Qt::ControlModifier); }, Mod("Fleet").string()},
      {[] { PressKey(Qt::Key_W, Qt::ControlModifier); }, (Mod("Fleet") / "Fleet Readme.txt").string()},
      {[&] { Entry("menuManagarLaunchA2Dir")->trigger(); }, (t / "game").string()},
      {[&] { Entry("menuManagerLaunchDrydockDir")->trigger(); }, (t / "prog").string()},
      {[&] { Entry("menuManagerLaunchAU")->trigger(); }, std::string(launch::kArmadaUniverseUrl)},
      {[&] { Entry("menuManagerLaunchAFC")->trigger(); }, std::string(launch::kArmadaFleetCommandUrl)},
      {[&] { Entry("menuManagerLaunchModCentral")->trigger(); }, std::string(launch::kModCentralUrl)},
  };
  for (const auto& [give, target] : places) {
    SCOPED_TRACE(target);
    shell.calls.clear();
    shell.openFailure.reset();
    give();
    EXPECT_EQ(shell.calls, std::vector<std::string>{"open " + target});
    shell.openFailure = "xdg-open was not found";
    dialogs.Expect({launch::texts::NotOpened(target, "xdg-open was not found"), "Could not open", flow::Buttons::Ok,
                    flow::Icon::Exclamation});
    give();
    EXPECT_TRUE(dialogs.Done());
  }
  shell.openFailure.reset();
  shell.calls.clear();

  // Opens the Manager menu with a click, as the user does, and tells which of the two entries can be chosen.
  auto* manager = test::Child<QMenu>(window.get(), "menuSelector");
  QMenuBar* bar = window->menuBar();
  const auto open = [&] {
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(manager->menuAction()).center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager->isVisible(); }, 1000));
    const std::pair<bool, bool> enabled{Entry("menuManagerLaunchA2")->isEnabled(),
                                        Entry("menuManagerInstallMapEditor")->isEnabled()};
    manager->hide();
    return enabled;
  };
  EXPECT_EQ(open(), std::make_pair(true, true));
  t.Write("game/ATVI", "a player's note");  // kept as it is
  dialogs.Expect(Answered("Installation complete. Would you like to launch Armada II now?", "Installation complete",
                          flow::Answer::No));
  // The entries are chosen as a click on them does: the offscreen platform gives a closed menu the activation it
  // asked for once events run again, as they do while the game's lock is waited for, and keys then reach nothing.
  Entry("menuManagerInstallMapEditor")->trigger();
  EXPECT_EQ(test::TempTree::Read(t / "game/unsupportedextension_mapedit"), "");
  EXPECT_EQ(test::TempTree::Read(t / "game/ATVI"), "a player's note");
  EXPECT_EQ(open(), std::make_pair(true, false));
  fs::rename(t / "game/Armada2.exe", t / "game/Armada2.bak");
  EXPECT_EQ(open(), std::make_pair(false, false));
  Entry("menuManagerLaunchA2")->trigger();  // greyed: nothing happens
  EXPECT_TRUE(shell.calls.empty());

  // The game runs through Wine in its folder, and Drydock ends.
  fs::rename(t / "game/Armada2.bak", t / "game/Armada2.exe");
  t.Write("bin/wine", "#!/bin/sh\n");
  fs::permissions(t / "bin/wine", fs::perms::owner_all);
  const test::ScopedEnv path("PATH", (t / "bin").string());
  EXPECT_EQ(open(), std::make_pair(true, false));
  shell.calls.clear();
  Entry("menuManagerLaunchA2")->trigger();
  EXPECT_EQ(shell.calls, std::vector<std::string>{"start " + (t / "bin/wine").string() + " Armada2.exe in " +
                                                  (t / "game").string()});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(SelectorCommands, AGameThatFailsAtOnceKeepsTheWindowOpenAndSaysWhyOneThatRunsOnEndsDrydockAndTheWindowAnswers) {
  t.Write("bin/wine", "#!/bin/sh\n");
  fs::permissions(t / "bin/wine", fs::perms::owner_all);
  const test::ScopedEnv path("PATH", (t / "bin").string());
  launchGrace = std::chrono::milliseconds(1500);
  Start();
  shell.programEnds = platform::ProgramEnd{1, 0};
  shell.programErrors = "wine: Bad EXE format for Z:\\game\\Armada2.exe.\n";
  dialogs.Expect({launch::texts::GameEndedAtOnce("wine Armada2.exe", "exit status 1",
                                                 "wine: Bad EXE format for Z:\\game\\Armada2.exe."),
                  "Launch Armada II", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_A, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.Done(); }, 5000));
  EXPECT_TRUE(window->isVisible());

  // A game that runs on: the key returns at once, the window answers while the game is watched, then closes.
  shell.programEnds.reset();
  PressKey(Qt::Key_A, Qt::ControlModifier);
  bool answered = false;
  QTimer::singleShot(0, window.get(), [&] { answered = window->isVisible(); });
  ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 1000));
  PressKey(Qt::Key_A, Qt::ControlModifier);  // while one launch is watched, another starts nothing
  EXPECT_EQ(std::count_if(shell.calls.begin(), shell.calls.end(),
                          [](const std::string& c) { return c.starts_with("start "); }),
            2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(SelectorCommands, TheMapEditorSwitchWaitsForTheGamesLockWhileTheWindowAnswers) {
  Start();
  const auto other = platform::WriterLock::Acquire({t / "game"});  // another run changes the game
  ASSERT_TRUE(other);
  dialogs.Expect({"Another Drydock is changing this game's files. Try again when it has finished.",
                  "Install map editor", flow::Buttons::Ok, flow::Icon::Exclamation});
  // A probe the window's events run: while the wait lasts, no box has been shown yet.
  std::optional<std::size_t> boxesWhenProbed;
  QTimer::singleShot(100, window.get(), [&] { boxesWhenProbed = dialogs.shown.size(); });
  Entry("menuManagerInstallMapEditor")->trigger();
  EXPECT_EQ(boxesWhenProbed, std::size_t{0}) << "the window's events stood still while the lock was waited for";
  EXPECT_TRUE(dialogs.Done());
  EXPECT_FALSE(fs::exists(t / "game/ATVI"));
}

TEST_F(SelectorCommands, TheEditorFollowsTheModShownAndItsFileIsShownOnceMade) {
  t.Write("prog/mods/Fleet/ModInfo.txt", "Author: Someone\r\n");
  t.MakeDir("prog/mods/Other");
  Start();
  Click("Fleet");
  PressKey(Qt::Key_E, Qt::ControlModifier);
  auto* editor = window->findChild<QWidget*>(QStringLiteral("frmEditModInfo"));
  ASSERT_TRUE(editor && editor->isVisible() && Entry("menuModEdit")->isChecked());
  const auto box = [&](const char* name) { return test::Child<QLineEdit>(editor, name); };
  EXPECT_EQ(test::Str(box("txtAuthor")->text()), "Someone");
  // Choosing a mod in the editor shows it in the main window, and its values in the editor.
  test::Activate(editor);
  test::Child<QWidget>(editor, "cboMod")->setFocus();
  PressKey(Qt::Key_Down);
  PressKey(Qt::Key_Down);
  EXPECT_EQ(Current(), "Other");
  QTest::mouseClick(test::Child<QWidget>(editor, "cmdClear"), Qt::LeftButton);
  test::TypeInto(box("txtVersion"), "2.0");
  dialogs.Expect(Answered("Are you sure you want to make the file?", "Make file?", flow::Answer::Yes));
  QTest::mouseClick(test::Child<QWidget>(editor, "cmdMakeFile"), Qt::LeftButton);
  EXPECT_NE(test::TempTree::Read(Mod("Other/ModInfo.txt")).find("Version: 2.0\r\n"), std::string::npos);
  EXPECT_EQ(Label("lblModsVersion"), "2.0") << "the details show it";
  // Typed values keep the main window open when its closing asks and the user cancels.
  test::TypeInto(box("txtVersion"), "3.0");
  dialogs.Expect(
      Answered("The fields hold changes that are not in the ModInfo.txt file of Other. Make the file with "
               "them before closing?",
               "Edit ModInfo.txt file", flow::Answer::Cancel, flow::Buttons::YesNoCancel));
  window->close();
  EXPECT_TRUE(dialogs.Done());
  EXPECT_TRUE(window->isVisible() && editor->isVisible());
  EXPECT_EQ(test::Str(box("txtVersion")->text()), "3.0");
  dialogs.Expect(Answered("", "Edit ModInfo.txt file", flow::Answer::No, flow::Buttons::YesNoCancel));
  editor->close();
  EXPECT_FALSE(Entry("menuModEdit")->isChecked());
  EXPECT_NE(test::TempTree::Read(Mod("Other/ModInfo.txt")).find("Version: 2.0\r\n"), std::string::npos);
}

// The tech trees and the file installer open on the mod selected here, and turn to the one selected when open.
TEST_F(SelectorCommands, WindowsOpenOnceByTheirKeysCarryTheirCheckMarksWhileOpenAndCloseOnEscape) {
  for (const char* name : {"Alpha", "Fleet", "Zeta"}) t.MakeDir(std::string("prog/mods/") + name);
  Start();
  const struct {
    QKeyCombination key;
    const char* entry;
    const char* name;
    const char* list = nullptr;  // the window's list of mods, that follows the mod selected here
  } help[] = {{QKeyCombination(Qt::Key_F1), "menuHelpAbout", "frmAbout"},
              {Qt::CTRL | Qt::Key_V, "menuHelpViewReadme", "frmReadme"},
              {Qt::CTRL | Qt::Key_L, "menuHelpChanges", "frmChanges"},
              {Qt::CTRL | Qt::Key_C, "menuModCompatablility", "frmCompatability"},
              {Qt::CTRL | Qt::Key_T, "menuModTechTree", "frmTechTree", "lstMods"},
              {Qt::CTRL | Qt::Key_Z, "menuModAnalyzeMod", "frmAnalyzer"},
              {Qt::CTRL | Qt::Key_D, "menuManagerCheckInstalledMods", "frmInstalledMods"},
              {Qt::CTRL | Qt::Key_E, "menuModEdit", "frmEditModInfo"},
              {Qt::CTRL | Qt::Key_F, "menuManagerFileInstaller", "frmInstaller", "lstChooser"}};
  for (const auto& h : help) {
    SCOPED_TRACE(h.name);
    for (const char* mod : {"Fleet", "Zeta"}) {  // a second press shows the same window
      test::Activate(window.get());
      Click(mod);
      PressKey(h.key.key(), h.key.keyboardModifiers());
      if (!h.list) continue;
      const auto* chosen = test::Child<QListWidget>(test::Child<QWidget>(window.get(), h.name), h.list)->currentItem();
      EXPECT_EQ(chosen ? test::Str(chosen->text()) : "", mod);
    }
    const auto opened = window->findChildren<QWidget*>(QString::fromUtf8(h.name), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.front()->isVisible() && Entry(h.entry)->isChecked());
    test::Activate(opened.front());
    PressKey(Qt::Key_Escape);
    EXPECT_FALSE(Entry(h.entry)->isChecked());
    EXPECT_TRUE(!window->findChild<QWidget*>(QString::fromUtf8(h.name)) ||
                !window->findChild<QWidget*>(QString::fromUtf8(h.name))->isVisible());
  }
}

TEST_F(SelectorCommands, EveryRefreshRebuildsTheAnalyzersTreeWhileItIsOpen) {
  t.MakeDir("prog/mods/Fleet/odf");
  Start();
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  auto* analyzer = window->findChild<QWidget*>(QStringLiteral("frmAnalyzer"));
  ASSERT_NE(analyzer, nullptr);
  auto* tree = test::Child<QTreeWidget>(analyzer, "TreeViewer");
  const auto mods = [&] {
    std::string shown;
    for (int i = 0; i < tree->topLevelItem(0)->childCount(); ++i)
      shown += test::Str(tree->topLevelItem(0)->child(i)->text(0)) + ",";
    return shown;
  };
  EXPECT_EQ(mods(), "Fleet,");
  t.MakeDir("prog/mods/Armada");
  test::Activate(window.get());
  PressKey(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(mods(), "Armada,Fleet,");
  analyzer->close();
  t.MakeDir("prog/mods/Borg");
  PressKey(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(mods(), "Armada,Fleet,") << "a closed window is not rebuilt";
}

// Manager > Uninstall All Mods asks first, No being what Enter gives, and then takes every mod out of the game.
TEST_F(SelectorCommands, UninstallAllModsAsksFirstAndThenPutsTheWholeGameBack) {
  t.Write("game/odf/fed.odf", "game fed");
  t.Write("prog/mods/Alpha/odf/fed.odf", "Alpha fed");
  t.Write("prog/mods/Bravo/odf/fed.odf", "Bravo fed");
  t.Write("prog/mods/Bravo/odf/new.odf", "Bravo new");
  const std::vector<std::string> before = test::TempTree::Snapshot(t / "game");
  Start();
  for (const char* mod : {"Alpha", "Bravo"}) {
    Click(mod);
    dialogs.Expect(Answered("", "Install " + std::string(mod) + " mod?", flow::Answer::Yes));
    PressKey(Qt::Key_I, Qt::ControlModifier);
  }
  ASSERT_EQ(test::TempTree::Read(t / "game/odf/fed.odf"), "Bravo fed");
  const std::string game = platform::PrintableName(platform::PathToUtf8(t / "game"));
  // The entry is chosen from the open menu by its mnemonic.
  auto* manager = test::Child<QMenu>(window.get(), "menuSelector");
  QMenuBar* bar = window->menuBar();
  const auto choose = [&] {
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(manager->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->isVisible(); }, 1000));
    ASSERT_TRUE(Entry("menuManagerUninstallAll")->isEnabled());
    QTest::keyClick(manager, Qt::Key_U);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager->isVisible() && dialogs.Done(); }, 5000));
  };
  const Box question =
      AnsweredNoFirst("Uninstall all 2 mods installed into " + game + "?", "Uninstall All Mods?", flow::Answer::No);
  dialogs.Expect(question);
  choose();
  EXPECT_EQ(test::TempTree::Read(t / "game/odf/fed.odf"), "Bravo fed") << "answered No";

  Box yes = question;
  yes.answer = flow::Answer::Yes;
  dialogs.Expect(yes);
  dialogs.Expect(Answered("All 2 mods were uninstalled. " + game + " holds no mod any more.", "Uninstall All Mods",
                          flow::Answer::Ok, flow::Buttons::Ok, flow::Icon::Information));
  choose();
  EXPECT_EQ(test::TempTree::Snapshot(t / "game"), before);
  EXPECT_EQ(Label("lblStatus"), "Uninstalled all 2 mods: the game holds no mod any more");
  EXPECT_EQ(test::Str(test::Child<QPushButton>(window.get(), "cmdUninstallMod")->text()), "Uninstall Mod");
  EXPECT_FALSE(test::Child<QProgressBar>(window.get(), "pgbPercent")->isVisible());
  EXPECT_TRUE(Entry("menuManagerUninstallAll")->isEnabled() && Entry("menuModInstall")->isEnabled());
  EXPECT_EQ(Label("lblA2NumOfFiles"), "2") << "the count follows the uninstall";
}

}  // namespace
