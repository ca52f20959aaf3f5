// Whether the game still holds what the installs wrote: the check of each
// installed mod, and `drydock verify` printing it as text and as JSON.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "install/backup_folder.h"
#include "install/install_engine.h"
#include "install/verify.h"
#include "platform/writer_lock.h"
#include "support/held_lock.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using drydock::test::TempTree;

namespace {

class Verify : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("game/Armada2.exe", "exe");
    t.Write("game/odf/ships/fed.odf", "game fed");
    t.Write("game/odf/ships/kling.odf", "game kling, longer");
    t.Write("P/mods/Fleet/odf/ships/fed.odf", "fleet fed, a longer file");
    t.Write("P/mods/Fleet/odf/ships/kling.odf", "fleet kling");
    t.Write("P/mods/Fleet/odf/ships/new.odf", "fleet new");
    t.Write("P/mods/Borg/odf/ships/fed.odf", "borg fed");
  }
  fs::path Game() const { return t / "game"; }
  fs::path Mods() const { return t / "P/mods"; }
  fs::path Mod(const std::string& name) const { return Mods() / name; }
  void Install(const std::string& name) {
    const Report r = InstallModFiles(test::HeldLock({Game(), Mods()}), Game(), Mod(name));
    ASSERT_TRUE(r.Succeeded()) << r.refusal;
  }
  void Uninstall(const std::string& name) {
    const auto lock = test::HeldLock({Game(), Mods()});
    const Report r = UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod(name)), ChangedFiles::Keep);
    ASSERT_TRUE(r.Succeeded()) << r.refusal;
  }
  ModCheck Check(const std::string& name) { return VerifyMod(Mods(), Game(), Mod(name), name); }
  // `drydock verify ARGS`: its exit code, and what it printed.
  int Run(std::vector<std::string> args, std::string& printed) {
    cli::CommandLine cl;
    cl.programDir = t / "P";
    cl.gameDir = Game();
    cl.command = "verify";
    cl.args = std::move(args);
    std::ostringstream out, err;
    const int code = cli::RunCommand(cl, out, err);
    printed = out.str() + err.str();
    return code;
  }
  TempTree t;
};

// "path=state" of every file and kept original that is not as it should be, in order.
std::vector<std::string> Problems(const ModCheck& check) {
  std::vector<std::string> rows;
  for (const FileVerdict& f : check.files) {
    if (f.state != FileVerdict::State::AsInstalled) rows.push_back(f.path + "=" + StateText(f.state));
  }
  for (const KeptVerdict& k : check.kept) {
    if (k.state != KeptVerdict::State::Whole) rows.push_back("kept " + k.path + "=" + StateText(k.state));
  }
  return rows;
}

// Whether the JSON document gives `path` of a mod's files (or kept originals) the state `state`.
bool JsonHas(const std::string& json, const std::string& path, const std::string& state) {
  const std::string member = "\"path\": \"" + path + "\",";
  for (std::size_t at = json.find(member); at != std::string::npos; at = json.find(member, at + 1)) {
    const std::size_t next = json.find_first_not_of(" \n", at + member.size());
    if (next != std::string::npos && json.compare(next, 11 + state.size(), "\"state\": \"" + state + "\"") == 0)
      return true;
  }
  return false;
}

}  // namespace

TEST_F(Verify, AModJustInstalledIsAsInstalledAndVerifyExitsZero) {
  Install("Fleet");
  const ModCheck check = Check("Fleet");
  EXPECT_TRUE(check.AsInstalled());
  EXPECT_EQ(Problems(check), std::vector<std::string>{});
  EXPECT_EQ(SummaryLine(check), "Fleet: 3 files as installed; 2 kept originals whole");
  EXPECT_EQ(ShortSummary(check), "as installed");
  std::string printed;
  EXPECT_EQ(Run({}, printed), cli::kExitOk);
  EXPECT_EQ(printed, "Fleet: 3 files as installed; 2 kept originals whole\n");
  EXPECT_EQ(Run({"Fleet", "--json"}, printed), cli::kExitOk);
  EXPECT_NE(printed.find("\"asInstalled\": true"), std::string::npos) << printed;
  EXPECT_TRUE(JsonHas(printed, "odf/ships/kling.odf", "whole")) << printed;
  // Nothing installed: nothing to report, and a mod that is not installed is named.
  Uninstall("Fleet");
  EXPECT_EQ(Run({}, printed), cli::kExitOk);
  EXPECT_EQ(printed, "No mod is installed.\n");
  EXPECT_EQ(Run({"Fleet"}, printed), cli::kExitFailed);
  EXPECT_EQ(printed, "Fleet is not installed\n");
  EXPECT_EQ(Run({"Fleet", "Borg"}, printed), cli::kExitUsage);
}

