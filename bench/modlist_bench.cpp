// Building the mod list and resolving case-variant paths, against a bare
// readdir of the same folders in the same run.
//
//   build/bench/modlist_bench [MODS] [PATHS]      (defaults 1000 and 10000)
#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "library/mod_library.h"
#include "platform/native_path.h"
#include "timing.h"

namespace fs = std::filesystem;
using drydock::bench::Best;

namespace {

size_t BareReaddir(const fs::path& dir) {
  size_t n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

std::string Name(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Mod_%04d", i);
  return buf;
}

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

  size_t entries = 0;
  const double bare = Best(5, [&] {
    entries = BareReaddir(modsDir);
    for (int i = 0; i < mods; ++i) entries += BareReaddir(modsDir / Name(i) / "Addon");
  });
  size_t listed = 0;
  const double build = Best(5, [&] { listed = drydock::library::FillModList(modsDir).size(); });
  std::printf("mod list of %d mods with 3 addons each: %zu entries\n", mods, listed);
  std::printf("  FillModList            %8.2f ms\n", build * 1e3);
  std::printf("  bare readdir, same dirs %7.2f ms  (%zu names)\n", bare * 1e3, entries);
  std::printf("  ratio                  %8.2f\n", build / bare);

  // One auto-refresh tick when nothing changed: the window's own check.
  const drydock::library::ModList shown = drydock::library::FillModList(modsDir);
  bool changed = true;
  const double tick = Best(5, [&] { changed = drydock::library::ModListChanged(root, shown); });
  std::printf("auto-refresh tick, nothing changed (%s)\n", changed ? "CHANGED?" : "no change");
  std::printf("  tick                   %8.2f ms\n", tick * 1e3);
  std::printf("  ratio to bare readdir  %8.2f  (goal: at most 2)\n", tick / bare);

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

  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
