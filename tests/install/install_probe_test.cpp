// The real program on real folders, probed as a careless or unlucky user would: a run repeated, two runs at once, a
// run while another holds the game, odd file names, a mod that ships its own Backup, files dropped into a backup, and
// a game folder that cannot be written. No probe may lose an original game file or report a failure as success.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>

#include "platform/writer_lock.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::test::ChildProcess;
using drydock::test::RunResult;
using drydock::test::TempTree;
using Rows = std::vector<std::string>;

namespace {

constexpr int kReplaced = 400;  // game files the mod replaces

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The run ended with `code` and said `text`.
::testing::AssertionResult Ended(const RunResult& r, int code, const std::string& text = "") {
  if (r.code == code && Contains(r.output, text)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit " << r.code << ", wanted " << code << " and \"" << text << "\":\n"
                                       << r.output;
}

class Probe : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* why = drydock::test::WhyNoProgram()) GTEST_SKIP() << why;
    t.Write("original/game/Armada2.exe", "the game's program");
    t.Write("original/game/readme.txt", "the game's readme");
    t.Write("original/prog/mods/Fleet/ModInfo.txt", "Author: me\r\n");
    t.Write("original/prog/mods/Fleet/fleet.txt", "the mod's notes");
    t.Write("original/prog/mods/Fleet/odf/ships/new.odf", "added by the mod");
    // A game file the mod ships unchanged.
    t.Write("original/game/odf/ships/same.odf", "the same in both");
    t.Write("original/prog/mods/Fleet/odf/ships/same.odf", "the same in both");
    for (int i = 0; i < kReplaced; ++i) {
      const std::string name = "odf/ships/s" + std::to_string(i) + ".odf";
      t.Write("original/game/" + name, "original " + std::to_string(i));
      t.Write("original/prog/mods/Fleet/" + name, "mod " + std::to_string(i));
    }
    gameBefore = TempTree::Snapshot(t / "original/game");
    modBefore = TempTree::Snapshot(t / "original/prog/mods/Fleet");
    Fresh();
  }
  // Starts over from the untouched game and mod.
  void Fresh() {
    fs::remove_all(t / "run");
    fs::copy(t / "original", t / "run", fs::copy_options::recursive);
  }

  fs::path Game() const { return t / "run/game"; }
  fs::path Mod() const { return t / "run/prog/mods/Fleet"; }

  // `drydock COMMAND Fleet --yes` on the run's folders.
  std::vector<std::string> Args(const std::string& command) const {
    return {DRYDOCK_EXE, "--program-dir", (t / "run/prog").string(), "--game-dir", Game().string(), "--yes",
            command,     "Fleet"};
  }
  RunResult Cli(const std::string& command, const std::vector<std::string>& env = {}) const {
    return drydock::test::RunChild(Args(command), env);
  }

  // The game as it was, but for empty folders an install may leave (and, while the mod is still installed, the
  // game's ledger of installs); with `modToo`, also the mod folder holding its own files and nothing else.
  ::testing::AssertionResult AsBefore(bool modToo = true) const {
    Rows game = fs::exists(Mod() / "Backup") ? drydock::test::GameSnapshot(Game()) : TempTree::Snapshot(Game());
    Rows mod = TempTree::Snapshot(Mod());
    std::erase_if(game, [](const std::string& row) { return row.back() == '/'; });
    std::erase_if(mod, [](const std::string& row) { return row.starts_with(".drydock-uninstalled="); });
    const auto same = Same(game, gameBefore, "game");
    return same && modToo ? Same(mod, modBefore, "mod") : same;
  }
  ::testing::AssertionResult GameIsOriginal() const { return AsBefore(false); }

  static ::testing::AssertionResult Same(const Rows& now, const Rows& before, const char* what) {
    if (now == before) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "the " << what << " differs from the original:";
    for (const std::string& row : before)
      if (!std::binary_search(now.begin(), now.end(), row)) failure << "\n  missing " << row;
    for (const std::string& row : now)
      if (!std::binary_search(before.begin(), before.end(), row)) failure << "\n  extra   " << row;
    return failure;
  }

  // Every original's bytes are still in the game or in the mod's backup.
  ::testing::AssertionResult NothingLost() const {
    std::set<std::string> found;
    for (const fs::path& root : {Game(), Mod() / "Backup"}) {
      for (const std::string& row : TempTree::Snapshot(root)) found.insert(row);
    }
    Rows kept;
    std::copy_if(gameBefore.begin(), gameBefore.end(), std::back_inserter(kept),
                 [&](const std::string& row) { return found.count(row) > 0; });
    return Same(kept, gameBefore, "originals kept");
  }

  TempTree t;
  Rows gameBefore, modBefore;
};

}  // namespace

