// Installing and uninstalling on real folders: round trips, shared files,
// injected failures and refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using drydock::test::TempTree;
using Rows = std::vector<std::string>;

namespace {

class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    // The game, with a folder stored in other letter case than the table's.
    t.Write("game/Armada2.exe", "exe");
    t.Write("game/odf/ships/fed.odf", "game fed");
    t.Write("game/odf/ships/kling.odf", "game kling");
    t.Write("game/ODF/Stations/base.odf", "game base");  // a second, upper-case folder beside odf
    t.Write("game/textures/rgb/ship.tga", "game tga");
    t.Write("game/sounds/effects/boom.wav", "game boom");
    t.Write("game/readme.txt", "game readme");
    t.MakeDir("game/save");
    t.MakeReadOnly("game/odf/ships/kling.odf");
    // The mod.
    t.Write("mods/Fleet/ModInfo.txt", "Author: me\r\n");
    t.Write("mods/Fleet/ODF/Ships/fed.odf", "mod fed");
    t.Write("mods/Fleet/ODF/Ships/Kling.odf", "mod kling");
    t.Write("mods/Fleet/ODF/Ships/new.odf", "mod new");
    t.Write("mods/Fleet/Textures/Rgb/ship.tga", "mod tga");
    t.Write("mods/Fleet/sounds/music/theme.wav", "mod theme");  // a folder the game lacks
    t.Write("mods/Fleet/readme.txt", "mod readme");
    t.Write("mods/Fleet/odf/custom/ignored.odf", "not a game folder");
    t.Write("mods/Fleet/Addon/Extra/odf/ships/extra.odf", "addon");
    original = TempTree::Snapshot(t / "game");
    modBefore = TempTree::Snapshot(t / "mods/Fleet");
  }
  void TearDown() override { platform::fault::Configure(0, 0); }

  fs::path game() const { return t / "game"; }
  fs::path mod() const { return t / "mods/Fleet"; }
  std::string Game(const char* rel) const { return TempTree::Read(t / (std::string("game/") + rel)); }

  TempTree t;
  Rows original;
  Rows modBefore;
};

}  // namespace

