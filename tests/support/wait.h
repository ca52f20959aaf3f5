#pragma once
// Waiting in a test without Qt's event loop: on the condition awaited, with a deadline, never for a set time.
// (Window tests wait with QTest::qWaitFor, which keeps the events flowing.)
#include <chrono>
#include <thread>

namespace drydock::test {

// Looks at `done` every millisecond until it holds or `deadline` has passed; true when it held.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace drydock::test
