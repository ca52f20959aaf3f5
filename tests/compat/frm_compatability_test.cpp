// The compatibility window, opened from a stand-in main window and worked with
// clicks and keys; the command line must print what its result box shows.
#include <gtest/gtest.h>

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
#include "support/escape_probe.h"
#include "support/gui_input.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::Child;
using test::Str;

namespace {

constexpr const char* kGame = "(Armada II Directory)";

// The window as the main window opens it, over the game, two mods that share files (one with an addon), one that
// shares none, and mods of 150 and 151 paths that share one path with Other.
class CompatWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"game/odf/ships/fed.odf", "game/ModInfo.txt", "mods/Fleet/odf/ships/FED.odf",
                             "mods/Fleet/odf/ships/new.odf", "mods/Fleet/ModInfo.txt", "mods/Other/odf/F7",
                             "mods/Fleet/Addon/Refit/ODF/Ships/New.odf", "mods/Borg/sounds/borg.wav", "mods/stray.txt"})
      t.Write(file);  // the plain file is not a mod
    for (int i = 0; i < 301; ++i) t.Write("mods/M15" + std::to_string(i < 151) + "/odf/f" + std::to_string(i % 151));
    main.show();
    auto list = [this](const fs::path& folder) {
      if (++sides == failingSide) throw std::bad_alloc();
      return library::ListModFiles(folder);
    };
    window = new compat::frmCompatability(
        {t / "mods", [this] { return std::optional<fs::path>(t / "game"); },
         [this] { return library::FillModList(t / "mods"); }, [this] { return selected; }, dialogs, list},
        &main);
    Child<QTimer>(window, "timAfter")->setInterval(0);  // fires at the next turn of the event loop
    window->show();
    test::Activate(window);
  }
  QListWidget* List(int box) const { return Child<QListWidget>(window, box == 1 ? "lstBox1" : "lstBox2"); }
  QPlainTextEdit* Result() const { return Child<QPlainTextEdit>(window, "lstIncompatable"); }
  QProgressBar* Bar() const { return Child<QProgressBar>(window, "pgbProgress"); }
  std::string Label(const char* name) const { return Str(Child<QLabel>(window, name)->text()); }
  bool ListsEnabled() const { return List(1)->isEnabled() && List(2)->isEnabled(); }
  // Chooses an entry in each box (nullptr: none) by a click, then starts the check: by the button (box 0),
  // or in `box` by a double click (clicks 2) or a click and Enter.
  void Check(const char* first, const char* second, int box = 0, int clicks = 1) {
    for (int b : {1, 2}) List(b)->clearSelection();
    if (first) test::ClickText(List(1), first);
    if (second) test::ClickText(List(2), second);
    if (box == 0) QTest::mouseClick(Child<QPushButton>(window, "cmdCheck"), Qt::LeftButton);
    if (box != 0) test::ClickItem(List(box), List(box)->selectedItems().first(), clicks);
    if (box != 0 && clicks == 1) test::PressKey(Qt::Key_Return);
    QApplication::processEvents();  // timAfter
  }

  QApplication& app = test::GuiApp();  // before any widget
  test::TempTree t;
  test::ScriptedDialogs dialogs;
  int sides = 0, failingSide = 0;  // the sides listed so far, and the one whose listing fails
  std::string selected;            // the main list's selection
  QWidget main;
  compat::frmCompatability* window = nullptr;  // owned by `main`
};

}  // namespace

// The game first in both lists; each opening lists afresh, with the main selection in the first and the
// placeholder after the game when no mod is left.
TEST_F(CompatWindow, EachOpeningListsTheGameFirstAndTheMainSelection) {
  window->hide();
  selected = "    Refit";
  window->show();
  const QStringList all = test::L({kGame, "Borg", "Fleet", "    Refit", "M150", "M151", "Other"});
  for (int box : {1, 2}) EXPECT_EQ(test::Items(List(box)), all);
  EXPECT_TRUE(List(1)->currentItem() == List(1)->item(3) && List(2)->selectedItems().isEmpty());
  window->hide();
  fs::remove_all(t / "mods");
  t.MakeDir("mods");
  window->show();
  for (int box : {1, 2}) EXPECT_EQ(test::Items(List(box)), test::L({kGame, "(No mods found.)"}));
}

