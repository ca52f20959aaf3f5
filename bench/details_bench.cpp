// The details panel of a large mod: 10,000 files in 80 folders, against a
// bare recursive readdir + stat of the same tree in the same run.
//
//   build/bench/details_bench [FILES] [FOLDERS]
#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "library/game_folders.h"
#include "modinfo/details_panel.h"
#include "modinfo/mod_info.h"
#include "platform/native_path.h"
#include "timing.h"

namespace fs = std::filesystem;
using drydock::bench::Best;

namespace {

std::uint64_t BareWalk(const fs::path& dir) {
  std::uint64_t bytes = 0;
  DIR* d = opendir(dir.c_str());
  if (!d) return 0;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const fs::path p = dir / name;
    if (lstat(p.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      bytes += BareWalk(p);
    else if (S_ISREG(st.st_mode))
      bytes += static_cast<std::uint64_t>(st.st_size);
  }
  closedir(d);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int folders = argc > 2 ? std::atoi(argv[2]) : 80;
  const fs::path mod = fs::temp_directory_path() / ("drydock-details-" + std::to_string(std::random_device{}()));
  // The first 78 folders of the game table, then made-up ones, all below the mod.
  std::vector<fs::path> dirs;
  for (int i = 0; i < folders; ++i) {
    const std::string rel =
        i < 78 ? std::string(drydock::library::GameFolder(i + 1)) : "extra" + std::to_string(i) + "\\";
    dirs.push_back(drydock::platform::NativePath(mod, rel));
    fs::create_directories(dirs.back());
  }
  for (int k = 0; k < files; ++k) {
    std::ofstream(dirs[static_cast<size_t>(k % folders)] / ("file" + std::to_string(k) + ".odf")) << "unitName = x\n";
  }
  std::ofstream(mod / "ModInfo.txt") << "Author: Bench\r\nVersion: 1\r\n";

  drydock::modinfo::ModDetails details;
  const double show = Best(5, [&] {
    details = drydock::modinfo::ReadModDetails(mod);
    (void)drydock::modinfo::MakeDetailsView(details, '.');
  });
  std::uint64_t bytes = 0;
  const double bare = Best(5, [&] { bytes = BareWalk(mod); });
  std::printf("details of a mod with %d files in %d folders: %ld counted, %llu bytes\n", files, folders,
              details.fileCount, static_cast<unsigned long long>(details.sizeBytes));
  std::printf("  ShowModDetails work    %8.2f ms\n", show * 1e3);
  std::printf("  bare readdir+lstat walk %7.2f ms  (%llu bytes)\n", bare * 1e3, static_cast<unsigned long long>(bytes));
  std::printf("  ratio                  %8.2f\n", show / bare);
  std::error_code ec;
  fs::remove_all(mod, ec);
  return 0;
}
