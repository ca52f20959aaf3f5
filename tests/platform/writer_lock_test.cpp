// One writer per game within one process. Across processes and after a crash
// the lock is checked by install_probe_test and install_crash_test.
#include <gtest/gtest.h>

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

// Points XDG_CACHE_HOME, and so the lock folder, below `folder` while it lives.
struct CacheHomeAt {
  explicit CacheHomeAt(const std::filesystem::path& folder) { setenv("XDG_CACHE_HOME", folder.c_str(), 1); }
  ~CacheHomeAt() { saved ? setenv("XDG_CACHE_HOME", saved->c_str(), 1) : unsetenv("XDG_CACHE_HOME"); }
  const std::optional<std::string> saved =
      std::getenv("XDG_CACHE_HOME") ? std::optional<std::string>(std::getenv("XDG_CACHE_HOME")) : std::nullopt;
};
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

  const CacheHomeAt cacheHome(t / "cache");
  EXPECT_EQ(WriterLock::LockFileFor(game).parent_path(), t / "cache/drydock/locks");
  EXPECT_TRUE(WriterLock::Acquire({game}));
  EXPECT_TRUE(std::filesystem::is_directory(t / "cache/drydock/locks"));
}

TEST(WriterLock, LockThatCannotBeTakenFailsAtOnceWithTheReasonNotAsBusy) {
  TempTree t;
  const auto game = t.MakeDir("game");
  t.Write("plain");
  // A file where a folder should be, once above the lock folder and once as the lock file itself.
  for (const bool lockFileIsFolder : {false, true}) {
    SCOPED_TRACE(lockFileIsFolder ? "lock file is a folder" : "lock folder below a file");
    const CacheHomeAt cacheHome(t / (lockFileIsFolder ? "cache" : "plain/cache"));
    if (lockFileIsFolder) std::filesystem::create_directories(WriterLock::LockFileFor(game));
    std::error_code failure;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WriterLock::Acquire({game}, 2s, &failure));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(failure, lockFileIsFolder ? std::errc::is_a_directory : std::errc::not_a_directory) << failure.message();
  }
  // A lock taken, or kept by another holder, leaves no stale reason behind.
  std::error_code failure = std::make_error_code(std::errc::io_error);
  const auto held = WriterLock::Acquire({game}, 0ms, &failure);
  EXPECT_TRUE(held);
  EXPECT_FALSE(failure) << failure.message();
  failure = std::make_error_code(std::errc::io_error);
  EXPECT_FALSE(WriterLock::Acquire({game}, 0ms, &failure));
  EXPECT_FALSE(failure) << failure.message();
}
