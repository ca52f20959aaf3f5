// One running copy per program directory; a crashed copy does not block.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/instance_lock.h"
#include "support/temp_tree.h"

using drydock::platform::InstanceLock;
using drydock::test::TempTree;

TEST(InstanceLock, SecondCopyForTheSameFolderIsRefused) {
  TempTree t;
  InstanceLock first(t / "prog");
  ASSERT_TRUE(first.TryLock());
  InstanceLock second(t / "prog");
  EXPECT_FALSE(second.TryLock());
  InstanceLock other(t / "other-prog");
  EXPECT_TRUE(other.TryLock());
}

TEST(InstanceLock, LockIsFreedWhenTheHolderEnds) {
  TempTree t;
  {
    InstanceLock first(t / "prog");
    ASSERT_TRUE(first.TryLock());
  }
  InstanceLock again(t / "prog");
  EXPECT_TRUE(again.TryLock());
}

TEST(InstanceLock, StaleLockOfAKilledProcessDoesNotBlock) {
  TempTree t;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock lock(t / "prog");
    if (!lock.TryLock()) _exit(3);
    _exit(0);  // ends without releasing the lock, like a crash
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  InstanceLock next(t / "prog");
  ASSERT_TRUE(std::filesystem::exists(next.LockFilePath()));  // the dead process's lock is still there
  EXPECT_TRUE(next.TryLock());
}
