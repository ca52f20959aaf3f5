// The compatibility check of two large mods against the time of listing both
// mods' files in the same run: the check should cost little beyond the
// listing it needs. Exits with 1 when the check finds the wrong conflicts.
//
//   build/bench/compat_bench [FILES] [SHARED]      (defaults 20000 and 5000)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "compat/compat_check.h"
#include "library/mod_files.h"
#include "timing.h"

namespace fs = std::filesystem;
using drydock::bench::Best;

namespace {

// Folders of the game's table, in letter cases a mod might use.
constexpr const char* kFolders[] = {"odf/ships/", "Textures/RGB/", "sounds/effects/", "sprites/", "bitmaps/main/"};

// `files` files spread over the folders; the first `shared` are the paths both mods hold.
void MakeMod(const fs::path& mod, int files, int shared, const std::string& own, bool upper) {
  for (const char* folder : kFolders) fs::create_directories(mod / folder);
  for (int i = 0; i < files; ++i) {
    std::string name = (i < shared ? "shared" : own) + std::to_string(i) + ".odf";
    if (upper) {
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::ofstream(mod / kFolders[i % std::size(kFolders)] / name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int shared = argc > 2 ? std::atoi(argv[2]) : 5000;
  const fs::path root = fs::temp_directory_path() / ("drydock-compat-bench-" + std::to_string(std::random_device{}()));
  MakeMod(root / "A", files, shared, "a", false);
  MakeMod(root / "B", files, shared, "b", true);  // the shared paths in another letter case

  (void)drydock::compat::Check(root / "A", root / "B");  // warms the folder caches for both timings
  size_t listed = 0;
  const double listing = Best(5, [&] {
    listed = drydock::library::ListModFiles(root / "A").size() + drydock::library::ListModFiles(root / "B").size();
  });
  drydock::compat::CheckResult result;
  const double check = Best(5, [&] { result = drydock::compat::Check(root / "A", root / "B"); });
  const bool ok = !result.error && result.conflicts.size() == static_cast<size_t>(shared);

  std::printf("compatibility check of two mods of %d files each, %d paths shared: %zu conflicts%s\n", files, shared,
              result.conflicts.size(), ok ? "" : "  WRONG");
  std::printf("  check (listing and comparing) %8.2f ms\n", check * 1e3);
  std::printf("  listing both mods             %8.2f ms  (%zu files)\n", listing * 1e3, listed);
  std::printf("  ratio                         %8.2f\n", check / listing);

  std::error_code ec;
  fs::remove_all(root, ec);
  return ok ? 0 : 1;
}
