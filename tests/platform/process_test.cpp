// Starting a program that outlives Drydock, with report_start standing in for the game.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <tuple>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include "platform/environment.h"
#include "platform/names.h"
#include "platform/writer_lock.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"
#include "support/wait.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::test;
using namespace std::chrono_literals;

namespace {

#ifdef _WIN32
constexpr char kReporter[] = "report_start.exe";
#else
constexpr char kReporter[] = "report_start";
#endif

// The report, once it is there (a started program runs on its own time).
std::string WaitForReport(const fs::path& file) {
  return WaitUntil([&] { return fs::exists(file); }, 10s) ? TempTree::Read(file) : "(no report)";
}

class Process : public ::testing::Test {
 protected:
  TempTree t;
  const fs::path reporter = platform::ExecutableDir() / kReporter;
  const fs::path report = t / "report.txt";
  const ScopedEnv reportFile{"DRYDOCK_REPORT_FILE", platform::PathToUtf8(report)};
};

TEST_F(Process, StartsInTheFolderWithEveryArgumentWholeAndTheEnvironmentLaidOverDrydocks) {
  const ScopedEnv own{"DRYDOCK_REPORT_VAR", "Drydock's"};
  const fs::path folder = t.MakeDir("Game Folder \xC3\xA9");
  const std::vector<std::string> arguments{"plain",  "two words", "quote\"d",         "back\\slash\\",
                                           "a\\\"b", "",          "\xC3\xA9t\xC3\xA9"};
  ASSERT_TRUE(platform::StartDetached(reporter, arguments, folder, {{"DRYDOCK_REPORT_VAR", "the game's"}}));
  std::string expected = platform::PathToUtf8(folder) + '\n';
  for (const std::string& argument : arguments) expected += argument + '\n';
  EXPECT_EQ(WaitForReport(report), expected + "the game's\n");
  // Without a variable of its own the program sees Drydock's.
  fs::remove(report);
  ASSERT_TRUE(platform::StartDetached(reporter, {}, folder));
  EXPECT_EQ(WaitForReport(report), platform::PathToUtf8(folder) + "\nDrydock's\n");
}

TEST_F(Process, WhatCannotStartIsReportedAndALockDrydockHoldsIsNotPassedOn) {
  const fs::path notAProgram = t.Write("readme.txt", "text");
  EXPECT_FALSE(platform::StartDetached(t / "missing", {}, t.root()));
  EXPECT_FALSE(platform::StartDetached(reporter, {}, t / "gone"));
  EXPECT_FALSE(platform::StartDetached(notAProgram, {}, t.root()));
  EXPECT_FALSE(fs::exists(report));

  // The program outlives the lock's holder: it must not keep the lock.
  const ScopedEnv wait{"DRYDOCK_REPORT_WAIT", "3"};
  const fs::path game = t.MakeDir("game");
  auto lock = platform::WriterLock::Acquire({game}, 0ms);
  ASSERT_TRUE(lock);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(platform::StartDetached(reporter, {}, t.root()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "Drydock waited for the program";
  WaitForReport(report);
  lock.reset();
  EXPECT_TRUE(platform::WriterLock::Acquire({game}, 0ms)) << "the started program holds Drydock's lock";
}

// How a watched program ends, polled as the window polls it, within a deadline.
std::optional<platform::ProgramEnd> WaitForEnd(platform::WatchedProgram& program) {
  std::optional<platform::ProgramEnd> end;
  WaitUntil([&] { return (end = program.Ended()).has_value(); }, 10s);
  return end;
}

TEST_F(Process, AWatchedProgramTellsHowItEndedAndTheLastOfWhatItWroteWithoutBeingWaitedFor) {
  DRYDOCK_SKIP_ON_WINDOWS("the programs here are shell scripts, and on Windows the standard error is not read");
  const fs::path shell = "/bin/sh";
  // The script, how it ends, and the end of its standard error as shown (at most 45 bytes, whole lines).
  const std::tuple<std::string, platform::ProgramEnd, std::string> cases[] = {
      {"echo 'fixme: noise' >&2; echo 'wine: Bad EXE format' >&2; exit 3",
       {3, 0},
       "fixme: noise\nwine: Bad EXE format"},
      {"echo out; exit 0", {0, 0}, ""},
      {"echo dying >&2; kill -9 $$", {0, 9}, "dying"},
      {"for i in 1 2 3 4 5 6 7 8; do echo \"line number $i\" >&2; done; exit 1",
       {1, 0},
       "line number 6\nline number 7\nline number 8"},
  };
  for (const auto& [script, end, tail] : cases) {
    const std::unique_ptr<platform::WatchedProgram> program = platform::StartWatched(shell, {"-c", script}, t.root());
    ASSERT_TRUE(program) << script;
    const std::optional<platform::ProgramEnd> ended = WaitForEnd(*program);
    ASSERT_TRUE(ended) << script;
    EXPECT_EQ(std::make_pair(ended->exitCode, ended->signal), std::make_pair(end.exitCode, end.signal)) << script;
    EXPECT_EQ(ended->Failed(), end.exitCode != 0 || end.signal != 0);
    EXPECT_EQ(program->ErrorTail(45), tail) << script;
  }
  EXPECT_EQ(platform::DescribeEnd({3, 0}), "exit status 3");
  EXPECT_EQ(platform::DescribeEnd({0, 9}).substr(0, 9), "signal 9 ");

  // One that runs on is not waited for: Drydock looks, and goes on.
  const auto start = std::chrono::steady_clock::now();
  const std::unique_ptr<platform::WatchedProgram> running =
      platform::StartWatched(shell, {"-c", "while [ ! -e stop ]; do sleep 0.05; done; echo stopped >&2"}, t.root());
  ASSERT_TRUE(running);
  EXPECT_FALSE(running->Ended());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "Drydock waited for the program";
  t.Write("stop");
  const std::optional<platform::ProgramEnd> stopped = WaitForEnd(*running);
  ASSERT_TRUE(stopped);
  EXPECT_FALSE(stopped->Failed());
  EXPECT_EQ(running->ErrorTail(100), "stopped");

  // What cannot start gives nothing to watch.
  EXPECT_FALSE(platform::StartWatched(t / "missing", {}, t.root()));
  EXPECT_FALSE(platform::StartWatched(t.Write("readme.txt", "text"), {}, t.root()));
  EXPECT_FALSE(platform::StartWatched(shell, {"-c", "exit 0"}, t / "gone"));
}

}  // namespace

#ifndef _WIN32
// Every test program runs in a home of its own (support/test_home.cpp), and so does every program it starts: no
// test reaches the user's trash, cache, settings or Wine prefix.
TEST(TestHome, HomeAndTheXdgFoldersLieInAFreshTemporaryFolderAndStartedProgramsInheritThem) {
  const std::optional<std::string> home = platform::GetEnv("HOME");
  ASSERT_TRUE(home);
  const fs::path root = platform::PathFromUtf8(*home);
  EXPECT_EQ(root.parent_path(), fs::temp_directory_path());
  EXPECT_TRUE(platform::PathToUtf8(root.filename()).starts_with("drydock-test-home-")) << *home;
  EXPECT_TRUE(fs::is_directory(root));
  if (const passwd* user = ::getpwuid(::getuid())) {
    EXPECT_NE(root, fs::path(user->pw_dir));
  }
  EXPECT_EQ(platform::HomeDir(), root);
  std::string seen = *home + '\n';
  for (const auto& [name, folder] :
       {std::pair{"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"}, {"XDG_CONFIG_HOME", "config"}}) {
    EXPECT_EQ(platform::GetEnv(name), platform::PathToUtf8(root / folder)) << name;
    seen += platform::PathToUtf8(root / folder) + '\n';
  }
  EXPECT_FALSE(platform::GetEnv("WINEPREFIX")) << "the user's Wine prefix is not the test's";
  const RunResult child =
      RunChild({"/bin/sh", "-c",
                "printf '%s\\n' \"$HOME\" \"$XDG_DATA_HOME\" \"$XDG_CACHE_HOME\" \"$XDG_CONFIG_HOME\" "
                "\"${WINEPREFIX-(unset)}\""});
  EXPECT_EQ(child.code, 0);
  EXPECT_EQ(child.output, seen + "(unset)\n");
}
#endif
