// The compatibility check on real folders: which paths conflict, in which
// order and spelling, with the game folder on either side.
#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <stdexcept>

#include "compat/compat_check.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using Lines = std::vector<std::string>;
const std::string kGame(compat::kGameEntry);

// Each case names its sides as the window does (a ModPath or the game) and its files below mods/ or game/.
TEST(CompatCheck, ListsTheFirstSidesPathsThatTheSecondHasIgnoringCase) {
  const struct {
    Lines sides, files, conflicts;
  } cases[] = {
      // Table order, then listing order; shown as the first has it; own files and hidden files never count.
      {{"A", "B"},
       {"A/sounds/x.wav", "A/odf/ships/b.odf", "A/odf/ships/A.odf", "A/SPRITES/c.spr", "A/readme.txt", "A/ModPic.bmp",
        "A/ModInfo.txt", "A/odf/ships/.hidden", "B/ODF/Ships/a.ODF", "B/odf/ships/b.odf", "B/Sounds/X.WAV",
        "B/sprites/C.SPR", "B/README.TXT", "B/ModPic.bmp", "B/ModInfo.txt", "B/odf/ships/.hidden"},
       {"odf\\ships\\A.odf", "odf\\ships\\b.odf", "sounds\\x.wav", "Sprites\\c.spr", "readme.txt"}},
      // The game second: its information and picture files are skipped, the mod's first-side picture is not.
      {{"A", kGame},
       {"A/odf/ships/FED.odf", "A/armada2.exe", "A/ModPic.jpg", "A/ModInfo.txt", "game/odf/ships/fed.odf",
        "game/Armada2.exe", "game/ModPic.jpg", "game/ModInfo.txt"},
       {"odf\\ships\\FED.odf", "armada2.exe"}},
      // The game first: the mod's own files are skipped by their exact names only.
      {{kGame, "B"},
       {"game/odf/ships/fed.odf", "game/ModPic.bmp", "game/ModPic.jpg", "B/odf/ships/Fed.odf", "B/ModPic.bmp",
        "B/modpic.jpg"},
       {"odf\\ships\\fed.odf", "ModPic.jpg"}},
      {{"A", "B"}, {"A/odf/ships/a.odf", "B/odf/ships/b.odf", "B/odf/a.odf"}, {}},  // nothing in common
      {{"A", "A\\Addon\\B"}, {"A/odf/ships/a.odf", "A/Addon/B/odf/ships/A.odf"}, {"odf\\ships\\a.odf"}},
      {{"A", "Gone"}, {"A/odf/ships/a.odf"}, {}},       // a missing folder has no files
      {{"A", ""}, {"A/readme.txt", "readme.txt"}, {}},  // nor has the placeholder's empty ModPath
  };
  for (const auto& c : cases) {
    test::TempTree t;
    for (const std::string& file : c.files) t.Write(file.starts_with("game/") ? file : "mods/" + file);
    const compat::CheckResult result = compat::Check(compat::SideFolder(t / "mods", t / "game", c.sides[0]),
                                                     compat::SideFolder(t / "mods", t / "game", c.sides[1]));
    EXPECT_EQ(result.conflicts, c.conflicts) << c.sides[0] << " " << c.sides[1];
    EXPECT_FALSE(result.error) << *result.error;
  }
  EXPECT_EQ(compat::SideFolder("mods", std::nullopt, kGame), std::nullopt);  // an unknown game folder
}

// 20,000 files, twice the old limit, and 5,000 of them shared in another letter case.
TEST(CompatCheck, LargeSidesCheckWithoutALimitAndReportProgressUpToAll) {
  test::TempTree t;
  const std::string dirs[] = {"mods/A/odf/ships/", "mods/A/Textures/", "mods/A/sounds/", "mods/A/sprites/",
                              "mods/B/ODF/SHIPS/"};
  for (const std::string& dir : dirs) fs::create_directories(t / dir);
  Lines expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string number = std::to_string(100000 + i);
    std::ofstream(t / (dirs[i % 4] + "f" + number + ".odf"));
    if (i % 4 == 0) std::ofstream(t / (dirs[4] + "F" + number + ".ODF"));
    if (i % 4 == 0) expected.push_back("odf\\ships\\f" + number + ".odf");
  }
  const auto first = compat::SideFiles(t / "mods/A", compat::Side::First);
  ASSERT_EQ(first.size(), 20000u);
  std::vector<int> percents, all(101);
  std::iota(all.begin(), all.end(), 0);
  const auto second = compat::SideFiles(t / "mods/B", compat::Side::Second);
  EXPECT_EQ(compat::Conflicts(first, second, [&](int p) { percents.push_back(p); }), expected);
  EXPECT_EQ(percents, all);  // each percent once, as it grows
}

// Out of memory is shown by the window's test; any other failure gives its own text.
TEST(CompatCheck, AFailureBecomesTheErrorMessagesText) {
  EXPECT_EQ(compat::Guarded([] { throw std::out_of_range("Subscript out of range"); }),
            "Error: Subscript out of range.");
}
