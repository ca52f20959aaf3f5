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
#include <atomic>
#include <new>
#include <stdexcept>

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
  EXPECT_TRUE(window->isWindow());
  EXPECT_EQ(Str(Child<QGroupBox>(window, "frameMods")->title()),
            "Choose two different mods to check their compatabiliy ");
  EXPECT_EQ(Str(Child<QPushButton>(window, "cmdCheck")->text()), "&Check Compatability");
  EXPECT_EQ(Label("lblMod1"), "Mods:");
  EXPECT_EQ(Label("lblMod2"), "");
  EXPECT_EQ(Label("Label1"), "Incompatable files:");
  EXPECT_FALSE(Child<QProgressBar>(window, "pgbProgress")->isVisible());
  EXPECT_FALSE(Child<QTimer>(window, "timAfter")->isActive());
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
  t.Write("prog/mods/Fleet/odf/ships/FED.odf");
  t.Write("prog/mods/Fleet/odf/ships/new.odf");
  t.Write("prog/mods/Fleet/ModInfo.txt");
  t.Write("prog/mods/Fleet/Addon/Refit/ODF/Ships/New.odf");
  t.Write("prog/mods/Borg/sounds/borg.wav");
  Open();
  enum class Start { Button, DoubleClickFirst, DoubleClickSecond, EnterFirst, EnterSecond };
  const struct {
    const char *first, *second;
    Start start;
    const char *mod1, *mod2, *shown;
    std::vector<std::string> commandLine;
  } cases[] = {
      {"Fleet",
       kGame,
       Start::Button,
       "Mods: Fleet and",
       "           (Armada II Directory)",
       "odf\\ships\\FED.odf",
       {"Fleet", kGame}},
      {kGame,
       "Fleet",
       Start::DoubleClickFirst,
       "Mods: (Armada II Directory) and",
       "           Fleet",
       "odf\\ships\\fed.odf",
       {kGame, "Fleet"}},
      {"    Refit",
       "Fleet",
       Start::EnterFirst,
       "Mods: Refit and",
       "           Fleet",
       "odf\\ships\\New.odf",
       {"Fleet\\Addon\\Refit", "fleet"}},
      {"Fleet",
       "    Refit",
       Start::DoubleClickSecond,
       "Mods: Fleet and",
       "           Refit",
       "odf\\ships\\new.odf",
       {"Fleet", "Fleet/Addon/Refit"}},
      {"Borg",
       "Fleet",
       Start::EnterSecond,
       "Mods: Borg and",
       "           Fleet",
       "(Mods are compatable)",
       {"Borg", "Fleet"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mod1);
    Result()->clear();
    Choose(c.first, c.second);
    switch (c.start) {
      case Start::Button:
        ClickCheck();
        break;
      case Start::DoubleClickFirst:
      case Start::DoubleClickSecond:
        test::ClickItem(List(c.start == Start::DoubleClickFirst ? 1 : 2),
                        List(c.start == Start::DoubleClickFirst ? 1 : 2)->selectedItems().first(), 2);
        break;
      case Start::EnterFirst:
      case Start::EnterSecond:
        test::ClickText(List(c.start == Start::EnterFirst ? 1 : 2), c.start == Start::EnterFirst ? c.first : c.second);
        test::PressKey(Qt::Key_Return);
        break;
    }
    QApplication::processEvents();
    EXPECT_EQ(Str(Result()->toPlainText()), c.shown);
    EXPECT_EQ(Label("lblMod1"), c.mod1);
    EXPECT_EQ(Label("lblMod2"), c.mod2);
    EXPECT_TRUE(Result()->isReadOnly());
    EXPECT_EQ(Result()->textCursor().position(), 0);
    EXPECT_TRUE(Result()->hasFocus());
    const test::RunResult run = test::RunChild({DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "--game-dir",
                                                (t / "game").string(), "compat", c.commandLine[0], c.commandLine[1]});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(run.output, std::string(c.shown) + "\n");
  }
  EXPECT_TRUE(dialogs.Done());
  // The command line refuses what the window refuses, and an unknown mod.
  const std::vector<std::pair<std::vector<std::string>, int>> refused = {
      {{"Fleet"}, 2}, {{"Fleet", "fleet"}, 1}, {{kGame, kGame}, 1}, {{"Fleet", "Gone"}, 1}};
  for (const auto& [args, code] : refused) {
    std::vector<std::string> argv = {DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "compat"};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(test::RunChild(argv).code, code) << args.back();
  }
}

