// The game directory dialog, driven headless through its controls. The search
// is injected, so no test scans the real home folder or disk.
#include "ui/frm_change_a2_dir.h"

#include <gtest/gtest.h>

#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <thread>

#include "library/mod_library.h"
#include "platform/names.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using library::kGameDirNotFound;
using test::Str;
using ui::frmChangeA2Dir;
using ui::GameSearchFn;
using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

namespace {

const char* const kSearching = "Attempting to find directory. Please wait...";
const char* const kNotFound = "Unable to find directory. Please locate manually/install Armada II.";

std::string Text(const fs::path& p) { return platform::PathToUtf8(p); }

class FakeHost final : public ui::GameDirHost {
 public:
  // Kept as the label's text, the placeholder while none is known.
  std::optional<fs::path> GameDir() const override {
    return gameDir == kGameDirNotFound ? std::nullopt : std::optional(platform::PathFromUtf8(gameDir));
  }
  void SetGameDir(const fs::path& dir) override { calls.push_back("set " + (gameDir = Text(dir))); }
  fs::path ProgramDir() const override { return programDir; }
  void QuitProgram() override { calls.push_back("quit"); }
  void GameDirDialogClosed() override { calls.push_back("closed"); }
  std::string gameDir{kGameDirNotFound};
  fs::path programDir;
  Calls calls;  // what the dialog asked for
};

// A search, given as std::ref(search), that runs until it is told to stop or released, and records it.
struct BlockingSearch {
  fs::path operator()(const std::atomic<bool>& stop) {
    started = true;
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!stop && !release && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
    sawStop = stop.load();
    return stop ? fs::path() : result;
  }
  std::atomic<bool> started{false}, sawStop{false}, release{false};
  fs::path result;
};

// The tree shows its current folder: every parent open (else the row has no rectangle) and the row in view.
bool ShowsCurrent(const QTreeView* tree) {
  const QRect row = tree->visualRect(tree->currentIndex());
  return tree->currentIndex().isValid() && !row.isEmpty() && tree->viewport()->rect().contains(row);
}

class ChangeA2Dir : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::GuiApp(); }

  void SetUp() override {
    host.programDir = t.MakeDir("prog");
    t.Write("Games/Armada II/Armada2.exe");
    t.MakeDir("Games/A2 Copy");
    findsNothing.release = true;
  }

  // Opens the dialog without blocking; `search` (by default findsNothing) runs when no GameDir is known.
  frmChangeA2Dir& Open(GameSearchFn search = {}) {
    dialog = std::make_unique<frmChangeA2Dir>(host, shell, search ? std::move(search) : std::ref(findsNothing));
    read.clear();
    QObject::connect(Model(), &QFileSystemModel::directoryLoaded, [this](const QString& folder) { read << folder; });
    dialog->ShowFromMenu();
    return *dialog;
  }
  // Waits until the tree has read every folder above the current one (in the background; what it reads adds
  // rows above the current one) and sorted them (which moves rows).
  void WaitForTheTree() {
    ASSERT_TRUE(QTest::qWaitFor([&] {
      for (QModelIndex parent = Browser()->currentIndex().parent(); parent.isValid(); parent = parent.parent()) {
        if (!read.contains(Model()->filePath(parent))) return false;
      }
      return Browser()->currentIndex().isValid();
    }));
    QTest::qWait(100);
  }

  QPushButton* cmdApply() { return test::Child<QPushButton>(dialog.get(), "cmdApply"); }
  QTreeView* Browser() { return test::Child<QTreeView>(dialog.get(), "dirListBox"); }
  QFileSystemModel* Model() { return dialog->findChild<QFileSystemModel*>(); }
  std::string TxtDir() { return Str(test::Child<QLineEdit>(dialog.get(), "txtDir")->text()); }
  std::string Current() { return Str(test::Child<QLabel>(dialog.get(), "lblCurrent")->text()); }
  void Type(const std::string& text) { test::TypeInto(test::Child<QLineEdit>(dialog.get(), "txtDir"), text); }
  void Click(const char* button) { QTest::mouseClick(test::Child<QPushButton>(dialog.get(), button), Qt::LeftButton); }

  test::TempTree t;
  FakeHost host;
  test::RecordingShell shell;
  BlockingSearch findsNothing;
  std::unique_ptr<frmChangeA2Dir> dialog;
  QStringList read;  // the folders the tree has read since it opened
  const std::string gameDir = Text(t / "Games/Armada II"), copyDir = Text(t / "Games/A2 Copy");
};

}  // namespace

