// Killing `drydock install` and `drydock uninstall` at every counted file
// operation, then finishing the job, must bring back every game file byte for
// byte; and at no moment in between may an original game file be kept only in
// a folder that the next run throws away.
//
// The real binary runs with DRYDOCK_KILL_OP=N for N = 1, 2, 3, ... on a fresh
// copy of the fixture, until a run gets past its last operation and exits
// on its own: that N bounds the sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::test::RunResult;
using drydock::test::TempTree;

namespace {

constexpr char kMod[] = "Fleet";
// Past this the sweep has gone wrong (an install of this fixture counts well
// under a hundred operations).
constexpr std::uint64_t kSweepLimit = 2000;
constexpr char kStrace[] = "/usr/bin/strace";

// Where a run dies: at its N-th counted file operation (DRYDOCK_KILL_OP), or,
// with a system call named, on entry to its N-th call of that kind, which
// lands inside the file operations (a copy half written, a temporary file
// not yet renamed).
struct KillPoint {
  std::string syscall;
  std::uint64_t at = 0;
  std::string Name() const { return (syscall.empty() ? "operation " : syscall + " call ") + std::to_string(at); }
};

// Runs the real binary on the program and game folders below `root`.
RunResult Drydock(const fs::path& root, const std::string& command, const KillPoint& kill = {}) {
  std::vector<std::string> args;
  std::vector<std::string> env;
  if (!kill.syscall.empty()) {
    args = {kStrace,
            "-f",
            "-qq",
            "-o",
            "/dev/null",
            "-e",
            "trace=" + kill.syscall,
            "-e",
            "inject=" + kill.syscall + ":signal=KILL:when=" + std::to_string(kill.at)};
  } else if (kill.at > 0) {
    env.push_back("DRYDOCK_KILL_OP=" + std::to_string(kill.at));
  }
  for (const std::string& a :
       {std::string(DRYDOCK_EXE), std::string("--program-dir"), (root / "prog").string(), std::string("--game-dir"),
        (root / "game").string(), std::string("--yes"), command, std::string(kMod)}) {
    args.push_back(a);
  }
  return drydock::test::RunChild(args, env);
}

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

fs::path ModFolder(const fs::path& root) { return root / "prog/mods" / kMod; }

// The install's marker, as the program tests it: an entry "Backup" in any case.
fs::path FindBackup(const fs::path& root) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(ModFolder(root), ec)) {
    if (Upper(e.path().filename().string()) == "BACKUP") return e.path();
  }
  return {};
}

bool Installed(const fs::path& root) { return !FindBackup(root).empty(); }

// Snapshot rows minus those below the given top-level names.
std::vector<std::string> Without(const std::vector<std::string>& rows, const std::set<std::string>& tops) {
  std::vector<std::string> kept;
  for (const std::string& row : rows) {
    const std::string top = row.substr(0, row.find_first_of("/="));
    if (!tops.count(top)) kept.push_back(row);
  }
  return kept;
}

std::string Lines(const std::vector<std::string>& rows) {
  std::string s;
  for (const std::string& r : rows) s += "  " + r + "\n";
  return s;
}

void CopyTree(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(to)) fs::remove_all(to, ec);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

