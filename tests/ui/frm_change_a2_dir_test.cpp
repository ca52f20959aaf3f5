// The game directory dialog, driven headless through its controls; the search is injected, so none scans the disk.
#include "ui/frm_change_a2_dir.h"

#include <gtest/gtest.h>

#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <stdexcept>

#include "library/mod_library.h"
#include "platform/environment.h"
#include "platform/names.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "support/wait.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::Str;
using ui::frmChangeA2Dir;
using Calls = std::vector<std::string>;

namespace {

const char* const kSearching = "Attempting to find directory. Please wait...";
const char* const kNotFound = "Unable to find directory. Please locate manually/install Armada II.";
const char* const kTitle = "Change A2 Directory";

// The message that refuses a path, and the question before a folder without the game is taken.
test::ScriptedDialogs::Box Refusal(const std::string& text) {
  return {text, kTitle, flow::Buttons::Ok, flow::Icon::Exclamation, flow::Answer::Ok};
}
test::ScriptedDialogs::Box NoFolder(const std::string& folder) {
  return Refusal("There is no folder \"" + folder + "\". Choose the folder that holds Armada2.exe.");
}
test::ScriptedDialogs::Box ProgramFile(const std::string& file, const std::string& folder) {
  return Refusal("\"" + file + "\" is the game's program file, not a folder. Choose the folder that holds it: \"" +
                 folder + "\".");
}
test::ScriptedDialogs::Box NoGameQuestion(const std::string& folder, flow::Answer answer) {
  return {"The folder \"" + folder +
              "\" does not hold Armada2.exe, so it does not look like an Armada II game folder: mods installed into it "
              "will not reach the game.\n\nUse this folder anyway?",
          kTitle,
          flow::Buttons::YesNo,
          flow::Icon::Question,
          answer,
          flow::Default::Yes};
}

std::string Text(const fs::path& p) { return platform::PathToUtf8(p); }

class FakeHost final : public ui::GameDirHost {
 public:
  std::optional<fs::path> GameDir() const override {
    return gameDir == library::kGameDirNotFound ? std::nullopt : std::optional(platform::PathFromUtf8(gameDir));
  }
  void SetGameDir(const fs::path& dir) override { calls.push_back("set " + (gameDir = Text(dir))); }
  fs::path ProgramDir() const override { return programDir; }
  void QuitProgram() override { calls.push_back("quit"); }
  void GameDirDialogClosed() override { calls.push_back("closed"); }
  std::string gameDir{library::kGameDirNotFound};  // as the label shows it, the placeholder while none is known
  fs::path programDir;
  Calls calls;  // what the dialog asked for
};

// A search, given as std::ref(search), that runs until it is told to stop or released, and records it.
struct BlockingSearch {
  fs::path operator()(const std::atomic<bool>& stop) {
    started = true;
    test::WaitUntil([&] { return stop || release; });
    sawStop = stop.load();
    return stop ? fs::path() : result;
  }
  std::atomic<bool> started{false}, sawStop{false}, release{false};
  fs::path result;
};

class ChangeA2Dir : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::GuiApp(); }
  void SetUp() override {
    host.programDir = t.MakeDir("prog");
    t.Write("Games/Armada II/Armada2.exe");
    t.Write("Games/A2 Copy/armada2.EXE");  // found in any letter case
    t.MakeDir("Games/Empty");
  }

  // Opens the dialog without blocking; `search` (by default findsNothing) runs when no GameDir is known.
  frmChangeA2Dir& Open(ui::GameSearchFn search = {}) {
    dialog =
        std::make_unique<frmChangeA2Dir>(host, shell, dialogs, search ? std::move(search) : std::ref(findsNothing));
    read.clear();
    QObject::connect(Model(), &QFileSystemModel::directoryLoaded, [this](const QString& folder) { read << folder; });
    dialog->ShowFromMenu();
    return *dialog;
  }
  // Once the tree has read every folder above its current one (in the background; that adds rows above it) and
  // sorted them (which moves rows), the current folder is in view: every parent open (else it has no rectangle).
  void ExpectInView() {
    ASSERT_TRUE(QTest::qWaitFor([&] {
      for (QModelIndex parent = Browser()->currentIndex().parent(); parent.isValid(); parent = parent.parent())
        if (!read.contains(Model()->filePath(parent))) return false;
      return Browser()->currentIndex().isValid();
    }));
    test::HandlePendingEvents();  // the sort of what was read, which moves rows
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Browser()->viewport()->rect().contains(Browser()->visualRect(Browser()->currentIndex())); },
        1000));
  }
  // Opens the dialog on the known game folder, active, with nothing asked of the host yet.
  void Reopen() {
    host.gameDir = gameDir;
    host.calls = {};
    Open();
    test::Activate(dialog.get());
  }
  // A click on `folder` in the browser, scrolled into view first.
  QModelIndex ClickFolder(const std::string& folder) {
    const QModelIndex index = Model()->index(QString::fromStdString(folder));
    Browser()->scrollTo(index);
    QTest::mouseClick(Browser()->viewport(), Qt::LeftButton, Qt::NoModifier, Browser()->visualRect(index).center());
    return index;
  }
  QPushButton* cmdApply() { return test::Child<QPushButton>(dialog.get(), "cmdApply"); }
  QTreeView* Browser() { return test::Child<QTreeView>(dialog.get(), "dirListBox"); }
  QFileSystemModel* Model() { return dialog->findChild<QFileSystemModel*>(); }
  std::string TxtDir() { return Str(test::Child<QLineEdit>(dialog.get(), "txtDir")->text()); }
  void Click(const char* button) { QTest::mouseClick(test::Child<QPushButton>(dialog.get(), button), Qt::LeftButton); }
  // Types `text` over the text box's, then clicks `button` when one is given.
  void Type(const std::string& text, const char* button = nullptr) {
    test::TypeInto(test::Child<QLineEdit>(dialog.get(), "txtDir"), text);
    if (button) Click(button);
  }
  test::TempTree t;
  FakeHost host;
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  BlockingSearch findsNothing{.release = true, .result = {}};
  std::unique_ptr<frmChangeA2Dir> dialog;
  QStringList read;  // the folders the tree has read since it opened
  const std::string gameDir = Text(t / "Games/Armada II"), copyDir = Text(t / "Games/A2 Copy"),
                    emptyDir = Text(t / "Games/Empty");
};

}  // namespace

