// Lays out a game folder and a large mod for bench/install_bench.sh.
//
//   build/bench/make_install_fixture ROOT [FILES] [MEGABYTES]   (defaults 5000 and 300)
//
// ROOT/prog/mods/Big holds FILES files of MEGABYTES in total, spread over the
// game folder table's folders (the root included), sizes varying around the
// mean. ROOT/game holds every second of those paths with other bytes, so half
// of the install replaces game files and half adds new ones.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "library/game_folders.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace {

std::uint64_t SplitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

fs::path Folder(const fs::path& root, int number) {
  std::string rel(drydock::library::GameFolder(number));
  std::replace(rel.begin(), rel.end(), '\\', '/');
  return root / drydock::platform::PathFromUtf8(rel);
}

bool WriteBytes(const fs::path& path, std::size_t size, std::uint64_t seed, std::vector<std::uint64_t>& buffer) {
  buffer.resize((size + 7) / 8);
  for (std::uint64_t& word : buffer) word = SplitMix(seed);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool good = std::fwrite(buffer.data(), 1, size, f) == size;
  return std::fclose(f) == 0 && good;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s ROOT [FILES] [MEGABYTES]\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const int files = argc > 2 ? std::atoi(argv[2]) : 5000;
  const std::uint64_t total = (argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 300) << 20;
  if (files <= 0 || total == 0) return 2;
  const fs::path mod = root / "prog/mods/Big";
  const fs::path game = root / "game";
  const int folders = drydock::library::kGameFolderCount;
  std::error_code ec;
  for (int i = 1; i <= folders; ++i) {
    fs::create_directories(Folder(mod, i), ec);
    fs::create_directories(Folder(game, i), ec);
  }

  // Sizes from a tenth to nearly twice the mean, scaled to hit the total.
  std::uint64_t state = 42;
  std::vector<double> weights(static_cast<size_t>(files));
  double sum = 0;
  for (double& w : weights) sum += (w = 0.1 + static_cast<double>(SplitMix(state) % 1800) / 1000.0);
  std::vector<std::uint64_t> buffer;
  std::uint64_t written = 0;
  for (int i = 0; i < files; ++i) {
    const auto size = static_cast<std::size_t>(weights[static_cast<size_t>(i)] / sum * static_cast<double>(total));
    char name[32];
    std::snprintf(name, sizeof name, "file%05d.dat", i);
    const int folder = i % folders + 1;
    if (!WriteBytes(Folder(mod, folder) / name, size, 1000 + static_cast<std::uint64_t>(i), buffer)) {
      std::fprintf(stderr, "could not write %s\n", (Folder(mod, folder) / name).c_str());
      return 1;
    }
    written += size;
    if (i % 2 == 0 &&
        !WriteBytes(Folder(game, folder) / name, size / 2 + 1, 900000 + static_cast<std::uint64_t>(i), buffer)) {
      std::fprintf(stderr, "could not write %s\n", (Folder(game, folder) / name).c_str());
      return 1;
    }
  }
  std::printf("mod: %d files, %.1f MB in %d folders; game: %d of them with other bytes\n", files,
              static_cast<double>(written) / (1 << 20), std::min(files, folders), (files + 1) / 2);
  return 0;
}
