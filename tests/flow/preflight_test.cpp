// The checks before a run's first change, on real folders: a running stand-in game, targets in the way, and full
// disks, both the seam's and (where the test may mount one) a small real file system.
#include "flow/preflight.h"

#include <gtest/gtest.h>

#include <cstring>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>

#include "support/stand_in_game.h"
#endif
#include "platform/file_ops.h"
#include "platform/volume.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using flow::PlannedWrite;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::string RefusalOf(const fs::path& gameDir, const std::vector<PlannedWrite>& writes) {
  const std::optional<flow::Refusal> refusal = flow::Preflight(gameDir, writes);
  return refusal ? refusal->text : "";
}

// The seam's cap for one test.
struct FreeBytesCap {
  explicit FreeBytesCap(std::uint64_t bytes) { platform::fault::ConfigureFreeBytes(bytes); }
  ~FreeBytesCap() { platform::fault::ConfigureFreeBytes(std::nullopt); }
};

}  // namespace

TEST(Preflight, BytesAreToldAsAPlayerReadsThem) {
  for (const auto& [bytes, told] : {std::pair<std::uint64_t, const char*>{1, "1 byte"},
                                    {1000, "1000 bytes"},
                                    {16 * kMiB, "16,777,216 bytes (16.0 MiB)"},
                                    {3 * 1024 * kMiB / 2, "1,610,612,736 bytes (1.5 GiB)"}}) {
    EXPECT_EQ(flow::DescribeBytes(bytes), told);
  }
}

// Each target in the way is named with what to do; fine targets pass, and nothing is written by the look.
TEST(Preflight, ATargetInTheWayIsNamedBeforeAnythingIsWritten) {
  test::TempTree t;
  t.MakeDir("game/odf/ships.odf");
  t.Write("game/sprites", "a file where a folder goes");
  t.Write("game/odf/locked.odf");
  fs::permissions(t / "game/odf/locked.odf", fs::perms::all, fs::perm_options::remove);
  fs::permissions(t / "game/odf/locked.odf", fs::perms::owner_read, fs::perm_options::add);
  t.Write("game/odf/open.odf");
  const auto before = test::TempTree::Snapshot(t / "game");
  const struct {
    PlannedWrite write;
    std::string refusal;  // a part of it; empty: no refusal
  } cases[] = {
      {{t / "game/odf/new.odf", 10, false}, ""},
      {{t / "game/odf/open.odf", 10, false}, ""},
      {{t / "game/new/deeper/x.odf", 10, false}, ""},
      {{t / "game/odf", 0, true}, ""},
      {{t / "game/odf/ships.odf", 10, false}, "a folder stands where the file " + (t / "game/odf/ships.odf").string()},
      {{t / "game/sprites", 0, true}, "a file stands where the folder " + (t / "game/sprites").string()},
      {{t / "game/sprites/x.spr", 10, false}, "a file stands where the folder " + (t / "game/sprites").string()},
      {{t / "game/odf/locked.odf", 10, false},
       (t / "game/odf/locked.odf").string() + " is read-only: allow writing to it in its properties"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.write.target.string());
    const std::string refusal = RefusalOf({}, {c.write});
    if (c.refusal.empty()) {
      EXPECT_EQ(refusal, "");
    } else {
      EXPECT_TRUE(refusal.starts_with("Nothing was changed, since these files cannot be written:\n")) << refusal;
      EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
    }
  }
  EXPECT_EQ(test::TempTree::Snapshot(t / "game"), before);
}

