// Installing and uninstalling on real folders: round trips, shared files,
// injected failures and refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/writer_lock.h"
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
    t.Write("game/odf/ships/.fed.odf.drydock-mine", "the user's own hidden file");
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
  Report RunInstall(const fs::path& modFolder, const Callbacks& cb = {}) {
    return InstallModFiles(*Lock(), game(), modFolder, cb);
  }
  Report RunUninstall(const fs::path& modFolder, const Callbacks& cb = {}) {
    const auto lock = Lock();
    return UninstallModFiles(*lock, PlanUninstall(*lock, game(), modFolder), ChangedFiles::Replace, cb);
  }
  std::optional<platform::WriterLock> Lock() { return platform::WriterLock::Acquire({game(), t / "mods"}); }
  fs::path mod() const { return t / "mods/Fleet"; }
  std::string Game(const char* rel) const { return TempTree::Read(t / (std::string("game/") + rel)); }

  TempTree t;
  Rows original;
  Rows modBefore;
};

}  // namespace

TEST_F(Install, RoundTripLeavesGameAndModAsTheyWere) {
  t.Write("game/odf/ships/.fed.odf.drydock-k3x9a0qz", "left by a killed run");
  std::vector<Phase> phases;
  Callbacks cb;
  cb.phase = [&](Phase p) { phases.push_back(p); };
  const Report in = RunInstall(mod(), cb);
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
  // A killed run's temporary file went; a name that only looks like one stayed.
  EXPECT_FALSE(fs::exists(game() / "odf/ships/.fed.odf.drydock-k3x9a0qz"));
  EXPECT_TRUE(fs::exists(game() / "odf/ships/.fed.odf.drydock-mine"));

  // The backup holds the replaced originals under the game's own names, and
  // the record lists what was replaced and added.
  EXPECT_TRUE(IsInstalled(mod()));
  EXPECT_EQ(TempTree::Read(mod() / "Backup/odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(TempTree::Read(mod() / "Backup/odf/ships/kling.odf"), "game kling");
  EXPECT_EQ(TempTree::Read(mod() / "Backup/textures/rgb/ship.tga"), "game tga");
  EXPECT_FALSE(fs::exists(mod() / "Backup/odf/ships/new.odf"));
  InstallRecord record;
  ASSERT_EQ(ReadRecord(mod() / "Backup", record), RecordStatus::Read);
  EXPECT_EQ(record.state, InstallRecord::State::Complete);
  Rows entries;
  for (const RecordEntry& e : record.entries) {
    entries.push_back((e.kind == RecordEntry::Kind::Replaced ? "R " : "A ") + e.path);
    ASSERT_TRUE(e.written.has_value()) << e.path;
    EXPECT_TRUE(e.written->SameSizeAndTime(*platform::StampOf(game() / e.path))) << e.path;
  }
  EXPECT_EQ(entries, (Rows{"R odf/ships/fed.odf", "R odf/ships/kling.odf", "A odf/ships/new.odf",
                           "A sounds/music/theme.wav", "R textures/rgb/ship.tga", "R readme.txt"}));

  phases.clear();
  const Report out = RunUninstall(mod(), cb);
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
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  EXPECT_FALSE(fs::exists(mod() / ".drydock-backup-new"));
  const Report again = RunInstall(mod());
  EXPECT_TRUE(again.refused);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  EXPECT_EQ(TempTree::Read(mod() / "Backup/odf/ships/fed.odf"), "game fed");
}

TEST_F(Install, NoGameFolderOrAFileWhereTheBackupGoesTouchesNothing) {
  for (const fs::path& gameDir : {t / "(Armada II directory not found)", t / "gone"}) {
    const auto lock = Lock();
    const Report in = InstallModFiles(*lock, gameDir, mod());
    EXPECT_TRUE(in.refused);
    EXPECT_NE(in.refusal.find("Armada II directory"), std::string::npos);
    EXPECT_TRUE(UninstallModFiles(*lock, PlanUninstall(*lock, gameDir, mod()), ChangedFiles::Replace).refused);
  }
  EXPECT_EQ(TempTree::Snapshot(mod()), modBefore);
  EXPECT_TRUE(RunInstall(t / "mods/Missing").refused);
  // A mod that ships a plain file "backup" is not installed, and its file is no backup.
  t.Write("mods/Fleet/backup", "a mod author's notes");
  EXPECT_FALSE(IsInstalled(mod()));
  const Report shipped = RunInstall(mod());
  EXPECT_TRUE(shipped.refused);
  EXPECT_NE(shipped.refusal.find("\"backup\", which is not a folder"), std::string::npos) << shipped.refusal;
  EXPECT_EQ(TempTree::Snapshot(game()), original);
}

TEST_F(Install, AGameFileThatCannotBeBackedUpIsNotReplacedNorDeletedLater) {
  platform::fault::Configure(0, 0, "backup-new/odf/ships/fed.odf");
  const Report in = RunInstall(mod());
  platform::fault::Configure(0, 0);
  ASSERT_EQ(in.failures.size(), 1u);
  EXPECT_EQ(in.failures[0].relativePath, "odf/ships/fed.odf");
  EXPECT_EQ(in.filesHandled, 5);
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("odf/ships/kling.odf"), "mod kling");

  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed") << "the original the install left alone must survive";
  Rows after = TempTree::Snapshot(game());
  std::erase(after, "sounds/music/");
  EXPECT_EQ(after, original);
}

TEST_F(Install, AGameFileThatCannotBeReplacedKeepsNoKeptCopy) {
  platform::fault::Configure(0, 0, "game/odf/ships/kling.odf");
  const Report in = RunInstall(mod());
  platform::fault::Configure(0, 0);
  ASSERT_EQ(in.failures.size(), 1u);
  EXPECT_EQ(in.failures[0].relativePath, "odf/ships/Kling.odf");
  EXPECT_EQ(Game("odf/ships/kling.odf"), "game kling");
  EXPECT_FALSE(fs::exists(t / "game/odf/ships/Kling.odf"));
  EXPECT_FALSE(fs::exists(mod() / "Backup/odf/ships/kling.odf"));
  EXPECT_TRUE(PlanUninstall(*Lock(), game(), mod()).Changed().empty());
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/kling.odf"), "game kling");
  EXPECT_FALSE(IsInstalled(mod()));
}

TEST_F(Install, AnInstallThatChangedNothingLeavesNoBackup) {
  // Every copy into the game fails; and a mod with nothing but ModInfo.txt.
  platform::fault::Configure(0, 0, (t / "game/").string());
  const Report failed = RunInstall(mod());
  platform::fault::Configure(0, 0);
  EXPECT_EQ(failed.filesHandled, 0);
  EXPECT_EQ(failed.failures.size(), 6u);
  t.Write("mods/Empty/ModInfo.txt", "Author: nobody\r\n");
  const Report empty = RunInstall(t / "mods/Empty");
  EXPECT_TRUE(empty.Succeeded());
  EXPECT_EQ(empty.filesHandled, 0);
  EXPECT_EQ(platform::ListAllNames(t / "mods/Empty"), Rows{"ModInfo.txt"});
  EXPECT_EQ(TempTree::Snapshot(mod()), modBefore);
  EXPECT_EQ(TempTree::Snapshot(game()), original);
}

TEST_F(Install, AFailedRestoreKeepsTheBackupAndASecondRunFinishes) {
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  platform::fault::Configure(0, 0, "game/textures/rgb/ship.tga");
  const Report out = RunUninstall(mod());
  platform::fault::Configure(0, 0);
  ASSERT_EQ(out.failures.size(), 1u);
  EXPECT_EQ(out.failures[0].relativePath, "textures/rgb/ship.tga");
  EXPECT_TRUE(IsInstalled(mod()));
  EXPECT_EQ(TempTree::Read(mod() / "Backup/textures/rgb/ship.tga"), "game tga");
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  // The files the first run restored are not "changed" for the second.
  EXPECT_TRUE(PlanUninstall(*Lock(), game(), mod()).Changed().empty());

  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_FALSE(IsInstalled(mod()));
  EXPECT_EQ(Game("textures/rgb/ship.tga"), "game tga");
}

TEST_F(Install, UninstallWithoutBackupDeletesOnlyTheModsOwnFiles) {
  t.Write("game/odf/ships/new.odf", "mod new");  // the mod's bytes: the mod's
  const Report out = RunUninstall(mod());
  EXPECT_TRUE(out.Succeeded());
  EXPECT_EQ(out.filesHandled, 1);
  EXPECT_FALSE(fs::exists(game() / "odf/ships/new.odf"));
  EXPECT_EQ(out.leftAlone, (Rows{"odf/ships/fed.odf", "odf/ships/kling.odf", "textures/rgb/ship.tga", "readme.txt"}));
  EXPECT_EQ(TempTree::Snapshot(game()), original);
}

TEST_F(Install, StampsTellWhatTheInstallWroteAndContentsDoWhenAStampChanged) {
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  // The mod changed since (its author's update): the game's untouched copy is
  // still known by its stamp.
  t.Write("mods/Fleet/ODF/Ships/fed.odf", "mod fed, version 2");
  // The game's copy was touched but holds the mod's bytes: known by contents.
  fs::last_write_time(game() / "textures/rgb/ship.tga", fs::file_time_type::clock::now() - std::chrono::hours(1));
  // Someone else's file now stands where the mod's was.
  t.Write("game/readme.txt", "a later mod's readme");
  const UninstallPlan plan = PlanUninstall(*Lock(), game(), mod());
  EXPECT_EQ(plan.Changed(), Rows{"readme.txt"});
  const auto lock = Lock();
  const Report kept = UninstallModFiles(*lock, plan, ChangedFiles::Keep);
  ASSERT_EQ(kept.failures.size(), 1u);
  EXPECT_EQ(Game("readme.txt"), "a later mod's readme");
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("textures/rgb/ship.tga"), "game tga");
  EXPECT_TRUE(IsInstalled(mod()));
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("readme.txt"), "game readme");
  EXPECT_FALSE(IsInstalled(mod()));
}

