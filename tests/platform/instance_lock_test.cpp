// One running copy per program directory; a crashed copy does not block.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <optional>

#include "platform/instance_lock.h"
#include "support/temp_tree.h"

using drydock::platform::InstanceLock;
using drydock::test::TempTree;

TEST(InstanceLock, SecondCopyForTheSameFolderIsRefusedUntilTheFirstEnds) {
  TempTree t;
  std::optional<InstanceLock> first(std::in_place, t / "prog");
  ASSERT_TRUE(first->TryLock());
  EXPECT_FALSE(InstanceLock(t / "prog").TryLock());
  EXPECT_TRUE(InstanceLock(t / "other-prog").TryLock());
  first.reset();
  EXPECT_TRUE(InstanceLock(t / "prog").TryLock());
}

TEST(InstanceLock, StaleLockOfAKilledProcessDoesNotBlock) {
#ifdef _WIN32
  GTEST_SKIP() << "needs fork; Windows closes a dead process's handles itself, and the lock is such a handle";
#else
  TempTree t;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock lock(t / "prog");
    _exit(lock.TryLock() ? 0 : 3);  // ends without releasing the lock, like a crash
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
  InstanceLock next(t / "prog");
  ASSERT_TRUE(std::filesystem::exists(next.LockFilePath()));  // the dead process's lock is still there
  EXPECT_TRUE(next.TryLock());
#endif
}
