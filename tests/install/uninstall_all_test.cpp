// Back to the unmodded game in one step: five mods sharing files, installed
// in a random order, then uninstalled all at once, through the flow and the
// real program, killed in the middle, refused in the middle.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "support/modded_game.h"
#include "support/recording_host.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using flow::Answer, flow::Buttons, flow::Icon;
using test::TempTree;
using Box = test::ScriptedDialogs::Box;
using Rows = std::vector<std::string>;

namespace {

// The game before any install: files the mods replace, files they leave alone, an empty folder of the player's.
const test::GameFile kGame[] = {
    {"Armada2.exe", "MZ game"},
    {"gamefont.ini", "[font]\r\nsize=10\r\n"},
    {"odf/fed.odf", "fed original"},
    {"odf/kling.odf", "kling untouched"},
    {"odf/same.odf", "same in both"},
    {"textures/hull.tga", "hull original"},
    {"textures/rom.tga", "rom untouched"},
    {"sounds/boom.wav", "boom original"},
};
// Five mods over each other and over the game: replacements, new files that two or three of them add, one in
// another letter case, one file that holds the game's own bytes, new files in folders the game does not have
// (which the installs make, nested, and two mods share).
const test::ModFiles kMods[] = {
    {"Alpha", {"gamefont.ini", "odf/fed.odf", "odf/new1.odf", "Ai/AIPs/alpha.aip"}},
    {"Bravo", {"odf/fed.odf", "odf/new1.odf", "textures/b.tga", "textures/bravo.tga", "bitmaps/misc/bravo.bmp"}},
    {"Charlie", {"gamefont.ini", "sounds/boom.wav", "odf/new2.odf", "Ai/formations/c.txt"}},
    {"Delta", {"ODF/fed.odf", "sounds/boom.wav", "textures/hull.tga", "odf/same.odf", "bitmaps/misc/delta.bmp"}},
    {"Echo", {"odf/new2.odf", "odf/new1.odf", "textures/hull.tga", "textures/b.tga", "AI/AIPs/echo.aip"}},
};

constexpr std::uint32_t kSeeds[] = {1, 7, 2024};

Rows Shuffled(std::uint32_t seed) {
  Rows order;
  for (const auto& [name, files] : kMods) order.push_back(name);
  std::mt19937 random(seed);
  std::shuffle(order.begin(), order.end(), random);
  return order;
}

using test::RecordingHost;

class UninstallAll : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteGameAndMods(t, kGame, kMods);
    before = TempTree::Snapshot(t / "game");
    beforeFolders = TempTree::Folders(t / "game");
  }

  std::string Game() const { return platform::PrintableName(platform::PathToUtf8(t / "game")); }

  test::RunResult Drydock(const Rows& args, std::uint64_t killAt = 0, const char* answer = "--yes") {
    return test::RunDrydock(t, args, killAt, answer);
  }
  void InstallByProgram(const Rows& order) { test::InstallByProgram(t, order); }

  ModInstaller Installer() {
    return ModInstaller(dialogs, host, t / "prog/mods", [this] { return std::optional<fs::path>(t / "game"); });
  }
  void InstallByFlow(const Rows& order) {
    ModInstaller installer = Installer();
    for (const std::string& mod : order) {
      dialogs.Expect({"You have selected the " + mod + " mod. Do you want to install it?", "Install " + mod + " mod?",
                      Buttons::YesNo, Icon::Question, Answer::Yes});
      ASSERT_EQ(installer.InstallMod({mod, mod, t / "prog/mods" / mod}), Outcome::Done) << mod;
    }
  }
  void ExpectQuestion(std::size_t count, Answer answer) {
    dialogs.Expect({count == 1 ? "Uninstall the 1 mod installed into " + Game() + "?"
                               : "Uninstall all " + std::to_string(count) + " mods installed into " + Game() + "?",
                    "Uninstall All Mods?", Buttons::YesNo, Icon::Question, answer, flow::Default::No});
  }

  // The game as it was before the first install, byte for byte, no file or folder more, and no Backup left.
  ::testing::AssertionResult Unmodded() const {
    if (const Rows now = TempTree::Snapshot(t / "game"); now != before) {
      std::string diff;
      for (const std::string& row : now) {
        if (std::find(before.begin(), before.end(), row) == before.end()) diff += "\n  + " + row;
      }
      for (const std::string& row : before) {
        if (std::find(now.begin(), now.end(), row) == now.end()) diff += "\n  - " + row;
      }
      return ::testing::AssertionFailure() << "the game differs:" << diff;
    }
    if (const Rows folders = TempTree::Folders(t / "game"); folders != beforeFolders) {
      std::string list;
      for (const std::string& f : folders) list += "\n  " + f;
      return ::testing::AssertionFailure() << "the game's folders differ; now:" << list;
    }
    for (const auto& [name, files] : kMods) {
      for (const auto& entry : fs::directory_iterator(t / "prog/mods" / name)) {
        const std::string file = entry.path().filename().string();
        if (file == "Backup" || file.starts_with(".drydock-backup")) {
          return ::testing::AssertionFailure() << name << " still has " << file;
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  TempTree t;
  Rows before, beforeFolders;
  test::ScriptedDialogs dialogs;
  RecordingHost host;
};

TEST_F(UninstallAll, FiveOverlappingModsInAnyOrderGoTopFirstAndLeaveTheGameAsItWas) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  for (const std::uint32_t seed : kSeeds) {
    const Rows order = Shuffled(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    // Through the real program: one line per mod, the last installed first.
    InstallByProgram(order);
    const test::RunResult r = Drydock({"uninstall", "--all"});
    EXPECT_EQ(r.code, 0) << r.output;
    std::string expected;
    for (auto mod = order.rbegin(); mod != order.rend(); ++mod) expected += "uninstalled: " + *mod + "\n";
    EXPECT_NE(r.output.find(expected), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("All 5 mods were uninstalled. " + Game() + " holds no mod any more."), std::string::npos)
        << r.output;
    EXPECT_TRUE(Unmodded());

    // Through the flow, with the question, the bar and the status line.
    InstallByFlow(order);
    ExpectQuestion(5, Answer::Yes);
    dialogs.Expect({"All 5 mods were uninstalled. " + Game() + " holds no mod any more.", "Uninstall All Mods",
                    Buttons::Ok, Icon::Information, Answer::Ok});
    host = {};
    const ModInstaller::AllUninstalled all = Installer().UninstallAll();
    EXPECT_EQ(all.outcome, Outcome::Done);
    EXPECT_EQ(all.uninstalled, Rows(order.rbegin(), order.rend()));
    EXPECT_TRUE(all.left.empty());
    EXPECT_TRUE(dialogs.Done());
    std::string inOrder = "In this order:";  // under the question's Show Details
    for (auto mod = order.rbegin(); mod != order.rend(); ++mod) inOrder += "\n    " + *mod;
    EXPECT_EQ(dialogs.shown[dialogs.shown.size() - 2].details, inOrder);
    EXPECT_TRUE(Unmodded());
    Rows texts;
    for (std::size_t i = 0; i < order.size(); ++i) {
      texts.push_back("Uninstalling " + std::to_string(i + 1) + " of 5: " + order[order.size() - 1 - i]);
    }
    texts.emplace_back();
    EXPECT_EQ(host.progressTexts, texts);
    EXPECT_TRUE(std::is_sorted(host.progress.begin(), host.progress.end()) && host.progress.back() == 100);
    EXPECT_EQ(host.status, "Uninstalled all 5 mods: the game holds no mod any more");
    EXPECT_EQ(host.fullRefreshes, 1);
    EXPECT_TRUE(host.uninstallEnabled && !host.busy);
    EXPECT_FALSE(fs::exists(t / "home/data/Trash/files")) << "nothing of the player's was in the way";
  }
  // Once nothing is installed, it says so and asks nothing.
  dialogs.Expect(
      {"No mod is installed into " + Game() + ".", "Uninstall All Mods", Buttons::Ok, Icon::Information, Answer::Ok});
  EXPECT_EQ(Installer().UninstallAll().outcome, Outcome::Done);
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(UninstallAll, ARunKilledAnywhereIsFinishedByTheNext) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  const Rows order = Shuffled(kSeeds[1]);
  const fs::path pristine = t.MakeDir("pristine");
  fs::copy(t / "game", pristine / "game", fs::copy_options::recursive);
  fs::copy(t / "prog", pristine / "prog", fs::copy_options::recursive);
  int kills = 0;
  for (std::uint64_t n = 1; n < 1000; n += 5) {  // each uninstall counts a few dozen operations
    SCOPED_TRACE("killed at operation " + std::to_string(n));
    for (const char* folder : {"game", "prog", "home"}) fs::remove_all(t / folder);
    fs::copy(pristine, t.root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    InstallByProgram(order);
    const test::RunResult killed = Drydock({"uninstall", "--all"}, n);
    const test::RunResult again = Drydock({"uninstall", "--all"});
    EXPECT_EQ(again.code, 0) << again.output;
    EXPECT_TRUE(Unmodded());
    if (!killed.killed) break;  // the run got past its last file operation
    ++kills;
  }
  EXPECT_GE(kills, 15) << "the kills did not reach into the run";
}

// A No to one mod's question keeps that mod and goes on with the others; a Cancel stops the run there.
TEST_F(UninstallAll, ARefusedModStaysTheOthersGoAndTheReportSaysWhy) {
  const Rows order{"Alpha", "Bravo", "Charlie", "Delta", "Echo"};
  const std::string changed =
      "you answered No to \"1 file(s) of the Bravo mod were changed in the game after it was installed, by a mod "
      "installed later or by a game update\"";
  struct Case {
    Answer answer;
    Outcome outcome;
    Rows uninstalled, left;
    std::string report;
  };
  const Case cases[] = {
      {Answer::No,
       Outcome::Incomplete,
       {"Echo", "Delta", "Charlie", "Alpha"},
       {"Bravo: " + changed},
       "Uninstalled 4 mods of 5. Still installed:\n    Bravo: " + changed},
      {Answer::Cancel,
       Outcome::Cancelled,
       {"Echo", "Delta", "Charlie"},
       {"Bravo: the run was stopped at your answer", "Alpha: not uninstalled, since the run was stopped"},
       "Stopped at your answer. Uninstalled 3 mods of 5. Still installed:\n    Bravo: the run was stopped at your "
       "answer\n    Alpha: not uninstalled, since the run was stopped"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer == Answer::No ? "No" : "Cancel");
    InstallByFlow(order);
    t.Write("game/textures/bravo.tga", "the player's own bravo.tga");
    ExpectQuestion(5, Answer::Yes);
    // The question of a plain uninstall, with a Cancel that stops the whole run; Enter keeps the file.
    dialogs.Expect({"", "Uninstall Bravo mod?", Buttons::YesNoCancel, Icon::Exclamation, c.answer, flow::Default::No});
    dialogs.Expect({c.report, "Uninstall All Mods", Buttons::Ok, Icon::Exclamation, Answer::Ok});
    const ModInstaller::AllUninstalled all = Installer().UninstallAll();
    EXPECT_EQ(all.outcome, c.outcome);
    EXPECT_EQ(all.uninstalled, c.uninstalled);
    EXPECT_EQ(all.left, c.left);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_EQ(TempTree::Read(t / "game/textures/bravo.tga"), "the player's own bravo.tga");
    EXPECT_TRUE(IsInstalled(t / "prog/mods/Bravo"));
    EXPECT_EQ(host.status, "Uninstalled " + std::to_string(c.uninstalled.size()) + " mods of 5; " +
                               std::to_string(c.left.size()) + " still installed");

    // Run again and answered Yes: the player's file goes to the trash and the game is as it was.
    const std::size_t stays = c.left.size();
    ExpectQuestion(stays, Answer::Yes);
    dialogs.Expect({"", "Uninstall Bravo mod?", Buttons::YesNoCancel, Icon::Exclamation, Answer::Yes});
    dialogs.Expect({stays == 1 ? "The 1 mod was uninstalled. " + Game() + " holds no mod any more."
                               : "All 2 mods were uninstalled. " + Game() + " holds no mod any more.",
                    "Uninstall All Mods", Buttons::Ok, Icon::Information, Answer::Ok});
    EXPECT_EQ(Installer().UninstallAll().outcome, Outcome::Done);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_TRUE(Unmodded());
  }
}

// On the command line: a backup that a plain uninstall cannot retire stays, the others go, exit 1; --force gets
// it out too. A mod installed into another copy of the game is left alone and named, and does not count.
TEST_F(UninstallAll, TheCommandLineExitsZeroOnlyWhenNoModOfThisGameStays) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  InstallByProgram({"Alpha", "Bravo", "Charlie", "Delta", "Echo"});
  fs::copy(t / "game", t / "game2", fs::copy_options::recursive);
  fs::remove(t / "game2/.drydock-installs");
  t.Write("prog/mods/Foxtrot/odf/fed.odf", "Foxtrot:odf/fed.odf");
  Rows argv{DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "--game-dir", (t / "game2").string(), "--yes",
            "install",   "Foxtrot"};
  ASSERT_EQ(test::RunChild(argv).code, 0);
  fs::remove(t / "prog/mods/Alpha/Backup/gamefont.ini");  // Alpha's kept original, deleted by hand
  const std::string foxtrot =
      "still installed: Foxtrot: installed into " + platform::PrintableName((t / "game2").string()) + ", not this game";

  const test::RunResult plain = Drydock({"uninstall", "--all"});
  EXPECT_EQ(plain.code, 1) << plain.output;
  for (const std::string& line : {std::string("uninstalled: Echo\nuninstalled: Delta\nuninstalled: Charlie\n"
                                              "uninstalled: Bravo\nstill installed: Alpha: "),
                                  foxtrot, std::string("Still installed:\n    Alpha: ")}) {
    EXPECT_NE(plain.output.find(line), std::string::npos) << line << "\nin:\n" << plain.output;
  }
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Alpha"));

  const test::RunResult usage = Drydock({"uninstall", "--all", "Alpha"});
  EXPECT_EQ(usage.code, 2);
  EXPECT_NE(usage.output.find("uninstall --all takes no MOD"), std::string::npos);

  const test::RunResult forced = Drydock({"uninstall", "--all", "--force"});
  EXPECT_EQ(forced.code, 0) << forced.output;
  EXPECT_NE(forced.output.find("uninstalled: Alpha\n" + foxtrot), std::string::npos) << forced.output;
  EXPECT_FALSE(IsInstalled(t / "prog/mods/Alpha"));
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Foxtrot"));
  EXPECT_EQ(TempTree::Read(t / "game2/odf/fed.odf"), "Foxtrot:odf/fed.odf") << "another game's mod stays";
  // The game file whose original was deleted stays as the last mod left it.
  EXPECT_EQ(TempTree::Read(t / "game/gamefont.ini"), "Alpha:gamefont.ini");
}

}  // namespace