// Each missing or double choice is refused with its own message; the check runs from the button, a double click
// or Enter, with the game in either box; the command line prints what the window shows.
TEST_F(CompatWindow, RefusesEachBadChoiceAndChecksFromTheButtonADoubleClickOrEnterAsTheCommandLineDoes) {
  const std::tuple<const char*, const char*, int, int, const char*, const char*> cases[] = {
      {nullptr, nullptr, 0, 1, "Please select two mods.", "Select two mods"},
      {"Fleet", "Fleet", 0, 1, "Please select two different mods.", "Same mod"},
      {kGame, kGame, 0, 1, "Please select two different mods.", "Same mod"},
      {nullptr, "Fleet", 0, 1, "Please select a mod in the first box.", "Select a mod"},
      {"Borg", nullptr, 0, 1, "Please select a mod in the second box.", "Select a mod"},
      {"Fleet", kGame, 0, 1, "odf\\ships\\FED.odf", nullptr},
      {kGame, "Fleet", 1, 2, "odf\\ships\\fed.odf", nullptr},
      {"Fleet", "    Refit", 2, 2, "odf\\ships\\new.odf", nullptr},
      {"Borg", "Fleet", 2, 1, "(Mods are compatable)", nullptr},
      {"    Refit", "Fleet", 1, 1, "odf\\ships\\New.odf", nullptr}};
  auto name = [](const char* entry) { return Str(QString::fromUtf8(entry).trimmed()); };
  for (const auto& [first, second, box, clicks, shown, refused] : cases) {
    SCOPED_TRACE(shown);
    if (refused) dialogs.Expect({shown, refused, flow::Buttons::Ok, flow::Icon::Exclamation});
    Check(first, second, box, clicks);
    EXPECT_EQ(Str(Result()->toPlainText()), refused ? "" : shown);  // nothing is checked when refused
    EXPECT_EQ(Label("lblMod1"), refused ? std::string("Mods:") : "Mods: " + name(first) + " and");
    EXPECT_EQ(Label("lblMod2"), refused ? "" : "           " + name(second));
    EXPECT_TRUE(refused || (Result()->isReadOnly() && Result()->hasFocus() && Result()->textCursor().position() == 0));
  }
  EXPECT_TRUE(dialogs.Done());
  auto run = [this](std::string a, std::string b) {
    return test::RunChild(
        {DRYDOCK_EXE, "--program-dir", t.root().string(), "--game-dir", (t / "game").string(), "compat", a, b});
  };
  const test::RunResult printed = run("Fleet\\Addon\\Refit", "fleet");  // the last case, still shown
  EXPECT_EQ(std::pair(printed.code, printed.output), std::pair(0, Str(Result()->toPlainText()) + "\n"));
  // It refuses what the window refuses, and an unknown mod; a missing second MOD is a usage error.
  for (auto [a, b] : {std::pair("Fleet", "fleet"), {kGame, kGame}, {"Fleet", "Gone"}}) EXPECT_EQ(run(a, b).code, 1);
  EXPECT_EQ(test::RunChild({DRYDOCK_EXE, "compat", "Fleet"}).code, 2);
}

// 150 paths in the first box check at once; from 151 the bar shows, the lists give it room and are disabled.
// When a side's listing then fails, the error is shown, the results are emptied and the window stays usable.
TEST_F(CompatWindow, AboveOneHundredFiftyPathsTheCheckShowsItsProgressAndAFailureItsError) {
  std::vector<std::tuple<std::string, bool, bool, bool>> seen;  // text, bar shown, lists enabled, lists shrunk
  const int height = List(1)->height();
  QObject::connect(Result(), &QPlainTextEdit::textChanged, window, [&] {
    seen.emplace_back(Str(Result()->toPlainText()), Bar()->isVisible(), ListsEnabled(), List(1)->height() < height);
  });
  Check("M150", "Other");
  EXPECT_EQ(seen, (std::vector{std::tuple(std::string("odf\\f7"), false, true, false)}));
  seen.clear();
  Check("M151", "Other");
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), std::tuple(std::string("(Checking compatability.)"), true, false, true));
  EXPECT_EQ(
      std::tuple(Str(Result()->toPlainText()), Bar()->isVisible(), Bar()->value(), ListsEnabled(), List(1)->height()),
      std::tuple(std::string("odf\\f7"), false, 100, true, height));
  failingSide = sides + 2;
  dialogs.Expect({"Error: Out of memory. Please select two smaller mods or put the larger mod in the second box.",
                  "Error!", flow::Buttons::Ok, flow::Icon::Critical});
  Check("M151", "Other");
  EXPECT_TRUE(dialogs.Done());
  EXPECT_TRUE(Child<QPushButton>(window, "cmdCheck")->isEnabled() && ListsEnabled() && !Bar()->isVisible() &&
              !Result()->isReadOnly() && !Child<QTimer>(window, "timAfter")->isActive());
  EXPECT_EQ(Str(Result()->toPlainText()), "");  // neither "(Checking compatability.)" nor the last pair's result
  Check("M151", "Other");                       // the listing works again
  EXPECT_EQ(Str(Result()->toPlainText()), "odf\\f7");
  failingSide = sides + 1;  // a short check's first side fails: the result of the pair before goes too
  dialogs.Expect({"", "Error!", flow::Buttons::Ok, flow::Icon::Critical});
  Check("Borg", "Fleet");
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(Str(Result()->toPlainText()), "");
  EXPECT_EQ(test::EscapeKeepers(window), QStringList());  // Escape reaches the window, which the main window closes
}
