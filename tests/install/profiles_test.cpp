// Profiles: the files (saved, listed, renamed, deleted, written by hand), and
// applying one onto a game that holds other mods, through the flow and the
// real program, refused in the middle, killed in the middle, and with a mod
// the mods folder lacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "flow/preflight.h"
#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "install/profiles.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/system.h"
#include "support/modded_game.h"
#include "support/recording_host.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using flow::Answer, flow::Buttons, flow::Icon;
using test::TempTree;
using Rows = std::vector<std::string>;

namespace {

const test::GameFile kGame[] = {
    {"Armada2.exe", "MZ game"},
    {"gamefont.ini", "[font]\r\nsize=10\r\n"},
    {"odf/fed.odf", "fed original"},
    {"odf/kling.odf", "kling untouched"},
    {"textures/hull.tga", "hull original"},
    {"sounds/boom.wav", "boom original"},
};
// Mods over each other and the game, new folders among them, and an addon.
const test::ModFiles kMods[] = {
    {"Alpha", {"gamefont.ini", "odf/fed.odf", "odf/new1.odf", "Ai/AIPs/alpha.aip"}},
    {"Bravo", {"odf/fed.odf", "odf/new1.odf", "textures/bravo.tga", "bitmaps/misc/bravo.bmp"}},
    {"Charlie", {"gamefont.ini", "sounds/boom.wav", "odf/new2.odf", "Ai/formations/c.txt"}},
    {"Delta", {"ODF/fed.odf", "sounds/boom.wav", "textures/hull.tga", "bitmaps/misc/delta.bmp"}},
    {"Alpha/Addon/Hulls", {"textures/hull.tga", "odf/new2.odf", "textures/hulls/a.tga"}},
};

using test::RecordingHost;

class Profiles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteGameAndMods(t, kGame, kMods);
    pristine = t.MakeDir("pristine");
    fs::copy(t / "game", pristine / "game", fs::copy_options::recursive);
    fs::copy(t / "prog", pristine / "prog", fs::copy_options::recursive);
  }
  void Restore() {
    for (const char* folder : {"game", "prog"}) fs::remove_all(t / folder);
    fs::copy(pristine, t.root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  test::RunResult Drydock(const Rows& args, std::uint64_t killAt = 0) { return test::RunDrydock(t, args, killAt); }
  void InstallByProgram(const Rows& order) { test::InstallByProgram(t, order); }
  // The game after installing `order` on the unmodded game, files and folders.
  std::pair<Rows, Rows> Reference(const Rows& order) {
    Restore();
    InstallByProgram(order);
    std::pair<Rows, Rows> game{test::GameSnapshot(t / "game"), TempTree::Folders(t / "game")};
    Restore();
    return game;
  }
  std::pair<Rows, Rows> Game() const { return {test::GameSnapshot(t / "game"), TempTree::Folders(t / "game")}; }
  ModInstaller Installer() {
    return ModInstaller(dialogs, host, t / "prog/mods", [this] { return std::optional<fs::path>(t / "game"); });
  }

  TempTree t;
  fs::path pristine;
  test::ScriptedDialogs dialogs;
  RecordingHost host;
};

TEST_F(Profiles, SavedListedRenamedAndDeletedAsFilesAPlayerCanWrite) {
  const fs::path prog = t / "prog";
  EXPECT_TRUE(ListProfiles(prog).empty());
  ASSERT_TRUE(SaveProfile(prog, "Campaign", {"Alpha", "Alpha\\Addon\\Hulls"}, false));
  EXPECT_EQ(TempTree::Read(prog / "profiles/Campaign.txt"),
            "# Drydock profile Campaign: the mods to have installed, in install order\nAlpha\nAlpha\\Addon\\Hulls\n");
  // Written by hand: a byte order mark, CR LF, comments, blank lines, spaces, a line twice, an addon, UTF-8.
  t.Write(
      "prog/profiles/multi player.TXT",
      "\xEF\xBB\xBF# for LAN games\r\n\r\n  Bravo  \r\n#Charlie\r\nAlpha\\Addon\\Hulls\r\nbravo\r\nFl\xC3\xBCgel\r\n");
  t.Write("prog/profiles/notes.md", "not a profile");
  EXPECT_EQ(ListProfiles(prog), (Rows{"Campaign", "multi player"}));
  EXPECT_EQ(ReadProfile(prog, "Multi Player").mods, (Rows{"Bravo", "Alpha\\Addon\\Hulls", "Fl\xC3\xBCgel"}));

  struct Refused {
    std::string name, error;
  };
  const Refused refused[] = {
      {"", "Type a name for the profile."},           {"  ", "Type a name for the profile."},
      {"a/b", "A profile cannot be named \"a/b\": "}, {"what?", "A profile cannot be named \"what?\": "},
      {"CON", "A profile cannot be named \"CON\": "}, {"dot.", "A profile cannot be named \"dot.\": "},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(SaveProfile(prog, r.name, {}, false).error.starts_with(r.error))
        << SaveProfile(prog, r.name, {}, false).error;
    EXPECT_TRUE(RenameProfile(prog, "Campaign", r.name).error.starts_with(r.error));
  }
  EXPECT_EQ(SaveProfile(prog, "campaign", {"Bravo"}, false).error, "A profile named \"campaign\" exists already.");
  EXPECT_EQ(RenameProfile(prog, "Campaign", "Multi player").error, "A profile named \"Multi player\" exists already.");
  EXPECT_EQ(RenameProfile(prog, "Nothing", "New").error, "There is no profile named \"Nothing\".");
  EXPECT_EQ(ReadProfile(prog, "Nothing").error, "There is no profile named \"Nothing\".");
  t.Write("prog/profiles/latin1.txt", "Fl\xFCgel\n");
  EXPECT_EQ(ReadProfile(prog, "latin1").error, "The profile \"latin1\" is not UTF-8 text.");
  // A mod whose name a profile's lines could not give back is refused, and nothing is written.
  for (const auto& [mod, why] : {std::pair{std::string("line\nbreak"), "holds a line break"},
                                 std::pair{std::string("bad\xFFname"), "is not UTF-8"}}) {
    EXPECT_EQ(SaveProfile(prog, "Odd", {"Alpha", mod}, false).error,
              "The mod \"" + platform::PrintableName(mod) + "\" cannot be kept in a profile, since its name " + why +
                  ", so nothing was saved. Rename its folder, then save again.");
  }
  EXPECT_FALSE(ProfileExists(prog, "Odd"));

  // Replacing one keeps the old file in the trash; so does deleting.
  ASSERT_TRUE(SaveProfile(prog, "Campaign", {"Bravo"}, true));
  EXPECT_EQ(ReadProfile(prog, "Campaign").mods, Rows{"Bravo"});
  ASSERT_TRUE(RenameProfile(prog, "Campaign", "Story"));
  ASSERT_TRUE(DeleteProfile(prog, "multi player"));
  EXPECT_EQ(ListProfiles(prog), (Rows{"latin1", "Story"}));
  // The test's own trash (on Windows the Recycle Bin, which the test cannot look into).
  if constexpr (!platform::kWindows) {
    const fs::path trash = fs::path(std::getenv("XDG_DATA_HOME")) / "Trash/files";
    Rows trashed;
    for (const auto& entry : fs::directory_iterator(trash)) {
      trashed.push_back(TempTree::Read(entry.path()).substr(0, 20));
    }
    std::sort(trashed.begin(), trashed.end());
    EXPECT_EQ(trashed, (Rows{"# Drydock profile Ca", "\xEF\xBB\xBF# for LAN games\r\n"}));
  }
  EXPECT_EQ(DeleteProfile(prog, "multi player").error, "There is no profile named \"multi player\".");
}

// Whatever the game holds, applying a profile leaves it as installing the profile's mods in order on the unmodded
// game would: the mods at the bottom that the profile starts with stay, the others go top first.
TEST_F(Profiles, ApplyEndsAsInstallingTheProfileOnTheUnmoddedGame) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  struct Case {
    Rows installed, profile;
    std::string plan;
  };
  const Case cases[] = {
      {{"Alpha", "Bravo", "Delta"},
       {"Alpha", "Bravo", "Charlie", "Alpha\\Addon\\Hulls"},
       "Uninstalled, in this order:\n    Delta\nInstalled, in this order:\n    Charlie\n    Alpha\\Addon\\Hulls\n"
       "Staying installed:\n    Alpha\n    Bravo"},
      {{"Bravo", "Alpha", "Charlie"},
       {"Alpha", "Bravo"},
       "Uninstalled, in this order:\n    Charlie\n    Alpha\n    Bravo\nInstalled, in this order:\n    Alpha\n    "
       "Bravo"},
      {{"Delta"}, {}, "Uninstalled, in this order:\n    Delta"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plan);
    const std::pair<Rows, Rows> reference = Reference(c.profile);
    InstallByProgram(c.installed);
    ASSERT_TRUE(SaveProfile(t / "prog", "Target", c.profile, false));
    const std::string dry = Drydock({"profile", "apply", "--dry-run", "Target"}).output;
    EXPECT_NE(dry.find(c.plan), std::string::npos) << dry;

    const ProfilePlan plan = Installer().PlanProfile(c.profile);
    const std::size_t steps = plan.Steps();
    dialogs.Expect({"Apply profile Target? " + std::to_string(plan.uninstall.size()) +
                        (plan.uninstall.size() == 1 ? " mod" : " mods") + " will be uninstalled and " +
                        std::to_string(plan.install.size()) + (plan.install.size() == 1 ? " mod" : " mods") +
                        " installed.",
                    "Apply profile Target?", Buttons::YesNo, Icon::Question, Answer::Yes, flow::Default::No, c.plan});
    dialogs.Expect({"", "Apply profile Target", Buttons::Ok, Icon::Information, Answer::Ok});
    host = {};
    const ModInstaller::ProfileApplied applied = Installer().ApplyProfile("Target", c.profile);
    EXPECT_EQ(applied.outcome, Outcome::Done);
    EXPECT_TRUE(applied.left.empty());
    EXPECT_EQ(applied.done.size(), steps);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_EQ(Game(), reference);
    Rows texts;
    for (std::size_t i = 1; i <= steps; ++i)
      texts.push_back("Applying Target: " + std::to_string(i) + " of " + std::to_string(steps));
    texts.emplace_back();
    EXPECT_EQ(host.progressTexts, texts);
    EXPECT_EQ(CurrentMods(t / "prog/mods", t / "game"), c.profile);

    // Applied again: nothing to do, nothing asked but that.
    dialogs.Expect({"The game holds the mods of the profile Target already, in its order: nothing to change.",
                    "Apply profile Target", Buttons::Ok, Icon::Information, Answer::Ok});
    EXPECT_EQ(Installer().ApplyProfile("Target", c.profile).outcome, Outcome::Done);
    EXPECT_TRUE(dialogs.Done());
    Restore();
  }
}

