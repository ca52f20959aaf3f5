// The conflict index on real folders: which mods share which files, same bytes
// and the mod description files left out, the installed state and order, and
// the command that prints it for the whole library.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "compat/conflict_index.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using Names = std::vector<std::string>;

namespace {

// Alpha, its addon Dock, Borg and Cardassia: shared paths of other bytes (equal and other sizes, another letter
// case), a path of the same bytes, description files of their own and files only one mod has.
void WriteLibrary(test::TempTree& t) {
  t.Write("prog/mods/Alpha/odf/ships/fed.odf", "aaa");
  t.Write("prog/mods/Alpha/odf/ships/same.odf", "same");
  t.Write("prog/mods/Alpha/sprites/a.spr", "a");
  t.Write("prog/mods/Alpha/ModInfo.txt", "Author: A\r\n");
  t.Write("prog/mods/Alpha/ModPic.bmp", "A picture");
  t.Write("prog/mods/Alpha/Addon/Dock/sprites/A.SPR", "dock");
  t.Write("prog/mods/Borg/ODF/Ships/FED.ODF", "bbb");
  t.Write("prog/mods/Borg/odf/ships/same.odf", "same");
  t.Write("prog/mods/Borg/textures/b.tga", "b");
  t.Write("prog/mods/Borg/ModInfo.txt", "Author: B\r\n");
  t.Write("prog/mods/Borg/ModPic.bmp", "B picture");
  t.Write("prog/mods/Cardassia/odf/ships/fed.odf", "cccc");
  t.Write("prog/mods/Cardassia/sounds/c.wav", "c");
  t.Write("game/Armada2.exe", "");
  t.Write("game/odf/ships/fed.odf", "game");
}

Names NamesOf(const compat::ConflictIndex& index, const compat::ModConflicts& conflicts) {
  Names names;
  for (int m : conflicts.mods) names.push_back(index.mods[static_cast<size_t>(m)].name);
  return names;
}

std::string Drydock(const test::TempTree& t, std::vector<std::string> args) {
  std::vector<std::string> argv = {"--program-dir", (t / "prog").string(), "--game-dir", (t / "game").string(),
                                   "--yes"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string error;
  std::ostringstream out, err;
  const auto cl = cli::ParseCommandLine(argv, error);
  EXPECT_EQ(cl ? cli::RunCommand(*cl, out, err) : -1, cli::kExitOk) << error << err.str();
  return out.str();
}

}  // namespace

TEST(ConflictIndex, CountsPathsOfOtherBytesOnceEachAndNamesTheModsWithTheInstalledOnesInTheirOrder) {
  test::TempTree t;
  WriteLibrary(t);
  const fs::path mods = t / "prog/mods";
  const library::ModList list = library::FillModList(mods);
  ASSERT_EQ(list, (Names{"Alpha", "    Dock", "Borg", "Cardassia"}));

  const struct {
    const char* installs;  // installed before the index is built, in this order
    struct Row {
      std::string name;
      bool installed;
      int order, files;
      Names with;
      int installedFiles;
      Names installedWith;
    } rows[4];
  } cases[] = {
      // Nothing installed: fed.odf and a.spr for Alpha; same.odf (same bytes) and the pictures are no conflict.
      {"",
       {{"Alpha", false, 0, 2, {"Dock", "Borg", "Cardassia"}, 0, {}},
        {"Dock", false, 0, 1, {"Alpha"}, 0, {}},
        {"Borg", false, 0, 1, {"Alpha", "Cardassia"}, 0, {}},
        {"Cardassia", false, 0, 1, {"Alpha", "Borg"}, 0, {}}}},
      // Cardassia, then Borg: the installed mods share with each other, not with themselves.
      {"Cardassia Borg",
       {{"Alpha", false, 0, 2, {"Dock", "Borg", "Cardassia"}, 1, {"Borg", "Cardassia"}},
        {"Dock", false, 0, 1, {"Alpha"}, 0, {}},
        {"Borg", true, 2, 1, {"Alpha", "Cardassia"}, 1, {"Cardassia"}},
        {"Cardassia", true, 1, 1, {"Alpha", "Borg"}, 1, {"Borg"}}}},
  };
  for (const auto& c : cases) {
    std::istringstream installs(c.installs);
    for (std::string mod; installs >> mod;) Drydock(t, {"install", mod});
    const std::optional<compat::ConflictIndex> index = compat::BuildConflictIndex(mods, list, t / "game");
    ASSERT_TRUE(index);
    ASSERT_EQ(index->mods.size(), 4u);
    for (int m = 0; m < 4; ++m) {
      const auto& want = c.rows[m];
      const compat::IndexedMod& mod = index->mods[static_cast<size_t>(m)];
      const compat::ModConflicts all = compat::ConflictsOf(*index, m, false);
      const compat::ModConflicts installed = compat::ConflictsOf(*index, m, true);
      SCOPED_TRACE(std::string(c.installs) + ": " + want.name);
      EXPECT_EQ(mod.name, want.name);
      EXPECT_EQ(mod.installed, want.installed);
      EXPECT_EQ(mod.installOrder, want.order);
      EXPECT_EQ(all.files, want.files);
      EXPECT_EQ(NamesOf(*index, all), want.with);
      EXPECT_EQ(installed.files, want.installedFiles);
      EXPECT_EQ(NamesOf(*index, installed), want.installedWith);
    }
  }
}

TEST(ConflictIndex, TheCommandPrintsEverySharingModAndABackupWithoutRecordIsInstalledWithoutAPlace) {
  test::TempTree t;
  t.Write("prog/mods/Solo/odf/solo.odf");
  t.Write("game/Armada2.exe", "");
  EXPECT_EQ(Drydock(t, {"conflicts"}), "No mod shares a file with another mod.\n");
  EXPECT_EQ(Drydock(t, {"conflicts", "--json"}), "{\n  \"mods\": []\n}\n");

  WriteLibrary(t);
  t.MakeDir("prog/mods/Alpha/Addon/Dock/Backup");  // another tool's backup: installed, no place in the order
  Drydock(t, {"install", "Borg"});
  EXPECT_EQ(Drydock(t, {"conflicts"}),
            "Alpha: Shares 2 files with: Dock (installed), Borg (installed #1), Cardassia\n"
            "Dock (installed): Shares 1 file with: Alpha\n"
            "Borg (installed #1): Shares 1 file with: Alpha, Cardassia\n"
            "Cardassia: Shares 1 file with: Alpha, Borg (installed #1)\n");
  const std::optional<compat::ConflictIndex> index =
      compat::BuildConflictIndex(t / "prog/mods", library::FillModList(t / "prog/mods"), t / "game");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->mods[1].modPath, "Alpha\\Addon\\Dock");
  EXPECT_EQ(compat::SharesText(*index, compat::ConflictsOf(*index, 0, true)), "Shares 2 files with: Dock, Borg");
  EXPECT_EQ(compat::SharesText(*index, compat::ConflictsOf(*index, 3, true)), "Shares 1 file with: Borg");
  EXPECT_EQ(compat::ConflictsOf(*index, 2, true).files, 0) << "Borg shares nothing with the installed Dock";

