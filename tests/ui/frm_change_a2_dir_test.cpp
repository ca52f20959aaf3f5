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
#include <algorithm>
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
using ui::frmChangeA2Dir;
using ui::GameSearchFn;

namespace {

const char* const kSearching = "Attempting to find directory. Please wait...";
const char* const kNotFound = "Unable to find directory. Please locate manually/install Armada II.";

std::string Str(const QString& s) { return s.toStdString(); }
std::string Text(const fs::path& p) { return platform::PathToUtf8(p); }

class FakeHost final : public ui::GameDirHost {
 public:
  // Kept as the label's text, the placeholder while none is known.
  std::optional<fs::path> GameDir() const override {
    return gameDir == kGameDirNotFound ? std::nullopt : std::optional(platform::PathFromUtf8(gameDir));
  }
  void SetGameDir(const fs::path& dir) override {
    gameDir = Text(dir);
    ++sets;
  }
  fs::path ProgramDir() const override { return programDir; }
  void QuitProgram() override { ++quits; }
  void GameDirDialogClosed() override { ++closed; }

  std::string gameDir{kGameDirNotFound};
  fs::path programDir;
  int sets = 0, quits = 0, closed = 0;
};

// A search that runs until it is told to stop or released, and records it.
struct BlockingSearch {
  std::atomic<bool> started{false}, sawStop{false}, release{false};
  fs::path result;

  GameSearchFn Fn() {
    return [this](const std::atomic<bool>& stop) {
      started = true;
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!stop && !release && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      sawStop = stop.load();
      return stop ? fs::path() : result;
    };
  }
};

// The tree shows its current folder: every parent open and its row in view.
bool ShowsCurrent(const QTreeView* tree) {
  const QModelIndex current = tree->currentIndex();
  for (QModelIndex parent = current.parent(); parent.isValid(); parent = parent.parent()) {
    if (!tree->isExpanded(parent)) return false;
  }
  const QRect row = tree->visualRect(current);
  return current.isValid() && !row.isEmpty() && tree->viewport()->rect().contains(row);
}

// Every folder above the current one has been read (the tree reads them in
// the background, and what it reads adds rows above the current one).
bool ParentsRead(const QTreeView* tree, const QStringList& read) {
  const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
  for (QModelIndex parent = tree->currentIndex().parent(); parent.isValid(); parent = parent.parent()) {
    if (!read.contains(model->filePath(parent))) return false;
  }
  return tree->currentIndex().isValid();
}

class ChangeA2Dir : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::GuiApp(); }

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
    read.clear();
    QObject::connect(Model(), &QFileSystemModel::directoryLoaded, [this](const QString& folder) { read << folder; });
    dialog->ShowFromMenu();
    return *dialog;
  }
  // Waits until the tree has read the folders above the current one, and has
  // sorted what it read (which moves rows).
  void WaitForTheTree() {
    ASSERT_TRUE(QTest::qWaitFor([&] { return ParentsRead(Browser(), read); }));
    QTest::qWait(100);
  }

  template <typename T>
  T* Control(const char* name) {
    return test::Child<T>(dialog.get(), name);
  }
  QLineEdit* txtDir() { return Control<QLineEdit>("txtDir"); }
  QPushButton* cmdApply() { return Control<QPushButton>("cmdApply"); }
  QTreeView* Browser() { return Control<QTreeView>("dirListBox"); }
  QFileSystemModel* Model() { return dialog->findChild<QFileSystemModel*>(); }
  std::string TxtDir() { return Str(txtDir()->text()); }
  std::string Current() { return Str(Control<QLabel>("lblCurrent")->text()); }
  void Type(const std::string& text) { test::TypeInto(txtDir(), text); }
  void Click(const char* button) { QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton); }
  int Beeps() const { return static_cast<int>(std::count(shell.calls.begin(), shell.calls.end(), "beep")); }

  test::TempTree t;
  FakeHost host;
  test::RecordingShell shell;
  std::unique_ptr<frmChangeA2Dir> dialog;
  std::atomic<int> searches{0};
  QStringList read;  // the folders the tree has read since it opened
  std::string gameDir, copyDir;
};

}  // namespace

