// `drydock add` as a script or a user runs it: its output and exit codes, its
// refusals, and a kill at every counted file operation, after which no mod is
// visible and the next run clears what was left.
#include <gtest/gtest.h>

#include "archive_builder.h"
#include "platform/listing.h"
#include "platform/writer_lock.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::ArchiveFormat;
using test::RunResult;

namespace {

constexpr std::uint64_t kSweepLimit = 500;

class AddCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    t.MakeDir("prog/mods");
    ASSERT_TRUE(test::BuildArchive(t.MakeDir("in") / "Fleet.zip", ArchiveFormat::Zip,
                                   {{"Fleet/odf/a.odf", "a"}, {"Fleet/odf/b.odf", "b"}, {"Fleet/ModInfo.txt", "i"}}));
    ASSERT_TRUE(test::BuildArchive(t / "in/loose.tar.gz", ArchiveFormat::TarGz, {{"a.odf", "a"}, {"../x.odf", "x"}}));
  }
  RunResult Add(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), {DRYDOCK_EXE, "--program-dir", (t / "prog").string(), "add"});
    return test::RunChild(args, env);
  }
  std::vector<std::string> Mods() const { return platform::ListFolderEntries(t / "prog/mods"); }
  // Everything in the program folder, hidden entries included.
  std::vector<std::string> Everything() const {
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(t / "prog")) all.push_back(e.path().string());
    std::sort(all.begin(), all.end());
    return all;
  }

  test::TempTree t;
};

// Also: while another run holds the writer lock it changes nothing.
TEST_F(AddCommand, PrintsTheModsNameAndExitsOneOnARefusalAndTwoOnBadUsage) {
  const std::string fleet = (t / "in/Fleet.zip").string();
  const struct {
    std::vector<std::string> args;
    int code;
    std::string output;
  } runs[] = {
      {{fleet}, 0, "added: Fleet\n"},
      {{fleet}, 1, "Folder already exists.\n"},
      {{fleet, "--name", "FLEET"}, 1, "Folder already exists.\n"},
      {{fleet, "--name", "bad:name"}, 1, "Invalid name.\n"},
      {{fleet, "--name", "Second Fleet"}, 0, "added: Second Fleet\n"},
      {{(t / "in/missing.zip").string()}, 1, "Cannot add a mod from missing.zip: it is not a file that can be read.\n"},
      {{}, 2, "add takes one ARCHIVE and optionally --name NAME\n"},
      {{fleet, fleet}, 2, "add takes one ARCHIVE and optionally --name NAME\n"},
      {{fleet, "--name"}, 2, "add takes one ARCHIVE and optionally --name NAME\n"},
  };
  for (const auto& run : runs) {
    const RunResult result = Add(run.args);
    EXPECT_EQ(result.code, run.code) << result.output;
    EXPECT_NE(result.output.find(run.output), std::string::npos) << result.output;
  }
  EXPECT_EQ(Mods(), (std::vector<std::string>{"Fleet", "Second Fleet"}));
  EXPECT_EQ(test::TempTree::Snapshot(t / "prog/mods/Fleet"),
            (std::vector<std::string>{"ModInfo.txt=i", "odf/a.odf=a", "odf/b.odf=b"}));

  // The closing message tells of loose files and lists what was skipped.
  const RunResult loose = Add({(t / "in/loose.tar.gz").string()});
  EXPECT_EQ(loose.code, 0);
  EXPECT_NE(loose.output.find("The file installer can sort loose files"), std::string::npos) << loose.output;
  EXPECT_NE(loose.output.find("    ../x.odf (the path leads out of its folder)\n"), std::string::npos);

  // While another run holds the writer lock nothing changes.
  const auto held = platform::WriterLock::Acquire({t / "prog/mods"});
  ASSERT_TRUE(held);
  const RunResult locked = Add({fleet, "--name", "Third"});
  EXPECT_EQ(locked.code, 1);
  EXPECT_NE(locked.output.find("Another Drydock is changing the files in " + (t / "prog/mods").string() + "."),
            std::string::npos)
      << locked.output;
  EXPECT_EQ(Mods(), (std::vector<std::string>{"Fleet", "loose", "Second Fleet"}));
}

