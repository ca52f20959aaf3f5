// The sorter on real folders: what moves where, what stays, the question before replacing other bytes, and the
// real program killed at every file operation of a sort.
#include "fileinstaller/loose_sorter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "flow/preflight.h"
#include "install/install_flow.h"
#include "platform/file_ops.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#ifndef _WIN32
#include "support/stand_in_game.h"
#endif
#include "support/temp_tree.h"

using namespace drydock;
using namespace drydock::fileinstaller;
using drydock::test::ScriptedDialogs;
using drydock::test::TempTree;
using Rows = std::vector<std::string>;

namespace {

struct Host final : install::InstallHost {
  bool RefreshQuietly() override { return true; }
};

const std::string kBadName =
    "bad\\name.bzn (its name holds one of \\ / : * ? \" < > |, which a Windows game cannot hold)";
constexpr char kShip[] = "#include \"cruise1.odf\"\r\n";

// Loose files of most kinds; a ship folder already there as "Odf/Ships"; an objective of another case and other
// bytes and a map with the same bytes already in their folders; an empty game folder and an empty folder of its own.
// On Linux also two loose maps whose names differ only in case and a name holding a backslash, which a Windows
// file system cannot hold side by side or at all (kLinuxOnly).
[[maybe_unused]] const Rows kLinuxOnly = {"bad\\name.bzn=backslash", "map2.BZN=lower"};
void WriteMod(TempTree& t) {
  for (const auto& [file, bytes] :
       std::vector<std::pair<std::string, std::string>>{{"a2_01.txt", "new objective"},
                                                        {"map.bzn", "map"},
                                                        {"fed_cruiser.odf", kShip},
                                                        {"Fed_Cruiser.bmp", "picture"},
                                                        {"phaser_ship.odf", kShip},
                                                        {"phaser_only.odf", "phaser"},
                                                        {"readme.txt", "read me"},
                                                        {"MAP2.bzn", "upper"},
                                                        {"Odf/Ships/keep.odf", "keep"},
                                                        {"objectives/A2_01.TXT", "old objective"},
                                                        {"bzn/map.bzn", "map"}}) {
    t.Write("prog/mods/Mod/" + file, bytes);
  }
#ifndef _WIN32
  t.Write("prog/mods/Mod/map2.BZN", "lower");
  std::ofstream(t / "prog/mods/Mod" / "bad\\name.bzn") << "backslash";  // one name on Linux
#endif
  t.MakeDir("prog/mods/Mod/sounds");
  t.MakeDir("prog/mods/Mod/Docs");
}

// What every sort of the fixture leaves, the objective and the case twins aside.
const Rows kSorted = {"Docs/",
                      "Odf/Ships/fed_cruiser.odf=#include \"cruise1.odf\"\r\n",
                      "Odf/Ships/keep.odf=keep",
                      "Odf/Ships/phaser_ship.odf=#include \"cruise1.odf\"\r\n",
                      "Odf/weapons/Phasers/phaser_only.odf=phaser",
                      "bad\\name.bzn=backslash",
                      "bitmaps/AdmiralsLog/ShipImages/Fed_Cruiser.bmp=picture",
                      "bzn/map.bzn=map",
                      "readme.txt=read me"};

Rows With(Rows rows, const Rows& more) {
  rows.insert(rows.end(), more.begin(), more.end());
  std::sort(rows.begin(), rows.end());
  return rows;
}

class Sorter : public ::testing::Test {
 protected:
  void SetUp() override { WriteMod(t); }
  std::optional<SortReport> Sort(const std::optional<SortChoice>& choice = {}) {
    const ModScan scan = ScanModRoot(mod);
    return SortLooseFiles(dialogs, host, t / "prog/mods", mod, scan, choice.value_or(TickEverything(scan)));
  }
  void ExpectQuestion(flow::Answer answer, const std::string& files = "\n    objectives\\a2_01.txt") {
    dialogs.Expect({"These files in the mod's folders hold other contents than the loose files that go there:" + files +
                        "\n\nReplace them? The files replaced go to the trash. With No, those loose files stay in "
                        "the mod's root folder and the files are kept.",
                    "Install files", flow::Buttons::YesNoCancel, flow::Icon::Question, answer});
  }
  TempTree t;
  // Replaced files go to a trash of the test's own, and the locks into its own cache, for the real program too.
  test::ScopedEnv home{"HOME", (t / "home").string()};
  test::ScopedEnv data{"XDG_DATA_HOME", (t / "home/data").string()};
  test::ScopedEnv cache{"XDG_CACHE_HOME", (t / "home/cache").string()};
  std::filesystem::path mod = t / "prog/mods/Mod";
  ScriptedDialogs dialogs;
  Host host;
};

// Cancel changes nothing; No keeps the objective and the file it would replace; Yes replaces it, and the file it
// replaces under another letter case goes to the trash. Names a Windows game cannot hold and the second of two
// loose case twins stay, with reasons.
TEST_F(Sorter, EachTickedFileMovesOnceIntoItsFolderOfAnyCaseAndOtherBytesAreReplacedOnlyWhenTheUserSaysSo) {
  DRYDOCK_SKIP_ON_WINDOWS(
      "lays out names that differ only in letter case side by side, and one holding a backslash, which a Windows file "
      "system cannot hold");
  const Rows before = TempTree::Snapshot(mod);
  ExpectQuestion(flow::Answer::Cancel);
  EXPECT_FALSE(Sort());
  EXPECT_EQ(TempTree::Snapshot(mod), before);

  ExpectQuestion(flow::Answer::No);
  const auto kept = Sort();
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->message,
            "6 files installed.\n\nThese files stayed in the mod's root folder:\n"
            "    " +
                kBadName +
                "\n"
                "    map2.BZN (MAP2.bzn, its name in other letter case, goes to the same folder)\n\n"
                "These loose files stayed in the mod's root folder, so that the files they would have replaced are "
                "kept:\n    a2_01.txt");
  EXPECT_EQ(TempTree::Snapshot(mod), With(kSorted, {"a2_01.txt=new objective", "objectives/A2_01.TXT=old objective",
                                                    "bzn/MAP2.bzn=upper", "map2.BZN=lower"}));

