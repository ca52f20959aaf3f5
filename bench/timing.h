#pragma once
// Timing helpers shared by the benchmarks.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

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

// A bare listing of one folder (the names only, no stat), the baseline the
// mod list's refreshes are measured against: how many entries it read.
inline std::size_t BareReaddir(const std::filesystem::path& dir) {
  std::size_t n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// The generated libraries' mod names: Mod_0000, Mod_0001, ...
inline std::string Name(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Mod_%04d", i);
  return buf;
}

}  // namespace drydock::bench