// A No in the middle stops the run and says what is done and left; the next Apply finishes from what the game holds.
TEST_F(Profiles, ARefusalStopsTheRunAndTheNextApplyFinishesIt) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  const Rows profile{"Charlie", "Delta"};
  const std::pair<Rows, Rows> reference = Reference(profile);
  InstallByProgram({"Alpha", "Bravo"});
  ASSERT_TRUE(SaveProfile(t / "prog", "Target", profile, false));
  t.Write("game/textures/bravo.tga", "the player's own bravo.tga");
  dialogs.Expect({"", "Apply profile Target?", Buttons::YesNo, Icon::Question, Answer::Yes});
  dialogs.Expect({"", "Uninstall Bravo mod?", Buttons::YesNoCancel, Icon::Exclamation, Answer::No});
  dialogs.Expect(
      {"Applying Target stopped after 0 of 4 steps.\nLeft:\n    uninstall Bravo (you answered No to \"1 "
       "file(s) of the Bravo mod were changed in the game after it was installed, by a mod installed later "
       "or by a game update\")\n    uninstall Alpha\n    install Charlie\n    install Delta\nApply the "
       "profile again to finish: the steps are worked out anew from the game.",
       "Apply profile Target", Buttons::Ok, Icon::Exclamation, Answer::Ok});
  const ModInstaller::ProfileApplied stopped = Installer().ApplyProfile("Target", profile);
  EXPECT_EQ(stopped.outcome, Outcome::Incomplete);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Read(t / "game/textures/bravo.tga"), "the player's own bravo.tga");
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Bravo") && IsInstalled(t / "prog/mods/Alpha"));

  const test::RunResult again = Drydock({"profile", "apply", "Target"});
  EXPECT_EQ(again.code, 0) << again.output;
  EXPECT_NE(again.output.find("uninstalled: Bravo\nuninstalled: Alpha\ninstalled: Charlie\ninstalled: Delta\n"),
            std::string::npos)
      << again.output;
  EXPECT_EQ(Game(), reference);
}

