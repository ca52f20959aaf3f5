// The filter box of the main window, driven with real keys: what the list
// shows while typing, where the selection and details go, the placeholder of
// an empty result, the auto refresh under a filter, and commands on a
// filtered selection.
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "selector/frm_selector.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::test;

namespace {

class FilterBox : public ::testing::Test {
 protected:
  void SetUp() override {
    GuiApp();
    t.Write("game/Armada2.exe", "");
    t.Write("game/odf/ships/fed.odf", "game");
    t.Write("prog/mods/Borg Pack/ModInfo.txt", "Author: Hugh\r\n");
    t.Write("prog/mods/Borg Pack/Addon/Cube Skins/ModInfo.txt", "Author: Seven\r\n");
    t.Write("prog/mods/Borg Pack/Addon/Sphere Sounds/readme.txt", "x");
    t.Write("prog/mods/Fleet Yards/odf/ships/fed.odf", "fleet");
    t.Write("prog/mods/Fleet Yards/ModInfo.txt", "Author: Utopia Planitia\r\n");
    t.Write("prog/mods/Klingon Ships/ModInfo.txt", "Author: Martok\r\n");
  }
  void Start() {
    window = StartMainWindow(shell, dialogs, t / "prog", t / "game");
    Activate(window.get());
  }
  QListWidget* Mods() const { return Child<QListWidget>(window.get(), "lstMods"); }
  QLineEdit* Box() const { return Child<QLineEdit>(window.get(), "txtFilter"); }
  // The entries a player sees, in order.
  QStringList Shown() const {
    QStringList out;
    for (int i = 0; i < Mods()->count(); ++i) {
      if (!Mods()->isRowHidden(i)) out << Mods()->item(i)->text();
    }
    return out;
  }
  std::string Current() const { return Mods()->currentItem() ? Str(Mods()->currentItem()->text()) : ""; }
  std::string Maker() const { return Str(Child<QLabel>(window.get(), "lblModsMaker")->text()); }
  // Keys typed into whatever has the focus, as a player types them.
  static void Type(const char* text) { QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(text)); }

  TempTree t;
  RecordingShell shell;
  ScriptedDialogs dialogs;
  std::unique_ptr<selector::frmSelector> window;
};

TEST_F(FilterBox, TypingNarrowsTheListKeepsAddonsWithTheirParentAndTheSelectionFollows) {
  Start();
  ASSERT_EQ(Shown(), L({"Borg Pack", "    Sphere Sounds", "    Cube Skins", "Fleet Yards", "Klingon Ships"}));
  EXPECT_EQ(Str(Box()->placeholderText()), "Filter mods (Ctrl+K)");
  ClickText(Mods(), "Klingon Ships");
  PressKey(Qt::Key_K, Qt::ControlModifier);
  ASSERT_EQ(QApplication::focusWidget(), Box());

  const struct {
    const char* typed;  // added to what the box holds
    QStringList shown;
    const char* current;
    const char* maker;
  } steps[] = {
      // The selected mod stays selected while it matches ("s" is in "Klingon Ships").
      {"s", L({"Borg Pack", "    Sphere Sounds", "    Cube Skins", "Fleet Yards", "Klingon Ships"}), "Klingon Ships",
       "Martok"},
      // It no longer matches: the first match is selected and its details shown; a matching addon brings its parent.
      {"ph", L({"Borg Pack", "    Sphere Sounds"}), "Borg Pack", "Hugh"},
  };
  for (const auto& step : steps) {
    Type(step.typed);
    EXPECT_EQ(Shown(), step.shown) << step.typed;
    EXPECT_EQ(Current(), step.current) << step.typed;
    EXPECT_EQ(Maker(), step.maker) << step.typed;
  }
  // A parent that matches keeps all its addons; letter case does not count; an author matches as a name does.
  for (const auto& [typed, shown] :
       {std::pair{"BORG", L({"Borg Pack", "    Sphere Sounds", "    Cube Skins"})},
        std::pair{"planitia", L({"Fleet Yards"})}, std::pair{"seVEN", L({"Borg Pack", "    Cube Skins"})}}) {
    PressKey(Qt::Key_A, Qt::ControlModifier);
    Type(typed);
    EXPECT_EQ(Shown(), shown) << typed;
  }
  // Delete edits the text, it does not remove a mod (no question is asked).
  PressKey(Qt::Key_Home);
  PressKey(Qt::Key_Delete);
  EXPECT_EQ(Str(Box()->text()), "eVEN");
  // Down goes into the list, which moves through what is shown.
  PressKey(Qt::Key_Down);
  ASSERT_EQ(QApplication::focusWidget(), Mods());
  EXPECT_EQ(Current(), "Borg Pack");
  PressKey(Qt::Key_Down);
  EXPECT_EQ(Current(), "    Cube Skins");
  EXPECT_EQ(Maker(), "Seven");
  // Ctrl+F from the list selects the box's text, so typing replaces it; Escape clears it and the whole list is back
  // with the selection kept; a second Escape in the empty box changes nothing.
  PressKey(Qt::Key_K, Qt::ControlModifier);
  Type("yards");
  EXPECT_EQ(Shown(), L({"Fleet Yards"}));
  PressKey(Qt::Key_Escape);
  EXPECT_EQ(Str(Box()->text()), "");
  EXPECT_EQ(Shown(), L({"Borg Pack", "    Sphere Sounds", "    Cube Skins", "Fleet Yards", "Klingon Ships"}));
  EXPECT_EQ(Current(), "Fleet Yards");
  PressKey(Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible() && QApplication::focusWidget() == Box() && Current() == "Fleet Yards");
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(FilterBox, AnEmptyResultSaysSoSelectsNothingAndNoCommandActsOnIt) {
  Start();
  PressKey(Qt::Key_K, Qt::ControlModifier);
  Type("romulan");
  EXPECT_EQ(Shown(), L({"(No mod matches \"romulan\".)"}));
  EXPECT_EQ(Current(), "");
  EXPECT_EQ(Maker(), "(No mod selected)");
  // A click on the line selects nothing; Install then asks for a mod, as with nothing selected.
  ClickText(Mods(), "(No mod matches \"romulan\".)");
  EXPECT_EQ(Current(), "");
  dialogs.Expect({"Please select a mod.", "Select a mod", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_I, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.Done());
  // A right click on it offers only what needs no mod.
  QTest::mouseClick(Mods()->viewport(), Qt::RightButton, Qt::NoModifier,
                    Mods()->visualItemRect(Mods()->item(5)).center());
  ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 1000));
  EXPECT_EQ(QApplication::activePopupWidget(), Child<QWidget>(window.get(), "mnuListContext"));
  EXPECT_EQ(Maker(), "(No mod selected)");
  QApplication::activePopupWidget()->close();
  // One more letter names the text anew; a letter less brings matches back.
  PressKey(Qt::Key_K, Qt::ControlModifier);
  PressKey(Qt::Key_End);
  Type("s");
  EXPECT_EQ(Shown(), L({"(No mod matches \"romulans\".)"}));
  for (int i = 0; i < 7; ++i) PressKey(Qt::Key_Backspace);
  // "r": Klingon Ships by its author, Martok.
  EXPECT_EQ(Shown(), L({"Borg Pack", "    Sphere Sounds", "    Cube Skins", "Fleet Yards", "Klingon Ships"}));
  EXPECT_EQ(Current(), "Borg Pack");
  EXPECT_EQ(Maker(), "Hugh");
}