// An uninstall of a mod never installed deletes only exact copies after questions: install_flow_test.
TEST_F(Probe, AnUninstallRunAgainKnowsTheOriginalsItPutBackTheUnchangedOneToo) {
  ASSERT_EQ(Cli("install").code, 0);
  ASSERT_EQ(Cli("uninstall").code, 0);
  EXPECT_TRUE(Ended(Cli("uninstall"), 0, "uninstalled: Fleet"));
  EXPECT_TRUE(AsBefore());
}

TEST_F(Probe, TwoRunsAtOnceNeverLoseAnOriginal) {
  for (const auto& [installedFirst, first, second] :
       {std::tuple(false, "install", "install"), std::tuple(true, "install", "install"),
        std::tuple(true, "uninstall", "uninstall"), std::tuple(true, "install", "uninstall")}) {
    for (int trial = 0; trial < 4; ++trial) {
      SCOPED_TRACE(std::string(first) + " and " + second + (installedFirst ? " of an installed mod" : "") + ", trial " +
                   std::to_string(trial));
      Fresh();
      if (installedFirst) {
        ASSERT_EQ(Cli("install").code, 0);
      }
      ChildProcess a = ChildProcess::Start(Args(first));
      ChildProcess b = ChildProcess::Start(Args(second));
      // The lock makes the second wait for the first, so both get through; on a loaded machine one may give up
      // after its wait instead, having changed nothing.
      for (ChildProcess* run : {&a, &b}) {
        const RunResult r = run->Wait();
        EXPECT_TRUE(Ended(r, 0) || Ended(r, 1, "Another Drydock is changing ")) << r.output;
      }
      EXPECT_TRUE(NothingLost());
      if (fs::exists(Mod() / "Backup")) {
        ASSERT_EQ(Cli("uninstall").code, 0);
      }
      EXPECT_TRUE(AsBefore());
      if (HasFailure()) return;
    }
  }
}

TEST_F(Probe, ASecondWriterIsRefusedWhileAnotherHoldsTheGameOrTheModsFolder) {
  // The message names the folder that is busy.
  for (const auto& [held, text] :
       {std::pair{Game(), std::string("Another Drydock is changing this game's files.")},
        {t / "run/prog/mods", "Another Drydock is changing the files in " + (t / "run/prog/mods").string() + "."}}) {
    SCOPED_TRACE(held.string());
    const auto lock = drydock::platform::WriterLock::Acquire({held});
    ASSERT_TRUE(lock.has_value());
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = Cli("install");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "it should wait a moment first";
    EXPECT_TRUE(Ended(r, 1, text + " Try again when it has finished."));
    EXPECT_TRUE(AsBefore());
  }
}

TEST_F(Probe, NamesAWindowsGameCannotHoldAreNotInstalledAndListed) {
  // A line break (once it split the record in two), backslashes in a Linux name, bytes that are not UTF-8; written
  // as they are, as the tree helper would read a backslash as a separator.
  const Rows odd = {"x\nArmada2.exe", "odf\\ships\\s0.odf",    "trail.", "trail ", "CON.txt",
                    "a:b.txt",        "odf/ships/\xff\xfe.odf"};
  for (const std::string& name : odd) std::ofstream(Mod() / name) << "odd";
  const RunResult in = Cli("install");
  EXPECT_TRUE(Ended(in, 1, "7 file(s) of the Fleet mod could not be installed"));
  EXPECT_TRUE(Contains(in.output, "CON.txt (its name is a Windows device name")) << in.output;
  EXPECT_EQ(TempTree::Read(Game() / "Armada2.exe"), "the game's program");
  EXPECT_EQ(TempTree::Read(Game() / "odf/ships/s0.odf"), "mod 0");
  EXPECT_TRUE(Ended(Cli("uninstall"), 0));
  EXPECT_TRUE(GameIsOriginal());
  EXPECT_FALSE(fs::exists(Mod() / "Backup"));
}

