#pragma once
// The writer lock a test takes before it calls an engine that wants one. Without it the test cannot go on, so a
// lock not had fails the test, saying why, and ends it (GoogleTest reports the exception).
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/writer_lock.h"

namespace drydock::test {

inline platform::WriterLock HeldLock(const std::vector<std::filesystem::path>& folders) {
  std::error_code failure;
  std::filesystem::path busy;
  auto lock = platform::WriterLock::Acquire(folders, platform::WriterLock::kDefaultWait, &failure, &busy);
  if (!lock) {
    ADD_FAILURE() << "no writer lock: "
                  << (busy.empty() ? failure.message() : "another run holds the lock of " + busy.string());
    throw std::runtime_error("the test could not take the writer lock");
  }
  return std::move(*lock);
}

}  // namespace drydock::test