TEST_F(ChangeA2Dir, OpensOnAKnownGameDirWithoutSearching) {
  host.gameDir = gameDir;
  frmChangeA2Dir& d = Open();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser's path is copied into the text box";
  EXPECT_EQ(Str(Browser()->currentIndex().data().toString()), "Armada II");
  EXPECT_EQ(Current(), gameDir);
  EXPECT_TRUE(cmdApply()->isEnabled()) << "moving the browser changed the text";
  EXPECT_EQ(d.windowModality(), Qt::NonModal);

  QApplication::processEvents();  // the layout places the controls
  QLabel* info = Control<QLabel>("lblChangeA2Info");
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
    EXPECT_EQ(Current(), c.taken);
    if (!c.open) continue;
    EXPECT_EQ(cmdApply()->isEnabled(), c.taken == gameDir);
    const fs::path shown = platform::PathFromUtf8(c.taken);
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

  // A click on the other folder in the browser puts its path into the text
  // box, and so does a key that moves to the next folder.
  WaitForTheTree();
  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  const QModelIndex copy = Model()->index(QString::fromStdString(copyDir));
  Browser()->scrollTo(copy);
  QTest::mouseClick(Browser()->viewport(), Qt::LeftButton, Qt::NoModifier, Browser()->visualRect(copy).center());
  EXPECT_EQ(TxtDir(), copyDir);
  test::PressKey(Qt::Key_Down);
  EXPECT_NE(TxtDir(), copyDir);
  EXPECT_EQ(TxtDir(), Str(Model()->filePath(Browser()->currentIndex())));
  EXPECT_EQ(host.sets, 0) << "browsing takes nothing";

  d.close();  // the close box
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.closed, 2);
}

TEST_F(ChangeA2Dir, WithoutAGameDirClosingIsRefusedAndCancelEndsTheProgram) {
  frmChangeA2Dir& d = Open();
  EXPECT_EQ(d.windowModality(), Qt::ApplicationModal);
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() == kNotFound; })) << TxtDir();
  EXPECT_EQ(searches, 1);
  EXPECT_EQ(Current(), kGameDirNotFound);
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

TEST_F(ChangeA2Dir, TheSearchProposesTheGamesFolderWithoutTakingItAndKeepsItWhileTheTreeChangesOnDisk) {
  const fs::path game = t / "Games/Armada II";
  frmChangeA2Dir& d = Open([&](const std::atomic<bool>&) { return game / "ARMADA2.exe"; });
  EXPECT_EQ(TxtDir(), kSearching);
  EXPECT_FALSE(cmdApply()->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() != kSearching; }));
  EXPECT_EQ(TxtDir(), gameDir);
  EXPECT_TRUE(cmdApply()->isEnabled());
  EXPECT_EQ(host.gameDir, kGameDirNotFound) << "proposed, not taken";
  EXPECT_FALSE(d.IsSearching());

  // Renamed on disk and back while the dialog is open: the tree follows, the
  // proposal stays.
  auto shows = [&](const char* name) {
    const QModelIndex games = Model()->index(QString::fromStdString(Text(t / "Games")));
    for (int row = 0; row < Model()->rowCount(games); ++row) {
      if (Model()->index(row, 0, games).data().toString() == QString::fromUtf8(name)) return true;
    }
    return false;
  };
  fs::rename(game, t / "Games/B2");
  ASSERT_TRUE(QTest::qWaitFor([&] { return shows("B2") && !shows("Armada II"); }));
  EXPECT_EQ(TxtDir(), gameDir);
  fs::rename(t / "Games/B2", game);
  ASSERT_TRUE(QTest::qWaitFor([&] { return shows("Armada II") && !shows("B2"); }));
  QTest::qWait(50);  // the tree sorts the folder it has found again
  EXPECT_EQ(TxtDir(), gameDir);

  Click("cmdOK");
  EXPECT_EQ(host.gameDir, gameDir);
  EXPECT_FALSE(d.isVisible());
}

TEST_F(ChangeA2Dir, ASearchYieldsToTheUserAndStopsWhenTheDialogClosesOrGoes) {
  BlockingSearch late, running, last;
  late.result = running.result = t / "Games/Armada II/Armada2.exe";
  Open(late.Fn());
  ASSERT_TRUE(QTest::qWaitFor([&] { return late.started.load(); }));
  Type(copyDir);
  late.release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->IsSearching(); }));
  EXPECT_FALSE(late.sawStop);
  EXPECT_EQ(TxtDir(), copyDir) << "a proposal arriving after the user took over is dropped";

  frmChangeA2Dir& d = Open(running.Fn());
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

  host.gameDir = kGameDirNotFound;
  Open(last.Fn());
  ASSERT_TRUE(QTest::qWaitFor([&] { return last.started.load(); }));
  dialog.reset();
  EXPECT_TRUE(last.sawStop);
  QTest::qWait(200);  // a result posted to the destroyed dialog must not arrive
}

// Disabled: the tree sorts the folders it has read after the dialog has
// scrolled to its folder, and nothing scrolls back, so the folder ends up out
// of view.
TEST_F(ChangeA2Dir, TheFolderPointedAtOrProposedIsInViewOnceTheTreeHasBeenRead) {
  for (const bool known : {true, false}) {
    host.gameDir = known ? gameDir : std::string(kGameDirNotFound);
    Open([&](const std::atomic<bool>&) { return t / "Games/A2 Copy/Armada2.exe"; });
    WaitForTheTree();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShowsCurrent(Browser()); }, 1000)) << (known ? gameDir : copyDir);
  }
}