// The seam makes every disk small: the writes of one disk add up, and the refusal names the folder and both sizes.
TEST(Preflight, WritesThatDoNotFitTheirDiskWithTheMarginAreRefused) {
  test::TempTree t;
  t.MakeDir("game");
  t.MakeDir("mods/Fleet/Backup");
  const FreeBytesCap cap(100 * kMiB);
  EXPECT_EQ(platform::FreeBytes(t / "game/not/yet/there.odf"), 100 * kMiB);
  EXPECT_EQ(RefusalOf({}, {{t / "game/a.odf", 50 * kMiB}}), "");
  EXPECT_EQ(RefusalOf({}, {{t / "game/a.odf", 50 * kMiB}, {t / "mods/Fleet/Backup/a.odf", 40 * kMiB}}),
            "Nothing was changed.\n\nThere is not enough free space on the disk of " + (t / "game").string() + " (" +
                platform::VolumeRoot(t.root()).string() +
                "): 115,867,648 bytes (110.5 MiB) are needed, with a margin, and 104,857,600 bytes (100.0 MiB) are "
                "free. Free some space there, then "
                "try again.");
}

#ifndef _WIN32
// The game running in its folder refuses first, with the processes under Show Details; another folder's game does not.
TEST(Preflight, ARunningGameRefusesWithItsProcessesInTheDetails) {
  test::TempTree t;
  t.MakeDir("game");
  t.MakeDir("other");
  fs::copy_file("/bin/sleep", t / "game/Armada2.exe");
  test::StandInGame game(t / "game/Armada2.exe", "Armada2.exe", t / "game");
  ASSERT_TRUE(game.Started());
  const FreeBytesCap cap(0);  // the disk full too: the game is told first
  const std::optional<flow::Refusal> refusal = flow::Preflight(t / "game", {{t / "game/a.odf", 1}});
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->text, "Armada II is running. Close it before changing its files.");
  EXPECT_NE(refusal->details.find("Armada2.exe (process " + std::to_string(game.Pid()) + "): "), std::string::npos);
  EXPECT_TRUE(RefusalOf(t / "other", {}).empty());
  EXPECT_TRUE(RefusalOf({}, {}).empty()) << "a run that changes nothing the game holds does not look";

  test::ScriptedDialogs dialogs;
  dialogs.Expect({"Armada II is running. Close it before changing its files.", "Remove Fleet mod?", flow::Buttons::Ok,
                  flow::Icon::Exclamation});
  EXPECT_FALSE(flow::CheckBeforeChanges(dialogs, "Remove Fleet mod?", t / "game", {}));
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(dialogs.shown.back().details, refusal->details);
  game.Stop();
  EXPECT_TRUE(flow::CheckBeforeChanges(dialogs, "Remove Fleet mod?", t / "game", {}));
}

// A real small file system: a tmpfs of 4 MiB holds less than the margin; mounted read-only, nothing may be written.
TEST(Preflight, ARealSmallOrReadOnlyFileSystemIsRefused) {
  test::TempTree t;
  const fs::path small = t.MakeDir("small");
  t.MakeDir("big");
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=4m") != 0) {
    GTEST_SKIP() << "this test may not mount a file system (" << std::strerror(errno)
                 << "); the seam's test covers the full disk";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{small};
  fs::create_directories(small / "game");
  const std::string refusal = RefusalOf({}, {{small / "game/a.odf", kMiB}, {t / "big/b.odf", kMiB}});
  EXPECT_TRUE(refusal.starts_with("Nothing was changed.\n\nThere is not enough free space on the disk of " +
                                  (small / "game").string() + " (" + small.string() +
                                  "): " + flow::DescribeBytes(flow::WithMargin(kMiB)) + " are needed"))
      << refusal;
  EXPECT_NE(refusal.find(flow::DescribeBytes(*platform::FreeBytes(small)) + " are free"), std::string::npos);
  EXPECT_EQ(refusal.find((t / "big").string()), std::string::npos) << "the other disk has room";
  EXPECT_TRUE(fs::is_empty(small / "game"));

  ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=4m"), 0) << std::strerror(errno);
  EXPECT_NE(RefusalOf({}, {{small / "game/a.odf", 0}})
                .find("Drydock may not write in " + (small / "game").string() +
                      ": allow writing there, or mount its disk for writing"),
            std::string::npos);
}
#endif
