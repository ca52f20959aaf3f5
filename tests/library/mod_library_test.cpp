// The mod library on real temporary folders.
#include <gtest/gtest.h>

#include <set>

#include "library/game_folders.h"
#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock::library;
using drydock::platform::ListAllNames;
using drydock::test::TempTree;
using Names = std::vector<std::string>;

class ModLibrary : public ::testing::Test {
 protected:
  TempTree t;
  fs::path mods() const { return t / "prog/mods"; }
};

TEST_F(ModLibrary, ListsModsSortedWithAddonsReversedFollowingLinkedModsButNotLinkedAddons) {
  EXPECT_TRUE(FillModList(mods()).empty()) << "missing mods folder";
  t.MakeDir("prog/mods");
  EXPECT_TRUE(FillModList(mods()).empty()) << "empty mods folder";

  for (const char* rel : {"prog/mods/zeta", "prog/mods/Alpha/Addon/A", "prog/mods/Alpha/Addon/B",
                          "prog/mods/Alpha/Addon/A/Addon/TooDeep", "prog/mods/beta", "prog/mods/.hidden",
                          "prog/mods/Lower/addon/One", "elsewhere/Big Mod/Addon/Linked Out", "elsewhere/target"}) {
    t.MakeDir(rel);
  }
  t.Write("prog/mods/Alpha/Addon/notes.txt");  // a plain file in Addon is an addon entry too
  t.Write("prog/mods/loose.txt");              // never a mod
  Names listed{"Alpha",   "    notes.txt",  "    B", "    A",   "beta",
               "Big Mod", "    Linked Out", "Lower", "    One", "zeta"};
  if (drydock::test::LinksCanBeMade()) {
    t.Link("prog/mods/Big Mod", t / "elsewhere/Big Mod");
    t.Link("prog/mods/Lower/addon/Two", t / "elsewhere/target");
  } else {
    listed.erase(listed.begin() + 5, listed.begin() + 7);
  }
  EXPECT_EQ(FillModList(mods()), listed);
  EXPECT_TRUE(fs::equivalent(ModFolder(mods(), "Lower\\Addon\\One"), t / "prog/mods/Lower/addon/One"));
}

TEST(ModList, EntriesResolveToPathsAndPathsFindEntriesWithEitherSeparatorIgnoringCaseWhenNoExactMatch) {
  const ModList list = {"    Orphan", "Mod", "    B", "    A", "Other", "(No mods found.)"};
  const std::vector<std::string> expected = {"", "Mod", "Mod\\Addon\\B", "Mod\\Addon\\A", "Other", "", ""};
  for (int i = -1; i <= 6; ++i) EXPECT_EQ(ResolveModPath(list, i), i < 0 ? "" : expected[i]) << i;
  const ModList found = {"Mod", "    Extra", "mod", "Other"};
  const std::vector<std::pair<std::string, int>> cases = {
      {"Mod", 0},         {"mod", 2},      {"MOD", 0}, {"Mod/Addon/Extra", 1}, {"Mod\\addon\\extra", 1},
      {"Mod\\Extra", -1}, {"..\\Mod", -1}, {"", -1}};
  for (const auto& [path, index] : cases) EXPECT_EQ(FindModEntry(found, path), index) << path;
}

TEST_F(ModLibrary, EnsureModsDirCreatesOrRenamesToLowerCaseAndFailsQuietly) {
  t.MakeDir("prog");
  EXPECT_TRUE(EnsureModsDir(t / "prog"));
  EXPECT_EQ(ListAllNames(t / "prog"), (Names{"mods"}));
  // The per-user data folder of a new user of an installed Drydock does not exist yet.
  EXPECT_TRUE(EnsureModsDir(t / "home/.local/share/drydock"));
  EXPECT_EQ(ListAllNames(t / "home/.local/share/drydock"), (Names{"mods"}));

  t.MakeDir("prog2/MODS/Some Mod");
  EXPECT_TRUE(EnsureModsDir(t / "prog2"));
  EXPECT_EQ(ListAllNames(t / "prog2"), (Names{"mods"}));
  EXPECT_TRUE(fs::is_directory(t / "prog2/mods/Some Mod"));

#ifndef _WIN32  // a Windows folder cannot hold both
  // With "mods" present, a "Mods" beside it is left alone: nothing is merged.
  t.MakeDir("prog3/Mods/x");
  t.MakeDir("prog3/mods/y");
  EXPECT_TRUE(EnsureModsDir(t / "prog3"));
  EXPECT_EQ(ListAllNames(t / "prog3"), (Names{"Mods", "mods"}));
#endif

  t.Write("not-a-folder", "file");
  EXPECT_FALSE(EnsureModsDir(t / "not-a-folder"));
  EXPECT_TRUE(FillModList(ModsDir(t / "not-a-folder")).empty());
}