  const std::atomic<bool> cancelled{true};
  EXPECT_FALSE(
      compat::BuildConflictIndex(t / "prog/mods", library::FillModList(t / "prog/mods"), t / "game", &cancelled));
}

TEST(ConflictIndex, ManyModsListedOnSeveralThreadsComeOutInListOrder) {
  // Forty mods, each a different number of files so the threads finish them out of turn; mod m holds shared
  // path m % 3 with bytes of its own, and path "same" with the same bytes as all the others.
  test::TempTree t;
  constexpr int kMods = 40;
  for (int m = 0; m < kMods; ++m) {
    const std::string mod = "prog/mods/M" + std::to_string(100 + m) + "/";
    for (int f = 0; f < (m % 7) * 10; ++f) t.Write(mod + "odf/own" + std::to_string(f) + ".odf", "x");
    t.Write(mod + "sprites/shared" + std::to_string(m % 3) + ".spr", std::to_string(m));
    t.Write(mod + "sprites/same.spr", "same");
  }
  const fs::path mods = t / "prog/mods";
  const library::ModList list = library::FillModList(mods);
  ASSERT_EQ(list.size(), static_cast<size_t>(kMods));
  const std::optional<compat::ConflictIndex> index = compat::BuildConflictIndex(mods, list, std::nullopt);
  ASSERT_TRUE(index);

  ASSERT_EQ(index->sharedPaths.size(), 3u);
  for (int p = 0; p < 3; ++p) {
    SCOPED_TRACE(index->sharedPaths[static_cast<size_t>(p)].shown);
    EXPECT_NE(index->sharedPaths[static_cast<size_t>(p)].shown.find("shared" + std::to_string(p)), std::string::npos);
    std::vector<int> providers;
    for (const auto& provider : index->sharedPaths[static_cast<size_t>(p)].providers) providers.push_back(provider.mod);
    std::vector<int> expected;
    for (int m = p; m < kMods; m += 3) expected.push_back(m);
    EXPECT_EQ(providers, expected);
  }
  for (int m = 0; m < kMods; ++m) {
    EXPECT_EQ(index->mods[static_cast<size_t>(m)].name, "M" + std::to_string(100 + m));
    EXPECT_EQ(compat::ConflictsOf(*index, m, false).mods.size(), static_cast<size_t>((kMods - m % 3 + 2) / 3 - 1));
  }
}
