// One writer per game within one process. Across processes and after a crash
// the lock is checked by install_probe_test and install_crash_test.
#include "platform/writer_lock.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::platform::WriterLock;
using namespace drydock::test;
using namespace std::chrono_literals;

namespace {
// Where the lock folder lies below: the per-user cache folder of each system.
#ifdef _WIN32
constexpr char kCacheVariable[] = "LOCALAPPDATA";
constexpr char kLockDir[] = "cache/Drydock/locks";
#else
constexpr char kCacheVariable[] = "XDG_CACHE_HOME";
constexpr char kLockDir[] = "cache/drydock/locks";
#endif

bool IsFree(const fs::path& folder) { return WriterLock::Acquire({folder}, 0ms).has_value(); }

class WriterLockTest : public ::testing::Test {
 protected:
  TempTree t;
  const ScopedEnv cacheHome{kCacheVariable, (t / "cache").string()};
  const fs::path game = t.MakeDir("game");
};

TEST_F(WriterLockTest, SecondWriterWaitsThenFailsWholeUntilTheFirstIsReleased) {
  const auto mods = t.MakeDir("mods");
  // The same folder three ways is one lock, not three that refuse each other.
  auto first = WriterLock::Acquire({game, t / "game/.", game});
  ASSERT_TRUE(first);
  EXPECT_TRUE(fs::exists(WriterLock::LockFileFor(game)));  // the lock folder was made

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WriterLock::Acquire({game}, 200ms));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 200ms);
  EXPECT_LT(waited, 2s);
  // A set overlapping the held lock is refused whole: a free folder whose lock is taken first is let go again.
  auto early = t.MakeDir("e0");
  for (int i = 1; WriterLock::LockFileFor(early) > WriterLock::LockFileFor(game); ++i)
    early = t.MakeDir("e" + std::to_string(i));
  EXPECT_FALSE(WriterLock::Acquire({early, game}, 0ms));
  EXPECT_TRUE(IsFree(early));

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
  EXPECT_FALSE(fs::exists(WriterLock::LockFileFor(game)));
}

TEST_F(WriterLockTest, LockFileIsInTheCacheFolderAndNamedByTheCanonicalPath) {
  const auto lockFile = WriterLock::LockFileFor(game);
  EXPECT_EQ(lockFile.parent_path(), t / kLockDir);
  EXPECT_NE(lockFile, WriterLock::LockFileFor(t.MakeDir("other")));
  EXPECT_NE(lockFile, WriterLock::LockFileFor(t / "game/sub"));
  EXPECT_EQ(lockFile, WriterLock::LockFileFor(t / "game/./"));
  EXPECT_EQ(WriterLock::LockFileFor(t / "not-yet"), WriterLock::LockFileFor(t / "not-yet/"));
  if (drydock::test::LinksCanBeMade()) {
    EXPECT_EQ(lockFile, WriterLock::LockFileFor(t.Link("link", game)));
  }
#ifdef _WIN32
  EXPECT_EQ(lockFile, WriterLock::LockFileFor(t / "GAME"));  // one folder to a file system that ignores case
#endif
}

TEST_F(WriterLockTest, LockThatCannotBeTakenFailsAtOnceWithTheReasonNotAsBusy) {
  t.Write("plain");
  // A file where a folder should be, once above the lock folder and once as the lock file itself.
  for (const bool lockFileIsFolder : {false, true}) {
    SCOPED_TRACE(lockFileIsFolder ? "lock file is a folder" : "lock folder below a file");
    const ScopedEnv brokenCache(kCacheVariable, (t / (lockFileIsFolder ? "cache2" : "plain/cache")).string());
    if (lockFileIsFolder) fs::create_directories(WriterLock::LockFileFor(game));
    std::error_code failure;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WriterLock::Acquire({game}, 2s, &failure));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
#ifdef _WIN32
    EXPECT_TRUE(failure);  // Windows gives these faults other codes (access denied, path not found)
#else
    EXPECT_EQ(failure, lockFileIsFolder ? std::errc::is_a_directory : std::errc::not_a_directory) << failure.message();
#endif
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

}  // namespace
