// The Linux program against real Wine: a prefix made by wineboot, the game's
// key written by Wine's own `reg add`, and a stand-in Armada2.exe built with
// MinGW-w64 that reports the folder and command line it was started with.
#include <gtest/gtest.h>
#include <QTest>

#include <chrono>

#include "cli/cli.h"
#include "desktop/qt_shell.h"
#include "launch/launch_texts.h"
#include "platform/environment.h"
#include "platform/names.h"
#include "selector/frm_selector.h"
#include "support/child_process.h"
#include "support/gui_input.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "support/wait.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::test;
using namespace std::chrono_literals;

namespace {

constexpr char kStandIn[] = DRYDOCK_STANDIN_GAME;
// What the stand-in reports when Wine ran it in the prefix that holds the game,
// in the game's folder, with no argument: the folder as that prefix names it, and
// no DRYDOCK_REPORT_VAR.
constexpr char kStartedInGameFolder[] = "C:\\Games\\Armada II\n(unset)\n";

// Runs a Wine tool in `prefix` and waits for it.
RunResult Wine(const fs::path& prefix, const std::vector<std::string>& args) {
  std::vector<std::string> full{platform::PathToUtf8(*platform::FindProgram(args[0]))};
  full.insert(full.end(), args.begin() + 1, args.end());
  return RunChild(full,
                  {"WINEPREFIX=" + platform::PathToUtf8(prefix), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="});
}

std::string WaitForStart(const fs::path& report) {
  return WaitUntil([&] { return fs::exists(report); }, 60s) ? TempTree::Read(report) : "(the game did not start)";
}

class WineLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::FindProgram("wine") || !platform::FindProgram("wineboot") || !platform::FindProgram("wineserver"))
      GTEST_SKIP() << "needs Wine (Debian: wine, wine64)";
    if (kStandIn[0] == '\0') GTEST_SKIP() << "needs the MinGW-w64 compiler for the stand-in game (g++-mingw-w64)";
    // The prefix is a user's ~/.wine, the game installed in it and named in its registry as its installer does.
    fs::create_directories(prefix);
    for (const std::vector<std::string>& step : {
             std::vector<std::string>{"wineboot", "-i"},
             {"wine", "reg", "add", "HKLM\\Software\\Activision\\Star Trek Armada II\\v1.0", "/v", "INSTALLPATH", "/d",
              "C:\\Games\\Armada II", "/reg:32", "/f"},
             {"wineserver", "-w"},  // the registry is on disk once the server has ended
         }) {
      const RunResult run = Wine(prefix, step);
      ASSERT_EQ(run.code, 0) << step[0] << ": " << run.output;
    }
    fs::create_directories(game);
    fs::copy_file(kStandIn, game / "Armada2.exe");
    t.MakeDir("prog/mods");
    t.MakeDir("elsewhere");
  }
  void TearDown() override {
    if (fs::exists(prefix)) Wine(prefix, {"wineserver", "-k"});
  }
  // Drydock's command line, as a user in the given home and prefix runs it.
  RunResult Drydock(const std::vector<std::string>& args, const std::string& home, const std::string& winePrefix) {
    std::vector<std::string> full{DRYDOCK_EXE, "--program-dir", (t / "prog").string()};
    full.insert(full.end(), args.begin(), args.end());
    std::vector<std::string> env{"HOME=" + home, "WINEDEBUG=-all"};
    if (!winePrefix.empty()) env.push_back("WINEPREFIX=" + winePrefix);
    return RunChild(full, env);
  }

  TempTree t;
  const fs::path prefix = t / "home/.wine";
  const fs::path game = prefix / "drive_c/Games/Armada II";
  const fs::path report = game / "started.txt";
  // The children see only the HOME and WINEPREFIX each case gives.
  const ScopedEnv noPrefix{"WINEPREFIX", std::nullopt};
};

TEST_F(WineLaunch, TheCommandLineFindsTheGameThroughTheRegistryOfEitherPrefixAndStartsItThere) {
  const std::string home = (t / "home").string(), elsewhere = (t / "elsewhere").string();
  // Through $WINEPREFIX, through ~/.wine, and by the folder given (no registry: the prefix holding it).
  const std::vector<std::pair<std::vector<std::string>, std::pair<std::string, std::string>>> cases = {
      {{"launch"}, {elsewhere, prefix.string()}},
      {{"launch"}, {home, ""}},
      {{"--game-dir", game.string(), "launch"}, {elsewhere, ""}},
  };
  for (const auto& [args, where] : cases) {
    fs::remove(report);
    const RunResult run = Drydock(args, where.first, where.second);
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(run.output, "started: " + game.string() + "\n");
    EXPECT_EQ(WaitForStart(report), kStartedInGameFolder) << args.front();
  }
  EXPECT_FALSE(fs::exists(t / "elsewhere/.wine")) << "Wine ran the game in a prefix of its own";
  // Without Wine the user is told why and nothing starts.
  fs::remove(report);
  const ScopedEnv path{"PATH", (t / "elsewhere").string()};
  const RunResult noWine = Drydock({"launch"}, home, "");
  EXPECT_EQ(noWine.code, 1);
  EXPECT_NE(noWine.output.find(launch::texts::kNoWine), std::string::npos) << noWine.output;
  // Nothing was started that could still write the report: the run said so before it ended.
  EXPECT_EQ(noWine.output.find("started: "), std::string::npos) << noWine.output;
  EXPECT_FALSE(fs::exists(report));
}

TEST_F(WineLaunch, TheWindowsLaunchCommandStartsTheGameInItsFolderInThePrefixThatNamedIt) {
  const ScopedEnv home{"HOME", (t / "elsewhere").string()};
  const ScopedEnv winePrefix{"WINEPREFIX", prefix.string()};
  const ScopedEnv quiet{"WINEDEBUG", "-all"};
  cli::CommandLine cl;
  cl.programDir = t / "prog";
  const cli::Folders folders = cli::ResolveFolders(cl);
  ASSERT_EQ(folders.gameDir, game);
  ASSERT_EQ(folders.winePrefix, prefix);

  GuiApp();
  desktop::QtShell shell;
  ScriptedDialogs dialogs;
  selector::frmSelector window(
      selector::SelectorServices{shell, dialogs, [](const std::atomic<bool>&) { return fs::path(); }});
  window.Startup(folders.programDir, folders.gameDir, folders.winePrefix);
  QApplication::processEvents();
  PressKey(Qt::Key_A, Qt::ControlModifier);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));  // the stand-in ends well, or runs past the watch
  EXPECT_EQ(WaitForStart(report), kStartedInGameFolder);
  EXPECT_TRUE(dialogs.Done());
}

}  // namespace
