// The compatibility window, opened from a stand-in main window and worked with
// clicks and keys; the command line must print what its result box shows.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <new>
#include <tuple>

#include "compat/frm_compatability.h"
#include "support/child_process.h"
#include "support/gui_input.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::Child;
using test::Str;
using Box = test::ScriptedDialogs::Box;

namespace {

constexpr const char* kGame = "(Armada II Directory)";

class CompatWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    main.resize(300, 200);
    main.show();
  }
  // The window as the main window opens it, with `selected` chosen in the main list.
  void Open(std::string selected = "") {
    window = new compat::frmCompatability({.modsDir = t / "prog/mods",
                                           .gameDir = [this] { return std::optional<fs::path>(t / "game"); },
                                           .modList = [this] { return library::FillModList(t / "prog/mods"); },
                                           .selectedMod = [selected] { return selected; },
                                           .dialogs = dialogs,
                                           .listFiles =
                                               [this](const fs::path& folder) {
                                                 if (failure) failure();
                                                 return library::ListModFiles(folder);
                                               }},
                                          &main);
    Child<QTimer>(window, "timAfter")->setInterval(0);  // fires at the next turn of the event loop
    window->show();
    test::Activate(window);
  }
  QListWidget* List(int box) const { return Child<QListWidget>(window, box == 1 ? "lstBox1" : "lstBox2"); }
  QPlainTextEdit* Result() const { return Child<QPlainTextEdit>(window, "lstIncompatable"); }
  std::string Label(const char* name) const { return Str(Child<QLabel>(window, name)->text()); }
  // Chooses an entry in each box (nullptr: none) by a click.
  void Choose(const char* first, const char* second) {
    for (int box : {1, 2}) {
      List(box)->clearSelection();
      if (const char* text = box == 1 ? first : second) test::ClickText(List(box), text);
    }
  }
  void ClickCheck() {
    QTest::mouseClick(Child<QPushButton>(window, "cmdCheck"), Qt::LeftButton);
    QApplication::processEvents();  // timAfter
  }

  QApplication& app = test::GuiApp();  // before any widget
  test::TempTree t;
  test::ScriptedDialogs dialogs;
  std::function<void()> failure;  // run by the listing before each side, when set
  QWidget main;
  compat::frmCompatability* window = nullptr;  // owned by `main`
};

}  // namespace

TEST_F(CompatWindow, OpensWithTheGameFirstInBothListsAndTheMainSelectionInTheFirst) {
  t.MakeDir("prog/mods/Fleet/Addon/Refit");
  t.MakeDir("prog/mods/Borg");
  t.Write("prog/mods/stray.txt");  // a plain file is not a mod
  t.MakeDir("game");
  Open("    Refit");
  EXPECT_EQ(Str(window->windowTitle()), "Check Compatability");
  EXPECT_EQ(Str(Child<QGroupBox>(window, "frameMods")->title()),
            "Choose two different mods to check their compatabiliy ");
  EXPECT_EQ(Str(Child<QPushButton>(window, "cmdCheck")->text()), "&Check Compatability");
  EXPECT_EQ(Label("lblMod1") + "|" + Label("lblMod2") + "|" + Label("Label1"), "Mods:||Incompatable files:");
  EXPECT_FALSE(Child<QProgressBar>(window, "pgbProgress")->isVisible() ||
               Child<QTimer>(window, "timAfter")->isActive());
  for (int box : {1, 2}) EXPECT_EQ(test::Items(List(box)), test::L({kGame, "Borg", "Fleet", "    Refit"}));
  EXPECT_EQ(Str(List(1)->currentItem()->text()), "    Refit");
  EXPECT_TRUE(List(2)->selectedItems().isEmpty());
  // Opened again, it lists afresh; with no mod at all the placeholder follows the game.
  window->hide();
  fs::remove_all(t / "prog/mods");
  t.MakeDir("prog/mods");
  window->show();
  for (int box : {1, 2}) EXPECT_EQ(test::Items(List(box)), test::L({kGame, "(No mods found.)"}));
}