  ExpectQuestion(flow::Answer::Yes, "\n    objectives\\a2_01.txt\n    bzn\\map2.BZN");
  const auto replaced = Sort();
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced->message,
            "2 files installed.\n\nThese files stayed in the mod's root folder:\n"
            "    " +
                kBadName);
  EXPECT_EQ(TempTree::Snapshot(mod), With(kSorted, {"objectives/a2_01.txt=new objective", "bzn/map2.BZN=lower"}));
  EXPECT_EQ(TempTree::Snapshot(t / "home/data/Trash/files"), (Rows{"A2_01.TXT=old objective", "MAP2.bzn=upper"}));
  EXPECT_TRUE(dialogs.Done());
}

// The .odf chain ends at the first ticked type that takes the file; only ticked entries move; a file gone since
// the scan is not counted, and the game folders left empty go, those the mod had before included.
TEST_F(Sorter, OnlyTickedEntriesMoveAndEmptyGameFoldersGo) {
  const ModScan scan = ScanModRoot(mod);
  SortChoice choice = TickEverything(scan);
  const auto untick = [&](const char* type, const std::string& name) {
    const auto row = static_cast<std::size_t>(TypeByName(type) - FileTypeRules().data());
    for (std::size_t k = 0; k < scan.files[row].size(); ++k) {
      if (scan.files[row][k].name == name) choice.files[row][k] = false;
    }
    return row;
  };
  untick("Odf\\Ships", "phaser_ship.odf");
  untick("Odf\\Weapons\\Phasers", "phaser_only.odf");
  choice.types[untick("Objectives", "")] = false;
  choice.types[untick("Bzn", "")] = false;
  std::filesystem::remove(mod / "Fed_Cruiser.bmp");

  const auto report = SortLooseFiles(dialogs, host, t / "prog/mods", mod, scan, choice);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->message, "2 files installed.");
  Rows expected{"Docs/",
                "MAP2.bzn=upper",
                "Odf/Ships/fed_cruiser.odf=#include \"cruise1.odf\"\r\n",
                "Odf/Ships/keep.odf=keep",
                "Odf/weapons/Phasers/phaser_ship.odf=#include \"cruise1.odf\"\r\n",
                "a2_01.txt=new objective",
                "bzn/map.bzn=map",
                "map.bzn=map",
                "objectives/A2_01.TXT=old objective",
                "phaser_only.odf=phaser",
                "readme.txt=read me"};
#ifndef _WIN32
  expected = With(expected, kLinuxOnly);
#endif
  EXPECT_EQ(TempTree::Snapshot(mod), expected);

  // Nothing ticked is left to move: no file counted, and the folders made for the run are gone again.
  const ModScan none = ScanModRoot(t.MakeDir("prog/mods/Bare"));
  t.MakeDir("prog/mods/Bare/sounds/music");
  const auto nothing = SortLooseFiles(dialogs, host, t / "prog/mods", t / "prog/mods/Bare", none, {});
  ASSERT_TRUE(nothing);
  EXPECT_EQ(nothing->message, "No files installed.");
  EXPECT_EQ(TempTree::Snapshot(t / "prog/mods/Bare"), Rows{});
}