class InstallCrash : public ::testing::Test {
 protected:
  void SetUp() override {
    // The game: nested folders, read-only files, root files, a folder the
    // table names in another case (Textures\Rgb\), an empty folder, and files
    // the mod leaves alone, some of them in folders it writes into.
    const std::map<std::string, std::string> game = {
        {"Armada2.exe", std::string("MZ\0\x90\x03game", 10)},
        {"gamefont.ini", "[font]\r\nsize=10\r\n"},
        {"odf/ships/fed.odf", "fed: original\r\n"},
        {"odf/ships/FEDDEST.odf", "feddest: original\r\n"},
        {"odf/ships/klingon.odf", "klingon: untouched\r\n"},
        {"odf/weapons/Phasers/phaser1.odf", "phaser1: original\r\n"},
        {"odf/weapons/Photons/photon.odf", "photon: untouched\r\n"},
        {"Textures/RGB/fed_hull.tga", std::string("\0\0\x02\0hull original", 17)},
        {"Textures/RGB/rom_hull.tga", std::string("\0\0\x02\0rom untouched", 17)},
        {"sounds/effects/boom.wav", "RIFF boom original"},
        {"sounds/music/theme.mp3", "ID3 theme untouched"},
        {"Extras/Help/help.txt", "help untouched"},
        {"Movies/intro.bik", "BIK intro untouched"},
    };
    for (const auto& [rel, bytes] : game) t_.Write("original/game/" + rel, bytes);
    t_.MakeDir("original/game/save");
    for (const char* ro : {"gamefont.ini", "odf/ships/fed.odf", "odf/weapons/Photons/photon.odf",
                           "sounds/effects/boom.wav", "Movies/intro.bik"}) {
      t_.MakeReadOnly(std::string("original/game/") + ro);
      readOnly_.push_back(std::string("game/") + ro);
    }

    // The mod: replacements (one in "ODF/Ships" where the game has
    // "odf/ships", one whose name differs from the game's only in case),
    // new files (two in folders the game lacks), root files, ModInfo.txt, an
    // addon and a folder outside the game's table, neither of them installed.
    const std::map<std::string, std::string> mod = {
        {"ModInfo.txt", "Author: Tester\r\nVersion: 1.0\r\n"},
        {"gamefont.ini", "[font]\r\nsize=12\r\n"},
        {"fleet_readme.txt", "read me"},
        {"ODF/Ships/fed.odf", "fed: from the mod\r\n"},
        {"ODF/Ships/feddest.odf", "feddest: from the mod\r\n"},
        {"ODF/Ships/fed_new.odf", "fed_new: added\r\n"},
        {"odf/weapons/phasers/phaser1.odf", "phaser1: from the mod\r\n"},
        {"textures/rgb/fed_hull.tga", std::string("\0\0\x02\0hull from mod\xff", 18)},
        {"textures/rgb/fed_new.tga", std::string("\0\0\x02\0new texture", 15)},
        {"sounds/effects/boom.wav", "RIFF boom from the mod"},
        {"Sprites/fedcursor.spr", "sprite added"},
        {"Ai/AIPs/fed.aip", "aip added"},
        {"Docs/notes.txt", "not a game folder"},
        {"Addon/Borg/ModInfo.txt", "Author: Addon\r\n"},
        {"Addon/Borg/odf/ships/fed.odf", "fed: from the addon\r\n"},
        {"Addon/Borg/odf/ships/borg.odf", "borg: addon only\r\n"},
    };
    for (const auto& [rel, bytes] : mod) t_.Write(std::string("original/prog/mods/") + kMod + "/" + rel, bytes);
    t_.MakeReadOnly(std::string("original/prog/mods/") + kMod + "/sounds/effects/boom.wav");

    // What a complete install leaves in the game: the mod's bytes over the
    // game's names, and the added files in the table's spelling of folders
    // the game lacks, never in a second "ODF" beside "odf".
    installedGame_ = game;
    installedGame_["gamefont.ini"] = mod.at("gamefont.ini");
    installedGame_["fleet_readme.txt"] = mod.at("fleet_readme.txt");
    installedGame_["odf/ships/fed.odf"] = mod.at("ODF/Ships/fed.odf");
    installedGame_["odf/ships/FEDDEST.odf"] = mod.at("ODF/Ships/feddest.odf");
    installedGame_["odf/ships/fed_new.odf"] = mod.at("ODF/Ships/fed_new.odf");
    installedGame_["odf/weapons/Phasers/phaser1.odf"] = mod.at("odf/weapons/phasers/phaser1.odf");
    installedGame_["Textures/RGB/fed_hull.tga"] = mod.at("textures/rgb/fed_hull.tga");
    installedGame_["Textures/RGB/fed_new.tga"] = mod.at("textures/rgb/fed_new.tga");
    installedGame_["sounds/effects/boom.wav"] = mod.at("sounds/effects/boom.wav");
    installedGame_["Sprites/fedcursor.spr"] = mod.at("Sprites/fedcursor.spr");
    installedGame_["Ai/AIPs/fed.aip"] = mod.at("Ai/AIPs/fed.aip");

    original_ = t_ / "original";
    gameBefore_ = TempTree::Snapshot(original_ / "game");
    modBefore_ = TempTree::Snapshot(ModFolder(original_));
    for (const std::string& row : gameBefore_) {
      const size_t eq = row.find('=');
      if (eq != std::string::npos) originals_[row.substr(0, eq)] = row.substr(eq + 1);
    }
  }

