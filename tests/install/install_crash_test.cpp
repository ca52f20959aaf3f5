// Killing `drydock install`, `drydock uninstall` and a reinstall at every counted file operation, and under strace
// inside the system calls, then finishing the job, must bring back every game file byte for byte; and at no moment in
// between may an original game file be kept only in a folder that the next run throws away.
//
// A sweep runs the real binary on a fresh copy of the fixture, killed at N = 1, 2, 3, ..., until a run gets past its
// last kill point and exits on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <set>

#include "support/child_process.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::test::RunResult;
using drydock::test::TempTree;
using Rows = std::vector<std::string>;

namespace {

// Past this the sweep has gone wrong (an install of this fixture counts well under a hundred operations).
constexpr std::uint64_t kSweepLimit = 2000;
constexpr char kStrace[] = "/usr/bin/strace";
constexpr char kMod[] = "prog/mods/Fleet";
constexpr char kLater[] = "prog/mods/Later";

// One file of the fixture: where it lies in the game and what it held there (empty: absent), and the mod's file for
// it. Mod files without a game path are never installed.
struct FixtureFile {
  std::string game, before, mod, modBytes;
};

// The game: nested folders, read-only files, root files, folders the table names in another case (Textures\Rgb\),
// files the mod leaves alone, some in folders it writes into. The mod: replacements (in "ODF/Ships" where the game
// has "odf/ships", one whose name differs only in case), new files (two in folders the game lacks), and ModInfo.txt,
// an addon and a folder outside the game's table. The added files land in the game's spelling of existing folders,
// never in a second "ODF" beside "odf".
const std::string kHull("\0\0\x02\0hull original", 17), kModHull("\0\0\x02\0hull from mod\xff", 18);
const FixtureFile kFiles[] = {
    {"Armada2.exe", std::string("MZ\0\x90\x03game", 10), "", ""},
    {"gamefont.ini", "[font]\r\nsize=10\r\n", "gamefont.ini", "[font]\r\nsize=12\r\n"},
    {"fleet_readme.txt", "", "fleet_readme.txt", "read me"},
    {"odf/ships/fed.odf", "fed: original\r\n", "ODF/Ships/fed.odf", "fed: from the mod\r\n"},
    {"odf/ships/FEDDEST.odf", "feddest: original\r\n", "ODF/Ships/feddest.odf", "feddest: from the mod\r\n"},
    {"odf/ships/fed_new.odf", "", "ODF/Ships/fed_new.odf", "fed_new: added\r\n"},
    {"odf/ships/klingon.odf", "klingon: untouched\r\n", "", ""},
    // A game file the mod ships unchanged: once restored, it also holds the mod's bytes.
    {"odf/ships/same.odf", "same in both\r\n", "ODF/Ships/same.odf", "same in both\r\n"},
    {"odf/weapons/Phasers/phaser1.odf", "phaser1: original\r\n", "odf/weapons/phasers/phaser1.odf", "phaser1: mod"},
    {"odf/weapons/Photons/photon.odf", "photon: untouched\r\n", "", ""},
    {"Textures/RGB/fed_hull.tga", kHull, "textures/rgb/fed_hull.tga", kModHull},
    {"Textures/RGB/fed_new.tga", "", "textures/rgb/fed_new.tga", std::string("\0\0\x02\0new texture", 15)},
    {"Textures/RGB/rom_hull.tga", std::string("\0\0\x02\0rom untouched", 17), "", ""},
    {"sounds/effects/boom.wav", "RIFF boom original", "sounds/effects/boom.wav", "RIFF boom from the mod"},
    {"sounds/music/theme.mp3", "ID3 theme untouched", "", ""},
    {"Sprites/fedcursor.spr", "", "Sprites/fedcursor.spr", "sprite added"},
    {"Ai/AIPs/fed.aip", "", "Ai/AIPs/fed.aip", "aip added"},
    {"Extras/Help/help.txt", "help untouched", "", ""},
    {"Movies/intro.bik", "BIK intro untouched", "", ""},
    {"", "", "ModInfo.txt", "Author: Tester\r\nVersion: 1.0\r\n"},
    {"", "", "Docs/notes.txt", "not a game folder"},
    {"", "", "Addon/Borg/ModInfo.txt", "Author: Addon\r\n"},
    {"", "", "Addon/Borg/odf/ships/fed.odf", "fed: from the addon\r\n"},
    {"", "", "Addon/Borg/odf/ships/borg.odf", "borg: addon only\r\n"},
};

// Runs the real binary on the folders below `root`, killed at its `killAt`-th counted file operation or, with a system
// call named, on entry to its `killAt`-th call of that kind (a copy half written, a temporary file not yet renamed).
// The game is `game` below `root`; its home (and trash) lies there too.
RunResult Drydock(const fs::path& root, const std::string& command, const std::string& syscall = {},
                  std::uint64_t killAt = 0, const std::string& mod = "Fleet", const std::string& game = "game",
                  bool force = false) {
  std::vector<std::string> args;
  const std::string home = (root / "home").string();
  std::vector<std::string> env = {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
                                  "XDG_CACHE_HOME=" + home + "/cache"};
  const std::string n = std::to_string(killAt);
  if (!syscall.empty()) {
    args = {kStrace, "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + syscall, "-e"};
    args.push_back("inject=" + syscall + ":signal=KILL:when=" + n);
  } else if (killAt > 0) {
    env.push_back("DRYDOCK_KILL_OP=" + n);
  }
  args.insert(args.end(), {DRYDOCK_EXE, "--program-dir", (root / "prog").string(), "--game-dir", (root / game).string(),
                           "--yes", command});
  if (force) args.push_back("--force");
  args.push_back(mod);
  return drydock::test::RunChild(args, env);
}

::testing::AssertionResult RunToEnd(const fs::path& root, const std::string& command, const std::string& mod = "Fleet",
                                    const std::string& game = "game", bool force = false) {
  const RunResult r = Drydock(root, command, {}, 0, mod, game, force);
  if (!r.killed && r.code == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << command << " failed with " << r.code << ":\n" << r.output;
}

// The game now: any difference, a folder an install made for the mod's new files or a second case variant of a folder
// included, counts. With `installed`, a mod may still be in, and the game's ledger of installs (a pointer to the
// records, half written where a run was killed) is left out; once the last mod is out it is gone too.
bool IsLedgerRow(const std::string& row) {
  return row.starts_with(".drydock-installs=") || row.starts_with("..drydock-installs.drydock-");
}
Rows GameNow(const fs::path& root, bool installed = false) {
  Rows rows = TempTree::Snapshot(root / "game");
  if (installed) std::erase_if(rows, IsLedgerRow);
  return rows;
}

// A mod folder now, without the note of the last uninstall; with `leftovers`, also without the hidden folders an
// interrupted run may leave for the next one to clear.
Rows ModNow(const fs::path& root, bool leftovers = false, const char* mod = kMod) {
  Rows rows = TempTree::Snapshot(root / mod);
  std::erase_if(rows, [&](const std::string& row) {
    return row.starts_with(".drydock-uninstalled=") ||
           (leftovers && (row.starts_with(".drydock-backup-new/") || row.starts_with(".drydock-backup-old/")));
  });
  return rows;
}

class InstallCrash : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* why = drydock::test::WhyNoProgram()) GTEST_SKIP() << why;
    for (const FixtureFile& f : kFiles) {
      if (!f.before.empty()) t_.Write("original/game/" + f.game, f.before);
      if (!f.mod.empty()) t_.Write(std::string("original/") + kMod + "/" + f.mod, f.modBytes);
      if (!f.game.empty()) installed_.push_back(f.game + "=" + (f.mod.empty() ? f.before : f.modBytes));
    }
    t_.MakeDir("original/game/save");
    installed_.push_back("save/");
    std::sort(installed_.begin(), installed_.end());
    for (const char* file : {"gamefont.ini", "odf/ships/fed.odf", "odf/weapons/Photons/photon.odf",
                             "sounds/effects/boom.wav", "Movies/intro.bik"}) {
      t_.MakeReadOnly(std::string("original/game/") + file);
    }
    t_.MakeReadOnly(std::string("original/") + kMod + "/sounds/effects/boom.wav");
    original_ = t_ / "original";
    gameBefore_ = TempTree::Snapshot(original_ / "game");
    modBefore_ = ModNow(original_);
  }

