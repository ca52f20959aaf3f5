#pragma once
// Timing helpers shared by the benchmarks.
#include <algorithm>
#include <chrono>

namespace drydock::bench {

// The best of `rounds` runs of `f`, in seconds: the least disturbed run.
template <typename F>
double Best(int rounds, F&& f) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace drydock::bench
