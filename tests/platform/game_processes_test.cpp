// Finding a running game: stand-ins for Armada2.exe, run natively and as Wine runs a Windows program.
#include "platform/game_processes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/environment.h"
#include "platform/process.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"
#include "support/wait.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>

#include "support/stand_in_game.h"
#endif

namespace fs = std::filesystem;
using namespace drydock;

namespace {

[[maybe_unused]] bool Finds(const fs::path& gameDir, long pid, fs::path* program = nullptr) {
  for (const platform::GameProcess& p : platform::GameProcesses(gameDir)) {
    if (p.pid != pid) continue;
    if (program) *program = p.program;
    return true;
  }
  return false;
}

#ifdef _WIN32
constexpr char kReporter[] = "report_start.exe";
void EndProcess(long pid) {
  if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid))) {
    ::TerminateProcess(process, 1);
    ::CloseHandle(process);
  }
}
#else
constexpr char kReporter[] = "report_start";
void EndProcess(long pid) { ::kill(static_cast<pid_t>(pid), SIGKILL); }
#endif

}  // namespace

#ifndef _WIN32
TEST(GameProcesses, TheGameIsFoundNativeOrUnderWineInAnyLetterCaseAndNothingElseIs) {
  test::TempTree t;
  const fs::path game = t / "prefix/drive_c/Games/Armada II";
  t.MakeDir("prefix/drive_c/Games/Armada II/sub");
  t.MakeDir("elsewhere");
  t.MakeDir("home");
  t.MakeDir("prefix/dosdevices");
  fs::create_directory_symlink("../drive_c", t / "prefix/dosdevices/c:");  // as wineboot makes it
  fs::create_directories(t / "home/.wine/dosdevices");
  fs::create_directory_symlink(t / "prefix/drive_c", t / "home/.wine/dosdevices/d:");
  for (const char* copy : {"Armada2.exe", "ARMADA2.EXE", "Other.exe", "sub/Armada2.exe"}) {
    fs::copy_file("/bin/sleep", game / copy);
  }
  fs::copy_file("/bin/sleep", t / "elsewhere/Armada2.exe");
  const fs::path wine = t / "wine64-preloader";  // what /proc shows as the program of a game under Wine
  fs::copy_file("/bin/sleep", wine);
  const std::string prefix = "WINEPREFIX=" + (t / "prefix").string();
  const std::string home = "HOME=" + (t / "home").string();
  const struct {
    fs::path program;
    std::string argv0;
    fs::path cwd;
    std::vector<std::string> env;
    fs::path found;  // the program it is found as; empty: not found
  } cases[] = {
      // Run natively from the game folder, under any spelling of the name.
      {game / "Armada2.exe", "Armada2.exe", t.root(), {}, game / "Armada2.exe"},
      {game / "ARMADA2.EXE", "./ARMADA2.EXE", game, {}, game / "ARMADA2.EXE"},
      // Under Wine: the loader runs, the Windows program is its first argument.
      {wine, "C:\\Games\\Armada II\\Armada2.exe", t.root(), {prefix}, game / "Armada2.exe"},
      {wine, "c:\\GAMES\\armada ii\\armada2.EXE", t.root(), {prefix}, game / "ARMADA2.EXE"},  // first listed
      {wine, "D:\\Games\\Armada II\\Armada2.exe", t.root(), {home, "WINEPREFIX="}, game / "Armada2.exe"},
      {wine, (game / "Armada2.exe").string(), t.root(), {}, game / "Armada2.exe"},
      {wine, "Armada2.exe", game, {}, game / "Armada2.exe"},  // a bare name is the working folder's
      // Another program in the game folder, the game elsewhere or below it, another prefix's drive.
      {game / "Other.exe", "Other.exe", game, {}, {}},
      {game / "sub/Armada2.exe", "Armada2.exe", game, {}, {}},  // the working folder does not count natively
      {t / "elsewhere/Armada2.exe", "Armada2.exe", game, {}, {}},
      {wine, "C:\\Elsewhere\\Armada2.exe", game, {prefix}, {}},
      {wine, "D:\\Games\\Armada II\\Armada2.exe", game, {prefix}, {}},
      {wine, "Armada2.exe", t / "elsewhere", {}, {}},
      {wine, "sleep", game, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program.string() + " as " + c.argv0 + " in " + c.cwd.string());
    test::StandInGame running(c.program, c.argv0, c.cwd, c.env);
    ASSERT_TRUE(running.Started());
    fs::path program;
    EXPECT_EQ(Finds(game, running.Pid(), &program), !c.found.empty());
    if (!c.found.empty()) {
      EXPECT_EQ(fs::canonical(program), fs::canonical(c.found));
      EXPECT_NE(platform::DescribeGameProcesses(platform::GameProcesses(game))
                    .find("(process " + std::to_string(running.Pid()) + "): "),
                std::string::npos);
    }
    running.Stop();
    EXPECT_FALSE(Finds(game, running.Pid()));
  }
}
#endif

// On every system (the process snapshot on Windows, under Wine in its test stage): report_start copied into the game
// folder as Armada2.exe and started there is found, the same program elsewhere is not, and once ended it is gone.
TEST(GameProcesses, AGameStartedFromTheGameFolderIsFoundUntilItEnds) {
  test::TempTree t;
  const fs::path reporter = platform::ExecutableDir() / kReporter;
  fs::copy_file(reporter, t.MakeDir("game") / "Armada2.exe");
  fs::copy_file(reporter, t.MakeDir("elsewhere") / "Armada2.exe");
  std::vector<std::unique_ptr<platform::WatchedProgram>> started;
  for (const char* folder : {"game", "elsewhere"}) {
    started.push_back(platform::StartWatched(
        t / folder / "Armada2.exe", {}, t / folder,
        {{"DRYDOCK_REPORT_WAIT", "60"}, {"DRYDOCK_REPORT_FILE", (t / folder / "report.txt").string()}}));
    ASSERT_TRUE(started.back());
  }
  ASSERT_TRUE(
      test::WaitUntil([&] { return fs::exists(t / "game/report.txt") && fs::exists(t / "elsewhere/report.txt"); }));
  const std::vector<platform::GameProcess> found = platform::GameProcesses(t / "game");
  ASSERT_EQ(found.size(), 1u) << platform::DescribeGameProcesses(found);
  EXPECT_TRUE(fs::equivalent(found[0].program, t / "game/Armada2.exe")) << found[0].program;
  EndProcess(found[0].pid);
  EXPECT_TRUE(test::WaitUntil([&] { return platform::GameProcesses(t / "game").empty(); }));
  for (const auto& elsewhere : platform::GameProcesses(t / "elsewhere")) EndProcess(elsewhere.pid);
  EXPECT_TRUE(test::WaitUntil([&] { return started[0]->Ended() && started[1]->Ended(); }));
}

// An empty or idle game folder has no game.
TEST(GameProcesses, AFolderNoGameRunsInHasNone) {
  test::TempTree t;
  t.Write("game/Armada2.exe", "");
  EXPECT_TRUE(platform::GameProcesses(t / "game").empty());
  EXPECT_TRUE(platform::GameProcesses({}).empty());
  EXPECT_TRUE(platform::IsGameProgram(t / "game/armada2.EXE", t / "game/"));
  EXPECT_FALSE(platform::IsGameProgram(t / "game/Armada2.exe.bak", t / "game"));
  EXPECT_FALSE(platform::IsGameProgram(t / "Armada2.exe", t / "game"));
}