TEST_F(AddCommand, AKillAtAnyOperationLeavesNoVisibleModAndTheNextRunClearsTheRest) {
  bool finished = false;
  for (std::uint64_t n = 1; n < kSweepLimit && !finished; ++n) {
    SCOPED_TRACE("killed at operation " + std::to_string(n));
    const RunResult killed = Add({(t / "in/Fleet.zip").string()}, {"DRYDOCK_KILL_OP=" + std::to_string(n)});
    finished = !killed.killed;
    if (finished) {
      EXPECT_EQ(killed.code, 0) << killed.output;
      EXPECT_GT(n, 5u);  // the sweep reached the unpacking
      break;
    }
    ASSERT_TRUE(Mods().empty());
    // The next run adds the mod whole and takes the leftover away.
    const RunResult next = Add({(t / "in/Fleet.zip").string()});
    ASSERT_EQ(next.code, 0) << next.output;
    EXPECT_EQ(test::TempTree::Snapshot(t / "prog/mods/Fleet"),
              (std::vector<std::string>{"ModInfo.txt=i", "odf/a.odf=a", "odf/b.odf=b"}));
    fs::remove_all(t / "prog/mods/Fleet");
    EXPECT_EQ(Everything(), std::vector<std::string>{(t / "prog/mods").string()});
  }
  EXPECT_TRUE(finished);
}

// A mods folder that is a mount of its own (in a mount namespace of the test's own: a small tmpfs, or another folder of
// the same file system bound there, which rename(2) cannot cross either) takes the add: the unpack folder lies inside
// it, hidden, so no listing shows it; the free space the add checks is the mount's.
TEST_F(AddCommand, AModsFolderThatIsAMountOfItsOwnTakesTheAddAndItsOwnFreeSpaceCounts) {
  const RunResult probe = test::RunChild({"/usr/bin/unshare", "--mount", "--map-root-user", "/bin/true"});
  if (probe.code != 0) GTEST_SKIP() << "no mount namespace can be made here:\n" << probe.output;
  const std::string big(2 << 20, 'b');
  ASSERT_TRUE(test::BuildArchive(t / "in/Big.zip", ArchiveFormat::Zip, {{"Big/odf/big.odf", big}}));
  using Rows = std::vector<std::string>;
  const Rows fleet = {"Fleet/ModInfo.txt=i", "Fleet/odf/a.odf=a", "Fleet/odf/b.odf=b"};
  const struct {
    std::string mount;
    Rows said, seen;
  } cases[] = {
      {"mount -t tmpfs -o size=1m tmpfs \"$1\"",
       {"(No mods found.)\nadded: Fleet\nexit 0\n", "Cannot add a mod from Big.zip: it would unpack to 2.0 MB from ",
        ", and the disk of the mods folder has only ", "exit 1\nFleet\n"},
       fleet},
      {"mount --bind \"$7\" \"$1\"",
       {"(No mods found.)\nadded: Fleet\nexit 0\nadded: Big\nexit 0\nBig\nFleet\n"},
       {"Big/odf/big.odf=" + big, fleet[0], fleet[1], fleet[2]}},
  };
  // Inside the namespace: a leftover of a killed add lies in the mount, which the list leaves out and the add clears;
  // the mount is copied out at the end, as it is seen only there.
  const std::string script = R"(mkdir "$1/.drydock-add-k1lled00"
"$2" --program-dir "$3" list
"$2" --program-dir "$3" add "$4"; echo "exit $?"
"$2" --program-dir "$3" add "$5"; echo "exit $?"
"$2" --program-dir "$3" list
cp -a "$1/." "$6")";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mount);
    fs::remove_all(t / "seen");
    fs::remove_all(t / "elsewhere");
    fs::remove_all(t / "prog/mods");
    t.MakeDir("prog/mods");
    const RunResult r =
        test::RunChild({"/usr/bin/unshare", "--mount", "--map-root-user", "/bin/sh", "-c",
                        c.mount + " || { echo \"cannot mount: $?\"; exit 0; }\n" + script, "sh",
                        (t / "prog/mods").string(), DRYDOCK_EXE, (t / "prog").string(), (t / "in/Fleet.zip").string(),
                        (t / "in/Big.zip").string(), t.MakeDir("seen").string(), t.MakeDir("elsewhere").string()},
                       {"HOME=" + t.root().string(), "XDG_CACHE_HOME=" + (t / "cache").string(),
                        "XDG_DATA_HOME=" + (t / "data").string()});
    if (r.output.starts_with("cannot mount"))
      GTEST_SKIP() << "this mount cannot be made in a namespace here:\n" << r.output;
    ASSERT_EQ(r.code, 0) << r.output;
    std::string missing;
    for (const std::string& said : c.said) {
      if (r.output.find(said) == std::string::npos) missing += "\n  " + said;
    }
    EXPECT_TRUE(missing.empty()) << "not said:" << missing << "\nin:\n" << r.output;
    EXPECT_EQ(test::TempTree::Snapshot(t / "seen"), c.seen);
    EXPECT_EQ(Everything(), (Rows{(t / "prog/mods").string()}));
  }
}

}  // namespace