// Every file's bytes under one of its two names after a kill at any file operation, and a second run finishes.
TEST_F(Sorter, KilledAtAnyOperationNoFileIsLostAndTheNextRunFinishes) {
  if (const char* why = drydock::test::WhyNoProgram()) GTEST_SKIP() << why;
  // Without the replacements, which a second run would ask about again.
  std::filesystem::remove(mod / "objectives/A2_01.TXT");
  std::filesystem::remove(mod / "map2.BZN");
  const std::filesystem::path start = t / "start";
  std::filesystem::rename(t / "prog", start);
  const auto run = [&](const std::vector<std::string>& args, std::uint64_t killAt) {
    std::vector<std::string> argv{DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "--yes"};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::RunChild(argv, killAt ? std::vector<std::string>{"DRYDOCK_KILL_OP=" + std::to_string(killAt)}
                                       : std::vector<std::string>{});
  };
  const auto bytes = [&] {
    std::set<std::string> all;
    for (const std::string& row : TempTree::Snapshot(mod)) {
      if (row.back() != '/') all.insert(row.substr(row.find('=')));
    }
    return all;
  };
  std::filesystem::copy(start, t / "prog", std::filesystem::copy_options::recursive);
  const std::set<std::string> original = bytes();
  EXPECT_EQ(run({"scan", "Mod"}, 0).output,
            "Bzn\n    bad\\name.bzn\n    map.bzn\n    MAP2.bzn\nOdf\\Ships\n    fed_cruiser.odf\n"
            "    phaser_ship.odf\nOdf\\Weapons\\Phasers\n    phaser_only.odf\n    phaser_ship.odf\nObjectives\n"
            "    a2_01.txt\nShipImages\n    Fed_Cruiser.bmp\n");
  const test::RunResult whole = run({"sort", "Mod"}, 0);
  EXPECT_EQ(whole.code, 1) << whole.output;  // one file stayed
  const Rows done = TempTree::Snapshot(mod);

  int kills = 0;
  for (std::uint64_t n = 1; n < 500; ++n) {
    std::filesystem::remove_all(t / "prog");
    std::filesystem::copy(start, t / "prog", std::filesystem::copy_options::recursive);
    const test::RunResult r = run({"sort", "Mod"}, n);
    if (!r.killed) break;
    ++kills;
    EXPECT_EQ(bytes(), original) << "killed at operation " << n;
    run({"sort", "Mod"}, 0);
    EXPECT_EQ(TempTree::Snapshot(mod), done) << "killed at operation " << n;
  }
  EXPECT_GT(kills, 8);
  // Only the types named are sorted; a type that does not exist is a usage error.
  EXPECT_EQ(run({"sort", "Mod", "bzn"}, 0).output,
            "No files installed.\n\nThese files stayed in the mod's root folder:"
            "\n    " +
                kBadName + "\n");
  EXPECT_EQ(run({"sort", "Mod", "Odf"}, 0).code, 2);
}

// What a move replaces under another letter case: other bytes that the trash cannot take keep the loose file in
// the root, with the reason; a name of the same bytes that cannot go after the move is told under its own heading.
TEST_F(Sorter, AnOtherCaseNameInTheWayGoesToTheTrashOrAfterTheMoveAndWhatCannotGoIsTold) {
  DRYDOCK_SKIP_ON_WINDOWS(
      "lays out names that differ only in letter case side by side, which a Windows file system cannot hold");
  const struct {
    const char* inTheWay;  // objectives/A2_01.TXT before the sort
    const char* failing;   // operations on this path fail
    std::string told;      // the end of the closing message
    Rows objectives;       // the objectives folder afterwards
  } cases[] = {
      {"old objective",
       "Trash/files/A2_01.TXT",
       "\n    objectives\\a2_01.txt (objectives\\A2_01.TXT, which it would replace, could not be moved to the trash: "
       "Input/output "
       "error)",
       {"A2_01.TXT=old objective"}},
      {"new objective",
       "objectives/A2_01.TXT",
       "\n\nThese files could not be removed after a loose file of the same name in other letter case took their "
       "place, so the game may see either:\n    objectives\\A2_01.TXT",
       {"A2_01.TXT=new objective", "a2_01.txt=new objective"}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(mod);
    WriteMod(t);
    t.Write("prog/mods/Mod/objectives/A2_01.TXT", c.inTheWay);
    if (std::string(c.inTheWay) != "new objective") ExpectQuestion(flow::Answer::Yes);
    platform::fault::Configure(0, 0, c.failing);
    const auto report = Sort();
    platform::fault::Configure(0, 0);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->message.ends_with(c.told)) << report->message;
    EXPECT_EQ(TempTree::Snapshot(mod / "objectives"), c.objectives) << c.failing;
  }
  EXPECT_TRUE(dialogs.Done());
}

