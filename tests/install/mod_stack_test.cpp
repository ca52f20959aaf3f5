// Mods installed over one another, uninstalled in any order: the kept
// originals are handed up the stack, so the game always holds the topmost
// installed mod's file and ends as it began.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/mod_files.h"
#include "platform/writer_lock.h"
#include "support/held_lock.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using drydock::test::TempTree;
using Rows = std::vector<std::string>;

namespace {

// Each file: the game's own bytes ("" absent) and the mods that carry it.
// A, B and C are installed in that order; two files are new to the game.
const std::map<std::string, std::pair<std::string, std::string>> kFiles = {
    {"odf/all.odf", {"orig all", "ABC"}},
    {"odf/ac.odf", {"orig ac", "AC"}},
    {"odf/bc.odf", {"orig bc", "BC"}},
    {"odf/new_a.odf", {"", "ABC"}},
    {"odf/new_b.odf", {"", "BC"}},
    {"odf/only_a.odf", {"orig only", "A"}},
    {"odf/untouched.odf", {"orig untouched", ""}}};

class Stack : public ::testing::Test {
 protected:
  fs::path Game() const { return t / "game"; }
  fs::path Mod(char name) const { return t / (std::string("mods/") + name); }
  platform::WriterLock Lock() { return test::HeldLock({Game(), t / "mods"}); }
  void SetUp() override {
    for (const auto& [path, file] : kFiles) {
      if (!file.first.empty()) t.Write("game/" + path, file.first);
      for (char m : file.second) t.Write(std::string("mods/") + m + "/" + path, std::string(1, m) + " " + path);
    }
  }
  Report Install(char m) { return InstallModFiles(Lock(), Game(), Mod(m)); }
  UninstallPlan Plan(char m) { return PlanUninstall(Lock(), Game(), Mod(m)); }
  Report Uninstall(char m, ChangedFiles changed = ChangedFiles::Replace) {
    const auto lock = Lock();
    return UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod(m)), changed);
  }
  // The game when `installed` are: each file the topmost one's, else the game's own.
  static Rows Expected(const std::string& installed) {
    Rows rows;
    for (const auto& [path, file] : kFiles) {
      const auto top = std::find_if(file.second.rbegin(), file.second.rend(),
                                    [&](char m) { return installed.find(m) != std::string::npos; });
      if (top != file.second.rend()) {
        rows.push_back(path + "=" + *top + " " + path);
      } else if (!file.first.empty()) {
        rows.push_back(path + "=" + file.first);
      }
    }
    return rows;
  }
  TempTree t;
};

std::string Describe(const Report& r) {
  return r.failures.empty() ? r.refusal : r.failures[0].relativePath + ": " + r.failures[0].reason;
}

}  // namespace

