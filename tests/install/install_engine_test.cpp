// Installing and uninstalling on real folders: round trips, shared files, injected failures and refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/mod_files.h"
#include "platform/file_ops.h"
#include "platform/writer_lock.h"
#include "support/held_lock.h"
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
  fs::path mod() const { return t / "mods/Fleet"; }
  platform::WriterLock Lock() { return test::HeldLock({game(), t / "mods"}); }
  // Runs on the game folder, or on `gameDir` when one is given.
  Report RunInstall(const fs::path& modFolder, const Callbacks& cb = {}, const fs::path& gameDir = {}) {
    return InstallModFiles(Lock(), gameDir.empty() ? game() : gameDir, modFolder, cb);
  }
  Report RunUninstall(const fs::path& modFolder, const Callbacks& cb = {}, ChangedFiles changed = ChangedFiles::Replace,
                      const fs::path& gameDir = {}) {
    const auto lock = Lock();
    return UninstallModFiles(lock, PlanUninstall(lock, gameDir.empty() ? game() : gameDir, modFolder), changed, cb);
  }
  Rows Changed(const fs::path& modFolder) { return PlanUninstall(Lock(), game(), modFolder).Changed(); }
  std::string Game(const char* rel) const { return TempTree::Read(t / (std::string("game/") + rel)); }
  // The game now, but for the folder an install made: the uninstall leaves it, empty.
  Rows GameNow() const {
    Rows rows = TempTree::Snapshot(game());
    std::erase(rows, "sounds/music/");
    return rows;
  }
  // The failed paths, and `relative` paths as a report shows them, both as this system tells names apart.
  static Rows Paths(const Report& report) {
    Rows paths;
    for (const FileFailure& f : report.failures) paths.push_back(f.relativePath);
    return test::CaseBlind(paths);
  }
  static Rows Shown(Rows relative) {
    for (std::string& path : relative) path = library::ShownPath(path);
    return test::CaseBlind(relative);
  }

  // The mod folder without the note a finished uninstall leaves.
  Rows ModNow() const {
    Rows rows = TempTree::Snapshot(mod());
    std::erase_if(rows, [](const std::string& row) { return row.starts_with(".drydock-uninstalled="); });
    return rows;
  }
  TempTree t;
  Rows original, modBefore;
};

}  // namespace

TEST_F(Install, RoundTripLeavesGameAndModAsTheyWereAndASecondInstallIsRefused) {
  t.Write("game/odf/ships/.fed.odf.drydock-k3x9a0qz", "left by a killed run");
  t.Write("mods/Fleet/.drydock-backup-new/odf/ships/fed.odf", "half-built backup");  // left by a crash: cleared
  // A name the record must escape: spaces, '%' and bytes outside ASCII.
  t.Write("mods/Fleet/ODF/Ships/Big Ship 100%\xC3\xA9.odf", "mod big");
  // The phases and the install's progress are checked through the captions and the bar (install_flow_test); the
  // record's stamps and escaped names by the uninstalls that read them.
  const Report in = RunInstall(mod());
  ASSERT_TRUE(in.Succeeded()) << (in.failures.empty() ? in.refusal : in.failures[0].reason);
  EXPECT_TRUE(RunInstall(mod()).refused) << "installed already";
  // Into the game's own folders, whatever their letter case; a killed run's temporary file went, a name that only
  // looks like one stayed. The backup holds the originals under the game's names.
  EXPECT_EQ(test::CaseBlind(test::GameSnapshot(game())),
            test::CaseBlind({"Armada2.exe=exe", "ODF/Stations/base.odf=game base",
                             "odf/ships/.fed.odf.drydock-mine=the user's own hidden file",
                             "odf/ships/Big Ship 100%\xC3\xA9.odf=mod big", "odf/ships/fed.odf=mod fed",
                             "odf/ships/kling.odf=mod kling", "odf/ships/new.odf=mod new", "readme.txt=mod readme",
                             "save/", "sounds/effects/boom.wav=game boom", "sounds/music/theme.wav=mod theme",
                             "textures/rgb/ship.tga=mod tga"}));
  Rows kept = TempTree::Snapshot(mod() / "Backup");
  std::erase_if(kept, [](const std::string& row) { return row.starts_with(".drydock-record="); });
  EXPECT_EQ(test::CaseBlind(kept), test::CaseBlind({"odf/ships/fed.odf=game fed", "odf/ships/kling.odf=game kling",
                                                    "readme.txt=game readme", "textures/rgb/ship.tga=game tga"}));
  std::vector<std::pair<std::int64_t, std::int64_t>> steps;  // done, total
  const Callbacks cb{{}, [&](std::int64_t done, std::int64_t total) { steps.emplace_back(done, total); }};
  const Report out = RunUninstall(mod(), cb);
  ASSERT_TRUE(out.Succeeded()) << (out.failures.empty() ? out.refusal : out.failures[0].reason);
  // Restoring fills the first half of the bar, retiring the backup the second.
  EXPECT_TRUE(
      steps.front().first == 0 && steps.back().first == steps.back().second &&
      std::is_sorted(steps.begin(), steps.end(), [](const auto& a, const auto& b) { return a.first < b.first; }));
  // The note of what came back names the four originals, for a later run.
  EXPECT_EQ(ReadUninstallNote(mod(), game()).value_or(UninstallNote{}).restored.size(), 4u);
  // Every file is back, the read-only one too; an empty game folder stays.
  EXPECT_EQ(GameNow(), original);
  fs::remove(t / "mods/Fleet/ODF/Ships/Big Ship 100%\xC3\xA9.odf");
  EXPECT_EQ(ModNow(), modBefore);
}

