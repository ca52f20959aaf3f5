#include "app/demo_sandbox.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/demo_formats.h"
#include "library/game_folders.h"
#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::app::DemoPaths;
using drydock::app::EnsureDemoSandbox;
using drydock::test::TempTree;
namespace library = drydock::library;
namespace platform = drydock::platform;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(platform::PathToUtf8(p)); }

long RegularFilesBelow(const fs::path& dir) {
  long n = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
  return n;
}

// Relative game paths ("odf\ships\x.odf") of the files a mod or game folder
// provides in the game's folder table, the way install and the compatibility
// check see them.
std::set<std::string> TablePaths(const fs::path& root) {
  std::set<std::string> paths;
  for (int i = 1; i <= library::kGameFolderCount; ++i) {
    const std::string_view folder = library::GameFolder(i);
    for (const std::string& name : platform::ListPlainFiles(platform::NativePath(root, folder))) {
      paths.insert(std::string(folder) + name);
    }
  }
  return paths;
}

class DemoSandboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.Write("beside.txt", "keep");
    paths_ = EnsureDemoSandbox(tree_ / "nested/demo", &created_);  // missing parents are made
    ASSERT_TRUE(created_);
  }
  fs::path Mod(std::string_view name) const { return paths_.modsDir / platform::PathFromUtf8(name); }

  TempTree tree_;
  DemoPaths paths_;
  bool created_ = false;
};

TEST_F(DemoSandboxTest, IsMadeOnceInsideItsRootAndThenLeftAsTheUserChangedIt) {
  EXPECT_EQ(paths_.root, tree_ / "nested/demo");
  EXPECT_EQ(paths_.modsDir, library::ModsDir(paths_.programDir));
  ASSERT_TRUE(fs::is_regular_file(paths_.gameDir / "Armada2.exe"));
  EXPECT_EQ(fs::file_size(paths_.gameDir / "Armada2.exe"), 0u);
  auto outside = TempTree::Snapshot(tree_.root());
  std::erase_if(outside, [](const std::string& entry) { return entry.rfind("nested/demo/", 0) == 0; });
  EXPECT_EQ(outside, std::vector<std::string>{"beside.txt=keep"});
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::recursive_directory_iterator(paths_.root)) {
    EXPECT_FALSE(e.is_symlink()) << e.path();
    if (e.is_regular_file()) bytes += e.file_size();
  }
  EXPECT_LT(bytes, 1024u * 1024u);

  // The user edits one mod, deletes another and adds a file.
  tree_.Write("nested/demo/Drydock/mods/Tech Tree Tweaks/ModInfo.txt", "Author: me\r\n");
  fs::remove_all(Mod("klingon_refit"));
  tree_.Write("nested/demo/Armada II/odf/ships/mine.odf", "unitName = \"Mine\"\r\n");
  const auto before = TempTree::Snapshot(paths_.root);

  bool again = true;
  const DemoPaths second = EnsureDemoSandbox(paths_.root, &again);
  EXPECT_FALSE(again);
  EXPECT_EQ(second.modsDir, paths_.modsDir);
  EXPECT_EQ(TempTree::Snapshot(paths_.root), before);
  EXPECT_FALSE(fs::exists(Mod("klingon_refit")));
}

TEST_F(DemoSandboxTest, TheBitmapPictureIsStoredBottomUp) {
  const fs::path bmp = Mod("Borg Assimilation Pack") / "ModPic.bmp";
  const std::string bytes = TempTree::Read(bmp);
  EXPECT_EQ(bytes.size(), 54u + 1372u * 89u);  // 24 bits: 457 * 3 = 1371, padded to 1372
  QImage picture;
  ASSERT_TRUE(picture.load(Q(bmp)));
  EXPECT_EQ(picture.width(), 457);
  EXPECT_EQ(picture.height(), 89);
  // Rows are stored bottom-up: the bright band drawn at the top is read back
  // at the top, and the row it would land on if flipped is plain.
  EXPECT_NE(picture.pixel(50, 40), picture.pixel(300, 40));
  EXPECT_GT(qGreen(picture.pixel(200, 20)), qGreen(picture.pixel(200, 40)) + 50);
  EXPECT_LT(qGreen(picture.pixel(200, 88 - 20)), qGreen(picture.pixel(200, 20)) - 50);
}

TEST_F(DemoSandboxTest, GameFolderHoldsOnlyTableFoldersSomeInOtherLetterCase) {
  const long counted = library::CountFolderListFiles(paths_.gameDir);
  EXPECT_GT(counted, 44);  // the start-up count shows at least two steps of 22
  // Every file lies in a folder of the table, found also where the game's
  // letter case differs from the table's.
  EXPECT_EQ(counted, RegularFilesBelow(paths_.gameDir));
  const auto names = platform::ListSubfolders(paths_.gameDir);
  EXPECT_NE(std::find(names.begin(), names.end(), "textures"), names.end()) << "the table writes Textures";
}

TEST_F(DemoSandboxTest, TwoModsProvideTheSameGameFilesAndReplaceGameFiles) {
  const auto fleet = TablePaths(Mod("Federation Fleet Yards"));
  const auto refit = TablePaths(Mod("sovereign_refit"));
  const auto game = TablePaths(paths_.gameDir);
  std::vector<std::string> shared;
  std::set_intersection(fleet.begin(), fleet.end(), refit.begin(), refit.end(), std::back_inserter(shared));
  // The mod's own information file never counts as a conflict.
  std::erase(shared, "ModInfo.txt");
  EXPECT_NE(std::find(shared.begin(), shared.end(), "odf\\ships\\fedcruiser.odf"), shared.end());
  EXPECT_NE(std::find(shared.begin(), shared.end(), "Textures\\Rgb\\fedcruiser.tga"), shared.end());
  for (const std::string& path : shared) EXPECT_EQ(game.count(path), 1u) << path;
}

// The sandbox's own JPEG encoder, read back by Qt: gradients, a flat square
// with hard edges, sizes that do and do not fill whole 8 x 8 blocks.
TEST(DemoJpeg, QtDecodesItToTheSizeAndColoursPainted) {
  struct Case {
    int width, height, quality;
    double meanError;  // per channel, over the whole picture
    int worstError;    // of any channel of any pixel: ringing at the square's edges
  };
  const std::vector<Case> cases = {
      {457, 89, 88, 2.0, 40}, {37, 21, 88, 3.0, 40}, {8, 8, 100, 1.0, 4}, {1, 1, 88, 1.0, 2}, {64, 40, 30, 5.0, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at quality " << c.quality);
    const drydock::app::demo::Painter paint = [&c](int x, int y) -> drydock::app::demo::Rgb {
      if (x > c.width / 3 && x < c.width / 2 && y > c.height / 4 && y < c.height * 3 / 4) return {220, 40, 40};
      return {40 + 150 * x / c.width, 200 - 120 * y / c.height, 90};
    };
    const std::string bytes = drydock::app::demo::Jpeg(c.width, c.height, paint, c.quality);
    const QImage image = QImage::fromData(QByteArray::fromStdString(bytes), "JPEG");
    ASSERT_EQ(image.size(), QSize(c.width, c.height));
    double error = 0;
    int worst = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const auto want = paint(x, y);
        const QRgb got = image.pixel(x, y);
        for (int d : {qRed(got) - want.r, qGreen(got) - want.g, qBlue(got) - want.b}) {
          error += std::abs(d);
          worst = std::max(worst, std::abs(d));
        }
      }
    }
    error /= 3.0 * c.width * c.height;
    EXPECT_LT(error, c.meanError);
    EXPECT_LE(worst, c.worstError);
  }
}

}  // namespace