TEST_F(Install, RoundTripLeavesGameAndModAsTheyWere) {
  std::vector<Phase> phases;
  Callbacks cb;
  cb.phase = [&](Phase p) { phases.push_back(p); };
  const Report in = InstallModFiles(game(), mod(), cb);
  ASSERT_TRUE(in.Succeeded()) << (in.failures.empty() ? in.refusal : in.failures[0].reason);
  EXPECT_EQ(in.filesHandled, 6);
  EXPECT_EQ(phases, (std::vector<Phase>{Phase::CreatingBackup, Phase::CopyingFiles}));

  // Into the game's own folders, whatever their letter case; no second folder.
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  EXPECT_EQ(Game("odf/ships/kling.odf"), "mod kling");
  EXPECT_EQ(Game("odf/ships/new.odf"), "mod new");
  EXPECT_EQ(Game("textures/rgb/ship.tga"), "mod tga");
  EXPECT_EQ(Game("sounds/music/theme.wav"), "mod theme");
  EXPECT_EQ(Game("readme.txt"), "mod readme");
  EXPECT_FALSE(fs::exists(game() / "ModInfo.txt"));
  EXPECT_FALSE(fs::exists(game() / "odf/custom"));
  EXPECT_FALSE(fs::exists(game() / "odf/ships/extra.odf"));
  EXPECT_EQ(platform::ListSubfolders(game()), (Rows{"ODF", "odf", "save", "sounds", "textures"}));
  EXPECT_TRUE(fs::is_directory(game() / "save")) << "an empty game folder stays";

  // The backup holds the replaced originals, under the names the game gave them.
  EXPECT_TRUE(IsInstalled(mod()));
  EXPECT_EQ(TempTree::Read(mod() / "Backup/odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(TempTree::Read(mod() / "Backup/odf/ships/kling.odf"), "game kling");
  EXPECT_EQ(TempTree::Read(mod() / "Backup/Textures/Rgb/ship.tga"), "game tga");
  EXPECT_FALSE(fs::exists(mod() / "Backup/odf/ships/new.odf"));

  phases.clear();
  const Report out = UninstallModFiles(game(), mod(), cb);
  ASSERT_TRUE(out.Succeeded()) << (out.failures.empty() ? out.refusal : out.failures[0].reason);
  EXPECT_EQ(phases, (std::vector<Phase>{Phase::DeletingFiles, Phase::RestoringBackup, Phase::DeletingBackup}));
  EXPECT_FALSE(IsInstalled(mod()));
  EXPECT_EQ(TempTree::Read(game() / "odf/ships/kling.odf"), "game kling");
  // Game folders the install made stay (empty), as they always have; every file is back.
  Rows after = TempTree::Snapshot(game());
  std::erase(after, "sounds/music/");
  EXPECT_EQ(after, original);
  EXPECT_EQ(TempTree::Snapshot(mod()), modBefore);
}

TEST_F(Install, AnInstalledModIsRefusedAndLeftoversOfACrashAreCleared) {
  t.Write("mods/Fleet/.drydock-backup-new/odf/ships/fed.odf", "half-built backup");
  ASSERT_TRUE(InstallModFiles(game(), mod()).Succeeded());
  EXPECT_FALSE(fs::exists(mod() / ".drydock-backup-new"));
  const Report again = InstallModFiles(game(), mod());
  EXPECT_TRUE(again.refused);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  EXPECT_EQ(TempTree::Read(mod() / "Backup/odf/ships/fed.odf"), "game fed");
}

TEST_F(Install, NoGameFolderTouchesNothing) {
  for (const fs::path& gameDir : {t / "(Armada II directory not found)", t / "gone"}) {
    const Report in = InstallModFiles(gameDir, mod());
    EXPECT_TRUE(in.refused);
    EXPECT_NE(in.refusal.find("Armada II directory"), std::string::npos);
    EXPECT_TRUE(UninstallModFiles(gameDir, mod()).refused);
  }
  EXPECT_EQ(TempTree::Snapshot(mod()), modBefore);
  EXPECT_EQ(TempTree::Snapshot(game()), original);
  EXPECT_TRUE(InstallModFiles(game(), t / "mods/Missing").refused);
}

TEST_F(Install, AGameFileThatCannotBeBackedUpIsNotReplacedNorDeletedLater) {
  platform::fault::Configure(0, 0, "backup-new/odf/ships/fed.odf");
  const Report in = InstallModFiles(game(), mod());
  platform::fault::Configure(0, 0);
  ASSERT_EQ(in.failures.size(), 1u);
  EXPECT_EQ(in.failures[0].relativePath, "odf\\ships\\fed.odf");
  EXPECT_EQ(in.filesHandled, 5);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("odf/ships/kling.odf"), "mod kling");

  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed") << "the original the install left alone must survive";
  Rows after = TempTree::Snapshot(game());
  std::erase(after, "sounds/music/");
  EXPECT_EQ(after, original);
}

TEST_F(Install, AGameFileThatCannotBeReplacedKeepsItsBytesAndIsReported) {
  platform::fault::Configure(0, 0, "game/odf/ships/kling.odf");
  const Report in = InstallModFiles(game(), mod());
  platform::fault::Configure(0, 0);
  ASSERT_EQ(in.failures.size(), 1u);
  EXPECT_EQ(in.failures[0].relativePath, "odf\\ships\\Kling.odf");
  EXPECT_EQ(Game("odf/ships/kling.odf"), "game kling");
  EXPECT_FALSE(fs::exists(t / "game/odf/ships/Kling.odf"));
  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/kling.odf"), "game kling");
}

TEST_F(Install, AFailedRestoreKeepsTheBackupAndASecondRunFinishes) {
  ASSERT_TRUE(InstallModFiles(game(), mod()).Succeeded());
  platform::fault::Configure(0, 0, "game/textures/rgb/ship.tga");
  const Report out = UninstallModFiles(game(), mod());
  platform::fault::Configure(0, 0);
  ASSERT_EQ(out.failures.size(), 1u);
  EXPECT_EQ(out.failures[0].relativePath, "Textures\\Rgb\\ship.tga");
  EXPECT_TRUE(IsInstalled(mod()));
  EXPECT_EQ(TempTree::Read(mod() / "Backup/Textures/Rgb/ship.tga"), "game tga");
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");

  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  EXPECT_FALSE(IsInstalled(mod()));
  EXPECT_EQ(Game("textures/rgb/ship.tga"), "game tga");
}

TEST_F(Install, UninstallWithoutBackupDeletesTheModsPathsAndRestoresNothing) {
  const Report out = UninstallModFiles(game(), mod());
  EXPECT_TRUE(out.Succeeded());
  EXPECT_FALSE(fs::exists(game() / "odf/ships/fed.odf"));
  EXPECT_FALSE(fs::exists(game() / "readme.txt"));
  EXPECT_TRUE(fs::exists(game() / "sounds/effects/boom.wav"));
  EXPECT_TRUE(fs::exists(game() / "Armada2.exe"));
}

TEST_F(Install, BackupFilesOfRemovedModFilesComeBackToo) {
  ASSERT_TRUE(InstallModFiles(game(), mod()).Succeeded());
  fs::remove(mod() / "ODF/Ships/fed.odf");              // the author dropped a file after the install
  t.Write("mods/Fleet/odf/ships/kling2.odf", "later");  // and added one the install never wrote
  t.Write("game/odf/ships/kling2.odf", "the game's own");
  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("odf/ships/kling2.odf"), "the game's own");
  EXPECT_FALSE(IsInstalled(mod()));
}