TEST_F(Probe, AModThatShipsItsOwnBackupChangesNothingOfTheUsers) {
  // A plain file where the backup goes.
  t.Write("run/prog/mods/Fleet/backup", "the author's notes");
  EXPECT_TRUE(Ended(Cli("install"), 1, "\"backup\", which is not a folder"));
  EXPECT_TRUE(GameIsOriginal());
  fs::remove(Mod() / "backup");

  // A Backup folder zipped with an installed copy, from another game.
  t.Write("run/prog/mods/Fleet/Backup/odf/ships/s1.odf", "a stranger's s1");
  t.Write("run/prog/mods/Fleet/Backup/Armada2.exe", "a stranger's program");
  t.Write("run/prog/mods/Fleet/Backup/.drydock-added", "Armada2.exe\r\nodf\\ships\\s2.odf\r\n");
  for (const std::string command : {"install", "uninstall"}) {
    SCOPED_TRACE(command);
    const RunResult r = Cli(command);
    EXPECT_TRUE(Ended(r, 1,
                      "odf/ships/s1.odf (the game's file is neither what this mod's install wrote nor its backup copy, "
                      "so both were left as they are)"));
    // Installing again (as the user would, the mod looking installed) says what to do about it.
    EXPECT_EQ(Contains(r.output,
                       "\nThe mod's Backup folder has no install record. If the mod came with a Backup "
                       "folder of its own, move that folder out of the mod's folder and install again."),
              command == "install")
        << r.output;
    EXPECT_TRUE(GameIsOriginal());
    EXPECT_EQ(TempTree::Read(Mod() / "Backup/Armada2.exe"), "a stranger's program");
  }
  // Moved out of the way, the mod installs and uninstalls as any other.
  fs::rename(Mod() / "Backup", t / "run/shipped-backup");
  EXPECT_TRUE(Ended(Cli("install"), 0));
  EXPECT_TRUE(Ended(Cli("uninstall"), 0));
  EXPECT_TRUE(AsBefore());
}

TEST_F(Probe, FilesTheUninstallDidNotRestoreStayInTheBackup) {
  ASSERT_EQ(Cli("install").code, 0);
  const std::map<std::string, std::string> foreign = {{"Backup/notes.txt", "the user's notes"},
                                                      {"Backup/.hidden", "a hidden file"},
                                                      {"Backup/ODF/Ships/s1.odf", "a second letter-case variant"}};
  for (const auto& [rel, bytes] : foreign) t.Write("run/prog/mods/Fleet/" + rel, bytes);
  for (const char* run : {"uninstall", "uninstall run again"}) {
    SCOPED_TRACE(run);
    EXPECT_TRUE(Ended(Cli("uninstall"), 1, "3 file(s) of the Fleet mod could not be handled"));
    EXPECT_TRUE(GameIsOriginal());
    for (const auto& [rel, bytes] : foreign) EXPECT_EQ(TempTree::Read(Mod() / rel), bytes) << rel;
  }
  for (const auto& [rel, bytes] : foreign) fs::remove(Mod() / rel);
  EXPECT_TRUE(Ended(Cli("uninstall"), 0));
  EXPECT_TRUE(AsBefore());
}

// One folder that refuses every change: install_flow_test and install_engine_test.
TEST_F(Probe, AGameFolderThatCannotBeWrittenKeepsNoCopyAndSaysSo) {
  const RunResult r = Cli("install", {"DRYDOCK_FAIL_PATH=" + Game().string() + "/"});
  EXPECT_TRUE(Ended(r, 1, "Nothing was installed, and the game was left as it was."));
  EXPECT_FALSE(Contains(r.output, "installed: Fleet")) << r.output;
  EXPECT_TRUE(AsBefore());
}

