// The checks before an install or an uninstall changes anything, through the real program: a stand-in game
// running from the game folder, a full disk (the seam's, and a small real file system where the test may mount one).
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstring>

#include "flow/preflight.h"
#include "support/child_process.h"
#include "support/stand_in_game.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::TempTree;

namespace {

class InstallChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
    game = t.MakeDir("game");
    t.Write("game/odf/ships/fed.odf", "game fed");
    fs::copy_file("/bin/sleep", game / "Armada2.exe");
    t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod fed");
    t.Write("prog/mods/Fleet/odf/ships/new.odf", "mod new");
  }
  test::RunResult Run(const std::string& command, const std::vector<std::string>& env = {}) {
    return test::RunChild(
        {DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "--game-dir", game.string(), "--yes", command, "Fleet"},
        env);
  }
  // Everything a run could change: the game and the mods, names and bytes (the stand-in's by its size).
  std::pair<std::vector<std::string>, std::vector<std::string>> State() {
    std::vector<std::string> rows = TempTree::Snapshot(game);
    for (std::string& row : rows) {
      if (row.starts_with("Armada2.exe=")) row = "Armada2.exe of " + std::to_string(row.size()) + " bytes";
    }
    return {rows, TempTree::Snapshot(t / "prog")};
  }

  TempTree t;
  fs::path game;
};

TEST_F(InstallChecks, InstallAndUninstallRefuseWhileTheGameRunsAndChangeNothing) {
  const auto vanilla = State();
  for (const char* command : {"install", "uninstall"}) {
    SCOPED_TRACE(command);
    const auto before = State();
    {
      test::StandInGame running(game / "Armada2.exe", "Armada2.exe", game);
      ASSERT_TRUE(running.Started());
      const test::RunResult refused = Run(command);
      EXPECT_EQ(refused.code, 1);
      EXPECT_NE(refused.output.find(flow::kGameRunningText), std::string::npos) << refused.output;
      EXPECT_NE(refused.output.find("Armada2.exe (process " + std::to_string(running.Pid())), std::string::npos)
          << refused.output;
      EXPECT_EQ(State(), before);
    }
    // Once the game has ended the same command runs.
    EXPECT_EQ(Run(command).code, 0);
    if (std::string(command) == "install") {
      // Back to the unmodded game: refused once, as a whole, while the game runs.
      test::StandInGame running(game / "Armada2.exe", "Armada2.exe", game);
      ASSERT_TRUE(running.Started());
      const auto installed = State();
      const test::RunResult all = test::RunChild({DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "--game-dir",
                                                  game.string(), "--yes", "uninstall", "--all"});
      EXPECT_EQ(all.code, 1);
      EXPECT_EQ(all.output.find(flow::kGameRunningText), all.output.rfind(flow::kGameRunningText)) << all.output;
      EXPECT_NE(all.output.find(flow::kGameRunningText), std::string::npos) << all.output;
      EXPECT_EQ(State(), installed);
    }
  }
  EXPECT_EQ(State().first, vanilla.first);  // the game as it was; the mod keeps its uninstall note
}

TEST_F(InstallChecks, AFullDiskRefusesTheInstallBeforeTheFirstCopy) {
  const auto before = State();
  const test::RunResult full = Run("install", {"DRYDOCK_FREE_BYTES=1000"});
  EXPECT_EQ(full.code, 1);
  EXPECT_NE(full.output.find("There is not enough free space on the disk of " + (game / "odf/ships").string()),
            std::string::npos)
      << full.output;
  EXPECT_EQ(State(), before);

  // A real small file system: the game on a tmpfs of 16 MiB, the mod 8 MiB larger than the margin leaves room for.
  const fs::path small = t.MakeDir("small");
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16m") != 0) {
    GTEST_SKIP() << "this test may not mount a file system (" << std::strerror(errno) << "); the seam's case ran";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{small};
  fs::copy(game, small / "game", fs::copy_options::recursive);
  game = small / "game";
  t.Write("prog/mods/Fleet/textures/big.tga", std::string(8u << 20, 'x'));
  const auto onSmall = State();
  const test::RunResult refused = Run("install");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.output.find("There is not enough free space on the disk of " + game.string()), std::string::npos)
      << refused.output;
  EXPECT_EQ(State(), onSmall);
}

}  // namespace
