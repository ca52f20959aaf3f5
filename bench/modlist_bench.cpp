// Building the mod list, the auto refresh's idle tick and resolving
// case-variant paths, against a bare readdir of the same folders in the same
// run. Exits with 1 when the watch's list differs from a full listing after a
// change or the idle tick misses its goal.
//
//   build/bench/modlist_bench [MODS] [PATHS]      (defaults 1000 and 10000)
#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "library/mod_library.h"
#include "library/mod_list_watch.h"
#include "platform/native_path.h"
#include "timing.h"

namespace fs = std::filesystem;
using drydock::bench::Best;
using drydock::library::FillModList;
using drydock::library::ModList;
using drydock::library::ModListWatch;

using drydock::bench::BareReaddir;
using drydock::bench::Name;

namespace {

// An idle tick should cost at most this share of a bare listing of the same folders.
constexpr double kIdleTickGoal = 0.3;

}  // namespace

int main(int argc, char** argv) {
  const int mods = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int paths = argc > 2 ? std::atoi(argv[2]) : 10000;
  const fs::path root = fs::temp_directory_path() / ("drydock-bench-" + std::to_string(std::random_device{}()));
  const fs::path modsDir = root / "mods";
  for (int i = 0; i < mods; ++i) {
    for (const char* addon : {"Alpha Addon", "Beta Addon", "Gamma Addon"}) {
      fs::create_directories(modsDir / Name(i) / "Addon" / addon / "odf" / "ships");
    }
  }
  const auto made = std::chrono::steady_clock::now();

  size_t entries = 0;
  const double bare = Best(5, [&] {
    entries = BareReaddir(modsDir);
    for (int i = 0; i < mods; ++i) entries += BareReaddir(modsDir / Name(i) / "Addon");
  });
  size_t listed = 0;
  const double build = Best(5, [&] { listed = FillModList(modsDir).size(); });
  std::printf("mod list of %d mods with 3 addons each: %zu entries\n", mods, listed);
  std::printf("  FillModList            %8.2f ms\n", build * 1e3);
  std::printf("  bare readdir, same dirs %7.2f ms  (%zu names)\n", bare * 1e3, entries);
  std::printf("  ratio                  %8.2f\n", build / bare);

  // A real mods folder is older than the watch's two-second window, within
  // which a folder is listed on every tick.
  std::this_thread::sleep_until(made + drydock::library::kCoarseTimeWindow + std::chrono::milliseconds(100));
  ModList shown = FillModList(modsDir);
  ModListWatch watch;
  (void)watch.Changed(root, shown);  // the first look lists every folder
  bool changed = true;
  const double tick = Best(20, [&] { changed = watch.Changed(root, shown); });
  std::printf("auto-refresh tick, nothing changed (%s)\n", changed ? "CHANGED?" : "no change");
  std::printf("  tick                   %8.2f ms\n", tick * 1e3);
  std::printf("  ratio to bare readdir  %8.2f  (goal: at most %.1f)\n", tick / bare, kIdleTickGoal);
  bool ok = !changed && tick / bare <= kIdleTickGoal;

  // Paths as a mod would name them, with letters in the wrong case.
  std::mt19937 rng(7);
  std::vector<std::string> variants;
  for (int k = 0; k < paths; ++k) {
    std::string p = Name(static_cast<int>(rng() % mods)) + "\\addon\\" +
                    std::vector<std::string>{"ALPHA addon", "beta ADDON", "Gamma Addon"}[rng() % 3] + "\\ODF\\Ships\\";
    for (char& c : p) {
      if (std::isalpha(static_cast<unsigned char>(c)) && rng() % 2) c = static_cast<char>(c ^ 0x20);
    }
    variants.push_back(p);
  }
  size_t found = 0;
  const double resolveNoCache = Best(3, [&] {
    found = 0;
    for (const auto& p : variants) found += fs::exists(drydock::platform::NativePath(modsDir, p));
  });
  const double resolveCached = Best(3, [&] {
    drydock::platform::DirCache cache;
    for (const auto& p : variants) drydock::platform::NativePath(modsDir, p, &cache);
  });
  // The folders one resolution passes through: the mods folder, the mod, its
  // Addon folder, the addon and its odf folder.
  const fs::path through = modsDir / Name(0) / "Addon" / "Alpha Addon";
  const double bareResolve = Best(3, [&] {
    for (size_t k = 0; k < variants.size(); ++k) {
      BareReaddir(modsDir);
      BareReaddir(modsDir / Name(0));
      BareReaddir(modsDir / Name(0) / "Addon");
      BareReaddir(through);
      BareReaddir(through / "odf");
    }
  });
  std::printf("resolving %d case-variant paths (%zu found)\n", paths, found);
  std::printf("  per path, no cache     %8.2f us\n", resolveNoCache / paths * 1e6);
  std::printf("  per path, one cache    %8.2f us\n", resolveCached / paths * 1e6);
  std::printf("  bare readdir of the 5 folders on its way %6.2f us\n", bareResolve / paths * 1e6);

  // Last, as they change the tree: changes between ticks; after each the window refreshes, and the next
  // tick must find nothing.
  const fs::path first = modsDir / Name(0);
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"mod added", [&] { fs::create_directories(modsDir / "New Mod/Addon/New Addon"); }},
      {"addon renamed", [&] { fs::rename(first / "Addon/Beta Addon", first / "Addon/Delta Addon"); }},
      {"addon folder removed", [&] { fs::remove_all(modsDir / Name(1) / "Addon"); }},
      {"mod folder renamed to another case", [&] { fs::rename(modsDir / Name(2), modsDir / "MOD_0002"); }},
  };
  std::printf("changes between ticks\n");
  for (const auto& [what, change] : changes) {
    change();
    const auto start = std::chrono::steady_clock::now();
    const bool seen = watch.Changed(root, shown);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    shown = FillModList(modsDir);
    const bool same = watch.List() == shown;
    const bool quietAfter = !watch.Changed(root, shown);
    std::printf("  %-36s %s, %s, then %s  (tick %.2f ms)\n", what, seen ? "changed" : "MISSED",
                same ? "list equals a full listing" : "LIST DIFFERS from a full listing",
                quietAfter ? "quiet" : "CHANGED AGAIN", ms);
    ok = ok && seen && same && quietAfter;
  }
  std::printf("%s\n", ok ? "all checks passed" : "CHECK FAILED");

  std::error_code ec;
  fs::remove_all(root, ec);
  return ok ? 0 : 1;
}