TEST_F(FilterBox, TheAutoRefreshKeepsTheFilterAndTheTypedText) {
  Start();
  PressKey(Qt::Key_K, Qt::ControlModifier);
  Type("ship");
  ASSERT_EQ(Shown(), L({"Klingon Ships"}));
  t.Write("prog/mods/Romulan Ships/ModInfo.txt", "Author: Sela\r\n");
  t.Write("prog/mods/Cardassian Fleet/ModInfo.txt", "Author: Dukat\r\n");
  t.Write("prog/mods/Dominion/ModInfo.txt", "Author: Weyoun ships\r\n");  // matches by its author
  // The auto refresh's timer: 5 entries and 3 new mods.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Mods()->count() == 8; }, 5000));
  EXPECT_EQ(Shown(), L({"Dominion", "Klingon Ships", "Romulan Ships"}));
  EXPECT_EQ(Str(Box()->text()), "ship");
  EXPECT_EQ(QApplication::focusWidget(), Box()) << "typing goes on where it was";
  EXPECT_EQ(Current(), "Klingon Ships");
  // The only match vanishes: the placeholder, and no details of the vanished mod stay.
  PressKey(Qt::Key_A, Qt::ControlModifier);
  Type("klingon");
  ASSERT_EQ(Str(Box()->text()), "klingon");
  fs::remove_all(t / "prog/mods/Klingon Ships");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return Mods()->count() == 8 && Shown() == L({"(No mod matches \"klingon\".)"}); }, 5000))
      << Str(Items(Mods()).join(QLatin1Char('|')));
  EXPECT_EQ(Current(), "");
  EXPECT_EQ(Maker(), "(No mod selected)");
  // A ModInfo.txt rewritten while the box was left is read again when the box takes the keyboard back.
  PressKey(Qt::Key_Escape);
  PressKey(Qt::Key_Down);
  t.Write("prog/mods/Fleet Yards/ModInfo.txt", "Author: Starfleet Corps of Engineers\r\n");
  PressKey(Qt::Key_K, Qt::ControlModifier);
  Type("corps");
  EXPECT_EQ(Shown(), L({"Fleet Yards"}));
}

TEST_F(FilterBox, InstallAndRemoveActOnTheModSelectedInTheFilteredList) {
  Start();
  ClickText(Mods(), "Borg Pack");
  PressKey(Qt::Key_K, Qt::ControlModifier);
  Type("yard");
  ASSERT_EQ(Current(), "Fleet Yards");
  dialogs.Expect({"You have selected the Fleet Yards mod. Do you want to install it?", "Install Fleet Yards mod?",
                  flow::Buttons::YesNo, flow::Icon::Question, flow::Answer::Yes});
  PressKey(Qt::Key_I, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "fleet");
  EXPECT_EQ(Str(Box()->text()), "yard") << "the refresh after the install keeps the filter";
  EXPECT_EQ(Shown(), L({"Fleet Yards"}));
  // Remove from the list (its Delete key) names the filtered selection.
  Type("s");
  PressKey(Qt::Key_Down);
  dialogs.Expect({"Are you sure you want to remove the Fleet Yards mod from your hard drive?",
                  "Remove Fleet Yards mod?", flow::Buttons::YesNo, flow::Icon::Question, flow::Answer::No,
                  flow::Default::No});
  PressKey(Qt::Key_Delete);
  EXPECT_TRUE(dialogs.Done());
}

}  // namespace
