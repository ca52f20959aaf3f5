// Which mods count as installed.
#include <gtest/gtest.h>

#include "install/installed_mods.h"
#include "support/temp_tree.h"

using namespace drydock;
using drydock::test::TempTree;

TEST(InstalledMods, ListNeedsTheExactNameWhileInstallIgnoresCase) {
  TempTree t;
  t.MakeDir("mods/Exact/Backup");
  t.MakeDir("mods/Lower/backup");
  t.MakeDir("mods/Plain");
  t.MakeDir("mods/Plain/Addon/Extra/Backup");
  t.MakeDir("mods/Plain/Addon/Other");
  const library::ModList list = library::FillModList(t / "mods");
  ASSERT_EQ(list, (library::ModList{"Exact", "Lower", "Plain", "    Other", "    Extra"}));
  EXPECT_EQ(install::InstalledModEntries(t / "mods", list), (std::vector<std::string>{"Exact", "    Extra"}));
  EXPECT_TRUE(install::IsInstalled(t / "mods/Lower"));
  EXPECT_FALSE(install::IsInstalled(t / "mods/Plain"));
}

TEST(InstalledMods, PlaceholderWhenNothingIsInstalled) {
  TempTree t;
  t.MakeDir("mods/A");
  const std::vector<std::string> none{"(No mods found.)"};
  EXPECT_EQ(install::InstalledModEntries(t / "mods", library::FillModList(t / "mods")), none);
  EXPECT_EQ(install::InstalledModEntries(t / "mods", {}), none);
  EXPECT_EQ(install::InstalledModEntries(t / "mods", {"(No mods found.)"}), none);
}