TEST_F(Install, TwoModsSharingAFileInEitherOrder) {
  t.Write("mods/Later/odf/ships/fed.odf", "later fed");
  ASSERT_TRUE(InstallModFiles(game(), mod()).Succeeded());
  ASSERT_TRUE(InstallModFiles(game(), t / "mods/Later").Succeeded());
  EXPECT_EQ(TempTree::Read(t / "mods/Later/Backup/odf/ships/fed.odf"), "mod fed");
  EXPECT_EQ(FilesChangedSinceInstall(game(), mod()), Rows{"odf\\ships\\fed.odf"});
  EXPECT_TRUE(FilesChangedSinceInstall(game(), t / "mods/Later").empty());

  // The earlier one first: the game's own file comes back, then the later
  // one's uninstall puts the earlier mod's copy back.
  TempTree::Snapshot(game());
  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  ASSERT_TRUE(UninstallModFiles(game(), t / "mods/Later").Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
}

TEST_F(Install, TwoModsSharingAFileInReverseOrderRestoreTheGame) {
  t.Write("mods/Later/odf/ships/fed.odf", "later fed");
  ASSERT_TRUE(InstallModFiles(game(), mod()).Succeeded());
  ASSERT_TRUE(InstallModFiles(game(), t / "mods/Later").Succeeded());
  ASSERT_TRUE(UninstallModFiles(game(), t / "mods/Later").Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  Rows after = TempTree::Snapshot(game());
  std::erase(after, "sounds/music/");
  EXPECT_EQ(after, original);
}

TEST_F(Install, LinksInTheModOrTheGameAreNeitherFollowedNorCopied) {
  t.Write("outside/secret.odf", "secret");
  t.Link("mods/Fleet/odf/ships/linked.odf", t / "outside/secret.odf");
  t.Link("game/odf/ships/gamelink.odf", t / "outside/secret.odf");
  t.Link("mods/Fleet/odf/ships/gamelink.odf", t / "outside/secret.odf");
  t.Write("mods/Fleet/odf/ships/gamelink2.odf", "mod");
  t.Link("game/odf/ships/gamelink2.odf", t / "outside/secret.odf");
  const Report in = InstallModFiles(game(), mod());
  ASSERT_EQ(in.failures.size(), 1u);
  EXPECT_EQ(in.failures[0].relativePath, "odf\\ships\\gamelink2.odf");
  EXPECT_FALSE(fs::exists(game() / "odf/ships/linked.odf"));
  EXPECT_TRUE(fs::is_symlink(game() / "odf/ships/gamelink2.odf"));
  EXPECT_EQ(TempTree::Read(t / "outside/secret.odf"), "secret");
  ASSERT_TRUE(UninstallModFiles(game(), mod()).Succeeded());
  EXPECT_TRUE(fs::is_symlink(game() / "odf/ships/gamelink2.odf"));
  EXPECT_EQ(TempTree::Read(t / "outside/secret.odf"), "secret");
}

TEST_F(Install, ProgressCoversEveryFileOfTheRun) {
  std::vector<std::pair<std::int64_t, std::int64_t>> steps;
  Callbacks cb;
  cb.progress = [&](std::int64_t done, std::int64_t total) { steps.emplace_back(done, total); };
  ASSERT_TRUE(InstallModFiles(game(), mod(), cb).Succeeded());
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), (std::pair<std::int64_t, std::int64_t>{0, 6}));
  EXPECT_EQ(steps.back(), (std::pair<std::int64_t, std::int64_t>{6, 6}));
  steps.clear();
  ASSERT_TRUE(UninstallModFiles(game(), mod(), cb).Succeeded());
  // Restoring fills the first half of the bar, retiring the backup the second.
  EXPECT_EQ(steps.front().first, 0);
  EXPECT_LE(steps[steps.size() - 2].first * 2, steps[steps.size() - 2].second);
  EXPECT_EQ(steps.back().first, steps.back().second);
}

TEST(ModFiles, ListsTheTableFoldersWithoutModInfo) {
  TempTree t;
  t.Write("m/ModInfo.txt");
  t.Write("m/odf/ModInfo.txt");  // skipped in any folder, as the install always did
  t.Write("m/modinfo.txt");      // another name: installed
  t.Write("m/bitmaps/AdmiralsLog/Buttons/b.bmp");
  t.Write("m/Backup/odf/x.odf");
  Rows rel;
  for (const ModFile& f : ListModFiles(t / "m")) rel.push_back(f.Relative());
  EXPECT_EQ(rel, (Rows{"bitmaps\\AdmiralsLog\\Buttons\\b.bmp", "modinfo.txt"}));
}