TEST_F(Install, NoGameFolderNoModFolderOrARecordThatCannotBeReadIsRefusedTouchingNothing) {
  // The refusal's outcome is checked through the install flow.
  EXPECT_NE(RunInstall(mod(), {}, t / "gone").refusal.find("Armada II directory"), std::string::npos);
  EXPECT_TRUE(RunUninstall(mod(), {}, ChangedFiles::Replace, t / "gone").refused);
  EXPECT_EQ(ModNow(), modBefore);
  EXPECT_TRUE(RunInstall(t / "mods/Missing").refused);
  EXPECT_EQ(TempTree::Snapshot(game()), original);
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  const std::string good = TempTree::Read(mod() / "Backup/.drydock-record");
  const std::string head = "drydock install record 1\nstate complete\n";
  const std::string head2 = "drydock install record 2\nstate complete\ngame /g\n";
  const Rows gameInstalled = test::GameSnapshot(game());
  for (const std::string& bad : Rows{good.substr(0, good.size() - 1),  // cut short
                                     "drydock install record 3\nstate complete\n", head2 + "seq 0\n",
                                     head + "added - - ../Armada2.exe\n", head + "added - - odf/%2\n",
                                     head + "added 1 - odf/x.odf\n", "drydock install record 1\nstate finished\n"}) {
    SCOPED_TRACE(bad);
    t.Write("mods/Fleet/Backup/.drydock-record", bad);
    const Report out = RunUninstall(mod());
    EXPECT_TRUE(out.refused);
    EXPECT_NE(out.refusal.find("record in the mod's Backup folder cannot be read"), std::string::npos);
    EXPECT_EQ(test::GameSnapshot(game()), gameInstalled);
  }
}