  // A fresh copy of `from` (a folder holding prog/ and game/) to work on.
  fs::path Fresh(const fs::path& from) {
    const fs::path run = t_ / "run";
    fs::remove_all(run);
    fs::copy(from, run, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return run;
  }

  // Every original game file's bytes are still in the game at its path or in a committed Backup of a mod (one still
  // being built does not count: the game must not have changed yet), or under its name in the trash. Those of
  // `deletedByHand` are not looked for.
  ::testing::AssertionResult NothingLost(const fs::path& root, const std::string& game = "game",
                                         const std::set<std::string>& deletedByHand = {}) const {
    std::set<std::string> found;
    std::vector<fs::path> dirs{root / game};
    for (const auto& mod : fs::directory_iterator(root / "prog/mods")) dirs.push_back(mod.path() / "Backup");
    for (const fs::path& dir : dirs) {
      if (!fs::exists(dir)) continue;
      for (const std::string& row : TempTree::Snapshot(dir)) found.insert(row);
    }
    std::set<std::string> trashed;  // name=bytes, a file's folders left behind
    for (const std::string& row : TempTree::Snapshot(root / "home/data/Trash/files")) {
      trashed.insert(row.substr(row.rfind('/', row.find('=')) + 1));
    }
    std::string lost;
    for (const std::string& row : gameBefore_) {
      const std::string named = row.substr(row.rfind('/', row.find('=')) + 1);
      if (row.back() != '/' && !found.count(row) && !trashed.count(named) && !deletedByHand.count(row)) {
        lost += "\n  " + row;
      }
    }
    if (lost.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "originals in neither the game nor the backup:" << lost;
  }

  // Runs `command` on fresh copies of `start`, killed at N = 1, 2, ... (of counted operations, or of calls of
  // `syscall`). After each kill nothing may be lost, and the next runs must finish the job: an uninstall when the mod
  // counts as installed; otherwise (killed before the backup was committed, or after it was retired) the game holds
  // every original, and an uninstall run again (as a user finishing the job would), an install and an uninstall clear
  // what the kill left. Returns the kill points' states, 'I' installed or '-' not, in order; empty when a check failed.
  std::string Sweep(const fs::path& start, const std::string& command, const std::string& syscall = {}) {
    std::string states;
    for (std::uint64_t n = 1; n <= kSweepLimit; ++n) {
      SCOPED_TRACE(command + " killed at " + (syscall.empty() ? "operation " : syscall + " call ") + std::to_string(n));
      const fs::path run = Fresh(start);
      const RunResult r = Drydock(run, command, syscall, n);
      const bool installed = fs::exists(run / kMod / "Backup");
      if (!r.killed) {
        EXPECT_EQ(r.code, 0) << r.output;
        if (command == "install") {
          EXPECT_EQ(GameNow(run, /*installed=*/true), installed_);
        }
      } else {
        states += installed ? 'I' : '-';
        EXPECT_TRUE(NothingLost(run));
      }
      if (r.killed && !installed) {
        Rows game = start == original_ ? TempTree::Snapshot(run / "game") : GameNow(run);
        std::erase_if(game, IsLedgerRow);  // a pointer to a record that never counted, dropped by the next run
        EXPECT_EQ(game, gameBefore_);
        EXPECT_EQ(ModNow(run, /*leftovers=*/true), modBefore_);
        if (command == "uninstall") {
          EXPECT_TRUE(RunToEnd(run, "uninstall"));
          EXPECT_EQ(GameNow(run), gameBefore_);
        }
        EXPECT_TRUE(RunToEnd(run, "install"));
        EXPECT_EQ(GameNow(run, /*installed=*/true), installed_);
      }
      if (fs::exists(run / kMod / "Backup")) {
        EXPECT_TRUE(RunToEnd(run, "uninstall"));
      }
      EXPECT_EQ(GameNow(run), gameBefore_) << "the ledger goes with the last installed mod";
      EXPECT_EQ(ModNow(run), modBefore_);
      if (HasFailure()) return {};
      if (!r.killed) {
        std::cout << "[ sweep    ] " << command << (syscall.empty() ? "" : " in " + syscall) << " killed at "
                  << states.size() << " points: " << states << std::endl;
        return states;
      }
    }
    ADD_FAILURE() << command << " was still being killed at N = " << kSweepLimit;
    return {};
  }

  // The fixture with the mod installed by a complete run. It is installed where the sweeps run (a backup belongs
  // to the game folder it was made for; a copy of the game elsewhere is another game), then moved aside.
  fs::path InstalledState() {
    const fs::path installed = t_ / "installed";
    const fs::path run = Fresh(original_);
    EXPECT_TRUE(RunToEnd(run, "install"));
    fs::rename(run, installed);
    return installed;
  }

  // The states in runs: "--III" -> "-I".
  static std::string Runs(std::string states) {
    states.erase(std::unique(states.begin(), states.end()), states.end());
    return states;
  }

  TempTree t_;
  fs::path original_;
  Rows gameBefore_, modBefore_, installed_;
};

// The backup is committed once: not installed up to a point, installed from it.
TEST_F(InstallCrash, KilledInstallIsUndoneByUninstallOrLeavesTheGameUntouched) {
  EXPECT_EQ(Runs(Sweep(original_, "install")), "-I");
}

// Installed up to the point where the backup is retired, and never again after it.
TEST_F(InstallCrash, KilledUninstallIsFinishedByRunningItAgain) {
  const fs::path installed = InstalledState();
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(Runs(Sweep(installed, "uninstall")), "I-");
}

// The old backup, then neither (the game holds its originals), then the new one.
TEST_F(InstallCrash, KilledReinstallIsUndoneByUninstall) {
  const fs::path installed = InstalledState();
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(Runs(Sweep(installed, "install")), "I-I");
}

// Fleet uninstalled under Later, killed at every counted operation, each run on a fresh copy with Fleet installed:
// - out of order: Later, installed over Fleet, replaces a file Fleet replaced, one Fleet added and one Fleet left
//   alone; killed inside every rename too. Fleet's originals are handed to Later, and at no moment is one in neither
//   backup nor the game;
// - from a moved game: Fleet and Later installed, the game folder renamed, and Fleet uninstalled from the new place
//   (the game adopted, Fleet's originals handed to Later);
// - forced: Fleet's kept fed.odf deleted by hand and Fleet uninstalled with --force (every other original put back,
//   the mod's fed.odf left in the game, the rest of the Backup to the trash).
// After each kill nothing is lost, and running the same command again, then uninstalling Later, gives the game back.
TEST_F(InstallCrash, KilledUninstallUnderAnotherModMovedOrForcedLosesNothingAndTheNextRunFinishes) {
  const std::string fedOriginal = "odf/ships/fed.odf=fed: original\r\n";
  Rows forcedGame = gameBefore_;
  std::replace(forcedGame.begin(), forcedGame.end(), fedOriginal,
               std::string("odf/ships/fed.odf=fed: from the mod\r\n"));
  const Rows fedOnly = {"ODF/Ships/fed.odf=fed: from Later\r\n"};
  const Rows threeFiles = {fedOnly[0], "textures/rgb/fed_new.tga=new texture from Later",
                           "odf/ships/klingon.odf=klingon: from Later"};
  enum How { kOutOfOrder, kMovedGame, kForced };
  const struct {
    const char* what;
    How how;
    Rows later;                      // Later's files, "path=bytes"
    const char* runs = "I-";         // the states of the kill points, as in Runs
    const char* syscall = "";        // killed at its calls instead of at counted operations
    const char* stranger = nullptr;  // a file put into the Backup by hand, which the forced run moves to the trash
  } cases[] = {{"out-of-order", kOutOfOrder, threeFiles},
               // Renames: the last one retires the backup, and a kill on entry to it leaves the backup in place.
               {"out-of-order", kOutOfOrder, threeFiles, "I", "rename"},
               {"moved game", kMovedGame, fedOnly},
               {"forced", kForced, fedOnly},
               // The Backup goes to the trash in one rename, its last operation.
               {"forced with a stranger's file", kForced, fedOnly, "I", "", "Backup/notes.txt"}};
  for (const auto& c : cases) {
    const std::string syscall = c.syscall;
    fs::remove_all(original_ / "prog/mods/Later");
    for (const std::string& row : c.later)
      t_.Write(std::string("original/") + kLater + "/" + row.substr(0, row.find('=')), row.substr(row.find('=') + 1));
    const Rows laterBefore = TempTree::Snapshot(original_ / kLater);
    Rows laterOnly;  // the game with only Later installed, as the out-of-order uninstall leaves it
    if (c.how == kOutOfOrder) {
      const fs::path alone = Fresh(original_);
      ASSERT_TRUE(RunToEnd(alone, "install", "Later"));
      laterOnly = GameNow(alone, /*installed=*/true);
    }
    std::string states;
    for (std::uint64_t n = 1; n <= kSweepLimit; ++n) {
      SCOPED_TRACE(std::string(c.what) + " uninstall killed at " +
                   (syscall.empty() ? "operation " : syscall + " call ") + std::to_string(n));
      const fs::path run = Fresh(original_);
      ASSERT_TRUE(RunToEnd(run, "install", "Fleet"));
      std::string game = "game";
      std::set<std::string> deleted;
      if (c.how == kForced) {
        fs::remove(run / kMod / "Backup/odf/ships/fed.odf");
        deleted.insert(fedOriginal);
        if (c.stranger) std::ofstream(run / kMod / c.stranger) << "a player's notes";
      } else {
        ASSERT_TRUE(RunToEnd(run, "install", "Later"));
      }
      if (c.how == kMovedGame) {
        fs::rename(run / "game", run / "moved game");
        game = "moved game";
      }
      const bool force = c.how == kForced;
      const RunResult r = Drydock(run, "uninstall", syscall, n, "Fleet", game, force);
      if (r.killed) {
        states += fs::exists(run / kMod / "Backup") ? 'I' : '-';
        EXPECT_TRUE(NothingLost(run, game, deleted));
      } else {
        EXPECT_EQ(r.code, 0) << r.output;
      }
      if (fs::exists(run / kMod / "Backup")) {
        EXPECT_TRUE(RunToEnd(run, "uninstall", "Fleet", game, force));
      }
      if (c.how == kOutOfOrder) {
        EXPECT_EQ(GameNow(run, /*installed=*/true), laterOnly);
      }
      EXPECT_EQ(ModNow(run, /*leftovers=*/true), modBefore_);
      if (!force) {
        EXPECT_TRUE(RunToEnd(run, "uninstall", "Later", game));
      }
      fs::rename(run / game, run / "game");
      EXPECT_EQ(GameNow(run), force ? forcedGame : gameBefore_);
      EXPECT_EQ(ModNow(run, false, kLater), laterBefore);
      if (c.stranger) {  // in the trash, under the Backup's name or a numbered one where a kill took the first
        const Rows trash = TempTree::Snapshot(run / "home/data/Trash/files");
        EXPECT_TRUE(std::any_of(trash.begin(), trash.end(),
                                [](const std::string& row) { return row.ends_with("/notes.txt=a player's notes"); }));
      }
      if (HasFailure()) return;
      if (!r.killed) break;
    }
    std::cout << "[ sweep    ] " << c.what << " uninstall" << (syscall.empty() ? "" : " in " + syscall) << " killed at "
              << states.size() << " points: " << states << std::endl;
    EXPECT_EQ(Runs(states), c.runs);
  }
}

// Killed inside the file operations: on entry to the N-th call of each kind of system call that writes, renames,
// links, deletes or flushes. Whatever a kill left half done (a temporary copy, a link not yet renamed, a record being
// rewritten), the next run clears it, hidden files included.
class InstallCrashInside : public InstallCrash {
 protected:
  void SweepEveryKind(const fs::path& start, const std::string& command) {
    const RunResult probe = drydock::test::RunChild({kStrace, "-qq", "-o", "/dev/null", "/bin/true"});
    ASSERT_EQ(probe.code, 0) << "strace cannot trace programs here:\n" << probe.output;
    for (const char* syscall : {"copy_file_range", "fchmod", "utimensat", "write", "fsync", "rename", "renameat2",
                                "link", "unlink", "mkdir", "rmdir", "syncfs"}) {
      if (Sweep(start, command, syscall).empty() && HasFailure()) return;
    }
  }
};

TEST_F(InstallCrashInside, InstallLeavesNothingBehind) { SweepEveryKind(original_, "install"); }

TEST_F(InstallCrashInside, UninstallLeavesNothingBehind) {
  const fs::path installed = InstalledState();
  ASSERT_FALSE(HasFailure());
  SweepEveryKind(installed, "uninstall");
}

}  // namespace