// Killed at any file operation of the run, the next Apply ends where a whole run would have.
TEST_F(Profiles, ARunKilledAnywhereIsFinishedByTheNextApply) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  const Rows profile{"Alpha", "Alpha\\Addon\\Hulls", "Charlie"};
  const std::pair<Rows, Rows> reference = Reference(profile);
  int kills = 0;
  for (std::uint64_t n = 1; n < 1000; n += 7) {
    SCOPED_TRACE("killed at operation " + std::to_string(n));
    Restore();
    InstallByProgram({"Bravo", "Delta", "Alpha"});
    ASSERT_TRUE(SaveProfile(t / "prog", "Target", profile, false));
    const test::RunResult killed = Drydock({"profile", "apply", "Target"}, n);
    const test::RunResult again = Drydock({"profile", "apply", "Target"});
    EXPECT_EQ(again.code, 0) << again.output;
    EXPECT_EQ(Game(), reference);
    if (!killed.killed) break;
    ++kills;
  }
  EXPECT_GE(kills, 8) << "the kills did not reach into the run";
}

// The room for the run's installs together is checked before its first step, though each would fit alone.
TEST_F(Profiles, ADiskWithoutRoomForAllTheInstallsRefusesBeforeTheFirstStep) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  InstallByProgram({"Alpha"});
  t.Write("prog/mods/Charlie/sounds/big.wav", std::string(1u << 20, 'c'));
  t.Write("prog/mods/Delta/textures/big.tga", std::string(1u << 20, 'd'));
  const Rows profile{"Charlie", "Delta"};
  ASSERT_TRUE(SaveProfile(t / "prog", "Target", profile, false));
  const std::pair<Rows, Rows> before = Game();
  platform::fault::ConfigureFreeBytes(flow::WithMargin((1u << 20) + (1u << 19)));
  dialogs.Expect({"", "Apply profile Target?", Buttons::YesNo, Icon::Question, Answer::Yes});
  dialogs.Expect({"", "Apply profile Target", Buttons::Ok, Icon::Exclamation, Answer::Ok});
  const ModInstaller::ProfileApplied refused = Installer().ApplyProfile("Target", profile);
  platform::fault::ConfigureFreeBytes(std::nullopt);
  EXPECT_EQ(refused.outcome, Outcome::Refused);
  EXPECT_TRUE(dialogs.Done());
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_NE(dialogs.shown.back().text.find("There is not enough free space on the disk of"), std::string::npos)
      << dialogs.shown.back().text;
  EXPECT_EQ(Game(), before);
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Alpha"));
}