namespace {

// What players do with their games and mods, each case run with the real program on folders of its own: a second
// copy of the game, a mod published with its author's Backup, a game folder renamed, two program folders, a Backup
// without a record, a linked game folder, an edit that keeps size and time, a kept original deleted by hand, a record
// cut short. After every step, every original's bytes are still somewhere a player can get them back (a game, a
// Backup or the trash), nothing outside the games and mods changed, and the exit code and the message tell the truth.
class Players : public ::testing::Test {
 public:
  // Lays out the case's folders: a game X and a program folder P with the mods Fleet and Later.
  void SetUp() override {
    if (const char* why = drydock::test::WhyNoProgram()) GTEST_SKIP() << why;
    t.Write("c/games/X/Armada2.exe", "the game's program");
    t.Write("c/games/X/readme.txt", "the game's readme");
    t.Write("c/games/X/odf/ships/fed.odf", "fed original");
    t.Write("c/games/X/odf/ships/kling.odf", "kling original");
    t.MakeReadOnly("c/games/X/odf/ships/kling.odf");
    t.Write("c/P/mods/Fleet/ModInfo.txt", "Author: me\r\n");
    t.Write("c/P/mods/Fleet/odf/ships/fed.odf", "fleet fed");
    t.Write("c/P/mods/Fleet/odf/ships/kling.odf", "fleet kling");
    t.Write("c/P/mods/Fleet/odf/ships/new.odf", "fleet new");
    t.Write("c/P/mods/Later/odf/ships/fed.odf", "later fed");
    t.Write("c/outside/keep.txt", "a file outside every game");
    for (const std::string& row : TempTree::Snapshot(t / "c/games/X")) {
      if (row.back() != '/') originals.insert(row.substr(row.find('=') + 1));
    }
    outside = TempTree::Snapshot(t / "c/outside");
  }
  // After every case every original is where a player can get it back, and a read-only one came back read-only.
  void TearDown() override {
    if (IsSkipped()) return;
    EXPECT_TRUE(Safe());
    if (fs::exists(C("games/X/odf/ships/kling.odf")) && Read("games/X/odf/ships/kling.odf") == "kling original") {
      EXPECT_EQ(fs::status(C("games/X/odf/ships/kling.odf")).permissions() & fs::perms::owner_write, fs::perms::none);
    }
  }
  fs::path C(const std::string& rel) const { return t / ("c/" + rel); }
  std::string Canonical(const std::string& rel) const { return fs::weakly_canonical(C(rel)).string(); }

  // `drydock --yes ARGS` with the program folder and game folder given, its home in the case's folder; Run gives a
  // command and a mod of P.
  RunResult In(const std::string& prog, const std::string& game, std::vector<std::string> args) const {
    std::vector<std::string> argv = {DRYDOCK_EXE,  "--program-dir",  C(prog).string(),
                                     "--game-dir", C(game).string(), "--yes"};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string home = C("home").string();
    return drydock::test::RunChild(
        argv, {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data", "XDG_CACHE_HOME=" + home + "/cache"});
  }
  RunResult Run(const std::string& command, const std::string& mod, const std::string& game = "games/X") const {
    return In("P", game, {command, mod});
  }

  // Every original's bytes in a game, a Backup (of any mods folder) or the trash; nothing outside them changed.
  ::testing::AssertionResult Safe() const {
    std::set<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(C(""), ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      const std::string path = it->path().generic_string();
      bool kept = false;
      for (const char* part : {"/games/", "/Backup/", "/backup/", "/Trash/files/", "/Backup (left over)/"}) {
        kept = kept || Contains(path, part);
      }
      if (kept && it->is_regular_file() && !it->is_symlink()) found.insert(TempTree::Read(it->path()));
    }
    std::string lost;
    for (const std::string& bytes : originals) {
      if (!found.count(bytes) && !deletedByHand.count(bytes)) lost += "\n  lost: " + bytes;
    }
    if (TempTree::Snapshot(C("outside")) != outside) lost += "\n  a file outside the games changed";
    return lost.empty() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << lost;
  }
  std::string Read(const std::string& rel) const { return TempTree::Read(C(rel)); }
  Rows GameNow(const std::string& game = "games/X") const { return TempTree::Snapshot(C(game)); }

  TempTree t;
  std::set<std::string> originals, deletedByHand;
  Rows outside;
};

}  // namespace

TEST_F(Players, AnotherCopyOfTheGameIsRefusedAndTheRightOneUninstalls) {
  fs::copy(C("games/X"), C("games/Y"), fs::copy_options::recursive);
  const Rows y = GameNow("games/Y");
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  const std::string refusal = "Fleet was installed into " + Canonical("games/X") + ". Choose that folder";
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet", "games/Y"), 1, refusal));
  EXPECT_TRUE(Ended(Run("install", "Fleet", "games/Y"), 1, refusal));
  EXPECT_EQ(GameNow("games/Y"), y);
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "fleet fed");
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet"), 0));
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "fed original");
}

