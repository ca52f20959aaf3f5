// Which tech tree choices a mod provides, on real folders with names in any letter case.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/temp_tree.h"
#include "techtree/tech_trees.h"

using namespace drydock;
using namespace drydock::techtree;

// The paths are below the mods folder; one ending in "/" is a folder, one ending in "@" a link to a file elsewhere.
// The result is "provided|missing", each choice by its place in display order (0 Standard Tech, 1 No Super Weapons,
// 2 No Science Ships, 3 No Special Weapons, 4 Early Upgrades, 5 Free Tech): one line checks the order and the split.
TEST(TechTrees, ChoicesComeFromPlainFilesInTheModsOwnTechTreeFolderWhateverTheLetterCase) {
  const char* const cases[][3] = {
      // paths, mod path, result
      {"M/techtree/TECH1.TT M/techtree/nosuper.tt", "M", "01|2345"},
      {"M/TechTree/freetech.tt", "M", "5|01234"},
      {"M/TECHTREE/FullTech.TT M/techtree/readme.txt", "M", "5|01234"},
      {"M/techtree/fulltech.tt M/techtree/FREETECH.tt", "m", "5|01234"},
      {"M/techtree/tech1.tt M/techtree/NoSuper.tt M/techtree/nosci.TT M/techtree/NOSPWEAP.TT "
       "M/techtree/earlytech.tt M/techtree/freetech.tt",
       "M", "012345|"},
      // The game sees "techtree" and "TechTree" as one folder.
      {"M/techtree/nosci.tt M/TechTree/EarlyTech.tt", "M", "24|0135"},
      // Not in the mod's root, another folder or a subfolder; not hidden, a folder or a link named like a file.
      {"M/tech1.tt M/odf/nosuper.tt M/techtree/sub/nosci.tt M/techtree/.nospweap.tt M/techtree/earlytech.tt/ "
       "M/techtree/freetech.tt@",
       "M", "|012345"},
      {"M/techtree/tech1.tt", "Gone", "|012345"},
      // The placeholder resolves to no ModPath; the mods folder's own files are no mod's.
      {"techtree/tech1.tt", "", "|012345"},
      // An addon has its own folder, not its parent's.
      {"F/techtree/tech1.tt F/Addon/Refit/TechTree/EARLYTECH.TT F/Addon/Refit/nosci.tt", "F\\Addon\\Refit", "4|01235"},
      {"F/addon/Refit/techtree/NoSpWeap.tt", "f\\Addon\\REFIT", "3|01245"},
  };
  const auto places = [](const std::vector<std::string>& names, std::string out = "") {
    for (const std::string& name : names)
      out += std::to_string(std::ranges::find(kTechTreeChoices, name, &TechTreeChoice::name) - &kTechTreeChoices[0]);
    return out;
  };
  for (const auto& [paths, modPath, split] : cases) {
    SCOPED_TRACE(paths);
    test::TempTree t;
    std::istringstream words(paths);
    for (std::string path; words >> path;) {
      if (path.ends_with('@') && !test::LinksCanBeMade()) continue;
      const std::string at = "mods/" + path.substr(0, path.find('@'));
      path.ends_with('@') ? t.Link(at, t.Write("elsewhere/x")) : path.ends_with('/') ? t.MakeDir(at) : t.Write(at);
    }
    const auto [available, unavailable] = ModTechTrees(t / "mods", modPath);
    EXPECT_EQ(places(available) + "|" + places(unavailable), split);
  }
}