TEST_F(ChangeA2Dir, OpensOnAKnownGameDirInViewWithoutSearchingRefillsWhenReopenedAndBrowsingFillsTheText) {
  host.gameDir = gameDir;
  frmChangeA2Dir& d = Open();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser's path is copied into the text box";
  EXPECT_TRUE(cmdApply()->isEnabled()) << "moving the browser changed the text";
  EXPECT_EQ(d.windowModality(), Qt::NonModal);
  ExpectInView();
  EXPECT_FALSE(findsNothing.started);
  QLabel* info = test::Child<QLabel>(&d, "lblChangeA2Info");
  EXPECT_GE(info->height(), info->heightForWidth(info->width())) << "the explanation is cut off";
  Type(copyDir, "cmdCancel");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.calls, Calls{"closed"});
  Type("left over");
  d.ShowFromMenu();
  EXPECT_EQ(TxtDir(), gameDir) << "the browser did not move, yet the text box is filled again";
  // A click on the other folder, and a key that moves to the next, put its path into the text box.
  test::Activate(&d);
  const QModelIndex copy = ClickFolder(copyDir);
  EXPECT_EQ(TxtDir(), copyDir);
  test::PressKey(Qt::Key_Down);
  EXPECT_EQ(TxtDir(), Str(Model()->filePath(Browser()->indexBelow(copy))));
  d.close();  // the close box
  EXPECT_EQ(host.calls, (Calls{"closed", "closed"})) << "browsing takes nothing";
}