TEST_F(ModLibrary, ProgramDirIsTheOverrideOrAWritableExecutableFolderWithoutATrailingSeparator) {
  EXPECT_EQ(NormalizeProgramDir("D:\\"), "D:");
  EXPECT_EQ(NormalizeProgramDir("C:\\Games\\Drydock\\"), "C:\\Games\\Drydock");
  EXPECT_EQ(NormalizeProgramDir("/opt/drydock/"), "/opt/drydock");
  EXPECT_EQ(NormalizeProgramDir("/"), "/");
  EXPECT_EQ(drydock::platform::PathToUtf8(ModsDir("D:")), "D:\\mods");
  EXPECT_EQ(ModsDir("/opt/drydock"), fs::path("/opt/drydock/mods"));
  t.MakeDir("exe");
  t.MakeDir("data");
  EXPECT_EQ(ChooseProgramDir({t / "exe", t / "custom", t / "data"}), t / "custom");
  EXPECT_EQ(ChooseProgramDir({t / "exe", std::nullopt, t / "data"}), t / "exe");
  EXPECT_EQ(ChooseProgramDir({t / "gone", std::nullopt, t / "data"}), t / "data");
  t.Write("file-not-folder");
  EXPECT_EQ(ChooseProgramDir({t / "file-not-folder", std::nullopt, t / "data"}), t / "data");
  // An installed program keeps its mods per user, even where it could write (as root).
  t.MakeDir("usr/bin");
  EXPECT_EQ(ChooseProgramDir({t / "usr/bin", std::nullopt, t / "data"}), t / "usr/bin");
  t.Write("usr/share/applications/org.example.drydock.desktop", "[Desktop Entry]\n");
  EXPECT_EQ(ChooseProgramDir({t / "usr/bin", std::nullopt, t / "data"}), t / "data");
  EXPECT_EQ(ChooseProgramDir({t / "usr/bin", t / "custom", t / "data"}), t / "custom");
  if (drydock::test::FolderPermissionsBind()) {
    fs::permissions(t / "exe", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(ChooseProgramDir({t / "exe", std::nullopt, t / "data"}), t / "data");
    fs::permissions(t / "exe", fs::perms::owner_write, fs::perm_options::add);
  }
}

TEST(TextContainsAndRoundTo, FindAPartAnywhereIgnoringCaseAndRoundHalvesUp) {
  for (const auto& [text, part, found] :
       {std::tuple("My_ReadMe.TXT", "readme", true), std::tuple("xxabc", "BC", true), std::tuple("abc", "", true),
        std::tuple("ab", "abc", false), std::tuple("read me.txt", "readme", false)}) {
    EXPECT_EQ(TextContains(text, part), found) << text << " / " << part;
  }
  // 1.005 is stored a hair below the half.
  for (const auto& [value, rounded] :
       {std::pair(1.005, 1.01), std::pair(2.675, 2.68), std::pair(0.994, 0.99), std::pair(100.0, 100.0)}) {
    EXPECT_DOUBLE_EQ(RoundTo(value, 2), rounded) << value;
  }
}

TEST_F(ModLibrary, TheTableHasTheRootLastAndParentsFirstAndItsFoldersPlainFilesCountInTheirExactOrOtherCase) {
  EXPECT_EQ(GameFolder(kGameFolderCount), "");
  std::set<std::string_view> seen;
  for (int i = 1; i < kGameFolderCount; ++i) {
    const std::string_view entry = GameFolder(i);
    ASSERT_EQ(entry.back(), '\\') << entry;
    EXPECT_TRUE(seen.insert(entry).second) << "twice: " << entry;
    const auto cut = entry.substr(0, entry.size() - 1).rfind('\\');
    if (cut != std::string_view::npos) {
      EXPECT_TRUE(seen.count(entry.substr(0, cut + 1))) << entry << " comes before its parent";
    }
  }
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
  // "odf\" resolves to the exact "odf", whose ships folder does not exist; ODF/Ships is another folder here.
  // On Windows the two are one folder, so a.odf counts too.
#ifdef _WIN32
  EXPECT_EQ(total, 47);
#else
  EXPECT_EQ(total, 46);
#endif
  EXPECT_EQ(steps, (std::vector<long>{22, 44}));
  EXPECT_EQ(CountFolderListFiles(t / "missing"), 0);

  for (const char* rel : {"other/ODF/Ships/a.odf", "other/ODF/Ships/b.odf", "other/sounds/Effects/boom.wav"})
    t.Write(rel);
  EXPECT_EQ(CountFolderListFiles(t / "other"), 3);
}