TEST_F(ChangeA2Dir, OpensOnAKnownGameDirInViewWithoutSearchingRefillsWhenReopenedAndBrowsingFillsTheText) {
  host.gameDir = gameDir;
  frmChangeA2Dir& d = Open();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser's path is copied into the text box";
  EXPECT_TRUE(cmdApply()->isEnabled()) << "moving the browser changed the text";
  EXPECT_EQ(d.windowModality(), Qt::NonModal);
  // Once the tree has read and sorted the folders above, the game folder is still in view.
  WaitForTheTree();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ShowsCurrent(Browser()); }, 1000));
  EXPECT_FALSE(findsNothing.started);
  QLabel* info = test::Child<QLabel>(&d, "lblChangeA2Info");
  EXPECT_GE(info->height(), info->heightForWidth(info->width())) << "the explanation is cut off";
  Type(copyDir);
  Click("cmdCancel");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.calls, Calls{"closed"});
  Type("left over");
  d.ShowFromMenu();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser did not move, yet the text box is filled again";
  EXPECT_TRUE(cmdApply()->isEnabled());
  // A click on the other folder, and a key that moves to the next, put its path into the text box.
  test::Activate(&d);
  const QModelIndex copy = Model()->index(QString::fromStdString(copyDir));
  Browser()->scrollTo(copy);
  QTest::mouseClick(Browser()->viewport(), Qt::LeftButton, Qt::NoModifier, Browser()->visualRect(copy).center());
  EXPECT_EQ(TxtDir(), copyDir);
  test::PressKey(Qt::Key_Down);
  EXPECT_NE(TxtDir(), copyDir);
  EXPECT_EQ(TxtDir(), Str(Model()->filePath(Browser()->currentIndex())));
  d.close();  // the close box
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.calls, (Calls{"closed", "closed"})) << "browsing takes nothing";
}

TEST_F(ChangeA2Dir, ApplyAndOKTakeOnlyAnExistingFolderInItsExactCaseAndBeepWithoutASeparator) {
  struct Case {
    std::string typed;
    const char* button;
    std::string taken, textLeft;  // GameDir and the text box afterwards
    bool open;
    int beeps;
  };
  const std::string gone = Text(t / "Games/Gone");
  const std::vector<Case> cases = {
      {copyDir + "/", "cmdApply", copyDir, copyDir, true, 0},  // one trailing separator is dropped
      {Text(t / "Games/a2 copy"), "cmdApply", gameDir, Text(t / "Games/a2 copy"), true, 0},
      {gone, "cmdApply", gameDir, gone, true, 0},
      {gameDir + "/", "cmdApply", gameDir, gameDir, true, 0},  // the same folder again is not taken
      {"/", "cmdApply", gameDir, "", true, 1},
      {"Armada II", "cmdOK", gameDir, "Armada II", true, 1},
      {gone, "cmdOK", gameDir, gone, false, 0},  // OK closes also when there was nothing to take
      {copyDir, "cmdOK", copyDir, copyDir, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed + " then " + c.button);
    host.gameDir = gameDir;
    host.calls.clear();
    shell.calls.clear();
    frmChangeA2Dir& d = Open();
    Type(c.typed);
    Click(c.button);
    Calls want;  // the same folder again is not taken; closing clears the menu's check mark
    if (c.taken != gameDir) want.push_back("set " + c.taken);
    if (!c.open) want.push_back("closed");
    EXPECT_EQ(host.calls, want);
    EXPECT_EQ(TxtDir(), c.textLeft);
    EXPECT_EQ(d.isVisible(), c.open);
    EXPECT_EQ(shell.calls, std::vector<std::string>(c.beeps, "beep"));
    EXPECT_EQ(Current(), c.taken);
    if (!c.open) continue;
    EXPECT_EQ(cmdApply()->isEnabled(), c.taken == gameDir);
    EXPECT_EQ(Str(Browser()->currentIndex().data().toString()), Text(platform::PathFromUtf8(c.taken).filename()))
        << "Apply moves the browser";
  }
}

