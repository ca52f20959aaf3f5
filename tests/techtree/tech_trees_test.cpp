// Which tech tree choices a mod provides, on real folders with names in any letter case.
#include <gtest/gtest.h>

#include <map>

#include "support/temp_tree.h"
#include "techtree/tech_trees.h"

using namespace drydock;
using test::TempTree;

namespace {
// Both lists in short names, "provided | missing", so that one line checks the order and the split.
std::string Split(const techtree::TechTrees& trees) {
  const std::map<std::string, std::string> shortName = {
      {"Standard Tech", "std"},           {"No Super Weapons", "nosuper"}, {"No Science Ships", "nosci"},
      {"No Special Weapons", "nospweap"}, {"Early Upgrades", "early"},     {"Free Tech", "free"}};
  std::string out;
  for (const std::string& name : trees.available) out += shortName.at(name) + " ";
  out += "|";
  for (const std::string& name : trees.unavailable) out += " " + shortName.at(name);
  return out;
}
constexpr const char* kNone = "| std nosuper nosci nospweap early free";
}  // namespace

TEST(TechTrees, ChoicesComeFromTheModsTechTreeFolderWhateverTheLetterCase) {
  const struct {
    std::vector<const char*> files;  // below the mods folder
    std::string modPath;
    std::string split;
  } cases[] = {
      {{"M/techtree/TECH1.TT", "M/techtree/nosuper.tt"}, "M", "std nosuper | nosci nospweap early free"},
      {{"M/TechTree/freetech.tt"}, "M", "free | std nosuper nosci nospweap early"},
      {{"M/TECHTREE/FullTech.TT", "M/techtree/readme.txt"}, "M", "free | std nosuper nosci nospweap early"},
      {{"M/techtree/fulltech.tt", "M/techtree/FREETECH.tt"}, "m", "free | std nosuper nosci nospweap early"},
      {{"M/techtree/tech1.tt", "M/techtree/NoSuper.tt", "M/techtree/nosci.TT", "M/techtree/NOSPWEAP.TT",
        "M/techtree/earlytech.tt", "M/techtree/freetech.tt"},
       "M",
       "std nosuper nosci nospweap early free |"},
      // The game sees "techtree" and "TechTree" as one folder.
      {{"M/techtree/nosci.tt", "M/TechTree/EarlyTech.tt"}, "M", "nosci early | std nosuper nospweap free"},
      // Only plain files directly in the folder count.
      {{"M/tech1.tt", "M/odf/nosuper.tt", "M/techtree/sub/nosci.tt", "M/techtree/.nospweap.tt"}, "M", kNone},
      {{"M/techtree/tech1.tt"}, "Gone", kNone},
      // The placeholder resolves to no ModPath; the mods folder's own files are no mod's.
      {{"techtree/tech1.tt"}, "", kNone},
      // An addon has its own folder, not its parent's.
      {{"Fleet/techtree/tech1.tt", "Fleet/Addon/Refit/TechTree/EARLYTECH.TT", "Fleet/Addon/Refit/nosci.tt"},
       "Fleet\\Addon\\Refit",
       "early | std nosuper nosci nospweap free"},
      {{"Fleet/addon/Refit/techtree/NoSpWeap.tt"}, "fleet\\Addon\\REFIT", "nospweap | std nosuper nosci early free"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files.front());
    TempTree t;
    t.MakeDir("mods");
    for (const char* file : c.files) t.Write(std::string("mods/") + file);
    EXPECT_EQ(Split(techtree::ModTechTrees(t / "mods", c.modPath)), c.split);
  }
}

TEST(TechTrees, AFolderOrALinkNamedLikeATechTreeFileIsNoFile) {
  TempTree t;
  t.MakeDir("mods/M/techtree/tech1.tt");
  const auto outside = t.Write("elsewhere/nosuper.tt");
  t.Link("mods/M/techtree/nosuper.tt", outside);
  EXPECT_EQ(Split(techtree::ModTechTrees(t / "mods", "M")), kNone);
}