TEST_F(Install, AGameFileThatCannotBeBackedUpOrRestoredOrALinkStaysAndASecondRunFinishes) {
  // Links in the mod or the game are neither followed nor copied.
  const fs::path secret = t.Write("outside/secret.odf", "secret");
  const bool links = test::LinksCanBeMade();
  for (const char* rel :
       {"mods/Fleet/odf/ships/linked.odf", "game/odf/ships/gamelink.odf", "mods/Fleet/odf/ships/gamelink.odf"}) {
    if (links) t.Link(rel, secret);
  }
  original = TempTree::Snapshot(game());
  // Every operation on the backup of Kling.odf fails: the failure names it in the mod's spelling.
  platform::fault::Configure(0, 0, "backup-new/odf/ships/kling.odf");
  const Report in = RunInstall(mod());
  platform::fault::Configure(0, 0);
  EXPECT_EQ(Paths(in), Shown({"odf/ships/Kling.odf"}));
  EXPECT_EQ(Game("odf/ships/kling.odf"), "game kling");
  EXPECT_FALSE(fs::exists(mod() / "Backup/odf/ships/kling.odf"));
  EXPECT_FALSE(fs::exists(game() / "odf/ships/linked.odf"));
  EXPECT_EQ(TempTree::Read(secret), "secret");
  EXPECT_TRUE(Changed(mod()).empty());
  // The originals the install left alone survive the uninstall, the links too.
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(GameNow(), original);
  EXPECT_EQ(TempTree::Read(secret), "secret");
  // A restore that fails keeps the backup; a second run finishes. (A file that could not be replaced keeps no
  // copy: install_flow_test.)
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  platform::fault::Configure(0, 0, "game/textures/rgb/ship.tga");
  const Report out = RunUninstall(mod());
  platform::fault::Configure(0, 0);
  EXPECT_EQ(Paths(out), Shown({"textures/rgb/ship.tga"}));
  EXPECT_EQ(TempTree::Read(mod() / "Backup/textures/rgb/ship.tga"), "game tga");
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  // The files the first run restored are not "changed" for the second.
  EXPECT_TRUE(Changed(mod()).empty());
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_FALSE(IsInstalled(mod()));
  EXPECT_EQ(GameNow(), original);
}

TEST_F(Install, StampsTellWhatTheInstallWroteContentsDoWhenAStampChangedAndRemovedModFilesComeBackToo) {
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  // The mod changed since (its author's update): the game's untouched copy is still known by its stamp.
  t.Write("mods/Fleet/ODF/Ships/fed.odf", "mod fed, version 2");
  fs::remove(mod() / "ODF/Ships/Kling.odf");            // the author dropped a file after the install
  t.Write("mods/Fleet/odf/ships/kling2.odf", "later");  // and added one the install never wrote
  t.Write("game/odf/ships/kling2.odf", "the game's own");
  // The game's copy was touched but holds the mod's bytes: known by contents.
  fs::last_write_time(game() / "textures/rgb/ship.tga", fs::file_time_type::clock::now() - std::chrono::hours(1));
  // Someone else's file now stands where the mod's was.
  t.Write("game/readme.txt", "a later mod's readme");
  EXPECT_EQ(Changed(mod()), Rows{"readme.txt"});
  EXPECT_EQ(Paths(RunUninstall(mod(), {}, ChangedFiles::Keep)), Shown({"readme.txt"}));
  EXPECT_EQ(Game("readme.txt"), "a later mod's readme");
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  EXPECT_EQ(Game("textures/rgb/ship.tga"), "game tga");
  EXPECT_EQ(Game("odf/ships/kling.odf"), "game kling");
  EXPECT_EQ(Game("odf/ships/kling2.odf"), "the game's own");
  EXPECT_TRUE(IsInstalled(mod()));
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("readme.txt"), "game readme");
  EXPECT_FALSE(IsInstalled(mod()));
}

TEST_F(Install, ARecordWithoutAPlaceInTheOrderOfInstallsIsAskedAboutAsBefore) {
  // Numbered records hand their originals up the stack (mod_stack_test). An earlier version's record has no number:
  // the later mod's file counts as a change, is named, and is undone on yes.
  t.Write("mods/Later/odf/ships/fed.odf", "later fed");
  const fs::path later = t / "mods/Later";
  ASSERT_TRUE(RunInstall(mod()).Succeeded());
  ASSERT_TRUE(RunInstall(later).Succeeded());
  EXPECT_TRUE(Changed(mod()).empty());
  InstallRecord record;
  ASSERT_EQ(ReadRecord(mod() / "Backup", record), RecordStatus::Read);
  record.sequence = 0;
  ASSERT_TRUE(WriteRecord(mod() / "Backup", record));
  EXPECT_EQ(Changed(mod()), Rows{library::ShownPath("odf/ships/fed.odf")});
  ASSERT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "game fed");
  ASSERT_TRUE(RunUninstall(later).Succeeded());
  EXPECT_EQ(Game("odf/ships/fed.odf"), "mod fed");
}