// 150 paths in the first box check at once; from 151 the bar shows, the lists give it room and are disabled.
TEST_F(CompatWindow, AboveOneHundredFiftyPathsTheCheckShowsItsProgress) {
  for (int i = 0; i < 151; ++i) t.Write("prog/mods/Big/odf/f" + std::to_string(i) + ".odf");
  t.Write("prog/mods/Big/odf/ships/extra.odf");
  t.Write("prog/mods/Other/odf/F7.ODF");
  Open();
  auto* bar = Child<QProgressBar>(window, "pgbProgress");
  struct Seen {
    std::string text;
    bool barShown, listsEnabled;
    int listHeight;
  };
  std::vector<Seen> seen;
  QObject::connect(Result(), &QPlainTextEdit::textChanged, window, [&] {
    seen.push_back({Str(Result()->toPlainText()), bar->isVisible(), List(1)->isEnabled() && List(2)->isEnabled(),
                    List(1)->height()});
  });
  for (const int paths : {150, 151}) {
    SCOPED_TRACE(paths);
    // The first box's folders hold 152 files; the extra ones go.
    fs::remove(t / "prog/mods/Big/odf/ships/extra.odf");
    if (paths == 150) fs::remove(t / "prog/mods/Big/odf/f150.odf");
    if (paths == 151) t.Write("prog/mods/Big/odf/f150.odf");
    const int height = List(1)->height();
    seen.clear();
    Choose("Big", "Other");
    ClickCheck();
    ASSERT_FALSE(seen.empty());
    if (paths == 150) {
      for (const Seen& s : seen) EXPECT_TRUE(!s.barShown && s.listsEnabled && s.text != "(Checking compatability.)");
    } else {
      EXPECT_EQ(seen.front().text, "(Checking compatability.)");
      EXPECT_TRUE(seen.front().barShown && !seen.front().listsEnabled);
      EXPECT_LT(seen.front().listHeight, height);
      EXPECT_EQ(bar->value(), 100);
    }
    EXPECT_EQ(Str(Result()->toPlainText()), "odf\\f7.odf");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(List(1)->isEnabled() && List(2)->isEnabled());
    EXPECT_EQ(List(1)->height(), height);
  }
}

TEST_F(CompatWindow, AFailedCheckShowsTheErrorAndLeavesTheWindowUsable) {
  for (int i = 0; i < 200; ++i) t.Write("prog/mods/Big/odf/f" + std::to_string(i) + ".odf");
  t.MakeDir("prog/mods/Other");
  Open();
  const struct {
    std::function<void()> fail;
    std::string text;
  } cases[] = {
      {[] { throw std::bad_alloc(); },
       "Error: Out of memory. Please select two smaller mods or put the larger mod in the second box."},
      {[] { throw std::out_of_range("Subscript out of range"); }, "Error: Subscript out of range."},
  };
  for (const auto& c : cases) {
    // The second side's listing fails, after the first has made it a long check.
    int sides = 0;
    failure = [&] {
      if (++sides == 2) c.fail();
    };
    dialogs.Expect({c.text, "Error!", ui::Buttons::Ok, ui::Icon::Critical});
    Choose("Big", "Other");
    ClickCheck();
    EXPECT_TRUE(dialogs.Done());
    EXPECT_TRUE(Child<QPushButton>(window, "cmdCheck")->isEnabled());
    EXPECT_TRUE(List(1)->isEnabled() && List(2)->isEnabled());
    EXPECT_FALSE(Child<QProgressBar>(window, "pgbProgress")->isVisible());
    EXPECT_FALSE(Result()->isReadOnly());
    EXPECT_FALSE(Child<QTimer>(window, "timAfter")->isActive());
    EXPECT_EQ(Str(Result()->toPlainText()), "(Checking compatability.)");
  }
  failure = nullptr;
  ClickCheck();
  EXPECT_EQ(Str(Result()->toPlainText()), "(Mods are compatable)");
}