TEST_F(CompatWindow, EachMissingOrDoubleChoiceIsRefusedWithItsOwnMessage) {
  t.MakeDir("prog/mods/Fleet");
  t.MakeDir("prog/mods/Borg");
  Open();
  const struct {
    const char* first;
    const char* second;
    Box box;
  } cases[] = {
      {nullptr, nullptr, {"Please select two mods.", "Select two mods"}},
      {"Fleet", "Fleet", {"Please select two different mods.", "Same mod"}},
      {kGame, kGame, {"Please select two different mods.", "Same mod"}},
      {nullptr, "Fleet", {"Please select a mod in the first box.", "Select a mod"}},
      {"Borg", nullptr, {"Please select a mod in the second box.", "Select a mod"}},
  };
  for (const auto& c : cases) {
    Choose(c.first, c.second);
    Box box = c.box;
    box.icon = ui::Icon::Exclamation;
    dialogs.Expect(box);
    ClickCheck();
    EXPECT_EQ(Label("lblMod1"), "Mods:") << box.text;  // nothing was checked
  }
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(dialogs.shown.size(), std::size(cases));
}

// Every way to start the check, with the game in either box; the command line prints the same lines.
TEST_F(CompatWindow, TheCheckRunsFromTheButtonADoubleClickOrEnterAndTheCommandLineAgrees) {
  t.Write("game/odf/ships/fed.odf");
  t.Write("game/ModInfo.txt");
  for (const char* file : {"odf/ships/FED.odf", "odf/ships/new.odf", "ModInfo.txt", "Addon/Refit/ODF/Ships/New.odf"}) {
    t.Write("prog/mods/Fleet/" + std::string(file));
  }
  t.Write("prog/mods/Borg/sounds/borg.wav");
  Open();
  auto doubleClick = [this](int box) { test::ClickItem(List(box), List(box)->selectedItems().first(), 2); };
  auto enter = [this](int box) {
    test::ClickItem(List(box), List(box)->selectedItems().first());
    test::PressKey(Qt::Key_Return);
  };
  const struct {
    const char *first, *second;
    std::function<void()> start;
    const char *mod1, *mod2, *shown;
    std::string argA, argB;
  } cases[] = {
      {"Fleet", kGame, [&] { ClickCheck(); }, "Mods: Fleet and", "           (Armada II Directory)",
       "odf\\ships\\FED.odf", "Fleet", kGame},
      {kGame, "Fleet", [&] { doubleClick(1); }, "Mods: (Armada II Directory) and", "           Fleet",
       "odf\\ships\\fed.odf", kGame, "Fleet"},
      {"    Refit", "Fleet", [&] { enter(1); }, "Mods: Refit and", "           Fleet", "odf\\ships\\New.odf",
       "Fleet\\Addon\\Refit", "fleet"},
      {"Fleet", "    Refit", [&] { doubleClick(2); }, "Mods: Fleet and", "           Refit", "odf\\ships\\new.odf",
       "Fleet", "Fleet/Addon/Refit"},
      {"Borg", "Fleet", [&] { enter(2); }, "Mods: Borg and", "           Fleet", "(Mods are compatable)", "Borg",
       "Fleet"},
  };
  const std::vector<std::string> compat = {DRYDOCK_EXE,  "--program-dir",       (t / "prog").string(),
                                           "--game-dir", (t / "game").string(), "compat"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mod1);
    Result()->clear();
    Choose(c.first, c.second);
    c.start();
    QApplication::processEvents();
    EXPECT_EQ(Str(Result()->toPlainText()), c.shown);
    EXPECT_EQ(Label("lblMod1"), c.mod1);
    EXPECT_EQ(Label("lblMod2"), c.mod2);
    EXPECT_TRUE(Result()->isReadOnly() && Result()->hasFocus() && Result()->textCursor().position() == 0);
    std::vector<std::string> argv = compat;
    argv.insert(argv.end(), {c.argA, c.argB});
    const test::RunResult run = test::RunChild(argv);
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(run.output, std::string(c.shown) + "\n");
  }
  EXPECT_TRUE(dialogs.Done());
  // The command line refuses what the window refuses, and an unknown mod; a missing second MOD is a usage error.
  for (const auto& [a, b, code] : {std::tuple("Fleet", "fleet", 1), {kGame, kGame, 1}, {"Fleet", "Gone", 1}}) {
    std::vector<std::string> argv = compat;
    argv.insert(argv.end(), {a, b});
    EXPECT_EQ(test::RunChild(argv).code, code) << b;
  }
  EXPECT_EQ(test::RunChild({DRYDOCK_EXE, "compat", "Fleet"}).code, 2);
}