TEST_F(ChangeA2Dir, ApplyAndOKTakeAGameFolderOrAConfirmedOneAndRefuseAnythingElseWithAMessageStayingOpen) {
  const std::string gone = Text(t / "Games/Gone"), exe = gameDir + "/Armada2.exe", home = Text(platform::HomeDir()),
                    lower = Text(t / "Games/a2 copy"), copyExe = copyDir + "/armada2.EXE";
  const auto caseHint =
      Refusal("There is no folder \"" + lower + "\". Letter case counts here: did you mean \"" + copyDir + "\"?");
  const auto relative = Refusal(
      "\"Games/Empty\" is not a full path. Type the whole path of the folder, starting with \"/\" (or \"~/\" for your "
      "home folder).");
  struct Case {
    std::string typed;
    const char* button;
    std::string taken;     // GameDir afterwards
    std::string textLeft;  // in the text box afterwards
    bool open;
    std::vector<test::ScriptedDialogs::Box> boxes = {};
    int beeps = 0;
  };
  const Case cases[] = {
      {copyDir + "/", "cmdApply", copyDir, copyDir, true},  // a trailing separator is dropped
      {"  " + copyDir + "//  ", "cmdOK", copyDir, copyDir, false},
      {"\"" + copyDir + "\"", "cmdOK", copyDir, copyDir, false},
      {copyDir, "cmdOK", copyDir, copyDir, false},
      {gameDir + "/", "cmdApply", gameDir, gameDir, true},  // the same folder again is not taken
      {gameDir, "cmdOK", gameDir, gameDir, false},
      {lower, "cmdApply", gameDir, lower, true, {caseHint}},
      {gone, "cmdApply", gameDir, gone, true, {NoFolder(gone)}},
      {gone, "cmdOK", gameDir, gone, true, {NoFolder(gone)}},
      {exe, "cmdOK", gameDir, exe, true, {ProgramFile(exe, gameDir)}},
      {copyExe, "cmdApply", gameDir, copyExe, true, {ProgramFile(copyExe, copyDir)}},
      {"Games/Empty", "cmdOK", gameDir, "Games/Empty", true, {relative}},
      {emptyDir, "cmdOK", gameDir, emptyDir, true, {NoGameQuestion(emptyDir, flow::Answer::No)}},
      {emptyDir + "/", "cmdOK", emptyDir, emptyDir, false, {NoGameQuestion(emptyDir, flow::Answer::Yes)}},
      {"~", "cmdApply", home, home, true, {NoGameQuestion(home, flow::Answer::Yes)}},
      {"/", "cmdApply", gameDir, "", true, {}, 1},
      {"Armada II", "cmdOK", gameDir, "Armada II", true, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed + " then " + c.button);
    host.gameDir = gameDir;
    host.calls = shell.calls = {};
    for (const auto& box : c.boxes) dialogs.Expect(box);
    Open();
    Type(c.typed, c.button);
    EXPECT_TRUE(dialogs.Done()) << "every message and question was shown";
    Calls want = c.taken != gameDir ? Calls{"set " + c.taken} : Calls{};
    if (!c.open) want.push_back("closed");  // closing clears the menu's check mark
    EXPECT_EQ(host.calls, want);
    EXPECT_EQ(TxtDir(), c.textLeft);
    EXPECT_EQ(dialog->isVisible(), c.open);
    EXPECT_EQ(shell.calls, Calls(c.beeps, "beep"));
    EXPECT_EQ(Str(test::Child<QLabel>(dialog.get(), "lblCurrent")->text()), c.taken);
    if (!c.open) continue;
    EXPECT_EQ(cmdApply()->isEnabled(), c.taken == gameDir);
    if (!c.boxes.empty() && c.taken == gameDir) {
      EXPECT_EQ(dialog->focusWidget(), test::Child<QLineEdit>(dialog.get(), "txtDir")) << "to choose again";
    }
    if (c.beeps == 0) {
      EXPECT_EQ(Str(Model()->filePath(Browser()->currentIndex())), c.taken) << "Apply moves the browser";
    }
  }
}

// Enter presses the focused button (OK from the text box or the browser), Space too; Escape is Cancel.
TEST_F(ChangeA2Dir, KeysActOnTheFocusedButtonAndEscapeCancels) {
  struct Case {
    int tabs;  // from the text box: 1 Apply, 2 OK, 3 Cancel
    Qt::Key key;
    bool taken, open;
  };
  const Case cases[] = {
      {0, Qt::Key_Return, true, false}, {0, Qt::Key_Enter, true, false},   {1, Qt::Key_Return, true, true},
      {1, Qt::Key_Space, true, true},   {2, Qt::Key_Space, true, false},   {3, Qt::Key_Return, false, false},
      {3, Qt::Key_Space, false, false}, {0, Qt::Key_Escape, false, false}, {1, Qt::Key_Escape, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.tabs) + " tabs, key " + std::to_string(c.key));
    Reopen();
    ASSERT_EQ(QApplication::focusWidget(), test::Child<QLineEdit>(dialog.get(), "txtDir"));
    Type(copyDir);
    for (int i = 0; i < c.tabs; ++i) test::PressKey(Qt::Key_Tab);
    test::PressKey(c.key);
    Calls want = c.taken ? Calls{"set " + copyDir} : Calls{};
    if (!c.open) want.push_back("closed");
    EXPECT_EQ(host.calls, want);
    EXPECT_EQ(dialog->isVisible(), c.open);
  }
  // Enter in the browser takes the folder browsed to.
  Reopen();
  ClickFolder(copyDir);
  test::PressKey(Qt::Key_Return);
  EXPECT_EQ(host.calls, (Calls{"set " + copyDir, "closed"}));
}

