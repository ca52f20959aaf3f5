// Starting a program that outlives Drydock, with report_start standing in for the game.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/environment.h"
#include "platform/names.h"
#include "platform/writer_lock.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

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
  for (int i = 0; i < 200 && !fs::exists(file); ++i) std::this_thread::sleep_for(50ms);
  return fs::exists(file) ? TempTree::Read(file) : "(no report)";
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

}  // namespace
