// One writer per game, within one process, across processes and after a crash.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/writer_lock.h"
#include "support/temp_tree.h"

using drydock::platform::WriterLock;
using drydock::test::TempTree;
using namespace std::chrono_literals;

namespace {
bool IsFree(const std::filesystem::path& folder) { return WriterLock::Acquire({folder}, 0ms).has_value(); }
}  // namespace

TEST(WriterLock, SecondWriterWaitsThenFailsUntilTheFirstIsReleased) {
  TempTree t;
  const auto game = t.MakeDir("game");
  const auto mods = t.MakeDir("mods");
  // The same folder three ways is one lock, not three that refuse each other.
  auto first = WriterLock::Acquire({game, t / "game/.", game});
  ASSERT_TRUE(first);
  EXPECT_TRUE(std::filesystem::exists(WriterLock::LockFileFor(game)));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WriterLock::Acquire({game}, 200ms));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 200ms);
  EXPECT_LT(waited, 2s);

  // Moving hands the lock on; destroying the moved-from object must not free it.
  std::optional<WriterLock> moved(std::move(*first));
  first.reset();
  EXPECT_FALSE(IsFree(game));
  auto other = WriterLock::Acquire({mods});
  ASSERT_TRUE(other);
  *other = std::move(*moved);  // lets go of mods, takes over game
  moved.reset();
  EXPECT_TRUE(IsFree(mods));
  EXPECT_FALSE(IsFree(game));
  other.reset();
  EXPECT_TRUE(IsFree(game));
  EXPECT_FALSE(std::filesystem::exists(WriterLock::LockFileFor(game)));
}

TEST(WriterLock, OverlappingSetIsRefusedWholeAndKeepsNothing) {
  TempTree t;
  const auto a = t.MakeDir("a");
  const auto b = t.MakeDir("b");
  auto held = WriterLock::Acquire({a, b});
  ASSERT_TRUE(held);
  // Pick a free folder whose lock comes before b's, so it is taken before b is found busy.
  auto c = t.MakeDir("c0");
  for (int i = 1; WriterLock::LockFileFor(c) > WriterLock::LockFileFor(b); ++i) c = t.MakeDir("c" + std::to_string(i));
  EXPECT_FALSE(WriterLock::Acquire({c, b}, 0ms));
  EXPECT_TRUE(IsFree(c));
  EXPECT_FALSE(IsFree(a));
}

TEST(WriterLock, LockOfAnotherProcessBlocksUntilItIsKilled) {
  TempTree t;
  const auto game = t.MakeDir("game");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto lock = WriterLock::Acquire({game}, 0ms);
    const char taken = lock ? 'y' : 'n';
    if (write(ready[1], &taken, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char taken = 0;
  const bool reported = read(ready[0], &taken, 1) == 1;
  close(ready[0]);
  const bool blocked = !WriterLock::Acquire({game}, 100ms);
  kill(child, SIGKILL);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  ASSERT_TRUE(reported && taken == 'y');
  EXPECT_TRUE(blocked);
  EXPECT_TRUE(IsFree(game));  // the kernel dropped the dead holder's lock; no stale file blocks
}

TEST(WriterLock, LockFileIsOutsideTheFolderAndNamedByItsCanonicalPath) {
  TempTree t;
  const auto game = t.MakeDir("game");
  const auto lockFile = WriterLock::LockFileFor(game);
  EXPECT_EQ(*lockFile.lexically_relative(game).begin(), "..") << lockFile;
  EXPECT_NE(lockFile, WriterLock::LockFileFor(t.MakeDir("other")));
  EXPECT_NE(lockFile, WriterLock::LockFileFor(t / "game/sub"));
  EXPECT_EQ(lockFile, WriterLock::LockFileFor(t / "game/./"));
  EXPECT_EQ(WriterLock::LockFileFor(t / "not-yet"), WriterLock::LockFileFor(t / "not-yet/"));
  EXPECT_EQ(lockFile, WriterLock::LockFileFor(t.Link("link", game)));

  std::optional<std::string> saved;
  if (const char* value = std::getenv("XDG_CACHE_HOME")) saved = value;
  setenv("XDG_CACHE_HOME", (t / "cache").c_str(), 1);
  const auto cached = WriterLock::LockFileFor(game);
  const bool taken = WriterLock::Acquire({game}).has_value();
  const bool created = std::filesystem::is_directory(t / "cache/drydock/locks");
  saved ? setenv("XDG_CACHE_HOME", saved->c_str(), 1) : unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(cached.parent_path(), t / "cache/drydock/locks");
  EXPECT_TRUE(taken);
  EXPECT_TRUE(created);
}
