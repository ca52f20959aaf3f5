// The tech trees window, opened from a main window as the program does and driven by clicks and keys; the
// techtree command prints what it shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTest>

#include "library/mod_library.h"
#include "support/child_process.h"
#include "support/gui_input.h"
#include "support/temp_tree.h"
#include "techtree/frm_tech_tree.h"
#include "ui/secondary_window.h"

using namespace drydock;
using test::Child;
using test::Str;

namespace {

class TechTreeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("prog/mods/Alpha/techtree/TECH1.TT");
    t.Write("prog/mods/Alpha/techtree/nosuper.tt");
    t.Write("prog/mods/Fleet/TechTree/freetech.tt");
    t.Write("prog/mods/Fleet/Addon/Refit/TECHTREE/EarlyTech.TT");
    t.Write("prog/mods/Zeta/tech1.tt");  // in the root, where it does not count
    mainList = library::FillModList(t / "prog/mods");
    entry.setCheckable(true);
    main.show();
  }
  // Made as the main window's menu entry makes it; shown when `open`.
  techtree::frmTechTree* Window(bool open = true) {
    auto* window = ui::SecondaryWindow(slot, &main, &entry, [this] {
      return new techtree::frmTechTree(
          t / "prog/mods", [this] { return mainList; }, &main);
    });
    if (open && !window->isVisible()) {
      ui::ShowSecondaryWindow(window, &main);
      EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    return window;
  }
  QListWidget* Mods() { return Child<QListWidget>(Window(), "lstMods"); }
  std::string Text(const char* label) { return Str(Child<QLabel>(Window(false), label)->text()); }
  // The selected entry, then the two headings each followed by its list, as the command prints them.
  std::string Shown() {
    Window();  // opened before any label is read
    return Str(Mods()->currentItem()->text()) + " | " + Text("lblAvailable") + "\n" + Text("lblAvailableList") +
           Text("lblUnavailable") + "\n" + Text("lblUnavailableList");
  }
  test::RunResult Command(const std::vector<std::string>& mod) {
    std::vector<std::string> args = {DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "techtree"};
    args.insert(args.end(), mod.begin(), mod.end());
    return test::RunChild(args);
  }

  QApplication& app = test::GuiApp();
  test::TempTree t;
  library::ModList mainList;
  QWidget main;
  QAction entry;
  QPointer<techtree::frmTechTree> slot;
};

TEST_F(TechTreeWindow, ClicksAndKeysShowTheChoicesOfTheModOrAddonAsTheCommandPrintsThem) {
  Window(false);
  EXPECT_EQ(Text("lblInfo1") + Text("lblAvailableList") + Text("lblUnavailableList"),
            "Please select a mod.(No mod selected)(No mod selected)");
  EXPECT_TRUE(Window()->isWindow() && slot->parentWidget() == &main && entry.isChecked());
  EXPECT_EQ(Str(slot->windowTitle()), "Available Tech Trees");
  EXPECT_EQ(test::Items(Mods()), test::L({"Alpha", "Fleet", "    Refit", "Zeta"}));
  const char* refit =
      "Early Upgrades\nUnavailable Tech Trees:\n"
      "Standard Tech\nNo Super Weapons\nNo Science Ships\nNo Special Weapons\nFree Tech\n";
  const struct {
    void (*choose)(QListWidget*);
    std::string modPath;  // as the command is given it
    std::string shown;
  } steps[] = {
      {[](QListWidget*) {}, "Alpha",
       "Alpha | Available Tech Trees:\nStandard Tech\nNo Super Weapons\nUnavailable Tech Trees:\n"
       "No Science Ships\nNo Special Weapons\nEarly Upgrades\nFree Tech\n"},
      {[](QListWidget* mods) { test::ClickText(mods, "    Refit"); }, "Fleet\\Addon\\Refit",
       std::string("    Refit | Available Tech Trees:\n") + refit},
      {[](QListWidget*) { test::PressKey(Qt::Key_Down); }, "zeta",
       "Zeta | Available Tech Trees:\nUnavailable Tech Trees:\n"
       "Standard Tech\nNo Super Weapons\nNo Science Ships\nNo Special Weapons\nEarly Upgrades\nFree Tech\n"},
      {[](QListWidget*) { test::PressKey(Qt::Key_Up); }, "fleet/addon/refit",
       std::string("    Refit | Available Tech Trees:\n") + refit},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.modPath);
    step.choose(Mods());
    EXPECT_EQ(Shown(), step.shown);
    const test::RunResult printed = Command({step.modPath});
    EXPECT_EQ(printed.code, 0);
    EXPECT_EQ(printed.output, step.shown.substr(step.shown.find(" | ") + 3));
  }
  const test::RunResult missing = Command({"Gone"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.output.find("no mod \"Gone\""), std::string::npos) << missing.output;
  EXPECT_EQ(Command({}).code, 2);
}

TEST_F(TechTreeWindow, ListIsCopiedAtEachOpeningWithThePlaceholderWhenThereIsNoMod) {
  Window();
  mainList.clear();
  test::ClickText(Mods(), "Fleet");  // the copy stays while the window is open
  EXPECT_EQ(test::Items(Mods()), test::L({"Alpha", "Fleet", "    Refit", "Zeta"}));
  slot->close();
  EXPECT_FALSE(entry.isChecked());
  EXPECT_EQ(Shown(),
            "(No mods found.) | Available Tech Trees:\nUnavailable Tech Trees:\nStandard Tech\n"
            "No Super Weapons\nNo Science Ships\nNo Special Weapons\nEarly Upgrades\nFree Tech\n");
  EXPECT_TRUE(entry.isChecked());
}

// Every label shows its whole text at each font, in a window as small as it goes, and a choice moves no heading.
TEST_F(TechTreeWindow, NothingIsClippedAtAnyFontOrWindowSize) {
  for (const int pointSize : {8, 11, 16}) {
    main.setFont(QFont(main.font().family(), pointSize));
    delete slot;
    const QSize opened = Window()->size();
    const int headingAt = Child<QLabel>(slot, "lblUnavailable")->y();
    for (const char* mod : {"Zeta", "    Refit"}) {
      test::ClickText(Mods(), mod);
      for (const QSize size : {opened, QSize(1, 1)}) {
        slot->resize(size);
        QApplication::processEvents();
        EXPECT_EQ(slot->size(), size == opened ? opened : slot->minimumSize());
        EXPECT_EQ(Child<QLabel>(slot, "lblUnavailable")->y(), headingAt);
        for (const QLabel* label : slot->findChildren<QLabel*>()) {
          SCOPED_TRACE(Str(label->objectName()) + " at " + std::to_string(pointSize) + " points");
          EXPECT_TRUE(slot->rect().contains(QRect(label->mapTo(slot, QPoint(0, 0)), label->size())));
          EXPECT_TRUE(label->width() >= label->sizeHint().width() && label->height() >= label->sizeHint().height());
        }
      }
    }
  }
}

}  // namespace