// Two pictures of one ship whose names differ only in letter case take one place: the second is named, with the
// one that took it, and the command exits 1. Nothing moves through a link below the mod folder.
TEST_F(Sorter, CaseTwinsThatCannotBothMoveAreNamedAndNothingMovesThroughALink) {
  if (const char* why = drydock::test::WhyNoProgram()) GTEST_SKIP() << why;
  t.Write("prog/mods/Twins/fed.odf", kShip);
  t.Write("prog/mods/Twins/fed.bmp", "lower");
  t.Write("prog/mods/Twins/FED.BMP", "upper");
  t.Write("prog/mods/Twins/map.bzn", "map");
  t.Link("prog/mods/Twins/bzn", t.MakeDir("elsewhere"));
  const test::RunResult r = test::RunChild({DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "sort", "Twins"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.output,
            "2 files installed.\n\nThese files stayed in the mod's root folder:\n"
            "    fed.bmp (FED.BMP, its name in other letter case, goes to the same folder)\n"
            "    bzn\\map.bzn (bzn is a link to " +
                (t / "elsewhere").string() + ", which may lead out of the mod folder)\n");
  EXPECT_EQ(TempTree::Snapshot(t / "prog/mods/Twins"),
            (Rows{"bitmaps/AdmiralsLog/ShipImages/FED.BMP=upper", "bzn->" + (t / "elsewhere").string(), "fed.bmp=lower",
                  "map.bzn=map", "odf/ships/fed.odf=#include \"cruise1.odf\"\r\n"}));
  EXPECT_EQ(TempTree::Snapshot(t / "elsewhere"), Rows{});
}

#ifndef _WIN32
// Before the first change: a game running from the game folder, a full disk (the seam) and a read-only target each
// stop the sort with their message, and not a byte or a name in the mods folder changes.
TEST_F(Sorter, ARunningGameAFullDiskOrAReadOnlyTargetStopsTheSortBeforeAnyChange) {
  if (const char* why = drydock::test::WhyNoProgram()) GTEST_SKIP() << why;
  t.MakeDir("game");
  std::filesystem::copy_file("/bin/sleep", t / "game/Armada2.exe");
  const Rows before = TempTree::Snapshot(t / "prog");
  const auto sort = [&](const std::vector<std::string>& env) {
    return test::RunChild({DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "--game-dir", (t / "game").string(),
                           "--yes", "sort", "Mod"},
                          env);
  };
  {
    test::StandInGame game(t / "game/Armada2.exe", "Armada2.exe", t / "game");
    ASSERT_TRUE(game.Started());
    const test::RunResult running = sort({});
    EXPECT_EQ(running.code, 1);
    EXPECT_NE(running.output.find(flow::kGameRunningText), std::string::npos) << running.output;
    // The command line prints what the window's box folds under "Show Details...": the process found.
    EXPECT_NE(running.output.find("Armada2.exe (process "), std::string::npos) << running.output;
    EXPECT_EQ(TempTree::Snapshot(t / "prog"), before);
  }
  const test::RunResult full = sort({"DRYDOCK_FREE_BYTES=1000"});
  EXPECT_EQ(full.code, 1);
  EXPECT_NE(full.output.find("There is not enough free space on the disk of " + mod.string()), std::string::npos)
      << full.output;
  EXPECT_NE(full.output.find("16,777,216 bytes (16.0 MiB) are needed, with a margin, and 1000 bytes are free. "
                             "Free some space there, then try again."),
            std::string::npos)
      << full.output;
  EXPECT_EQ(TempTree::Snapshot(t / "prog"), before);

  std::filesystem::permissions(mod / "bzn/map.bzn", std::filesystem::perms::owner_read);
  dialogs.Expect({"Nothing was changed, since these files cannot be written:\n" + (mod / "bzn/map.bzn").string() +
                      " is read-only: allow writing to it in its properties",
                  "Install files", flow::Buttons::Ok, flow::Icon::Exclamation});
  EXPECT_FALSE(Sort());
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Snapshot(t / "prog"), before);
}
#endif

}  // namespace