TEST_F(ChangeA2Dir, WithoutAGameDirASearchProposesOneClosingIsRefusedCancelEndsTheProgramAndOKTakesOne) {
  Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() == kNotFound; })) << TxtDir();
  EXPECT_EQ(Current(), kGameDirNotFound);
  EXPECT_TRUE(cmdApply()->isEnabled()) << "the result text is a change of the text box";

  const fs::path game = t / "Games/Armada II";
  frmChangeA2Dir& d = Open([&](const std::atomic<bool>&) { return game / "ARMADA2.exe"; });
  EXPECT_EQ(d.windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(TxtDir(), kSearching);
  EXPECT_FALSE(cmdApply()->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() != kSearching; }));
  EXPECT_EQ(TxtDir(), gameDir);
  EXPECT_TRUE(cmdApply()->isEnabled());
  EXPECT_TRUE(host.calls.empty()) << "proposed, not taken";
  WaitForTheTree();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ShowsCurrent(Browser()); }, 1000)) << "the proposal is in view";
  // Renamed on disk and back while the dialog is open: the tree follows, the proposal stays.
  auto shows = [&](const char* name) {
    const QModelIndex first = Model()->index(0, 0, Model()->index(QString::fromStdString(Text(t / "Games"))));
    return !Model()->match(first, Qt::DisplayRole, QString::fromUtf8(name), 1, Qt::MatchExactly).isEmpty();
  };
  fs::rename(game, t / "Games/B2");
  ASSERT_TRUE(QTest::qWaitFor([&] { return shows("B2") && !shows("Armada II"); }));
  EXPECT_EQ(TxtDir(), gameDir);
  fs::rename(t / "Games/B2", game);
  ASSERT_TRUE(QTest::qWaitFor([&] { return shows("Armada II") && !shows("B2"); }));
  QTest::qWait(50);  // the tree sorts the folder it has found again
  EXPECT_EQ(TxtDir(), gameDir);
  // Without a GameDir the dialog stays until one is taken or the program ends.
  d.close();
  EXPECT_TRUE(d.isVisible());
  QTest::keyClick(&d, Qt::Key_Escape);
  EXPECT_TRUE(d.isVisible());
  Type(Text(t / "Games/Gone"));
  Click("cmdOK");
  EXPECT_TRUE(d.isVisible()) << "OK with nothing taken may not close either";
  Click("cmdCancel");
  EXPECT_EQ(host.calls, Calls{"quit"});
  Type(gameDir);
  Click("cmdOK");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.calls, (Calls{"quit", "set " + gameDir, "closed"}));
}

TEST_F(ChangeA2Dir, ASearchYieldsToTheUserAndStopsWhenTheDialogClosesOrGoes) {
  BlockingSearch late, running, last;
  late.result = running.result = t / "Games/Armada II/Armada2.exe";
  Open(std::ref(late));
  ASSERT_TRUE(QTest::qWaitFor([&] { return late.started.load(); }));
  Type(copyDir);
  late.release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->IsSearching(); }));
  EXPECT_FALSE(late.sawStop);
  EXPECT_EQ(TxtDir(), copyDir) << "a proposal arriving after the user took over is dropped";
  // A search still running when the dialog closes is stopped.
  frmChangeA2Dir& d = Open(std::ref(running));
  ASSERT_TRUE(QTest::qWaitFor([&] { return running.started.load(); }));
  EXPECT_TRUE(d.IsSearching());
  Type(copyDir);
  Click("cmdApply");
  ASSERT_EQ(host.gameDir, copyDir);
  d.close();
  EXPECT_FALSE(d.isVisible());
  EXPECT_TRUE(running.sawStop) << "the search was stopped and joined before close returned";
  EXPECT_FALSE(d.IsSearching());
  QTest::qWait(200);
  EXPECT_EQ(TxtDir(), copyDir) << "a stopped search delivers nothing";
  // And so is one running when the dialog goes.
  host.gameDir = kGameDirNotFound;
  Open(std::ref(last));
  ASSERT_TRUE(QTest::qWaitFor([&] { return last.started.load(); }));
  dialog.reset();
  EXPECT_TRUE(last.sawStop);
  QTest::qWait(200);  // a result posted to the destroyed dialog must not arrive
}