TEST_F(Install, BackupFilesOfRemovedModFilesComeBackToo) {
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  fs::remove(mod() / "ODF/Ships/fed.odf");              // the author dropped a file after the install
  t.Write("mods/Fleet/odf/ships/kling2.odf", "later");  // and added one the install never wrote
  t.Write("game/odf/ships/kling2.odf", "the game's own");
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("odf/ships/kling2.odf"), "the game's own");
  EXPECT_FALSE(IsInstalled(mod()));
}

TEST_F(Install, TwoModsSharingAFileInEitherOrder) {
  t.Write("mods/Later/odf/ships/fed.odf", "later fed");
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  ASSERT_TRUE(RunInstall(t / "mods/Later").Succeeded());
  EXPECT_EQ(TempTree::Read(t / "mods/Later/Backup/odf/ships/fed.odf"), "mod fed");
  EXPECT_EQ(PlanUninstall(*Lock(), game(), mod()).Changed(), Rows{"odf/ships/fed.odf"});
  EXPECT_TRUE(PlanUninstall(*Lock(), game(), t / "mods/Later").Changed().empty());

  // The earlier one first (the user agreed): the game's own file comes back,
  // then the later one's uninstall puts the earlier mod's copy back.
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  ASSERT_TRUE(RunUninstall(t / "mods/Later").Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
}

TEST_F(Install, TwoModsSharingAFileInReverseOrderRestoreTheGame) {
  t.Write("mods/Later/odf/ships/fed.odf", "later fed");
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  ASSERT_TRUE(RunInstall(t / "mods/Later").Succeeded());
  ASSERT_TRUE(RunUninstall(t / "mods/Later").Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  Rows after = TempTree::Snapshot(game());
  std::erase(after, "sounds/music/");
  EXPECT_EQ(after, original);
}

TEST_F(Install, RetiringDeletesOnlyWhatItRestored) {
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  t.Write("mods/Fleet/Backup/odf/ships/mine.odf", "the user's");
  t.Write("mods/Fleet/Backup/.hidden", "hidden");
  for (int run = 0; run < 2; ++run) {
    const Report out = RunUninstall(mod());
    Rows reported;
    for (const FileFailure& f : out.failures) reported.push_back(f.relativePath);
    EXPECT_EQ(reported, (Rows{"Backup/.hidden", "Backup/odf/ships/mine.odf"})) << "run " << run;
    EXPECT_TRUE(IsInstalled(mod()));
    EXPECT_EQ(TempTree::Snapshot(mod() / "Backup"), (Rows{".drydock-record=drydock install record 1\nstate complete\n",
                                                          ".hidden=hidden", "odf/ships/mine.odf=the user's"}));
  }
  Rows after = TempTree::Snapshot(game());
  std::erase(after, "sounds/music/");
  EXPECT_EQ(after, original);
  fs::remove(mod() / "Backup/.hidden");
  fs::remove(mod() / "Backup/odf/ships/mine.odf");
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(TempTree::Snapshot(mod()), modBefore);
}

TEST_F(Install, AnOldBackupUninstallsByContentsFromEveryCaseVariant) {
  // As an earlier version left it: the mod's bytes in the game, the originals
  // in two letter-case variants of one folder, and a list of added files
  // that names a game file the mod never had.
  t.Write("game/odf/ships/fed.odf", "mod fed");
  t.Write("game/ODF/Stations/base.odf", "mod base");
  t.Write("game/odf/ships/new.odf", "mod new");
  t.Write("mods/Fleet/odf/stations/base.odf", "mod base");
  t.Write("mods/Fleet/Backup/odf/ships/fed.odf", "game fed");
  t.Write("mods/Fleet/Backup/ODF/Stations/base.odf", "game base");
  t.Write("mods/Fleet/Backup/.drydock-added", "odf\\ships\\new.odf\r\nArmada2.exe\r\n");
  const UninstallPlan plan = PlanUninstall(*Lock(), game(), mod());
  EXPECT_EQ(plan.source, UninstallPlan::Source::OldBackup);
  EXPECT_TRUE(plan.Changed().empty());
  const auto lock = Lock();
  const Report out = UninstallModFiles(*lock, plan, ChangedFiles::Replace);
  EXPECT_TRUE(out.Succeeded()) << (out.failures.empty() ? "" : out.failures[0].reason);
  EXPECT_TRUE(out.leftAlone.empty());
  EXPECT_EQ(TempTree::Snapshot(game()), original);
  Rows modNow = modBefore;
  modNow.push_back("odf/stations/base.odf=mod base");
  std::sort(modNow.begin(), modNow.end());
  EXPECT_EQ(TempTree::Snapshot(mod()), modNow) << "the old list and the kept files went with the backup";
}

TEST_F(Install, AShippedBackupIsNeverPutOverTheUsersFiles) {
  // A mod zipped from an installed copy: "originals" of another game, and a
  // list of added files that names the game's own program.
  t.Write("mods/Fleet/Backup/odf/ships/fed.odf", "a stranger's fed");
  t.Write("mods/Fleet/Backup/Armada2.exe", "a stranger's exe");
  t.Write("mods/Fleet/Backup/.drydock-added", "Armada2.exe\r\nodf\\ships\\Kling.odf\r\n");
  ASSERT_TRUE(IsInstalled(mod()));
  const Report out = RunUninstall(mod());
  Rows kept;
  for (const FileFailure& f : out.failures) kept.push_back(f.relativePath);
  EXPECT_EQ(kept, (Rows{"odf/ships/fed.odf", "Armada2.exe"}));
  EXPECT_EQ(out.leftAlone, Rows{"odf/ships/kling.odf"});
  EXPECT_EQ(TempTree::Snapshot(game()), original);
  EXPECT_EQ(TempTree::Read(mod() / "Backup/Armada2.exe"), "a stranger's exe");
  EXPECT_TRUE(IsInstalled(mod()));
}

TEST_F(Install, LinksInTheModOrTheGameAreNeitherFollowedNorCopied) {
  t.Write("outside/secret.odf", "secret");
  t.Link("mods/Fleet/odf/ships/linked.odf", t / "outside/secret.odf");
  t.Link("game/odf/ships/gamelink.odf", t / "outside/secret.odf");
  t.Link("mods/Fleet/odf/ships/gamelink.odf", t / "outside/secret.odf");
  t.Write("mods/Fleet/odf/ships/gamelink2.odf", "mod");
  t.Link("game/odf/ships/gamelink2.odf", t / "outside/secret.odf");
  const Report in = RunInstall(mod());
  ASSERT_EQ(in.failures.size(), 1u);
  EXPECT_EQ(in.failures[0].relativePath, "odf/ships/gamelink2.odf");
  EXPECT_FALSE(fs::exists(game() / "odf/ships/linked.odf"));
  EXPECT_TRUE(fs::is_symlink(game() / "odf/ships/gamelink2.odf"));
  EXPECT_EQ(TempTree::Read(t / "outside/secret.odf"), "secret");
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_TRUE(fs::is_symlink(game() / "odf/ships/gamelink2.odf"));
  EXPECT_EQ(TempTree::Read(t / "outside/secret.odf"), "secret");
}

TEST_F(Install, ProgressCoversEveryFileOfTheRun) {
  std::vector<std::pair<std::int64_t, std::int64_t>> steps;
  Callbacks cb;
  cb.progress = [&](std::int64_t done, std::int64_t total) { steps.emplace_back(done, total); };
  ASSERT_TRUE(RunInstall(mod(), cb).Succeeded());
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), (std::pair<std::int64_t, std::int64_t>{0, 6}));
  EXPECT_EQ(steps.back(), (std::pair<std::int64_t, std::int64_t>{6, 6}));
  steps.clear();
  ASSERT_TRUE(RunUninstall(mod(), cb).Succeeded());
  // Restoring fills the first half of the bar, retiring the backup the second.
  EXPECT_EQ(steps.front().first, 0);
  for (size_t i = 1; i < steps.size(); ++i) EXPECT_LE(steps[i - 1].first, steps[i].first);
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