TEST_F(Players, AModPublishedWithItsAuthorsBackupIsRefusedEverywhereElse) {
  fs::copy(C("games/X"), C("games/Author"), fs::copy_options::recursive);
  ASSERT_TRUE(Ended(Run("install", "Fleet", "games/Author"), 0));
  fs::create_directories(C("Q/mods"));
  fs::copy(C("P/mods/Fleet"), C("Q/mods/Fleet"), fs::copy_options::recursive);
  const Rows x = GameNow();
  EXPECT_TRUE(Ended(In("Q", "games/X", {"installed"}), 0, "Fleet (installed into " + Canonical("games/Author") + ")"));
  EXPECT_TRUE(Ended(In("Q", "games/X", {"install", "Fleet"}), 1,
                    "Fleet was installed into " + Canonical("games/Author") + ". Choose that folder"));
  // On the player's machine the author's game does not exist at all.
  fs::rename(C("games/Author"), C("elsewhere"));
  EXPECT_TRUE(Ended(In("Q", "games/X", {"uninstall", "Fleet"}), 1, ", which is no longer there"));
  EXPECT_EQ(GameNow(), x);
}

TEST_F(Players, AGameFolderRenamedBetweenInstallAndUninstallIsTakenForTheSame) {
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  ASSERT_TRUE(Ended(Run("install", "Later"), 0));
  fs::rename(C("games/X"), C("games/X2"));
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet", "games/X2"), 0,
                    "Fleet was installed into " + (C("games").string()) + "/X, which is no longer there"));
  EXPECT_EQ(Read("games/X2/odf/ships/fed.odf"), "later fed");
  EXPECT_EQ(Read("P/mods/Later/Backup/odf/ships/fed.odf"), "fed original");
  EXPECT_TRUE(Ended(Run("uninstall", "Later", "games/X2"), 0));
  EXPECT_EQ(Read("games/X2/odf/ships/fed.odf"), "fed original");
}

TEST_F(Players, TwoProgramFoldersInstallingIntoOneGameShareItsOrder) {
  fs::create_directories(C("Q/mods"));
  fs::rename(C("P/mods/Later"), C("Q/mods/Later"));
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  ASSERT_TRUE(Ended(In("Q", "games/X", {"install", "Later"}), 0));
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet"), 0));
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "later fed");
  EXPECT_TRUE(Ended(In("Q", "games/X", {"uninstall", "Later"}), 0));
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "fed original");
}

TEST_F(Players, ABackupWithoutARecordPutsBackNothingTheGameNeverHad) {
  t.Write("c/P/mods/Fleet/Backup/readme.txt", "a stranger's readme");
  t.Write("c/P/mods/Fleet/Backup/odf/ships/gone.odf", "a stranger's file");
  const Rows x = GameNow();
  const RunResult r = Run("uninstall", "Fleet");
  EXPECT_TRUE(Ended(r, 1, "the game has no such file holding the mod's"));
  EXPECT_TRUE(Contains(r.output, "gone.odf")) << r.output;
  EXPECT_EQ(GameNow(), x);
  EXPECT_EQ(Read("P/mods/Fleet/Backup/readme.txt"), "a stranger's readme");
  // Spelled in lower case it is the same Backup: listed as installed, and the install changes nothing.
  fs::rename(C("P/mods/Fleet/Backup"), C("P/mods/Fleet/backup"));
  EXPECT_TRUE(Ended(In("P", "games/X", {"installed"}), 0, "Fleet\n"));
  EXPECT_TRUE(Ended(Run("install", "Fleet"), 1, "Reinstall stopped"));
  EXPECT_EQ(GameNow(), x);
}

