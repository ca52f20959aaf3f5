// The game directory dialog, driven headless through its controls. The search
// is injected, so no test scans the real home folder or disk.
#include "ui/frm_change_a2_dir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "library/game_search.h"
#include "library/mod_library.h"
#include "platform/names.h"
#include "support/recording_shell.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::library::kGameDirNotFound;
using drydock::test::RecordingShell;
using drydock::test::TempTree;
using drydock::ui::frmChangeA2Dir;
using drydock::ui::GameDirHost;
using drydock::ui::GameSearchFn;
namespace library = drydock::library;
namespace platform = drydock::platform;

namespace {

const char* const kSearching = "Attempting to find directory. Please wait...";
const char* const kNotFound = "Unable to find directory. Please locate manually/install Armada II.";

class FakeHost final : public GameDirHost {
 public:
  // Kept as the label's text, the placeholder while none is known.
  std::optional<fs::path> GameDir() const override {
    if (gameDir == kGameDirNotFound) return std::nullopt;
    return drydock::platform::PathFromUtf8(gameDir);
  }
  void SetGameDir(const fs::path& dir) override {
    gameDir = drydock::platform::PathToUtf8(dir);
    ++sets;
  }
  std::filesystem::path ProgramDir() const override { return programDir; }
  void QuitProgram() override { ++quits; }
  void GameDirDialogClosed() override { ++closed; }

  std::string gameDir{kGameDirNotFound};
  fs::path programDir;
  int sets = 0;
  int quits = 0;
  int closed = 0;
};

std::string Str(const QString& s) { return s.toStdString(); }
std::string Text(const fs::path& p) { return platform::PathToUtf8(p); }

// A search that runs until it is told to stop (or released by the test) and
// records what happened.
struct BlockingSearch {
  std::atomic<bool> started{false};
  std::atomic<bool> sawStop{false};
  std::atomic<bool> release{false};
  fs::path result;

  GameSearchFn Fn() {
    return [this](const std::atomic<bool>& stop) {
      started = true;
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!stop && !release && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (stop) sawStop = true;
      return stop ? fs::path() : result;
    };
  }
};

class ChangeA2Dir : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "frm_change_a2_dir_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }

  void SetUp() override {
    host.programDir = t.MakeDir("prog");
    t.Write("Games/Armada II/Armada2.exe");
    t.MakeDir("Games/A2 Copy");
    gameDir = Text(t / "Games/Armada II");
    copyDir = Text(t / "Games/A2 Copy");
  }

  // Opens the dialog without blocking; `search` runs when no GameDir is known.
  frmChangeA2Dir& Open(GameSearchFn search = {}) {
    if (!search) {
      search = [this](const std::atomic<bool>&) {
        ++searches;
        return fs::path();
      };
    }
    dialog = std::make_unique<frmChangeA2Dir>(host, shell, std::move(search));
    dialog->ShowFromMenu();
    return *dialog;
  }

  template <typename T>
  T* Control(const char* name) {
    T* control = dialog->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QLineEdit* txtDir() { return Control<QLineEdit>("txtDir"); }
  QPushButton* cmdApply() { return Control<QPushButton>("cmdApply"); }
  QTreeView* Browser() { return Control<QTreeView>("dirListBox"); }
  std::string TxtDir() { return Str(txtDir()->text()); }
  // Typed over the whole text, key by key.
  void Type(const std::string& text) {
    txtDir()->selectAll();
    QTest::keyClicks(txtDir(), QString::fromStdString(text));
  }
  void Click(const char* button) { QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton); }
  int Beeps() const { return static_cast<int>(std::count(shell.calls.begin(), shell.calls.end(), "beep")); }

  TempTree t;
  FakeHost host;
  RecordingShell shell;
  std::unique_ptr<frmChangeA2Dir> dialog;
  std::atomic<int> searches{0};
  std::string gameDir;
  std::string copyDir;
};

}  // namespace

