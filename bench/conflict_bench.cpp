// The conflict index of a large library against a bare listing of the same
// mods' files in the same run: the index should cost at most twice the listing
// it needs, and under a second. Exits with 1 when the index finds the wrong
// conflicts or misses a goal. The index lists the mods on up to four threads;
// the bare listing is one thread's.
//
//   build/bench/conflict_bench [MODS] [FILES] [FOLDER]   (defaults 500, 2000 and a new temporary folder)
//
// A FOLDER given is kept, and used again when it already holds MODS mods: for profiling the index alone.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "compat/conflict_index.h"
#include "library/mod_files.h"
#include "library/mod_library.h"
#include "timing.h"

namespace fs = std::filesystem;
using drydock::bench::Best;

namespace {

constexpr const char* kFolders[] = {"odf/", "textures/rgb/", "sounds/", "sprites/", "bitmaps/"};
constexpr int kSharedPool = 200;   // the paths that several mods hold
constexpr int kSharedPerMod = 60;  // 3 percent of 2,000 files

// A mod's own files are empty (no blocks on the disk); of its shared paths, the even ones hold the same bytes
// in every mod, the odd ones bytes of this mod, of the same size.
void MakeMod(const fs::path& mod, int number, int files) {
  for (const char* folder : kFolders) fs::create_directories(mod / folder);
  for (int i = 0; i < files; ++i) {
    const fs::path folder = mod / kFolders[i % std::size(kFolders)];
    if (i >= kSharedPerMod) {
      std::ofstream(folder / ("m" + std::to_string(number) + "_" + std::to_string(i) + ".odf"));
      continue;
    }
    const int shared = (number * 7 + i) % kSharedPool;
    char bytes[16];
    std::snprintf(bytes, sizeof bytes, "%08d", shared % 2 == 0 ? shared : number);
    std::ofstream(mod / kFolders[shared % std::size(kFolders)] / ("shared" + std::to_string(shared) + ".odf")) << bytes;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int mods = argc > 1 ? std::atoi(argv[1]) : 500;
  const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
  const bool keep = argc > 3;
  const fs::path root =
      keep ? fs::path(argv[3])
           : fs::temp_directory_path() / ("drydock-conflict-bench-" + std::to_string(std::random_device{}()));
  const fs::path modsDir = root / "mods";
  if (!keep || !fs::exists(modsDir / ("Mod" + std::to_string(mods - 1)))) {
    for (int m = 0; m < mods; ++m) MakeMod(modsDir / ("Mod" + std::to_string(m)), m, files);
  }

  const drydock::library::ModList list = drydock::library::FillModList(modsDir);
  (void)drydock::compat::BuildConflictIndex(modsDir, list, std::nullopt);  // warms the folder caches
  size_t listed = 0;
  const double listing = Best(3, [&] {
    listed = 0;
    for (int i = 0; i < static_cast<int>(list.size()); ++i)
      listed += drydock::library::ListModFiles(drydock::library::EntryFolder(modsDir, list, i)).size();
  });
  std::optional<drydock::compat::ConflictIndex> index;
  const double build = Best(3, [&] { index = drydock::compat::BuildConflictIndex(modsDir, list, std::nullopt); });

  // Every odd shared path that two or more mods hold is a conflict; the even ones hold the same bytes everywhere.
  size_t sharing = 0;
  for (int m = 0; m < static_cast<int>(index->mods.size()); ++m)
    sharing += drydock::compat::ConflictsOf(*index, m, false).files > 0 ? 1 : 0;
  const bool right = index->sharedPaths.size() == static_cast<size_t>(kSharedPool / 2) &&
                     sharing == static_cast<size_t>(mods) && listed == static_cast<size_t>(mods) * files;
  const double ratio = build / listing;
  const bool fast = ratio <= 2.0 && build < 1.0;

  std::printf("conflict index of %d mods of %d files each (%zu files): %zu paths in conflict, %zu mods sharing%s\n",
              mods, files, listed, index->sharedPaths.size(), sharing, right ? "" : "  WRONG");
  std::printf("  index build                   %8.2f ms   goal under 1000 ms (lists on %u threads)\n", build * 1e3,
              drydock::compat::ConflictIndexThreads());
  std::printf("  bare listing of the same mods %8.2f ms\n", listing * 1e3);
  std::printf("  ratio                         %8.2f      goal at most 2.00%s\n", ratio, fast ? "" : "  MISSED");

  std::error_code ec;
  if (!keep) fs::remove_all(root, ec);
  return right && fast ? 0 : 1;
}