  // A fresh copy of `from` (a folder holding prog/ and game/) to work on.
  fs::path Fresh(const fs::path& from) {
    const fs::path run = t_ / "run";
    CopyTree(from, run);
    return run;
  }

  // The game as the user had it. The folders an install makes for the mod's
  // new files (Ai, Ai\AIPs, Sprites) may stay behind empty: the uninstall
  // leaves folders alone, and an empty folder holds nothing of the user's.
  // Any other difference, a second case variant of a folder included, counts.
  ::testing::AssertionResult GameIsOriginal(const fs::path& root) const {
    static const std::set<std::string> leftBehind = {"Ai/", "Ai/AIPs/", "Sprites/"};
    std::vector<std::string> now;
    for (const std::string& row : TempTree::Snapshot(root / "game")) {
      if (!leftBehind.count(row)) now.push_back(row);
    }
    if (now == gameBefore_) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "game now:\n" << Lines(now) << "game before:\n" << Lines(gameBefore_);
  }

  // Exactly the game before any install: no new folder either.
  ::testing::AssertionResult GameIsUntouched(const fs::path& root) const {
    const std::vector<std::string> now = TempTree::Snapshot(root / "game");
    if (now == gameBefore_) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "game now:\n" << Lines(now) << "game before:\n" << Lines(gameBefore_);
  }