TEST_F(ChangeA2Dir, OpensOnAKnownGameDirWithoutSearching) {
  host.gameDir = gameDir;
  frmChangeA2Dir& d = Open();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser's path is copied into the text box";
  EXPECT_EQ(Str(Browser()->currentIndex().data().toString()), "Armada II");
  EXPECT_EQ(Str(Control<QLabel>("lblCurrent")->text()), gameDir);
  EXPECT_TRUE(cmdApply()->isEnabled()) << "moving the browser changed the text";
  EXPECT_EQ(d.windowModality(), Qt::NonModal);

  QTest::qWait(200);  // lets the layout place the controls
  QLabel* info = Control<QLabel>("lblChangeA2Info");
  EXPECT_EQ(Str(info->text()).find("Info: "), 0u);
  EXPECT_NE(Str(info->text()).find(" ~/.wine/drive_c/Program Files/Activision/Star Trek Armada II is the default one."),
            std::string::npos);
  EXPECT_GE(info->height(), info->heightForWidth(info->width())) << "the explanation is cut off";
  EXPECT_EQ(searches, 0);
  EXPECT_FALSE(d.IsSearching());
}

TEST_F(ChangeA2Dir, ApplyAndOKTakeOnlyAnExistingFolderInItsExactCaseAndBeepWithoutASeparator) {
  struct Case {
    std::string typed;
    const char* button;
    std::string taken;     // GameDir afterwards
    std::string textLeft;  // in the text box afterwards
    bool open;
    int beeps;
  };
  const std::string gone = Text(t / "Games/Gone");
  const std::vector<Case> cases = {
      {copyDir + "/", "cmdApply", copyDir, copyDir, true, 0},  // one trailing separator is dropped
      {Text(t / "Games/a2 copy"), "cmdApply", gameDir, Text(t / "Games/a2 copy"), true, 0},
      {Text(t / "Games/A2 COPY"), "cmdApply", gameDir, Text(t / "Games/A2 COPY"), true, 0},
      {gone, "cmdApply", gameDir, gone, true, 0},
      {gameDir + "/", "cmdApply", gameDir, gameDir, true, 0},  // the same folder again is not taken
      {"/", "cmdApply", gameDir, "", true, 1},
      {"Armada II", "cmdOK", gameDir, "Armada II", true, 1},
      {gone, "cmdOK", gameDir, gone, false, 0},  // OK closes also when there was nothing to take
      {copyDir, "cmdOK", copyDir, copyDir, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed + " then " + c.button);
    host = FakeHost{};
    host.gameDir = gameDir;
    shell.calls.clear();
    frmChangeA2Dir& d = Open();
    Type(c.typed);
    Click(c.button);
    EXPECT_EQ(host.gameDir, c.taken);
    EXPECT_EQ(host.sets, c.taken == gameDir ? 0 : 1);
    EXPECT_EQ(TxtDir(), c.textLeft);
    EXPECT_EQ(d.isVisible(), c.open);
    EXPECT_EQ(host.closed, c.open ? 0 : 1) << "the menu check mark is cleared on closing";
    EXPECT_EQ(Beeps(), c.beeps);
    EXPECT_EQ(Str(Control<QLabel>("lblCurrent")->text()), c.taken);
    if (!c.open) continue;
    EXPECT_EQ(cmdApply()->isEnabled(), c.taken == gameDir);
    const fs::path shown = platform::PathFromUtf8(c.taken == gameDir ? gameDir : copyDir);
    EXPECT_EQ(Str(Browser()->currentIndex().data().toString()), Text(shown.filename())) << "Apply moves the browser";
  }
}

TEST_F(ChangeA2Dir, ReopeningRefillsTheControlsBrowsingFillsTheTextAndCancelLeavesTheGameDir) {
  host.gameDir = gameDir;
  frmChangeA2Dir& d = Open();
  Type(copyDir);
  Click("cmdCancel");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.gameDir, gameDir);
  EXPECT_EQ(host.quits, 0);
  EXPECT_EQ(host.closed, 1);

  Type("left over");
  d.ShowFromMenu();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser did not move, yet the text box is filled again";
  EXPECT_TRUE(cmdApply()->isEnabled());

  // A click on the other folder in the browser puts its path into the text box.
  QTreeView* browser = Browser();
  const QModelIndex copy = qobject_cast<QFileSystemModel*>(browser->model())->index(QString::fromStdString(copyDir));
  ASSERT_TRUE(QTest::qWaitFor([&] { return browser->model()->rowCount(copy.parent()) == 2; }));
  browser->scrollTo(copy);
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, browser->visualRect(copy).center());
  EXPECT_EQ(TxtDir(), copyDir);
  EXPECT_EQ(host.gameDir, gameDir) << "browsing takes nothing";

  d.close();  // the close box
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.closed, 2);
}