// 150 paths in the first box check at once; from 151 the bar shows, the lists give it room and are disabled.
TEST_F(CompatWindow, AboveOneHundredFiftyPathsTheCheckShowsItsProgress) {
  for (int i = 0; i < 151; ++i) {
    t.Write("prog/mods/M151/odf/f" + std::to_string(i) + ".odf");
    if (i < 150) t.Write("prog/mods/M150/odf/f" + std::to_string(i) + ".odf");
  }
  t.Write("prog/mods/Other/odf/F7.ODF");
  Open();
  auto* bar = Child<QProgressBar>(window, "pgbProgress");
  std::vector<std::tuple<std::string, bool, bool, int>> seen;  // text, bar shown, lists enabled, list height
  QObject::connect(Result(), &QPlainTextEdit::textChanged, window, [&] {
    seen.emplace_back(Str(Result()->toPlainText()), bar->isVisible(), List(1)->isEnabled() && List(2)->isEnabled(),
                      List(1)->height());
  });
  for (const char* mod : {"M150", "M151"}) {
    SCOPED_TRACE(mod);
    const int height = List(1)->height();
    seen.clear();
    Choose(mod, "Other");
    ClickCheck();
    ASSERT_FALSE(seen.empty());
    if (mod == std::string("M151")) {
      EXPECT_EQ(seen.front(), std::tuple("(Checking compatability.)", true, false, std::get<3>(seen.front())));
      EXPECT_LT(std::get<3>(seen.front()), height);
      EXPECT_EQ(bar->value(), 100);
    } else {
      for (const auto& [text, shown, enabled, h] : seen) EXPECT_TRUE(!shown && enabled && h == height) << text;
    }
    EXPECT_EQ(Str(Result()->toPlainText()), "odf\\f7.odf");
    EXPECT_TRUE(!bar->isVisible() && List(1)->isEnabled() && List(2)->isEnabled());
    EXPECT_EQ(List(1)->height(), height);
  }
}

// The second side's listing fails (the error texts of other failures are the engine's), after the first side has
// made it a long check.
TEST_F(CompatWindow, AFailedCheckShowsTheErrorAndLeavesTheWindowUsable) {
  for (int i = 0; i < 200; ++i) t.Write("prog/mods/Big/odf/f" + std::to_string(i) + ".odf");
  t.MakeDir("prog/mods/Other");
  Open();
  int sides = 0;
  failure = [&] {
    if (++sides == 2) throw std::bad_alloc();
  };
  dialogs.Expect({"Error: Out of memory. Please select two smaller mods or put the larger mod in the second box.",
                  "Error!", ui::Buttons::Ok, ui::Icon::Critical});
  Choose("Big", "Other");
  ClickCheck();
  EXPECT_TRUE(dialogs.Done());
  EXPECT_TRUE(Child<QPushButton>(window, "cmdCheck")->isEnabled() && List(1)->isEnabled() && List(2)->isEnabled());
  EXPECT_FALSE(Child<QProgressBar>(window, "pgbProgress")->isVisible() || Result()->isReadOnly() ||
               Child<QTimer>(window, "timAfter")->isActive());
  EXPECT_EQ(Str(Result()->toPlainText()), "(Checking compatability.)");
  ClickCheck();  // the listing works again
  EXPECT_EQ(Str(Result()->toPlainText()), "(Mods are compatable)");
}
