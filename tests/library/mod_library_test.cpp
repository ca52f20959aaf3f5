// The mod library on real temporary folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "library/game_folders.h"
#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock::library;
using drydock::test::TempTree;
using Names = std::vector<std::string>;

TEST(GameFolderList, HasTheRootLastAndEveryParentBeforeItsChildren) {
  ASSERT_EQ(kGameFolderList.size(), 79u);
  EXPECT_EQ(GameFolder(1), "AdmiralsLog\\");
  EXPECT_EQ(GameFolder(31), "bitmaps\\multisetup\\buttons\\footerbutts\\");
  EXPECT_EQ(GameFolder(47), "Extras\\Help\\Help Art\\");
  EXPECT_EQ(GameFolder(57), "odf\\ships\\");
  EXPECT_EQ(GameFolder(78), "Textures\\Rgb\\");
  EXPECT_EQ(GameFolder(79), "");
  std::set<std::string_view> seen;
  for (int i = 1; i <= 78; ++i) {
    const std::string_view entry = GameFolder(i);
    ASSERT_EQ(entry.back(), '\\') << entry;
    EXPECT_TRUE(seen.insert(entry).second) << "twice: " << entry;
    const auto cut = entry.substr(0, entry.size() - 1).rfind('\\');
    if (cut != std::string_view::npos) {
      EXPECT_TRUE(seen.count(entry.substr(0, cut + 1))) << entry << " comes before its parent";
    }
  }
}

class ModLibrary : public ::testing::Test {
 protected:
  TempTree t;
  fs::path mods() const { return t / "prog/mods"; }
};

TEST_F(ModLibrary, ListsModsSortedWithAddonsInReverseListingOrder) {
  t.MakeDir("prog/mods/zeta");
  t.MakeDir("prog/mods/Alpha/Addon/A");
  t.MakeDir("prog/mods/Alpha/Addon/B");
  t.Write("prog/mods/Alpha/Addon/notes.txt");  // a plain file in Addon is an addon entry too
  t.MakeDir("prog/mods/Alpha/Addon/A/Addon/TooDeep");
  t.MakeDir("prog/mods/beta");
  t.Write("prog/mods/loose.txt");  // never a mod
  t.MakeDir("prog/mods/.hidden");
  EXPECT_EQ(FillModList(mods()), (Names{"Alpha", "    notes.txt", "    B", "    A", "beta", "zeta"}));
}

TEST_F(ModLibrary, FindsAddonFoldersOfAnyCaseAndLinkedModsButNotLinkedAddons) {
  t.MakeDir("prog/mods/Lower/addon/One");
  t.MakeDir("elsewhere/Big Mod/Addon/Linked Out");
  t.MakeDir("elsewhere/target");
  t.Link("prog/mods/Big Mod", t / "elsewhere/Big Mod");
  t.Link("prog/mods/Lower/addon/Two", t / "elsewhere/target");
  EXPECT_EQ(FillModList(mods()), (Names{"Big Mod", "    Linked Out", "Lower", "    One"}));
  EXPECT_EQ(ModFolder(mods(), "Lower\\Addon\\One"), t / "prog/mods/Lower/addon/One");
}

TEST_F(ModLibrary, EmptyOrMissingModsFolderGivesAnEmptyList) {
  EXPECT_TRUE(FillModList(mods()).empty());
  t.MakeDir("prog/mods");
  EXPECT_TRUE(FillModList(mods()).empty());
}

TEST_F(ModLibrary, TwoBuildsOfAnUnchangedFolderCompareEqual) {
  for (const char* n : {"b", "A", "a_", "aX", "C/Addon/x", "C/Addon/y"}) t.MakeDir(std::string("prog/mods/") + n);
  EXPECT_EQ(FillModList(mods()), FillModList(mods()));
}

TEST(ResolveModPath, TopLevelAddonPlaceholderAndOrphan) {
  const ModList list = {"    Orphan", "Mod", "    B", "    A", "Other", "(No mods found.)"};
  EXPECT_EQ(ResolveModPath(list, 0), "");
  EXPECT_EQ(ResolveModPath(list, 1), "Mod");
  EXPECT_EQ(ResolveModPath(list, 3), "Mod\\Addon\\A");
  EXPECT_EQ(ResolveModPath(list, 4), "Other");
  EXPECT_EQ(ResolveModPath(list, 5), "");
  EXPECT_EQ(ResolveModPath(list, 6), "");
  EXPECT_EQ(ResolveModPath(list, -1), "");
}

TEST(FindModEntry, AcceptsBothSeparatorsAndIgnoresCaseWhenNoExactMatch) {
  const ModList list = {"Mod", "    Extra", "mod", "Other"};
  EXPECT_EQ(FindModEntry(list, "Mod"), 0);
  EXPECT_EQ(FindModEntry(list, "mod"), 2);
  EXPECT_EQ(FindModEntry(list, "MOD"), 0);
  EXPECT_EQ(FindModEntry(list, "Mod/Addon/Extra"), 1);
  EXPECT_EQ(FindModEntry(list, "Mod\\addon\\extra"), 1);
  EXPECT_EQ(FindModEntry(list, "Mod\\Extra"), -1);
  EXPECT_EQ(FindModEntry(list, "..\\Mod"), -1);
  EXPECT_EQ(FindModEntry(list, ""), -1);
}