TEST_F(ChangeA2Dir, WithoutAGameDirASearchProposesOneClosingIsRefusedCancelEndsTheProgramAndOKTakesOne) {
  Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() == kNotFound; })) << TxtDir();
  // A search that throws tells its error, and proposes nothing.
  Open([](const std::atomic<bool>&) -> fs::path { throw std::runtime_error("the disk went away"); });
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() != kSearching; }));
  EXPECT_EQ(TxtDir(),
            "Unable to find directory, the search stopped on an error: the disk went away. Please locate "
            "manually/install Armada II.");
  frmChangeA2Dir& d = Open([&](const std::atomic<bool>&) { return t / "Games/Armada II/ARMADA2.exe"; });
  EXPECT_EQ(d.windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(TxtDir(), kSearching);
  EXPECT_FALSE(cmdApply()->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return TxtDir() == gameDir; })) << TxtDir();
  EXPECT_TRUE(cmdApply()->isEnabled()) << "the result text is a change of the text box";
  EXPECT_TRUE(host.calls.empty()) << "proposed, not taken";
  ExpectInView();
  // Renamed on disk and back while the dialog is open: the tree follows, the proposal stays.
  auto shows = [&](const char* name) {
    const QModelIndex first = Model()->index(0, 0, Model()->index(QString::fromStdString(Text(t / "Games"))));
    return !Model()->match(first, Qt::DisplayRole, QString::fromUtf8(name), 1, Qt::MatchExactly).isEmpty();
  };
  for (const auto& names : {std::pair{"Armada II", "B2"}, std::pair{"B2", "Armada II"}}) {
    fs::rename(t / "Games" / names.first, t / "Games" / names.second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(names.second) && !shows(names.first); }));
    test::HandlePendingEvents();  // the tree sorts the folder it has found
    EXPECT_EQ(TxtDir(), gameDir);
  }
  // Without a GameDir neither the close box nor OK refused closes it (nor could it reopen); Cancel and Escape end
  // the program (the host tells the player why).
  d.close();
  dialogs.Expect(NoFolder(Text(t / "Games/Gone")));
  Type(Text(t / "Games/Gone"), "cmdOK");
  dialogs.Expect(NoGameQuestion(emptyDir, flow::Answer::No));
  Type(emptyDir, "cmdOK");
  EXPECT_TRUE(d.isVisible());
  Click("cmdCancel");
  EXPECT_EQ(host.calls, Calls{"quit"});
  test::Activate(&d);
  test::PressKey(Qt::Key_Escape);
  EXPECT_EQ(host.calls, (Calls{"quit", "quit"}));
  Type(gameDir, "cmdOK");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(host.calls, (Calls{"quit", "quit", "set " + gameDir, "closed"}));
}

TEST_F(ChangeA2Dir, ASearchYieldsToTheUserAndStopsWhenTheDialogClosesOrGoes) {
  BlockingSearch late{.result = t / "Games/Armada II/Armada2.exe"}, running{.result = late.result}, last;
  Open(std::ref(late));
  ASSERT_TRUE(QTest::qWaitFor([&] { return late.started.load(); }));
  Type(copyDir);
  late.release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->IsSearching(); }));
  EXPECT_FALSE(late.sawStop);
  EXPECT_EQ(TxtDir(), copyDir) << "a proposal arriving after the user took over is dropped";
  // A search still running when the dialog goes is stopped.
  Open(std::ref(last));
  ASSERT_TRUE(QTest::qWaitFor([&] { return last.started.load(); }));
  dialog.reset();
  EXPECT_TRUE(last.sawStop);
  test::HandlePendingEvents();  // a result posted to the destroyed dialog must not arrive
  // And so is one running when the dialog closes.
  Open(std::ref(running));
  ASSERT_TRUE(QTest::qWaitFor([&] { return running.started.load(); }));
  EXPECT_TRUE(dialog->IsSearching());
  Type(copyDir, "cmdApply");
  dialog->close();
  EXPECT_TRUE(running.sawStop) << "the search was stopped and joined before close returned";
  EXPECT_FALSE(dialog->IsSearching());
  test::HandlePendingEvents();  // what the joined search posted, if anything
  EXPECT_EQ(TxtDir(), copyDir) << "a stopped search delivers nothing";
}