// Killed after the game's ledger named the mod but before its backup counted: the uninstall that follows (of a
// mod that is not installed) takes the mod out of the ledger too, and the game is left as it was.
TEST_F(Install, AnInstallKilledBeforeItsBackupCountedLeavesNoLedgerBehindItsUninstall) {
  ASSERT_TRUE(NoteInLedger(game(), mod(), 7));
  ASSERT_TRUE(fs::exists(game() / ".drydock-installs"));
  ASSERT_EQ(PlanUninstall(Lock(), game(), mod()).source, UninstallPlan::Source::NoBackup);
  EXPECT_TRUE(RunUninstall(mod()).Succeeded());
  EXPECT_FALSE(fs::exists(game() / ".drydock-installs"));
  EXPECT_EQ(TempTree::Snapshot(game()), original);
}

TEST_F(Install, AnOldBackupUninstallsByContentsFromEveryCaseVariant) {
  // As an earlier version left it: the mod's bytes in the game, the originals in two letter-case variants of one
  // folder, and a list of added files that names a game file the mod never had.
  t.Write("game/odf/ships/fed.odf", "mod fed");
  t.Write("game/ODF/Stations/base.odf", "mod base");
  t.Write("game/odf/ships/new.odf", "mod new");
  t.Write("mods/Fleet/odf/stations/base.odf", "mod base");
  t.Write("mods/Fleet/Backup/odf/ships/fed.odf", "game fed");
  t.Write("mods/Fleet/Backup/ODF/Stations/base.odf", "game base");
  t.Write("mods/Fleet/Backup/.drydock-added", "odf\\ships\\new.odf\r\nArmada2.exe\r\n");
  const UninstallPlan plan = PlanUninstall(Lock(), game(), mod());
  EXPECT_EQ(plan.source, UninstallPlan::Source::OldBackup);
  EXPECT_TRUE(plan.Changed().empty());
  const Report out = RunUninstall(mod());
  EXPECT_TRUE(out.Succeeded()) << (out.failures.empty() ? "" : out.failures[0].reason);
  EXPECT_TRUE(out.leftAlone.empty());
  EXPECT_EQ(TempTree::Snapshot(game()), original);
  fs::remove_all(mod() / "odf/stations");  // the mod file this test added
  EXPECT_EQ(ModNow(), modBefore) << "the old list and the kept files went with the backup";
}

TEST_F(Install, ModFilesAreThoseOfTheTableFoldersWithoutModInfo) {
  // ModInfo.txt is skipped in any folder, as the install always did.
  for (const char* rel : {"ModInfo.txt", "odf/ModInfo.txt", "bitmaps/AdmiralsLog/Buttons/b.bmp", "Backup/odf/x.odf"}) {
    t.Write(std::string("m/") + rel);
  }
  Rows expected{"bitmaps\\AdmiralsLog\\Buttons\\b.bmp"};
#ifndef _WIN32  // "modinfo.txt" is another name, which a Windows folder cannot hold beside ModInfo.txt
  t.Write("m/modinfo.txt");
  expected.push_back("modinfo.txt");
  // Names and folders that differ only in letter case are one file to the game: the first met counts, the exact
  // folder name before its other cases, and within a folder listing order.
  for (const char* rel : {"m/odf/ships/b.odf", "m/odf/ships/B.ODF", "m/ODF/Ships/a.odf", "m/ODF/Ships/b.Odf",
                          "m/Odf/ships/A.ODF", "m/Odf/ships/c.odf", "m/sounds/x.wav", "m/sounds/X.WAV"})
    t.Write(rel);
  expected.insert(expected.end() - 1, {"odf\\ships\\B.ODF", "odf\\ships\\a.odf", "odf\\ships\\c.odf", "sounds\\X.WAV"});
#endif
  Rows rel, visited;
  for (const ModFile& f : ListModFiles(t / "m")) rel.push_back(f.Relative() + " " + f.source.string());
  // The listing without paths visits the same files in the same order.
  library::ForEachModFile(t / "m", [&](int folder, const fs::path& dir, std::string&& name) {
    visited.push_back(ModFile{folder, name, dir / name}.Relative() + " " + (dir / name).string());
  });
  EXPECT_EQ(visited, rel);
  for (std::string& row : rel) row.resize(row.find(' '));
  EXPECT_EQ(rel, expected);
}