  ::testing::AssertionResult GameIsInstalled(const fs::path& root) const {
    std::vector<std::string> expected;
    for (const auto& [rel, bytes] : installedGame_) expected.push_back(rel + "=" + bytes);
    expected.push_back("save/");
    std::sort(expected.begin(), expected.end());
    const std::vector<std::string> now = TempTree::Snapshot(root / "game");
    if (now == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "game now:\n" << Lines(now) << "expected:\n" << Lines(expected);
  }

  // The mod folder holds its own files and nothing else; with `leftovers`,
  // the hidden folders an interrupted run may leave are allowed too.
  ::testing::AssertionResult ModIsClean(const fs::path& root, bool leftovers = false) const {
    std::vector<std::string> now = TempTree::Snapshot(ModFolder(root));
    if (leftovers) now = Without(now, {".drydock-backup-new", ".drydock-backup-old"});
    if (now == modBefore_) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mod folder now:\n" << Lines(now) << "before:\n" << Lines(modBefore_);
  }

  // Every original game file's bytes still exist, in the game at its path or
  // in the committed backup (a backup still being built does not count: the
  // game must not have changed yet).
  ::testing::AssertionResult NothingLost(const fs::path& root) const {
    std::map<std::string, std::string> kept;
    const fs::path backup = FindBackup(root);
    if (!backup.empty()) {
      for (const std::string& row : TempTree::Snapshot(backup)) {
        const size_t eq = row.find('=');
        if (eq != std::string::npos) kept[Upper(row.substr(0, eq))] = row.substr(eq + 1);
      }
    }
    std::string lost;
    for (const auto& [rel, bytes] : originals_) {
      const fs::path inGame = root / "game" / rel;
      if (fs::is_regular_file(inGame) && TempTree::Read(inGame) == bytes) continue;
      const auto k = kept.find(Upper(rel));
      if (k != kept.end() && k->second == bytes) continue;
      lost += "  " + rel + "\n";
    }
    if (lost.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "originals found neither in the game nor in the backup:\n" << lost;
  }

  // Runs `command` to its end; it must succeed.
  ::testing::AssertionResult RunToEnd(const fs::path& root, const std::string& command) const {
    const RunResult r = Drydock(root, command);
    if (!r.killed && r.code == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command << " ended " << (r.killed ? "killed" : "with exit ") << r.code
                                         << ":\n"
                                         << r.output;
  }

  // After a crash that left the mod not installed: a full install and a full
  // uninstall must still work and clean up what the crash left.
  void InstallAndUninstallAgain(const fs::path& root) {
    ASSERT_TRUE(RunToEnd(root, "install"));
    EXPECT_FALSE(fs::exists(ModFolder(root) / ".drydock-backup-new"));
    EXPECT_FALSE(fs::exists(ModFolder(root) / ".drydock-backup-old"));
    EXPECT_TRUE(fs::is_directory(ModFolder(root) / "Backup"));
    EXPECT_TRUE(GameIsInstalled(root));
    ASSERT_TRUE(RunToEnd(root, "uninstall"));
    EXPECT_TRUE(GameIsOriginal(root));
    EXPECT_TRUE(ModIsClean(root));
  }

  // Runs `command` on fresh copies of `start`, killed at N = 1, 2, ... (of
  // counted operations, or of calls of `syscall`), and hands each killed
  // state to `afterKill`. Returns the N at which the run got through on its
  // own (checked by the caller on the copy left behind), or 0 when a check
  // failed.
  template <typename AfterKill>
  std::uint64_t Sweep(const fs::path& start, const std::string& command, AfterKill afterKill,
                      const std::string& syscall = {}) {
    for (std::uint64_t n = 1; n <= kSweepLimit; ++n) {
      const KillPoint kill{syscall, n};
      SCOPED_TRACE(command + " killed at " + kill.Name());
      const fs::path run = Fresh(start);
      const RunResult r = Drydock(run, command, kill);
      if (!r.killed) {
        EXPECT_EQ(r.code, 0) << command << " got through but failed:\n" << r.output;
        return n;
      }
      EXPECT_TRUE(NothingLost(run));
      afterKill(n, run);
      if (HasFailure()) return 0;
    }
    ADD_FAILURE() << command << " was still being killed at " << KillPoint{syscall, kSweepLimit}.Name();
    return 0;
  }

  // A copy of the fixture with the mod installed by a complete run.
  fs::path InstalledState() {
    const fs::path installed = t_ / "installed";
    CopyTree(original_, installed);
    EXPECT_TRUE(RunToEnd(installed, "install"));
    EXPECT_TRUE(GameIsInstalled(installed));
    return installed;
  }

  void Report(const std::string& key, const std::string& text) {
    RecordProperty(key, text);
    std::cout << "[ sweep    ] " << text << std::endl;
  }

  TempTree t_;
  fs::path original_;
  std::vector<std::string> readOnly_;
  std::map<std::string, std::string> installedGame_;
  std::vector<std::string> gameBefore_, modBefore_;
  std::map<std::string, std::string> originals_;  // relative path -> bytes
};

TEST_F(InstallCrash, FixtureCopiesKeepReadOnlyFilesAndAFullRunRoundTrips) {
  const fs::path run = Fresh(original_);
  for (const std::string& ro : readOnly_) {
    EXPECT_EQ(fs::status(run / ro).permissions() & fs::perms::owner_write, fs::perms::none) << ro;
  }
  ASSERT_TRUE(RunToEnd(run, "install"));
  EXPECT_TRUE(GameIsInstalled(run));
  EXPECT_TRUE(NothingLost(run));
  ASSERT_TRUE(RunToEnd(run, "uninstall"));
  EXPECT_TRUE(GameIsOriginal(run));
  EXPECT_TRUE(ModIsClean(run));
}

TEST_F(InstallCrash, KilledInstallIsUndoneByUninstallOrLeavesTheGameUntouched) {
  std::uint64_t lastUncommitted = 0, firstCommitted = 0;
  const std::uint64_t end = Sweep(original_, "install", [&](std::uint64_t n, const fs::path& run) {
    if (Installed(run)) {
      if (firstCommitted == 0) firstCommitted = n;
      ASSERT_TRUE(RunToEnd(run, "uninstall"));
      EXPECT_TRUE(GameIsOriginal(run));
      EXPECT_TRUE(ModIsClean(run));
    } else {
      // Killed before the backup was committed: the game has not changed.
      EXPECT_EQ(firstCommitted, 0u) << "the mod counted as installed at an earlier N";
      lastUncommitted = n;
      EXPECT_TRUE(GameIsUntouched(run));
      EXPECT_TRUE(ModIsClean(run, /*leftovers=*/true));
      InstallAndUninstallAgain(run);
    }
  });
  ASSERT_GT(end, 1u);
  const fs::path run = t_ / "run";
  EXPECT_TRUE(GameIsInstalled(run));
  ASSERT_TRUE(RunToEnd(run, "uninstall"));
  EXPECT_TRUE(GameIsOriginal(run));
  EXPECT_TRUE(ModIsClean(run));
  // Both kinds of crash must have been met for the sweep to mean anything.
  EXPECT_GT(lastUncommitted, 0u);
  EXPECT_GT(firstCommitted, lastUncommitted);
  Report("install_sweep", "install killed at N = 1.." + std::to_string(end - 1) +
                              " (not installed up to N = " + std::to_string(lastUncommitted) + ", installed from N = " +
                              std::to_string(firstCommitted) + "), completes at N = " + std::to_string(end));
}

TEST_F(InstallCrash, KilledUninstallIsFinishedByRunningItAgain) {
  const fs::path installed = InstalledState();
  ASSERT_FALSE(HasFailure());
  std::uint64_t lastInstalled = 0, firstRetired = 0;
  const std::uint64_t end = Sweep(installed, "uninstall", [&](std::uint64_t n, const fs::path& run) {
    if (Installed(run)) {
      EXPECT_EQ(firstRetired, 0u) << "the backup came back after it had been retired";
      lastInstalled = n;
      ASSERT_TRUE(RunToEnd(run, "uninstall"));
      EXPECT_TRUE(GameIsOriginal(run));
      EXPECT_TRUE(ModIsClean(run));
    } else {
      // Killed while the retired backup was being deleted: every file is
      // back already. Running the uninstall again, as a user finishing the
      // job would, must not touch the originals; the next install clears
      // what was left.
      if (firstRetired == 0) firstRetired = n;
      EXPECT_TRUE(GameIsOriginal(run));
      EXPECT_TRUE(ModIsClean(run, /*leftovers=*/true));
      ASSERT_TRUE(RunToEnd(run, "uninstall"));
      EXPECT_TRUE(GameIsOriginal(run));
      InstallAndUninstallAgain(run);
    }
  });
  ASSERT_GT(end, 1u);
  const fs::path run = t_ / "run";
  EXPECT_TRUE(GameIsOriginal(run));
  EXPECT_TRUE(ModIsClean(run));
  EXPECT_GT(lastInstalled, 0u);
  Report("uninstall_sweep", "uninstall killed at N = 1.." + std::to_string(end - 1) + " (installed up to N = " +
                                std::to_string(lastInstalled) + (firstRetired ? ", backup retired from N = " : "") +
                                (firstRetired ? std::to_string(firstRetired) : "") +
                                "), completes at N = " + std::to_string(end));
}

TEST_F(InstallCrash, KilledReinstallIsUndoneByUninstall) {
  const fs::path installed = InstalledState();
  ASSERT_FALSE(HasFailure());
  std::uint64_t notInstalled = 0;
  const std::uint64_t end = Sweep(installed, "install", [&](std::uint64_t, const fs::path& run) {
    if (Installed(run)) {
      ASSERT_TRUE(RunToEnd(run, "uninstall"));
      EXPECT_TRUE(GameIsOriginal(run));
      EXPECT_TRUE(ModIsClean(run));
    } else {
      // Between the old backup's retirement and the new one's commit.
      ++notInstalled;
      EXPECT_TRUE(GameIsOriginal(run));
      EXPECT_TRUE(ModIsClean(run, /*leftovers=*/true));
      InstallAndUninstallAgain(run);
    }
  });
  ASSERT_GT(end, 1u);
  const fs::path run = t_ / "run";
  EXPECT_TRUE(GameIsInstalled(run));
  ASSERT_TRUE(RunToEnd(run, "uninstall"));
  EXPECT_TRUE(GameIsOriginal(run));
  EXPECT_TRUE(ModIsClean(run));
  EXPECT_GT(notInstalled, 0u);
  Report("reinstall_sweep", "reinstall killed at N = 1.." + std::to_string(end - 1) + " (" +
                                std::to_string(notInstalled) +
                                " of them between the two backups), completes at N = " + std::to_string(end));
}

// Killed inside the file operations: on entry to the N-th call of each kind
// of system call that writes, renames, links, deletes or flushes. Whatever a
// kill left half done (a temporary copy, a link not yet renamed, a record
// being rewritten), the next run clears it, and the game ends as it began,
// hidden files included.
class InstallCrashInside : public InstallCrash {
 protected:
  template <typename AfterKill>
  void SweepEveryKind(const fs::path& start, const std::string& command, AfterKill afterKill) {
    const RunResult probe = drydock::test::RunChild({kStrace, "-qq", "-o", "/dev/null", "/bin/true"});
    ASSERT_EQ(probe.code, 0) << "strace cannot trace programs here:\n" << probe.output;
    const char* const kinds[] = {"copy_file_range", "fchmod", "utimensat", "write", "fsync", "rename",
                                 "renameat2",       "link",   "unlink",    "mkdir", "rmdir", "syncfs"};
    int points = 0;
    for (const char* syscall : kinds) {
      const std::uint64_t end = Sweep(start, command, afterKill, syscall);
      if (end == 0) return;
      points += static_cast<int>(end) - 1;
    }
    Report(command + "_syscall_sweep", command + " killed inside file operations at " + std::to_string(points) +
                                           " system calls of " + std::to_string(std::size(kinds)) + " kinds");
  }
};

TEST_F(InstallCrashInside, InstallLeavesNothingBehind) {
  SweepEveryKind(original_, "install", [&](std::uint64_t, const fs::path& run) {
    if (Installed(run)) {
      ASSERT_TRUE(RunToEnd(run, "uninstall"));
      EXPECT_TRUE(GameIsOriginal(run));
      EXPECT_TRUE(ModIsClean(run));
    } else {
      EXPECT_TRUE(GameIsUntouched(run));
      InstallAndUninstallAgain(run);
    }
  });
}

TEST_F(InstallCrashInside, UninstallLeavesNothingBehind) {
  const fs::path installed = InstalledState();
  ASSERT_FALSE(HasFailure());
  SweepEveryKind(installed, "uninstall", [&](std::uint64_t, const fs::path& run) {
    if (Installed(run)) {
      ASSERT_TRUE(RunToEnd(run, "uninstall"));
    }
    EXPECT_TRUE(GameIsOriginal(run));
    if (!Installed(run) && fs::exists(ModFolder(run) / ".drydock-backup-old")) InstallAndUninstallAgain(run);
    EXPECT_TRUE(ModIsClean(run));
  });
}

}  // namespace