TEST_F(Stack, ThreeModsSharingFilesUninstalledInEveryOrderAskNothingAndGiveTheGameBackByteForByte) {
  const Rows original = TempTree::Snapshot(Game());
  std::string order = "ABC";
  do {
    SCOPED_TRACE("uninstalled in the order " + order);
    for (char m : std::string("ABC")) ASSERT_TRUE(Install(m).Succeeded());
    EXPECT_EQ(test::GameSnapshot(Game()), Expected("ABC"));
    EXPECT_EQ(FileStack(t / "mods", Game(), "ODF\\all.odf").size(), 3u);
    std::string installed = "ABC";
    for (char m : order) {
      EXPECT_TRUE(Plan(m).Changed().empty()) << m << ": the stack explains every change, so nothing is asked";
      const Report out = Uninstall(m);
      ASSERT_TRUE(out.Succeeded()) << m << ": " << Describe(out);
      EXPECT_FALSE(IsInstalled(Mod(m))) << m;
      std::erase(installed, m);
      EXPECT_EQ(test::GameSnapshot(Game()), Expected(installed)) << "after " << m;
    }
    EXPECT_EQ(TempTree::Snapshot(Game()), original);
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(Stack, AGameFileChangedByHandBetweenInstallsIsStillAskedAbout) {
  ASSERT_TRUE(Install('A').Succeeded());
  t.Write("game/odf/all.odf", "patched by hand");
  ASSERT_TRUE(Install('B').Succeeded());
  ASSERT_TRUE(Install('C').Succeeded());
  // B kept the hand edit, not A's file: that change is not the stack's. C is the top and holds its own files.
  EXPECT_EQ(Plan('A').Changed(), Rows{library::ShownPath("odf/all.odf")});
  EXPECT_TRUE(Plan('B').Changed().empty());
  EXPECT_EQ(CoveringMods(t / "mods", Game(), Mod('A')), (Rows{"B", "C"}));
  // Left alone: A stays installed and keeps that original; the game's file stays C's.
  EXPECT_FALSE(Uninstall('A', ChangedFiles::Keep).Succeeded());
  EXPECT_TRUE(IsInstalled(Mod('A')));
  EXPECT_EQ(TempTree::Read(Mod('A') / "Backup/odf/all.odf"), "orig all");
  EXPECT_EQ(TempTree::Read(Game() / "odf/all.odf"), "C odf/all.odf");
  // Answered yes: the game's own file comes back at the end.
  ASSERT_TRUE(Uninstall('A').Succeeded());
  EXPECT_EQ(test::GameSnapshot(Game()), Expected("BC"));
  for (char m : std::string("CB")) ASSERT_TRUE(Uninstall(m).Succeeded());
  EXPECT_EQ(TempTree::Read(Game() / "odf/all.odf"), "orig all");
}

// Banners and information files land in the game's root like any file of the mod's root, and the stack hands them
// back in order, but one mod's banner never makes another mod "covered": only its game files do.
TEST_F(Stack, AModsOwnBannerAndInformationCoverNothingYetComeBackInOrder) {
  for (char m : std::string("DE")) {
    for (const char* name : {"ModPic.jpg", "ModPic.bmp", "ModInfo.txt"}) {
      t.Write(std::string("mods/") + m + "/" + name, std::string(1, m) + " banner");
    }
    t.Write(std::string("mods/") + m + "/odf/own_" + m + ".odf", "own");
  }
  const auto install = [&](char m) { return InstallModFiles(Lock(), Game(), Mod(m)); };
  ASSERT_TRUE(install('D').Succeeded());
  ASSERT_TRUE(install('E').Succeeded());
  EXPECT_EQ(TempTree::Read(Game() / "ModPic.jpg"), "E banner");
  EXPECT_TRUE(CoveringMods(t / "mods", Game(), Mod('D')).empty());
  t.Write("mods/E/odf/own_D.odf", "E's");  // a game file both carry: that one covers
  const auto lock = Lock();
  ASSERT_TRUE(UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod('E')), ChangedFiles::Replace).Succeeded());
  ASSERT_TRUE(InstallModFiles(lock, Game(), Mod('E')).Succeeded());
  EXPECT_EQ(CoveringMods(t / "mods", Game(), Mod('D')), Rows{"E"});
  ASSERT_TRUE(UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod('D')), ChangedFiles::Replace).Succeeded());
  EXPECT_EQ(TempTree::Read(Game() / "ModPic.jpg"), "E banner") << "the top mod's banner stays";
  ASSERT_TRUE(UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod('E')), ChangedFiles::Replace).Succeeded());
  EXPECT_FALSE(fs::exists(Game() / "ModPic.jpg"));
  EXPECT_FALSE(fs::exists(Game() / "ModPic.bmp"));
}

// One game however its folder is written: with a "." in it, and on Windows in another letter case.
TEST_F(Stack, TheGameFolderWrittenAnotherWayHoldsOneStack) {
#ifdef _WIN32
  const fs::path spelled = t / "GAME/.";
#else
  const fs::path spelled = t / "game/.";
#endif
  ASSERT_TRUE(Install('A').Succeeded());
  ASSERT_TRUE(InstallModFiles(Lock(), spelled, Mod('B')).Succeeded());
  EXPECT_EQ(CoveringMods(t / "mods", Game(), Mod('A')), Rows{"B"});
  EXPECT_TRUE(PlanUninstall(Lock(), spelled, Mod('A')).Changed().empty());
  EXPECT_TRUE(Uninstall('A').Succeeded());
  EXPECT_EQ(test::GameSnapshot(Game()), Expected("B"));
}