TEST_F(ChangeA2Dir, WithoutAGameDirClosingIsRefusedAndCancelEndsTheProgram) {
  frmChangeA2Dir& d = Open();
  EXPECT_EQ(d.windowModality(), Qt::ApplicationModal);
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() == kNotFound; })) << TxtDir();
  EXPECT_EQ(searches, 1);
  EXPECT_EQ(Str(Control<QLabel>("lblCurrent")->text()), kGameDirNotFound);
  EXPECT_TRUE(cmdApply()->isEnabled()) << "the result text is a change of the text box";

  d.close();
  EXPECT_TRUE(d.isVisible());
  QTest::keyClick(&d, Qt::Key_Escape);
  EXPECT_TRUE(d.isVisible());
  Type(Text(t / "Games/Gone"));
  Click("cmdOK");
  EXPECT_TRUE(d.isVisible()) << "OK with nothing taken may not close either";
  EXPECT_EQ(host.closed, 0);

  Click("cmdCancel");
  EXPECT_EQ(host.quits, 1);
  EXPECT_EQ(host.gameDir, kGameDirNotFound);

  Type(gameDir);
  Click("cmdApply");
  EXPECT_EQ(host.gameDir, gameDir);
  d.close();
  EXPECT_FALSE(d.isVisible()) << "a valid Apply followed by any close";
  EXPECT_EQ(host.closed, 1);
}

TEST_F(ChangeA2Dir, TheSearchProposesTheFolderOfTheGameInAWinePrefixWithoutTakingIt) {
  const fs::path home = t.MakeDir("home");
  t.Write("home/.wine/system.reg", "WINE REGISTRY Version 2\n");
  const fs::path game = t / "home/.wine/drive_c/Program Files/Activision/Star Trek Armada II";
  t.Write("home/.wine/drive_c/Program Files/Activision/Star Trek Armada II/ARMADA2.exe");
  t.Write("home/Old/Armada2.exe");
  platform::WineEnvironment wine;
  wine.home = home;
  frmChangeA2Dir& d = Open([&](const std::atomic<bool>& stop) {
    return library::SearchTreesForFile(library::GameSearchRoots(wine, home, {}), library::kGameExeName, stop);
  });
  EXPECT_EQ(TxtDir(), kSearching);
  EXPECT_FALSE(cmdApply()->isEnabled());

  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() != kSearching; }));
  EXPECT_EQ(TxtDir(), Text(game));
  EXPECT_TRUE(cmdApply()->isEnabled());
  EXPECT_EQ(host.gameDir, kGameDirNotFound) << "proposed, not taken";
  EXPECT_FALSE(d.IsSearching());

  Click("cmdOK");
  EXPECT_EQ(host.gameDir, Text(game));
  EXPECT_FALSE(d.isVisible());
}

TEST_F(ChangeA2Dir, AProposalArrivingAfterTheUserTookOverIsDropped) {
  BlockingSearch search;
  search.result = t / "Games/Armada II/Armada2.exe";
  Open(search.Fn());
  ASSERT_TRUE(QTest::qWaitFor([&] { return search.started.load(); }));
  Type(copyDir);
  search.release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->IsSearching(); }));
  EXPECT_FALSE(search.sawStop);
  EXPECT_EQ(TxtDir(), copyDir);
}

TEST_F(ChangeA2Dir, ClosingOrDestroyingTheDialogStopsARunningSearch) {
  BlockingSearch first;
  first.result = t / "Games/Armada II/Armada2.exe";
  frmChangeA2Dir& d = Open(first.Fn());
  ASSERT_TRUE(QTest::qWaitFor([&] { return first.started.load(); }));
  EXPECT_TRUE(d.IsSearching());
  Type(copyDir);
  Click("cmdApply");
  ASSERT_EQ(host.gameDir, copyDir);
  d.close();
  EXPECT_FALSE(d.isVisible());
  EXPECT_TRUE(first.sawStop) << "the search was stopped and joined before close returned";
  EXPECT_FALSE(d.IsSearching());
  QTest::qWait(200);
  EXPECT_EQ(TxtDir(), copyDir) << "a stopped search delivers nothing";

  host.gameDir = kGameDirNotFound;
  BlockingSearch second;
  Open(second.Fn());
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.started.load(); }));
  dialog.reset();
  EXPECT_TRUE(second.sawStop);
  QTest::qWait(200);  // a result posted to the destroyed dialog must not arrive
}