TEST_F(ModLibrary, EnsureModsDirCreatesOrRenamesToLowerCase) {
  t.MakeDir("prog");
  EXPECT_TRUE(EnsureModsDir(t / "prog"));
  EXPECT_EQ(drydock::platform::ListAllNames(t / "prog"), (Names{"mods"}));

  t.MakeDir("prog2/MODS/Some Mod");
  EXPECT_TRUE(EnsureModsDir(t / "prog2"));
  EXPECT_EQ(drydock::platform::ListAllNames(t / "prog2"), (Names{"mods"}));
  EXPECT_TRUE(fs::is_directory(t / "prog2/mods/Some Mod"));

  // With "mods" present, a "Mods" beside it is left alone: nothing is merged.
  t.MakeDir("prog3/Mods/x");
  t.MakeDir("prog3/mods/y");
  EXPECT_TRUE(EnsureModsDir(t / "prog3"));
  EXPECT_EQ(drydock::platform::ListAllNames(t / "prog3"), (Names{"Mods", "mods"}));
}

TEST_F(ModLibrary, EnsureModsDirFailsQuietlyWhereNoFolderCanBeMade) {
  t.Write("not-a-folder", "file");
  EXPECT_FALSE(EnsureModsDir(t / "not-a-folder"));
  EXPECT_TRUE(FillModList(ModsDir(t / "not-a-folder")).empty());
}

TEST(ProgramDir, DriveRootsAndTrailingSeparators) {
  EXPECT_EQ(NormalizeProgramDir("D:\\"), "D:");
  EXPECT_EQ(NormalizeProgramDir("C:\\Games\\Drydock\\"), "C:\\Games\\Drydock");
  EXPECT_EQ(NormalizeProgramDir("/opt/drydock/"), "/opt/drydock");
  EXPECT_EQ(NormalizeProgramDir("/"), "/");
  EXPECT_EQ(drydock::platform::PathToUtf8(ModsDir("D:")), "D:\\mods");
  EXPECT_EQ(ModsDir("/opt/drydock"), fs::path("/opt/drydock/mods"));
}

TEST_F(ModLibrary, ProgramDirIsTheOverrideOrAWritableExecutableFolder) {
  t.MakeDir("exe");
  t.MakeDir("data");
  EXPECT_EQ(ChooseProgramDir({t / "exe", t / "custom", t / "data"}), t / "custom");
  EXPECT_EQ(ChooseProgramDir({t / "exe", std::nullopt, t / "data"}), t / "exe");
  EXPECT_EQ(ChooseProgramDir({t / "gone", std::nullopt, t / "data"}), t / "data");
  t.Write("file-not-folder");
  EXPECT_EQ(ChooseProgramDir({t / "file-not-folder", std::nullopt, t / "data"}), t / "data");
}

TEST(TextContains, IgnoresCaseAndLeavesArgumentsAlone) {
  std::string name = "My_ReadMe.TXT";
  EXPECT_TRUE(TextContains(name, "readme"));
  EXPECT_EQ(name, "My_ReadMe.TXT");
  EXPECT_TRUE(TextContains("abc", ""));
  EXPECT_TRUE(TextContains("", ""));
  EXPECT_FALSE(TextContains("ab", "abc"));
  EXPECT_TRUE(TextContains("abc", "ABC"));
  EXPECT_TRUE(TextContains("xxabc", "bc"));
  EXPECT_FALSE(TextContains("read me.txt", "readme"));
}

TEST(RoundTo, RoundsHalvesUp) {
  EXPECT_DOUBLE_EQ(RoundTo(1.024, 2), 1.02);
  EXPECT_DOUBLE_EQ(RoundTo(100.0, 2), 100.0);
  EXPECT_DOUBLE_EQ(RoundTo(1.005, 2), 1.01);  // 1.005 is stored a hair below the half
  EXPECT_DOUBLE_EQ(RoundTo(2.675, 2), 2.68);
  EXPECT_DOUBLE_EQ(RoundTo(0.0, 2), 0.0);
  EXPECT_DOUBLE_EQ(RoundTo(0.994, 2), 0.99);
  EXPECT_DOUBLE_EQ(RoundTo(1048576.0 / 1024 / 1000, 2), 1.02);
}

TEST_F(ModLibrary, CountsPlainFilesOfTheTableFoldersOnly) {
  for (int i = 0; i < 45; ++i) t.Write("game/f" + std::to_string(i) + ".txt");
  t.Write("game/ODF/Ships/a.odf");   // case variant of odf\ships\ on disk
  t.Write("game/odf/b.odf");         // a second, lower-case "odf" beside "ODF"
  t.Write("game/odf/custom/c.odf");  // not a table folder
  t.Write("game/Backup/odf/d.odf");  // not a table folder either
  t.Write("game/.hidden");
  t.MakeDir("game/Textures");
  std::vector<long> steps;
  const long total = CountFolderListFiles(t / "game", [&](long n) {
    if (n % 22 == 0) steps.push_back(n);
  });
  // "odf\" resolves to the exact "odf", whose ships folder does not exist;
  // ODF/Ships is a different folder on this file system.
  EXPECT_EQ(total, 46);
  EXPECT_EQ(steps, (std::vector<long>{22, 44}));
  EXPECT_EQ(CountFolderListFiles(t / "missing"), 0);
}

TEST_F(ModLibrary, CountFindsCaseVariantFolders) {
  t.Write("game/ODF/Ships/a.odf");
  t.Write("game/ODF/Ships/b.odf");
  t.Write("game/sounds/Effects/boom.wav");
  EXPECT_EQ(CountFolderListFiles(t / "game"), 3);
}
