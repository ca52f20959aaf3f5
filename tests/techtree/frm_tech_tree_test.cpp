// The tech trees window, opened as the program opens it and driven by clicks and keys, and the command that prints it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QTest>

#include "support/child_process.h"
#include "support/escape_probe.h"
#include "support/gui_input.h"
#include "support/temp_tree.h"
#include "techtree/frm_tech_tree.h"
#include "ui/secondary_window.h"

using namespace drydock;
using namespace drydock::test;

struct TechTreeWindow : ::testing::Test {
  void SetUp() override {
    for (const std::string file :
         {"Alpha/techtree/TECH1.TT", "Alpha/techtree/nosuper.tt", "Fleet/TechTree/freetech.tt",
          "Fleet/Addon/Refit/TECHTREE/EarlyTech.TT", "Zeta/tech1.tt"})  // Zeta's does not count
      t.Write("prog/mods/" + file);
  }
  // Opened as the main window's menu entry opens it, with the mod list the main window has then.
  techtree::frmTechTree* Open(library::ModList list) {
    mainList = std::move(list);
    const auto make = [this] { return new techtree::frmTechTree(t / "prog/mods", copied, &main); };
    ui::ShowSecondaryWindow(ui::SecondaryWindow(window, &main, nullptr, make), &main);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    mainList.clear();  // the copy made at opening stays while the window is open
    return window;
  }
  QString Text(const char* label) { return Child<QLabel>(window, label)->text(); }
  // The selected entry and the two lists, with "," for a line break.
  std::string Shown() {
    QString shown = Child<QListWidget>(window, "lstMods")->currentItem()->text() + u'|' + Text("lblAvailableList") +
                    u'|' + Text("lblUnavailableList");
    return Str(shown.replace(u'\n', u','));
  }
  // The exit code, ":" and what the command prints.
  std::string Command(std::vector<std::string> mod) {
    mod.insert(mod.begin(), {DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "techtree"});
    const RunResult run = RunChild(mod);
    return std::to_string(run.code) + ":" + run.output;
  }
  QApplication& app = GuiApp();
  TempTree t;
  library::ModList mainList;
  QWidget main;
  QPointer<techtree::frmTechTree> window;
  const std::function<library::ModList()> copied = [this] { return mainList; };
};

// At each font no label is clipped, even in the smallest window, and a choice moves no heading nor resizes it.
TEST_F(TechTreeWindow, ClicksAndKeysShowTheChoicesOfTheModOrAddonUnclippedAndTheListIsCopiedAtEachOpening) {
  const std::string refit =
      "    Refit|Early Upgrades,|Standard Tech,No Super Weapons,No Science Ships,No Special Weapons,Free Tech,";
  const std::string none =
      "||Standard Tech,No Super Weapons,No Science Ships,No Special Weapons,Early Upgrades,Free Tech,";
  for (const int pointSize : {8, 11, 16}) {
    SCOPED_TRACE(std::to_string(pointSize) + " points");
    main.setFont(QFont(main.font().family(), pointSize));
    delete window;
    const QSize opened = Open(library::FillModList(t / "prog/mods"))->size();
    const int headingAt = Child<QLabel>(window, "lblUnavailable")->y();
    const auto shown = [&](bool smallest = false) {  // Shown(), once nothing is clipped
      QApplication::processEvents();
      EXPECT_EQ(window->size(), smallest ? window->minimumSize() : opened);
      EXPECT_EQ(Child<QLabel>(window, "lblUnavailable")->y(), headingAt);
      for (const QLabel* label : window->findChildren<QLabel*>())
        EXPECT_TRUE(window->rect().contains(QRect(label->mapTo(window, QPoint()), label->size())) &&
                    label->size() == label->size().expandedTo(label->sizeHint()))
            << Str(label->objectName());
      return Shown();
    };
    EXPECT_EQ(shown(),
              "Alpha|Standard Tech,No Super Weapons,|No Science Ships,No Special Weapons,Early Upgrades,Free Tech,");
    ClickText(Child<QListWidget>(window, "lstMods"), "    Refit");
    EXPECT_EQ(shown(), refit);
    PressKey(Qt::Key_Down);
    EXPECT_EQ(shown(), "Zeta" + none);
    PressKey(Qt::Key_Up);
    window->resize(1, 1);
    EXPECT_EQ(shown(true), refit);
  }
  EXPECT_EQ(Command({"fleet/addon/REFIT"}), "0:" + Str(Text("lblAvailable") + u'\n' + Text("lblAvailableList") +
                                                       Text("lblUnavailable") + u'\n' + Text("lblUnavailableList")))
      << "the command prints the window's headings and lists";
  EXPECT_TRUE(Command({"Gone"}).starts_with("1:no mod \"Gone\""));
  EXPECT_EQ(Command({})[0], '2');
  window->close();
  Open({});
  EXPECT_EQ(Shown(), "(No mods found.)" + none);
}

// A click on the entry shown looks again, a click beside the entries keeps the highlight on it, and ChooseMod picks
// a mod or an addon as a click would.
TEST_F(TechTreeWindow, AClickOnTheShownModLooksAgainAndChooseModPicksTheMainWindowsMod) {
  Open(library::FillModList(t / "prog/mods"));
  QListWidget* list = Child<QListWidget>(window, "lstMods");
  t.Write("prog/mods/Alpha/techtree/NoSci.tt");
  ClickText(list, "Alpha");
  EXPECT_EQ(Shown(),
            "Alpha|Standard Tech,No Super Weapons,No Science Ships,|No Special Weapons,Early Upgrades,Free Tech,");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(list->viewport()->width() / 2, list->viewport()->height() - 2));
  ASSERT_EQ(list->selectedItems().size(), 1);
  EXPECT_EQ(list->selectedItems().first(), list->currentItem());
  EXPECT_TRUE(Shown().starts_with("Alpha|"));

  window->ChooseMod("Fleet\\Addon\\Refit");
  const std::string refit = Shown();
  EXPECT_TRUE(refit.starts_with("    Refit|Early Upgrades,|")) << refit;
  for (const char* elsewhere : {"", "Gone", "Refit"}) {
    window->ChooseMod(elsewhere);
    EXPECT_EQ(Shown(), refit) << elsewhere;
  }
  t.Write("prog/mods/Fleet/Addon/Refit/techtree/tech1.tt");
  window->ChooseMod("Fleet\\Addon\\Refit");  // the entry shown already is looked at again
  EXPECT_TRUE(Shown().starts_with("    Refit|Standard Tech,Early Upgrades,|")) << Shown();
  EXPECT_EQ(EscapeKeepers(window), QStringList());
}