TEST_F(Players, AGameFolderLinkedOutsideTheGameIsNeitherInstalledNorUninstalledThrough) {
  const auto linkOut = [&] {
    fs::rename(C("games/X/odf/ships"), C("outside/ships"));
    fs::create_directory_symlink(C("outside/ships"), C("games/X/odf/ships"));
    outside = TempTree::Snapshot(C("outside"));
  };
  linkOut();
  const std::string link = "odf/ships is a link to " + C("outside/ships").string();
  EXPECT_TRUE(Ended(Run("install", "Fleet"), 1, link));
  EXPECT_FALSE(fs::exists(C("P/mods/Fleet/Backup")));
  // Linked after the install: the uninstall writes nothing through it either.
  fs::remove(C("games/X/odf/ships"));
  fs::rename(C("outside/ships"), C("games/X/odf/ships"));
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  linkOut();
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet"), 1, link));
  EXPECT_TRUE(fs::exists(C("P/mods/Fleet/Backup/odf/ships/fed.odf")));
}

TEST_F(Players, AnEditKeepingSizeAndTimeIsToldAndUndone) {
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  const fs::path fed = C("games/X/odf/ships/fed.odf");
  const auto time = fs::last_write_time(fed);
  t.Write("c/games/X/odf/ships/fed.odf", "FLEET FED");
  fs::last_write_time(fed, time);
  originals.insert("FLEET FED");  // the player's edit is theirs too
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet"), 0, "were changed in the game after it was installed"));
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "fed original");
}

TEST_F(Players, AKeptOriginalDeletedByHandNeedsForceWhichLeavesThatFile) {
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  fs::remove(C("P/mods/Fleet/Backup/odf/ships/kling.odf"));
  deletedByHand.insert("kling original");
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet"), 1, "uninstall with --force"));
  EXPECT_TRUE(Ended(In("P", "games/X", {"uninstall", "--force", "Fleet"}), 0,
                    "were left as they are, since their originals were gone:\n    odf/ships/kling.odf"));
  EXPECT_EQ(Read("games/X/odf/ships/kling.odf"), "fleet kling");
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "fed original");
  EXPECT_FALSE(fs::exists(C("games/X/odf/ships/new.odf")));
  EXPECT_FALSE(fs::exists(C("P/mods/Fleet/Backup")));
}

TEST_F(Players, ARecordCutShortNeedsForceWhichPutsEveryOriginalBack) {
  ASSERT_TRUE(Ended(Run("install", "Fleet"), 0));
  const fs::path record = C("P/mods/Fleet/Backup/.drydock-record");
  const std::string text = TempTree::Read(record);
  t.Write("c/P/mods/Fleet/Backup/.drydock-record", text.substr(0, text.size() - 12));
  EXPECT_TRUE(Ended(Run("uninstall", "Fleet"), 1, "cannot be read"));
  EXPECT_TRUE(Ended(In("P", "games/X", {"uninstall", "--force", "Fleet"}), 0, "was uninstalled"));
  EXPECT_EQ(Read("games/X/odf/ships/fed.odf"), "fed original");
  EXPECT_EQ(Read("games/X/odf/ships/kling.odf"), "kling original");
  EXPECT_FALSE(fs::exists(C("P/mods/Fleet/Backup")));
}

// The probes that run the program under strace, which makes chosen system calls fail or return early.
class ProbeUnderStrace : public Probe {
 protected:
  void SetUp() override {
    Probe::SetUp();
    if (IsSkipped()) return;
#ifdef __SANITIZE_ADDRESS__
    // As the kill sweeps under strace: the build without sanitizers runs these.
    GTEST_SKIP() << "LeakSanitizer does not work in a program traced by strace";
#endif
    const RunResult probe = drydock::test::RunChild({kStrace, "-qq", "-o", "/dev/null", "/bin/true"});
    if (probe.code != 0) GTEST_SKIP() << "strace cannot trace programs here:\n" << probe.output;
  }
  // `drydock COMMAND Fleet --yes`, each of `injected` ("link:error=EXDEV") done to its system call, with the home,
  // cache and data folders in the test's folder.
  RunResult Traced(const std::string& command, const std::vector<std::string>& injected,
                   const std::vector<std::string>& env = {}) const {
    std::vector<std::string> args = {
        kStrace, "-f", "-qq", "-o", "/dev/null", "--seccomp-bpf", "-e", "trace=copy_file_range,sendfile,link"};
    for (const std::string& call : injected) args.insert(args.end(), {"-e", "inject=" + call});
    for (const std::string& arg : Args(command)) args.push_back(arg);
    std::vector<std::string> home = {"HOME=" + t.root().string(), "XDG_CACHE_HOME=" + (t / "cache").string(),
                                     "XDG_DATA_HOME=" + (t / "data").string()};
    home.insert(home.end(), env.begin(), env.end());
    return drydock::test::RunChild(args, home);
  }
  static constexpr char kStrace[] = "/usr/bin/strace";
};

