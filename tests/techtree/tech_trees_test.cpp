// Which tech tree choices a mod provides, on real folders with names in any letter case.
#include <gtest/gtest.h>

#include "support/temp_tree.h"
#include "techtree/tech_trees.h"

using namespace drydock;
using test::TempTree;

namespace {
std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}
}  // namespace

TEST(TechTrees, ChoicesComeFromTheModsTechTreeFolderWhateverTheLetterCase) {
  const struct {
    const char* what;
    std::vector<const char*> files;  // below the mods folder
    std::string modPath;
    std::string available;
    std::string unavailable;
  } cases[] = {
      {"two of six",
       {"M/techtree/TECH1.TT", "M/techtree/nosuper.tt"},
       "M",
       "Standard Tech, No Super Weapons",
       "No Science Ships, No Special Weapons, Early Upgrades, Free Tech"},
      {"freetech alone",
       {"M/TechTree/freetech.tt"},
       "M",
       "Free Tech",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades"},
      {"fulltech alone",
       {"M/TECHTREE/FullTech.TT", "M/techtree/readme.txt"},
       "M",
       "Free Tech",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades"},
      {"both free tech files count once",
       {"M/techtree/fulltech.tt", "M/techtree/FREETECH.tt"},
       "m",
       "Free Tech",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades"},
      {"all six",
       {"M/techtree/tech1.tt", "M/techtree/NoSuper.tt", "M/techtree/nosci.TT", "M/techtree/NOSPWEAP.TT",
        "M/techtree/earlytech.tt", "M/techtree/freetech.tt"},
       "M",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades, Free Tech",
       ""},
      // The game sees "techtree" and "TechTree" as one folder.
      {"two spellings of the folder",
       {"M/techtree/nosci.tt", "M/TechTree/EarlyTech.tt"},
       "M",
       "No Science Ships, Early Upgrades",
       "Standard Tech, No Super Weapons, No Special Weapons, Free Tech"},
      {"files in the root or elsewhere do not count",
       {"M/tech1.tt", "M/odf/nosuper.tt", "M/techtree/sub/nosci.tt", "M/techtree/.nospweap.tt"},
       "M",
       "",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades, Free Tech"},
      {"no tech tree folder",
       {"M/odf/a.odf"},
       "M",
       "",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades, Free Tech"},
      {"no such mod",
       {"M/techtree/tech1.tt"},
       "Gone",
       "",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades, Free Tech"},
      // The placeholder resolves to no ModPath; the mods folder's own files are no mod's.
      {"no mod at all",
       {"techtree/tech1.tt"},
       "",
       "",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Early Upgrades, Free Tech"},
      {"an addon has its own folder",
       {"Fleet/techtree/tech1.tt", "Fleet/Addon/Refit/TechTree/EARLYTECH.TT", "Fleet/Addon/Refit/nosci.tt"},
       "Fleet\\Addon\\Refit",
       "Early Upgrades",
       "Standard Tech, No Super Weapons, No Science Ships, No Special Weapons, Free Tech"},
      {"an addon's path in another case",
       {"Fleet/addon/Refit/techtree/NoSpWeap.tt"},
       "fleet\\Addon\\REFIT",
       "No Special Weapons",
       "Standard Tech, No Super Weapons, No Science Ships, Early Upgrades, Free Tech"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempTree t;
    t.MakeDir("mods");
    for (const char* file : c.files) t.Write(std::string("mods/") + file);
    const techtree::TechTrees trees = techtree::ModTechTrees(t / "mods", c.modPath);
    EXPECT_EQ(Joined(trees.available), c.available);
    EXPECT_EQ(Joined(trees.unavailable), c.unavailable);
  }
}

TEST(TechTrees, AFolderOrALinkNamedLikeATechTreeFileIsNoFile) {
  TempTree t;
  t.MakeDir("mods/M/techtree/tech1.tt");
  const auto outside = t.Write("elsewhere/nosuper.tt");
  t.Link("mods/M/techtree/nosuper.tt", outside);
  EXPECT_EQ(Joined(techtree::ModTechTrees(t / "mods", "M").available), "");
}

TEST(TechTrees, EachNameEndsItsOwnLine) {
  EXPECT_EQ(techtree::LinesOf({"Standard Tech", "Free Tech"}), "Standard Tech\nFree Tech\n");
  EXPECT_EQ(techtree::LinesOf({}), "");
}
