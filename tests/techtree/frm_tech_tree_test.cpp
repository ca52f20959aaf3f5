// The tech trees window, opened from a main window as the program does and driven by clicks and keys; the
// techtree command prints what it shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <functional>

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

constexpr const char* kAllSix =
    "Standard Tech\nNo Super Weapons\nNo Science Ships\nNo Special Weapons\nEarly Upgrades\nFree Tech\n";

std::string Text(const QWidget* window, const char* label) { return Str(Child<QLabel>(window, label)->text()); }

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
    main.resize(300, 200);
    main.show();
  }
  // The window as the main window's menu entry makes it, not yet shown.
  techtree::frmTechTree* Window() {
    return ui::SecondaryWindow(slot, &main, &entry, [this] {
      return new techtree::frmTechTree(
          t / "prog/mods", [this] { return mainList; }, &main);
    });
  }
  techtree::frmTechTree* Open() {
    auto* window = Window();
    ui::ShowSecondaryWindow(window, &main);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    return window;
  }
  QListWidget* Mods() { return Child<QListWidget>(Window(), "lstMods"); }
  // The selected entry, then the two headings each followed by its list, as the command prints them.
  std::string Shown() {
    const QWidget* w = Window();
    return Str(Mods()->currentItem()->text()) + " | " + Text(w, "lblAvailable") + "\n" + Text(w, "lblAvailableList") +
           Text(w, "lblUnavailable") + "\n" + Text(w, "lblUnavailableList");
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
  Window();
  EXPECT_EQ(Text(slot, "lblAvailableList") + Text(slot, "lblUnavailableList"), "(No mod selected)(No mod selected)");
  EXPECT_EQ(Text(slot, "lblInfo1"), "Please select a mod.");
  Open();
  EXPECT_TRUE(slot->isWindow() && slot->parentWidget() == &main && entry.isChecked());
  EXPECT_EQ(Str(slot->windowTitle()), "Available Tech Trees");
  EXPECT_EQ(test::Items(Mods()), test::L({"Alpha", "Fleet", "    Refit", "Zeta"}));
  const struct {
    std::function<void()> choose;
    std::string modPath;  // as the command is given it
    std::string available;
    std::string unavailable;
  } steps[] = {
      {[] {}, "Alpha", "Standard Tech\nNo Super Weapons\n",
       "No Science Ships\nNo Special Weapons\nEarly Upgrades\nFree Tech\n"},
      {[&] { test::ClickText(Mods(), "Fleet"); }, "Fleet", "Free Tech\n",
       "Standard Tech\nNo Super Weapons\nNo Science Ships\nNo Special Weapons\nEarly Upgrades\n"},
      {[&] { test::ClickText(Mods(), "    Refit"); }, "Fleet\\Addon\\Refit", "Early Upgrades\n",
       "Standard Tech\nNo Super Weapons\nNo Science Ships\nNo Special Weapons\nFree Tech\n"},
      {[] { test::PressKey(Qt::Key_Down); }, "zeta", "", kAllSix},
      {[] { test::PressKey(Qt::Key_Up); }, "fleet/addon/refit", "Early Upgrades\n",
       "Standard Tech\nNo Super Weapons\nNo Science Ships\nNo Special Weapons\nFree Tech\n"},
      {[] { test::PressKey(Qt::Key_Home); }, "Alpha", "Standard Tech\nNo Super Weapons\n",
       "No Science Ships\nNo Special Weapons\nEarly Upgrades\nFree Tech\n"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.modPath);
    step.choose();
    const std::string lists =
        "Available Tech Trees:\n" + step.available + "Unavailable Tech Trees:\n" + step.unavailable;
    const std::string shown = Shown();
    EXPECT_EQ(shown.substr(shown.find(" | ") + 3), lists) << shown;
    const test::RunResult printed = Command({step.modPath});
    EXPECT_EQ(printed.code, 0);
    EXPECT_EQ(printed.output, lists);
  }
}

TEST_F(TechTreeWindow, ListIsCopiedAtEachOpeningWithThePlaceholderWhenThereIsNoMod) {
  Open();
  mainList.clear();
  test::ClickText(Mods(), "Fleet");  // the copy stays while the window is open
  EXPECT_EQ(test::Items(Mods()), test::L({"Alpha", "Fleet", "    Refit", "Zeta"}));
  slot->close();
  EXPECT_FALSE(entry.isChecked());
  Open();
  EXPECT_TRUE(entry.isChecked());
  EXPECT_EQ(Shown(), std::string("(No mods found.) | Available Tech Trees:\nUnavailable Tech Trees:\n") + kAllSix);
  // The command names a mod that is not there, or none.
  const test::RunResult missing = Command({"Gone"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.output.find("no mod \"Gone\""), std::string::npos) << missing.output;
  EXPECT_EQ(Command({}).code, 2);
}

TEST_F(TechTreeWindow, NothingIsClippedAtAnyFontOrWindowSize) {
  for (const int pointSize : {8, 11, 16}) {
    SCOPED_TRACE(pointSize);
    main.setFont(QFont(main.font().family(), pointSize));
    delete slot;
    Open();
    const QSize opened = slot->size();
    for (const char* mod : {"Zeta", "Alpha", "    Refit"}) {
      test::ClickText(Mods(), mod);
      QApplication::processEvents();
      EXPECT_EQ(slot->size(), opened) << "a choice resizes the window";
      for (const bool smallest : {false, true}) {
        if (smallest) slot->resize(1, 1);
        QApplication::processEvents();
        for (const QLabel* label : slot->findChildren<QLabel*>()) {
          SCOPED_TRACE(Str(label->objectName()) + (smallest ? " at the smallest size" : ""));
          const QRect inWindow(label->mapTo(slot, QPoint(0, 0)), label->size());
          EXPECT_TRUE(slot->rect().contains(inWindow));
          EXPECT_TRUE(label->width() >= label->sizeHint().width() && label->height() >= label->sizeHint().height());
        }
      }
      slot->resize(opened);
    }
  }
}

}  // namespace
