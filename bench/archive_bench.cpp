// Adding a mod from a generated 5,000-file, 300 MB zip, against `bsdtar -xf`
// of the same archive into an empty folder, in the same run. Both start from
// the same warm page cache; the best of three rounds counts.
//
//   archive_bench [WORKDIR]   (default: a new folder in the temporary folder)
#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <string>

#include "archive/archive_add.h"
#include "platform/writer_lock.h"
#include "timing.h"

namespace fs = std::filesystem;
using namespace drydock;

namespace {

constexpr int kFiles = 5000;
constexpr std::size_t kTotalBytes = 300u << 20;
constexpr int kRounds = 3;

// Mod-like contents: text that packs somewhat, as .odf and .tga files do.
std::string FileBytes(std::mt19937& random, std::size_t size) {
  static const std::string words[] = {"ship", "weapon", "range = ", "0.5\r\n", "phaser", "hull", "shield", "\r\n"};
  std::string bytes;
  bytes.reserve(size);
  while (bytes.size() < size) {
    bytes += words[random() % 8];
    bytes += static_cast<char>('a' + random() % 26);
  }
  bytes.resize(size);
  return bytes;
}

bool MakeZip(const fs::path& file) {
  std::unique_ptr<struct archive, int (*)(struct archive*)> a(archive_write_new(), &archive_write_free);
  archive_write_set_format_zip(a.get());
  (void)archive_write_set_options(a.get(), "zip:compression-level=1");
  if (archive_write_open_filename(a.get(), file.c_str()) != ARCHIVE_OK) return false;
  std::mt19937 random(13);
  for (int i = 0; i < kFiles; ++i) {
    // Sizes vary around the mean, as a mod's do.
    const std::size_t size = (kTotalBytes / kFiles) / 2 + random() % (kTotalBytes / kFiles);
    const std::string bytes = FileBytes(random, size);
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> e(archive_entry_new(), &archive_entry_free);
    const std::string name = "Big Mod/" + std::string(i % 3 ? "odf/ships/" : "textures/rgb/") + "f" +
                             std::to_string(i) + (i % 3 ? ".odf" : ".tga");
    archive_entry_copy_pathname(e.get(), name.c_str());
    archive_entry_set_filetype(e.get(), AE_IFREG);
    archive_entry_set_perm(e.get(), 0644);
    archive_entry_set_size(e.get(), static_cast<la_int64_t>(bytes.size()));
    if (archive_write_header(a.get(), e.get()) != ARCHIVE_OK) return false;
    if (archive_write_data(a.get(), bytes.data(), bytes.size()) != static_cast<la_ssize_t>(bytes.size())) return false;
  }
  return archive_write_close(a.get()) == ARCHIVE_OK;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "drydock-archive-bench";
  fs::remove_all(work);
  fs::create_directories(work / "prog/mods");
  const fs::path zip = work / "Big Mod.zip";
  if (!MakeZip(zip)) {
    std::cerr << "could not write " << zip << '\n';
    return 1;
  }
  std::cout << "archive: " << kFiles << " files, " << (kTotalBytes >> 20) << " MB unpacked, "
            << (fs::file_size(zip) >> 20) << " MB packed\n";

  const fs::path mods = work / "prog/mods";
  const double drydock = bench::Best(kRounds, [&] {
    fs::remove_all(mods / "Big Mod");
    std::string why;
    const auto survey = archive::SurveyArchive(zip, &why);
    const auto lock = platform::WriterLock::Acquire({mods});
    if (!survey || !lock ||
        archive::UnpackNewMod(*survey, mods, "Big Mod", *lock, {}, nullptr).status !=
            archive::UnpackResult::Status::Done) {
      std::cerr << "the add failed: " << why << '\n';
      std::exit(1);
    }
  });
  const double bsdtar = bench::Best(kRounds, [&] {
    fs::remove_all(work / "bsdtar");
    fs::create_directories(work / "bsdtar");
    const std::string command = "bsdtar -xf '" + zip.string() + "' -C '" + (work / "bsdtar").string() + "'";
    if (std::system(command.c_str()) != 0) {
      std::cerr << "bsdtar failed (is libarchive-tools installed?)\n";
      std::exit(1);
    }
  });
  std::printf("drydock add:  %.3f s\nbsdtar -xf:   %.3f s\nratio:        %.2fx (goal: at most 1.2x)\n", drydock, bsdtar,
              drydock / bsdtar);
  fs::remove_all(work);
  return 0;
}
