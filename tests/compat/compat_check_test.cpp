// The compatibility check on real folders: which paths conflict, in which
// order and spelling, with the game folder on either side.
#include <gtest/gtest.h>

#include <fstream>
#include <new>
#include <stdexcept>

#include "compat/compat_check.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using Lines = std::vector<std::string>;

namespace {

// The check of the two sides named as the window names them: a ModPath, or the game entry.
Lines CheckOf(const test::TempTree& t, const std::string& first, const std::string& second) {
  const fs::path modsDir = t / "mods";
  const compat::CheckResult result =
      compat::Check(compat::SideFolder(modsDir, t / "game", first), compat::SideFolder(modsDir, t / "game", second));
  EXPECT_FALSE(result.error) << *result.error;
  return result.conflicts;
}

}  // namespace

TEST(CompatCheck, ListsTheFirstSidesPathsThatTheSecondHasIgnoringCase) {
  const struct {
    const char* what;
    Lines firstFiles, secondFiles;  // below the first and the second side's folder
    std::string first, second;      // the sides: mods/A, mods/B or the game
    Lines conflicts;
  } cases[] = {
      {"two mods: table order, then listing order; shown as the first has it; own files and hidden files never count",
       {"sounds/x.wav", "odf/ships/b.odf", "odf/ships/A.odf", "SPRITES/c.spr", "readme.txt", "ModPic.bmp",
        "ModInfo.txt", "odf/ships/.hidden", "Backup/odf/ships/b.odf", "odf/ships/only-first.odf"},
       {"ODF/Ships/a.ODF", "odf/ships/b.odf", "Sounds/X.WAV", "sprites/C.SPR", "README.TXT", "ModPic.bmp",
        "ModInfo.txt", "odf/ships/.hidden", "Backup/odf/ships/b.odf", "odf/ships/only-second.odf"},
       "A",
       "B",
       {"odf\\ships\\A.odf", "odf\\ships\\b.odf", "sounds\\x.wav", "Sprites\\c.spr", "readme.txt"}},
      {"the game second: its information and picture files are skipped, the mod's first-side picture is not",
       {"odf/ships/FED.odf", "armada2.exe", "ModPic.jpg", "ModInfo.txt"},
       {"odf/ships/fed.odf", "Armada2.exe", "ModPic.jpg", "ModInfo.txt"},
       "A",
       std::string(compat::kGameEntry),
       {"odf\\ships\\FED.odf", "armada2.exe"}},
      {"the game first: the mod's own files are skipped by their exact names only",
       {"odf/ships/fed.odf", "ModPic.bmp", "ModPic.jpg", "ModInfo.txt"},
       {"odf/ships/Fed.odf", "ModPic.bmp", "modpic.jpg", "ModInfo.txt"},
       std::string(compat::kGameEntry),
       "B",
       {"odf\\ships\\fed.odf", "ModPic.jpg"}},
      {"nothing in common", {"odf/ships/a.odf"}, {"odf/ships/b.odf", "odf/a.odf"}, "A", "B", {}},
      {"an addon against its parent",
       {"odf/ships/a.odf"},
       {"odf/ships/A.odf"},
       "A",
       "A\\Addon\\B",
       {"odf\\ships\\a.odf"}},
  };
  for (const auto& c : cases) {
    test::TempTree t;
    auto folderOf = [](const std::string& side) {
      return side == compat::kGameEntry ? std::string("game/") : side == "A" ? "mods/A/" : "mods/A/Addon/B/";
    };
    const std::string firstDir = folderOf(c.first), secondDir = c.second == "B" ? "mods/B/" : folderOf(c.second);
    for (const std::string& file : c.firstFiles) t.Write(firstDir + file);
    for (const std::string& file : c.secondFiles) t.Write(secondDir + file);
    EXPECT_EQ(CheckOf(t, c.first, c.second), c.conflicts) << c.what;
  }
}

TEST(CompatCheck, AMissingSideHasNoFiles) {
  test::TempTree t;
  t.Write("mods/A/odf/ships/a.odf");
  const fs::path modsDir = t / "mods";
  EXPECT_EQ(compat::SideFolder(modsDir, std::nullopt, compat::kGameEntry), std::nullopt);
  EXPECT_EQ(compat::SideFolder(modsDir, t / "game", ""), std::nullopt);  // the placeholder resolves to nothing
  EXPECT_TRUE(compat::Check(modsDir / "A", std::nullopt).conflicts.empty());
  EXPECT_TRUE(compat::Check(modsDir / "A", modsDir / "Gone").conflicts.empty());
}

// 20,000 files, twice the old limit, and 5,000 of them shared in another letter case.
TEST(CompatCheck, LargeSidesCheckWithoutALimitAndReportProgressUpToAll) {
  test::TempTree t;
  constexpr int kFiles = 20000, kShared = 5000;
  const char* folders[] = {"odf/ships/", "Textures/", "sounds/", "sprites/"};
  for (const char* folder : folders) fs::create_directories(t / ("mods/A/" + std::string(folder)));
  fs::create_directories(t / "mods/B/ODF/SHIPS");
  Lines expected;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "f" + std::to_string(100000 + i) + ".odf";
    std::ofstream(t / ("mods/A/" + std::string(folders[i % 4]) + name));
    if (i % 4 == 0 && expected.size() < kShared) {
      std::ofstream(t / ("mods/B/ODF/SHIPS/F" + std::to_string(100000 + i) + ".ODF"));
      expected.push_back("odf\\ships\\" + name);
    }
  }
  const auto first = compat::SideFiles(t / "mods/A", compat::Side::First);
  const auto second = compat::SideFiles(t / "mods/B", compat::Side::Second);
  ASSERT_EQ(first.size(), size_t{kFiles});
  std::vector<int> percents;
  EXPECT_EQ(compat::Conflicts(first, second, [&](int p) { percents.push_back(p); }), expected);
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) &&
              std::adjacent_find(percents.begin(), percents.end()) == percents.end());
  EXPECT_EQ(percents.back(), 100);
}

TEST(CompatCheck, AFailureBecomesTheErrorMessagesText) {
  EXPECT_EQ(compat::Guarded([] {}), std::nullopt);
  EXPECT_EQ(compat::Guarded([] { throw std::bad_alloc(); }),
            "Error: Out of memory. Please select two smaller mods or put the larger mod in the second box.");
  EXPECT_EQ(compat::Guarded([] { throw std::out_of_range("Subscript out of range"); }),
            "Error: Subscript out of range.");
  // A listing that fails inside the check is caught there.
  test::TempTree t;
  t.Write("mods/A/odf/a.odf");
  const auto failing = [](const fs::path&) -> std::vector<library::ModFile> { throw std::bad_alloc(); };
  EXPECT_TRUE(compat::Guarded([&] { (void)compat::SideFiles(t / "mods/A", compat::Side::Second, failing); }));
}
