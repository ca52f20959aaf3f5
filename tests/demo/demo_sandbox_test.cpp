#include "demo/demo_sandbox.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "demo/demo_formats.h"
#include "library/game_folders.h"
#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::demo::DemoPaths;
using drydock::demo::EnsureDemoSandbox;
using drydock::test::TempTree;
namespace demo = drydock::demo;
namespace library = drydock::library;
namespace platform = drydock::platform;

namespace {
// Relative game paths ("odf\ships\x.odf") of the files a mod or game folder provides in the
// game's folder table, the way install and the compatibility check see them.
std::set<std::string> TablePaths(const fs::path& root) {
  std::set<std::string> paths;
  for (const std::string_view folder : library::kGameFolderList) {
    for (const std::string& name : platform::ListPlainFiles(platform::NativePath(root, folder))) {
      paths.insert(std::string(folder) + name);
    }
  }
  return paths;
}
}  // namespace

TEST(DemoSandbox, IsMadeOnceInsideItsRootWithTheGameAndConflictingModsThenLeftAsTheUserChangedIt) {
  TempTree tree;
  tree.Write("beside.txt", "keep");
  bool created = false;
  const DemoPaths paths = EnsureDemoSandbox(tree / "nested/demo", &created);  // missing parents are made
  ASSERT_TRUE(created);
  auto mod = [&](const char* name) { return paths.modsDir / platform::PathFromUtf8(name); };
  EXPECT_EQ(paths.root, tree / "nested/demo");
  EXPECT_EQ(paths.modsDir, library::ModsDir(paths.programDir));
  EXPECT_TRUE(fs::is_regular_file(paths.gameDir / "Armada2.exe") && fs::file_size(paths.gameDir / "Armada2.exe") == 0);
  auto outside = TempTree::Snapshot(tree.root());
  std::erase_if(outside, [](const std::string& entry) { return entry.starts_with("nested/demo/"); });
  EXPECT_EQ(outside, std::vector<std::string>{"beside.txt=keep"});
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::recursive_directory_iterator(paths.root)) {
    EXPECT_FALSE(e.is_symlink()) << e.path();
    if (e.is_regular_file()) bytes += e.file_size();
  }
  EXPECT_LT(bytes, 1024u * 1024u);

  // Every game file lies in a folder of the table, found also where the game's letter case
  // differs from the table's; the start-up count shows at least two steps of 22.
  const long counted = library::CountFolderListFiles(paths.gameDir);
  EXPECT_GT(counted, 44);
  EXPECT_EQ(counted, std::count_if(fs::recursive_directory_iterator(paths.gameDir), {},
                                   [](const fs::directory_entry& e) { return e.is_regular_file(); }));
  EXPECT_TRUE(std::ranges::count(platform::ListSubfolders(paths.gameDir), "textures")) << "the table writes Textures";

  // Two mods provide the same game files, each of which replaces one of the game's.
  const auto fleet = TablePaths(mod("Federation Fleet Yards")), refit = TablePaths(mod("sovereign_refit"));
  const auto game = TablePaths(paths.gameDir);
  std::set<std::string> shared;
  std::ranges::set_intersection(fleet, refit, std::inserter(shared, shared.end()));
  shared.erase("ModInfo.txt");  // the mod's own information file never counts as a conflict
  EXPECT_TRUE(shared.contains("odf\\ships\\fedcruiser.odf") && shared.contains("Textures\\Rgb\\fedcruiser.tga"));
  for (const std::string& path : shared) EXPECT_TRUE(game.contains(path)) << path;

  // The user edits one mod, deletes another and adds a file.
  tree.Write("nested/demo/Drydock/mods/Tech Tree Tweaks/ModInfo.txt", "Author: me\r\n");
  fs::remove_all(mod("klingon_refit"));
  tree.Write("nested/demo/Armada II/odf/ships/mine.odf", "unitName = \"Mine\"\r\n");
  const auto before = TempTree::Snapshot(paths.root);
  bool again = true;
  EXPECT_EQ(EnsureDemoSandbox(paths.root, &again).modsDir, paths.modsDir);
  EXPECT_FALSE(again);
  EXPECT_EQ(TempTree::Snapshot(paths.root), before);
}

// The sandbox's own bitmap and JPEG encoders, read back by Qt: gradients, a flat square with hard edges, sizes
// that do and do not fill whole 8 x 8 blocks or 4-byte rows. A bitmap stored top-down reads back upside down.
TEST(DemoPictures, QtDecodesThemToTheSizeAndColoursPainted) {
  struct Case {
    int width, height, quality, worstError;  // quality 0: a bitmap; the worst error of any channel of any pixel
    double meanError;                        // per channel, over the whole picture
  };
  const std::vector<Case> cases = {{457, 89, 0, 0, 0},    {1, 1, 0, 0, 0},     {457, 89, 88, 40, 2.0},
                                   {37, 21, 88, 40, 3.0}, {8, 8, 100, 4, 1.0}, {1, 1, 88, 2, 1.0},
                                   {64, 40, 30, 100, 5.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at quality " << c.quality);
    const demo::Painter paint = [&c](int x, int y) -> demo::Rgb {
      if (x > c.width / 3 && x < c.width / 2 && y > c.height / 4 && y < c.height * 3 / 4) return {220, 40, 40};
      return {40 + 150 * x / c.width, 200 - 120 * y / c.height, 90};
    };
    const std::string bytes =
        c.quality ? demo::Jpeg(c.width, c.height, paint, c.quality) : demo::Bmp24(c.width, c.height, paint);
    const QImage image = QImage::fromData(QByteArray::fromStdString(bytes), c.quality ? "JPEG" : "BMP");
    ASSERT_EQ(image.size(), QSize(c.width, c.height));
    std::vector<int> errors;  // of each channel of each pixel
    for (int i = 0; i < c.width * c.height; ++i) {
      const demo::Rgb want = paint(i % c.width, i / c.width);
      const QRgb got = image.pixel(i % c.width, i / c.width);
      for (int d : {qRed(got) - want.r, qGreen(got) - want.g, qBlue(got) - want.b}) errors.push_back(std::abs(d));
    }
    EXPECT_LE(std::accumulate(errors.begin(), errors.end(), 0.0) / static_cast<double>(errors.size()), c.meanError);
    EXPECT_LE(std::ranges::max(errors), c.worstError);
  }
}