// Where the kernel's copy stops short at once (across some file systems and FUSE mounts: copy_file_range, or where
// that cannot work sendfile, returns 0 before the end), each copy is finished by reading and writing, the kept
// originals too: a hard link refused as between two volumes makes them copies. A file of several read buffers
// joins the fixture.
TEST_F(ProbeUnderStrace, CopiesStoppedShortByTheKernelAreFinishedAndEveryFileIsWhole) {
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7919 % 251);
  t.Write("original/game/textures/big.tga", big.substr(1000));
  t.Write("original/prog/mods/Fleet/textures/big.tga", big);
  gameBefore = TempTree::Snapshot(t / "original/game");
  modBefore = TempTree::Snapshot(t / "original/prog/mods/Fleet");
  Rows modsGameFiles = modBefore;
  std::erase_if(modsGameFiles,
                [](const std::string& row) { return !row.starts_with("odf/") && !row.starts_with("textures/"); });
  for (const std::vector<std::string>& injected :
       {std::vector<std::string>{"link:error=EXDEV", "copy_file_range:retval=0"},
        {"link:error=EXDEV", "copy_file_range:error=ENOSYS", "sendfile:retval=0"}}) {
    SCOPED_TRACE(injected.back());
    Fresh();
    EXPECT_TRUE(Ended(Traced("install", injected), 0, "installed: Fleet"));
    EXPECT_TRUE(NothingLost());
    const Rows game = TempTree::Snapshot(Game());
    Rows notWhole;
    std::copy_if(modsGameFiles.begin(), modsGameFiles.end(), std::back_inserter(notWhole),
                 [&](const std::string& row) { return !std::binary_search(game.begin(), game.end(), row); });
    // (The message is made only when the check fails.)
    EXPECT_TRUE(notWhole.empty()) << notWhole.size() << " of the mod's files are not whole in the game, the first "
                                  << notWhole.front().substr(0, 40);
    EXPECT_TRUE(Ended(Traced("uninstall", injected), 0, "uninstalled: Fleet"));
    EXPECT_TRUE(AsBefore());
    if (HasFailure()) return;
  }
}

// A copy that comes out short however it is made (a test build told to write only half) is a failure: the run
// says so and exits 1, the game's file stays as it was, and nothing short is left, neither in the game nor as a
// kept original (a hard link refused as between two volumes makes the backup a copy).
TEST_F(ProbeUnderStrace, ACopyThatComesOutShortIsAFailureAndLeavesNothingShort) {
  for (const char* cut : {"game/odf/ships/s1.odf", "Fleet/.drydock-backup-new/odf/ships/s1.odf"}) {
    SCOPED_TRACE(cut);
    Fresh();
    const RunResult r = Traced("install", {"link:error=EXDEV"}, {std::string("DRYDOCK_SHORT_COPY=") + cut});
    EXPECT_TRUE(Ended(r, 1, "odf/ships/s1.odf"));
    EXPECT_TRUE(Contains(r.output, "the copy came out shorter than the file it copies")) << r.output;
    EXPECT_EQ(TempTree::Read(Game() / "odf/ships/s1.odf"), "original 1");
    EXPECT_EQ(TempTree::Read(Game() / "odf/ships/s2.odf"), "mod 2");
    EXPECT_TRUE(NothingLost());
    EXPECT_TRUE(Ended(Traced("uninstall", {"link:error=EXDEV"}), 0, "uninstalled: Fleet"));
    EXPECT_TRUE(AsBefore());  // hidden files included: no temporary copy stayed behind
    if (HasFailure()) return;
  }
}
