// Which mods count as installed.
#include <gtest/gtest.h>

#include "install/installed_mods.h"
#include "support/temp_tree.h"

using namespace drydock;
using drydock::test::TempTree;
using Names = std::vector<std::string>;

// The list and the install see one Backup folder, in any letter case, as the game's file system would.
TEST(InstalledMods, ABackupFolderCountsInAnyLetterCaseAndAFileIsNoBackup) {
  TempTree t;
  t.MakeDir("mods/Exact/Backup");
  t.MakeDir("mods/Lower/backup");
  t.Write("mods/Shipped/backup", "a mod author's notes");
  t.MakeDir("mods/Plain/Addon/Extra/Backup");
  t.MakeDir("mods/Plain/Addon/Other");
  const library::ModList list = library::FillModList(t / "mods");
  ASSERT_EQ(list, (library::ModList{"Exact", "Lower", "Plain", "    Other", "    Extra", "Shipped"}));
  EXPECT_EQ(install::InstalledModEntries(t / "mods", list), (Names{"Exact", "Lower", "    Extra"}));
  EXPECT_TRUE(install::IsInstalled(t / "mods/Lower"));
  EXPECT_FALSE(install::IsInstalled(t / "mods/Plain"));
  EXPECT_FALSE(install::IsInstalled(t / "mods/Shipped"));
  // The placeholder when nothing is installed.
  for (const library::ModList& none :
       {library::ModList{"Plain", "Shipped"}, library::ModList{}, library::ModList{"(No mods found.)"}}) {
    EXPECT_EQ(install::InstalledModEntries(t / "mods", none), Names{"(No mods found.)"});
  }
}
