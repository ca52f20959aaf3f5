// Writes the fuzz targets' seed corpora into <folder>/<target>/: files of the
// demo sandbox (ModInfo.txt, .odf files, mod folders as archive entry lists)
// and small files made by the demo sandbox's writers.
//
//   fuzz_make_corpus fuzz/corpus
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "demo/demo_formats.h"
#include "demo/demo_sandbox.h"
#include "platform/names.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using namespace drydock;
using demo::Lines;

namespace {

class Corpus {
 public:
  explicit Corpus(fs::path folder) : folder_(std::move(folder)) {}
  void Add(const std::string& target, const std::string& bytes) {
    const fs::path dir = folder_ / target;
    fs::create_directories(dir);
    char name[32];
    std::snprintf(name, sizeof name, "seed-%02d", ++counts_[target]);
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }

 private:
  fs::path folder_;
  std::map<std::string, int> counts_;
};

demo::Rgb Gradient(int x, int y) {
  return {static_cast<unsigned char>(x * 9), static_cast<unsigned char>(y * 17), static_cast<unsigned char>(x ^ y)};
}

// Relative paths of the files and folders below `root`, sorted.
std::vector<std::pair<std::string, bool>> Tree(const fs::path& root) {
  std::vector<std::pair<std::string, bool>> items;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    items.emplace_back(platform::PathToUtf8(entry.path().lexically_relative(root)), entry.is_directory());
  }
  std::sort(items.begin(), items.end());
  return items;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_corpus FOLDER\n");
    return 2;
  }
  Corpus corpus{fs::path(argv[1])};
  const fs::path scratch = fs::temp_directory_path() / "drydock-fuzz-corpus";
  fs::remove_all(scratch);
  const demo::DemoPaths demo = demo::EnsureDemoSandbox(scratch);

  // The sandbox's mods: their ModInfo.txt, and each mod as the entry list of
  // an archive, once wrapped in a folder of its own name and once bare.
  std::vector<fs::path> mods;
  for (const auto& entry : fs::directory_iterator(demo.modsDir)) {
    if (entry.is_directory()) mods.push_back(entry.path());
  }
  std::sort(mods.begin(), mods.end());
  for (const fs::path& mod : mods) {
    const std::string name = platform::PathToUtf8(mod.filename());
    if (fs::is_regular_file(mod / "ModInfo.txt"))
      corpus.Add("fuzz_modinfo", platform::ReadFileBytes(mod / "ModInfo.txt", 1 << 16));
    std::string wrapped = name + ".zip\nd" + name + "/\n";
    std::string bare = name + ".7z\n";
    for (const auto& [path, folder] : Tree(mod)) {
      wrapped += (folder ? "d" : "f") + name + "/" + path + "\n";
      bare += (folder ? "d" : "f") + path + "\n";
    }
    corpus.Add("fuzz_archive_plan", wrapped);
    corpus.Add("fuzz_archive_plan", bare);
  }
  corpus.Add("fuzz_modinfo", Lines({"Author: Jos\xE9 \x93Q\x94", "Description: caf\xC3\xA9 & more",
                                    "Other Heading: &Notes", "Other: ", "Version: 1.2"},
                                   "\r"));
  corpus.Add("fuzz_archive_plan",
             Lines({"Odd.tar.gz", "f../up.txt", "f/abs.txt", "fC:\\x.txt", "fMod/CON.txt", "fMod/a\\b.odf", "lMod/link",
                    "fMod/ODF/x.odf", "fmod/odf/X.ODF", "fMod/\x01\xFF"},
                   "\n"));

  // The game's .odf files: units, their bases, buttons.
  for (const auto& [path, folder] : Tree(demo.gameDir)) {
    if (!folder && path.ends_with(".odf"))
      corpus.Add("fuzz_odf", platform::ReadFileBytes(demo.gameDir / path, 1 << 16));
  }

  // Pictures as the demo sandbox writes them, small, plus a bitmap cut short.
  const std::string bmp = demo::Bmp24(13, 7, Gradient);
  corpus.Add("fuzz_picture", bmp);
  corpus.Add("fuzz_picture", demo::Jpeg(16, 9, Gradient));
  corpus.Add("fuzz_picture", demo::Jpeg(5, 3, Gradient, 40));
  corpus.Add("fuzz_picture", bmp.substr(0, bmp.size() / 2));

  // Install records of every version and an uninstall note, as Drydock writes them.
  corpus.Add("fuzz_record", "drydock install record 1\nstate complete\nreplaced 3 1700000000 odf/ships/fed.odf\n");
  corpus.Add("fuzz_record",
             "drydock install record 2\nstate pending\ngame /games/Armada%20II\nseq 2\nadded - - textures/rgb/a.tga\n");
  corpus.Add("fuzz_record",
             "drydock install record 3\nstate complete\ngame C:\\Games\\Armada%20II\nidentity 2049 131 - -\nseq 7\n"
             "replaced 12 1700000000123456789 1700000000223456789 4711 odf/ships/fed%C3%A9.odf\n"
             "added 5 1700000001 - - Readme.txt\nreplaced - - - - odf/ships/kling.odf\n");
  corpus.Add("fuzz_record", "drydock uninstall note 1\ngame /games/Armada%20II\nrestored 3 17 odf/ships/fed.odf\n");
  corpus.Add("fuzz_record",
             "drydock install record 4\nstate complete\ngame /games/Armada%20II\nidentity 2049 131 2049 140\nseq 3\n"
             "replaced 12 1700000000123456789 1700000000223456789 4711 9 odf/ships/fed.odf\n"
             "added 5 1700000001 1700000002 4712 - Readme.txt\nreplaced - - - - 30 odf/ships/kling.odf\n");

  // Registry texts as Wine writes them (first line: the key asked for; second: the value name).
  const std::string regHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
  corpus.Add("fuzz_reg_vdf",
             "Software\\Activision\\Star Trek Armada II\\v1.0\nArmada2 Directory\n" + regHeader +
                 Lines({"[Software\\\\Activision\\\\Star Trek Armada II\\\\v1.0] 1700000003", "#time=1d9a0b2c3d4e5f6",
                        "\"Armada2 Directory\"=\"C:\\\\Program Files\\\\Activision\\\\Star Trek Armada II\\\\\"",
                        "\"Quoted \\\"x\\\"\"=\"a\\x263a\\tb\"", "@=\"default\"", "\"Bin\"=hex:00,01,02,\\", "  03,04",
                        "\"Num\"=dword:00000001", "", "[Software\\\\Odd \\[Bracket\\] Key] 1700000007",
                        "\"v\"=str(2):\"expand\""},
                       "\n"));
  corpus.Add("fuzz_reg_vdf",
             "Software\\Wine\\Drives\nc:\n" + regHeader +
                 Lines({"[Software\\\\Wine\\\\Drives] 1700000008", "\"c:\"=\"hd\"", "\"d:\"=\"cdrom\""}, "\r\n"));
  corpus.Add("fuzz_reg_vdf",
             "\n\n" + Lines({"\"libraryfolders\"", "{", "\t\"0\"", "\t{",
                             "\t\t\"path\"\t\t\"/home/player/.local/share/Steam\"", "\t\t\"label\"\t\t\"\"", "\t}",
                             "\t\"1\"", "\t{", "\t\t\"path\"\t\t\"/mnt/games/Steam \\\"Library\\\\\"", "\t}", "}"},
                            "\n"));

  fs::remove_all(scratch);
  return 0;
}