// What happens to the game or the Backup after an install, and what the check, the text and the JSON say of it.
TEST_F(Verify, EditsMissingFilesAndCutOriginalsAreToldAlikeInTextAndJson) {
  struct Case {
    const char* what;
    std::function<void(TempTree&)> damage;
    std::vector<std::string> problems;
    const char* summary;
    const char* shortSummary;
    const char* textLine;  // the line that names the file
    const char* jsonPath;
    const char* jsonState;
  };
  const Case cases[] = {
      {"an edit that keeps the size and the modification time",
       [](TempTree& tree) {
         const fs::path fed = tree / "game/odf/ships/fed.odf";
         const auto time = fs::last_write_time(fed);
         tree.Write("game/odf/ships/fed.odf", "FLEET FED, A LONGER FILE");
         fs::last_write_time(fed, time);
       },
       {"odf/ships/fed.odf=changed since install"},
       "Fleet: 2 files as installed, 1 changed since install; 2 kept originals whole",
       "1 file changed since install",
       "  changed since install: odf/ships/fed.odf\n",
       "odf/ships/fed.odf",
       "changed"},
      {"a file deleted from the game",
       [](TempTree& tree) { fs::remove(tree / "game/odf/ships/new.odf"); },
       {"odf/ships/new.odf=missing"},
       "Fleet: 2 files as installed, 1 missing; 2 kept originals whole",
       "1 file missing",
       "  missing: odf/ships/new.odf\n",
       "odf/ships/new.odf",
       "missing"},
      {"a kept original cut short",
       [](TempTree& tree) { fs::resize_file(tree / "P/mods/Fleet/Backup/odf/ships/kling.odf", 4); },
       {"kept odf/ships/kling.odf=not whole"},
       "Fleet: 3 files as installed; 1 kept original whole, 1 not whole",
       "1 kept original not whole",
       "  kept original not whole: odf/ships/kling.odf (4 bytes of 18)\n",
       "odf/ships/kling.odf",
       "not-whole"},
      {"a kept original deleted",
       [](TempTree& tree) { fs::remove(tree / "P/mods/Fleet/Backup/odf/ships/fed.odf"); },
       {"kept odf/ships/fed.odf=missing"},
       "Fleet: 3 files as installed; 1 kept original whole, 1 missing",
       "1 kept original missing",
       "  kept original missing: odf/ships/fed.odf\n",
       "odf/ships/fed.odf",
       "missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Game());
    fs::remove_all(t / "P");
    SetUp();
    Install("Fleet");
    c.damage(t);
    const ModCheck check = Check("Fleet");
    EXPECT_FALSE(check.AsInstalled());
    EXPECT_EQ(Problems(check), c.problems);
    EXPECT_EQ(SummaryLine(check), c.summary);
    EXPECT_EQ(ShortSummary(check), c.shortSummary);
    const std::vector<std::string> damaged = TempTree::Snapshot(t.root());
    std::string text, json;
    EXPECT_EQ(Run({}, text), cli::kExitFailed);
    EXPECT_EQ(text, std::string(c.summary) + "\n" + c.textLine);
    EXPECT_EQ(Run({"--json"}, json), cli::kExitFailed);
    EXPECT_TRUE(JsonHas(json, c.jsonPath, c.jsonState)) << json;
    EXPECT_NE(json.find("\"summary\": \"" + std::string(c.summary) + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"asInstalled\": false"), std::string::npos);
    EXPECT_EQ(TempTree::Snapshot(t.root()), damaged) << "verify only reads";
  }
}

TEST_F(Verify, AFileAModInstalledLaterReplacedIsThatModsAndItsKeptSizeMovesWithTheOriginal) {
  Install("Fleet");
  Install("Borg");
  // The game holds Borg's fed.odf: for Fleet that is no change, as Borg's record answers for it.
  ModCheck fleet = Check("Fleet");
  EXPECT_TRUE(fleet.AsInstalled()) << SummaryLine(fleet);
  ASSERT_EQ(fleet.files.size(), 3u);
  EXPECT_EQ(fleet.files[0].path, "odf/ships/fed.odf");
  EXPECT_EQ(fleet.files[0].coveredBy, "Borg");
  std::string text;
  EXPECT_EQ(Run({}, text), cli::kExitOk) << text;
  EXPECT_EQ(text,
            "Borg: 1 file as installed; 1 kept original whole\n"
            "Fleet: 3 files as installed; 2 kept originals whole\n");
  // A hand edit of that file is Borg's change, and Fleet's file is named as Borg's.
  t.Write("game/odf/ships/fed.odf", "edited");
  EXPECT_EQ(Problems(Check("Fleet")), std::vector<std::string>{"odf/ships/fed.odf=changed since install"});
  EXPECT_EQ(Problems(Check("Borg")), std::vector<std::string>{"odf/ships/fed.odf=changed since install"});
  EXPECT_EQ(Run({"Fleet"}, text), cli::kExitFailed);
  EXPECT_NE(text.find("  changed since install: odf/ships/fed.odf (the file of Borg, installed later)\n"),
            std::string::npos)
      << text;
  t.Write("game/odf/ships/fed.odf", "borg fed");
  // Fleet goes first: the game's original moves into Borg's Backup, and Borg's record takes its size.
  Uninstall("Fleet");
  InstallRecord borg;
  ASSERT_EQ(ReadRecord(Mod("Borg") / "Backup", borg), RecordStatus::Read);
  ASSERT_EQ(borg.entries.size(), 1u);
  EXPECT_EQ(borg.entries[0].keptSize, std::optional<std::uint64_t>(std::string("game fed").size()));
  const ModCheck after = Check("Borg");
  EXPECT_TRUE(after.AsInstalled()) << SummaryLine(after);
  EXPECT_EQ(after.Count(KeptVerdict::State::Whole), 1u);
}

// A record of version 3 names no kept original's size: the check finds them present, and the record of this
// version keeps the size through writing and reading.
TEST_F(Verify, ARecordOfAnEarlierVersionIsCheckedForPresentOriginals) {
  Install("Fleet");
  InstallRecord record;
  ASSERT_EQ(ReadRecord(Mod("Fleet") / "Backup", record), RecordStatus::Read);
  const auto again = ParseRecord(FormatRecord(record));
  ASSERT_TRUE(again);
  ASSERT_EQ(again->entries.size(), 3u);
  EXPECT_EQ(again->entries[0].keptSize, std::optional<std::uint64_t>(8));  // "game fed"
  EXPECT_EQ(again->entries[2].keptSize, std::nullopt);                     // added
  // The same install as version 3 wrote it: each stamp without a kept size.
  std::string v3 = FormatRecord(record);
  v3.replace(v3.find("record 4"), 8, "record 3");
  // Each entry's kept size (a number, or "-" for none) stands before its path: it goes.
  for (std::size_t at = v3.find(" odf/ships/"); at != std::string::npos; at = v3.find(" odf/ships/", at + 1)) {
    const std::size_t token = v3.rfind(' ', at - 1) + 1;
    const std::string size = v3.substr(token, at - token);
    if (size == "-" || size.find_first_not_of("0123456789") == std::string::npos) {
      v3.erase(token - 1, at - token + 1);
      at = token - 1;
    }
  }
  t.Write("P/mods/Fleet/Backup/.drydock-record", v3);
  const ModCheck check = Check("Fleet");
  EXPECT_TRUE(check.AsInstalled()) << v3;
  EXPECT_EQ(SummaryLine(check), "Fleet: 3 files as installed; 2 kept originals present (size not recorded)");
  // A size given to an added file is no record of this version.
  std::string bad = FormatRecord(record);
  bad.replace(bad.find(" - odf/ships/new.odf"), 2, " 9");
  EXPECT_FALSE(ParseRecord(bad)) << bad;
}
