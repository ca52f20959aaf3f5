// Manager > Profiles in the main window, driven through the menu bar with the
// mouse and the menus' mnemonics, with scripted boxes and input.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "install/installed_mods.h"
#include "install/profiles.h"
#include "launch/launch.h"
#include "selector/frm_selector.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using Box = test::ScriptedDialogs::Box;
using flow::Answer, flow::Buttons, flow::Icon;

namespace {

class SelectorProfiles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::GuiApp();
    t.Write("game/Armada2.exe", "");
    t.Write("game/odf/fed.odf", "game fed");
    t.Write("prog/mods/Alpha/odf/fed.odf", "Alpha fed");
    t.Write("prog/mods/Bravo/odf/fed.odf", "Bravo fed");
    t.Write("prog/mods/Bravo/odf/new.odf", "Bravo new");
    t.MakeDir("home/data");
    window = test::StartMainWindow(shell, dialogs, t / "prog", t / "game");
  }
  void Install(const char* mod) {
    test::ClickText(test::Child<QListWidget>(window.get(), "lstMods"), mod);
    dialogs.Expect({"", "Install " + std::string(mod) + " mod?", Buttons::YesNo, Icon::Question, Answer::Yes});
    test::PressKey(Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(dialogs.Done());
  }
  // Opens Manager with a click, then types `keys` into each menu as it pops up (mnemonics, arrows, Return).
  void Choose(const std::vector<Qt::Key>& keys) {
    auto* manager = test::Child<QMenu>(window.get(), "menuSelector");
    QMenuBar* bar = window->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(manager->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->isVisible(); }, 1000));
    for (const Qt::Key key : keys) {
      QWidget* popup = QApplication::activePopupWidget();
      ASSERT_NE(popup, nullptr);
      QTest::keyClick(popup, key);
      QApplication::processEvents();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == nullptr && dialogs.Done(); }, 5000));
  }
  std::vector<std::string> Shown(const char* menu) const {
    std::vector<std::string> names;
    for (const QAction* a : test::Child<QMenu>(window.get(), menu)->actions()) names.push_back(test::Str(a->text()));
    return names;
  }
  std::string Status() const { return test::Str(test::Child<QLabel>(window.get(), "lblStatus")->text()); }

  test::TempTree t;
  test::ScopedEnv home{"HOME", (t / "home").string()};
  test::ScopedEnv data{"XDG_DATA_HOME", (t / "home/data").string()};
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  std::unique_ptr<selector::frmSelector> window;
};

TEST_F(SelectorProfiles, SaveAsksANameApplyAsksWithThePlanRenameAndDeleteFollowTheList) {
  Install("Alpha");
  Install("Bravo");
  EXPECT_EQ(Shown("menuManagerProfilesApply"), std::vector<std::string>{"(No profiles)"});

  // Save current as...: a name a file cannot hold is refused and asked again.
  dialogs.ExpectInput("Both: A & B");
  dialogs.Expect({"A profile cannot be named \"Both: A & B\": its name holds one of \\ / : * ? \" < > |.",
                  "Save Profile", Buttons::Ok, Icon::Exclamation, Answer::Ok});
  dialogs.ExpectInput("Both & more");
  Choose({Qt::Key_P, Qt::Key_S});
  EXPECT_EQ(dialogs.prompts.front(), "Save the 2 mods installed now, in their install order, as the profile named:");
  EXPECT_EQ(install::ReadProfile(t / "prog", "Both & more").mods, (std::vector<std::string>{"Alpha", "Bravo"}));
  EXPECT_EQ(Status(), "Saved profile Both & more: 2 mods");
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Shown("menuManagerProfilesApply") == std::vector<std::string>{"Both && more"}; }, 2000))
      << "the menu holds the profile saved, its '&' a letter";
  // One written by hand shows when the menu next opens: second in the list.
  t.Write("prog/profiles/Bravo only.txt", "# shared by a friend\r\nBravo\r\n");

  // Apply > Bravo only: one question, the plan under Show Details; Enter gives No.
  const Box question{"Apply profile Bravo only? 2 mods will be uninstalled and 1 mod installed.",
                     "Apply profile Bravo only?",
                     Buttons::YesNo,
                     Icon::Question,
                     Answer::No,
                     flow::Default::No,
                     "Uninstalled, in this order:\n    Bravo\n    Alpha\nInstalled, in this order:\n    Bravo"};
  dialogs.Expect(question);
  Choose({Qt::Key_P, Qt::Key_A, Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(test::TempTree::Read(t / "game/odf/fed.odf"), "Bravo fed") << "answered No";
  EXPECT_TRUE(install::IsInstalled(t / "prog/mods/Alpha"));
  Box yes = question;
  yes.answer = Answer::Yes;
  dialogs.Expect(yes);
  dialogs.Expect({"The profile Bravo only was applied: the game holds its 1 mod in its order.",
                  "Apply profile Bravo only", Buttons::Ok, Icon::Information, Answer::Ok});
  Choose({Qt::Key_P, Qt::Key_A, Qt::Key_Down, Qt::Key_Return});
  EXPECT_FALSE(install::IsInstalled(t / "prog/mods/Alpha"));
  EXPECT_TRUE(install::IsInstalled(t / "prog/mods/Bravo"));
  EXPECT_EQ(test::TempTree::Read(t / "game/odf/fed.odf"), "Bravo fed");
  EXPECT_EQ(Status(), "Applied profile Bravo only: 1 mod installed in its order");

  // Rename > Bravo only, then Delete > the first: the menus follow.
  dialogs.ExpectInput("Solo");
  Choose({Qt::Key_P, Qt::Key_R, Qt::Key_Down, Qt::Key_Return});
  EXPECT_EQ(dialogs.prompts.back(), "New name of the profile Bravo only:");
  dialogs.Expect({"Move the profile Both & more to the trash?", "Delete Profile?", Buttons::YesNo, Icon::Question,
                  Answer::Yes, flow::Default::No});
  Choose({Qt::Key_P, Qt::Key_D, Qt::Key_Return});
  EXPECT_EQ(install::ListProfiles(t / "prog"), std::vector<std::string>{"Solo"});
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Shown("menuManagerProfilesDelete") == std::vector<std::string>{"Solo"}; }, 2000))
      << "the menu holds the profiles left";
}

TEST_F(SelectorProfiles, SaveTellsWhichInstalledModsHaveNoPlaceInTheOrderAndSavesThemLast) {
  Install("Bravo");
  Install("Alpha");
  fs::remove(t / "prog/mods/Bravo/Backup/.drydock-record");  // a Backup from before install records
  dialogs.ExpectInput("Setup");
  Choose({Qt::Key_P, Qt::Key_S});
  EXPECT_EQ(dialogs.prompts.front(),
            "Bravo has no recorded place in the install order, so it comes last, in list order.\n\nSave the 2 mods "
            "installed now, in their install order, as the profile named:");
  EXPECT_EQ(install::ReadProfile(t / "prog", "Setup").mods, (std::vector<std::string>{"Alpha", "Bravo"}));
}

}  // namespace