TEST_F(Profiles, AProfileNamingAMissingModSaysWhichAndChangesNothing) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  InstallByProgram({"Bravo"});
  const std::pair<Rows, Rows> before = Game();
  t.Write("prog/profiles/Old.txt", "Alpha\nFleet Yards\nAlpha\\Addon\\Gone\n");
  const test::RunResult r = Drydock({"profile", "apply", "Old"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("The profile Old names mods that are not in the mods folder, so nothing was changed:\n"
                          "    Fleet Yards\n    Alpha\\Addon\\Gone"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("Apply profile Old?"), std::string::npos) << "asked before naming the missing mods";
  EXPECT_EQ(Game(), before);
  EXPECT_TRUE(IsInstalled(t / "prog/mods/Bravo"));
  EXPECT_FALSE(IsInstalled(t / "prog/mods/Alpha"));
}

// The command's other verbs, and its usage.
TEST_F(Profiles, TheCommandSavesListsRenamesAndDeletes) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  // Bravo's Backup has no record (as one from before install records): installed, without a place in the order.
  InstallByProgram({"Delta", "Alpha", "Alpha\\Addon\\Hulls", "Bravo"});
  fs::remove(t / "prog/mods/Bravo/Backup/.drydock-record");
  ASSERT_TRUE(IsInstalled(t / "prog/mods/Bravo"));
  test::RunResult r = Drydock({"profile", "save", "Mine"});
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(
      r.output.find("saved: Mine (4 mods)\n    Delta\n    Alpha\n    Alpha\\Addon\\Hulls\n    Bravo\nBravo has no "
                    "recorded place in the install order, so it comes last, in list order.\n"),
      std::string::npos)
      << r.output;
  EXPECT_EQ(ReadProfile(t / "prog", "Mine").mods, (Rows{"Delta", "Alpha", "Alpha\\Addon\\Hulls", "Bravo"}));
  t.Write("prog/profiles/Broken.txt", std::string("Alpha\n\xFF\n"));
  r = Drydock({"profile", "list", "--json"});
  EXPECT_EQ(r.output, R"({
  "profiles": [
    {
      "name": "Broken",
      "error": "The profile \"Broken\" is not UTF-8 text."
    },
    {
      "name": "Mine",
      "mods": [
        "Delta",
        "Alpha",
        "Alpha\\Addon\\Hulls",
        "Bravo"
      ]
    }
  ]
}
)");
  // Applied again, the mod without a place is uninstalled and installed into one.
  r = Drydock({"profile", "apply", "--dry-run", "--json", "Mine"});
  EXPECT_EQ(r.output, R"({
  "profile": "Mine",
  "missing": [],
  "uninstall": [
    "Bravo"
  ],
  "install": [
    "Bravo"
  ],
  "kept": [
    "Delta",
    "Alpha",
    "Alpha\\Addon\\Hulls"
  ],
  "leftAlone": []
}
)");
  fs::remove(t / "prog/profiles/Broken.txt");
  EXPECT_EQ(Drydock({"profile", "rename", "Mine", "Ours"}).code, 0);
  r = Drydock({"profile", "list"});
  EXPECT_NE(r.output.find("Ours\n"), std::string::npos) << r.output;
  r = Drydock({"profile", "rename", "Ours", "a|b"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("A profile cannot be named \"a|b\""), std::string::npos) << r.output;
  EXPECT_EQ(Drydock({"profile", "delete", "Ours"}).code, 0);
  EXPECT_TRUE(ListProfiles(t / "prog").empty());
  for (const Rows& usage : {Rows{"profile"}, Rows{"profile", "save"}, Rows{"profile", "list", "x"},
                            Rows{"profile", "save", "--dry-run", "X"}, Rows{"profile", "swap", "X"},
                            Rows{"profile", "save", "--json", "X"}, Rows{"profile", "apply", "--json", "X"}}) {
    EXPECT_EQ(Drydock(usage).code, 2);
  }
}

}  // namespace
