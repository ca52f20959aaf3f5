// Adding a mod from archives the tests build: where the mod's root is found,
// the name proposed, and every hostile entry kept out of the mods folder.
#include <gtest/gtest.h>

#include <fstream>

#include "archive/add_flow.h"
#include "archive/archive_add.h"
#include "archive/archive_texts.h"
#include "archive_builder.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/writer_lock.h"
#include "support/held_lock.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using archive::UnpackResult;
using test::ArchiveFormat;
using Item = test::ArchiveItem;
using Kind = test::ArchiveItem::Kind;

namespace {

constexpr ArchiveFormat kFormats[] = {ArchiveFormat::Zip, ArchiveFormat::SevenZip, ArchiveFormat::TarGz};

using Files = std::vector<std::string>;

// An archive of `items` in every format, and what adding it gives: the proposed name, whether a root was found, the
// new mod's files and the entries skipped.
struct Unpacked {
  const char* name;
  std::vector<Item> items;
  std::string proposed;
  bool rootFound;
  Files files;
  Files skipped = {};
};
// A case written as a call, so that its fields share lines.
Unpacked U(const char* name, std::vector<Item> items, std::string proposed, bool rootFound, Files files,
           Files skipped = {}) {
  return {name, std::move(items), std::move(proposed), rootFound, std::move(files), std::move(skipped)};
}

class ArchiveAdd : public ::testing::Test {
 protected:
  void SetUp() override { t.MakeDir("prog/mods"); }
  fs::path Mods() const { return t / "prog/mods"; }

  fs::path Build(const std::string& name, ArchiveFormat format, const std::vector<Item>& items) {
    const fs::path file = t / ("in/" + name + "." + test::FormatName(format));
    fs::create_directories(file.parent_path());
    EXPECT_TRUE(test::BuildArchive(file, format, items)) << name;
    return file;
  }
  // Surveys and unpacks `file` as the mod `name` (the proposed one when empty).
  UnpackResult Add(const fs::path& file, std::string name = {}, const std::atomic<bool>* cancel = nullptr) {
    std::string why;
    survey = archive::SurveyArchive(file, &why);
    if (!survey) return {UnpackResult::Status::Failed, why};
    if (name.empty()) name = survey->plan.proposedName;
    const platform::WriterLock lock = test::HeldLock({Mods()});
    return archive::UnpackNewMod(
        *survey, Mods(), name, lock, [&](std::uint64_t done) { progress.push_back(done); }, cancel);
  }
  // Adds the archive of each case, built in every format, and checks what it gave.
  void ExpectUnpacked(const std::vector<Unpacked>& cases) {
    for (ArchiveFormat format : kFormats) {
      for (const Unpacked& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "." + test::FormatName(format));
        const UnpackResult result = Add(Build(c.name, format, c.items));
        ASSERT_EQ(result.status, UnpackResult::Status::Done) << result.error;
        EXPECT_EQ(survey->plan.proposedName, c.proposed);
        EXPECT_EQ(survey->plan.rootFound, c.rootFound);
        EXPECT_EQ(test::TempTree::Snapshot(Mods() / c.proposed), c.files);
        EXPECT_EQ(survey->plan.skipped, c.skipped);
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), survey->plan.unpackedBytes);
        fs::remove_all(Mods() / c.proposed);
      }
    }
  }
  // Everything beside the archives (and, when given, what lies below `skipped`), hidden entries included.
  std::vector<std::string> AllButArchives(const std::string& skipped = "in") const {
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(t.root())) {
      const std::string rel = e.path().lexically_relative(t.root()).generic_string();
      if (!rel.starts_with("in") && !rel.starts_with(skipped)) all.push_back(rel);
    }
    std::sort(all.begin(), all.end());
    return all;
  }

  test::TempTree t;
  std::optional<archive::Survey> survey;
  std::vector<std::uint64_t> progress;
};

TEST_F(ArchiveAdd, TheModRootIsTheShallowestFolderWithAGameFolderOrRootFile) {
  ExpectUnpacked({
      U("single", {{"MyMod/", "", Kind::Folder}, {"MyMod/odf/ships/a.odf", "a"}, {"MyMod/ModInfo.txt", "i"}}, "MyMod",
        true, {"ModInfo.txt=i", "odf/ships/a.odf=a"}),
      U("nested", {{"Data/mymod/odf/x.odf", "x"}, {"Data/mymod/sprites/s.tga", "s"}, {"Data/notes.txt", "n"}}, "Data",
        true, {"notes.txt=n", "odf/x.odf=x", "sprites/s.tga=s"}),
      U("Loose Ships.v2", {{"a.odf", "a"}, {"b.tga", "b"}}, "Loose Ships.v2", false, {"a.odf=a", "b.tga=b"}),
      U("beside", {{"Fleet/ODF/x.odf", "x"}, {"Fleet readme.txt", "r"}}, "beside", true,
        {"Fleet readme.txt=r", "ODF/x.odf=x"}),
      U("wrapped", {{"Pack/a.odf", "a"}, {"Pack/b/c.txt", "c"}}, "Pack", false, {"a.odf=a", "b/c.txt=c"}),
      U("layout", {{"odf/a.odf", "a"}, {"readme.txt", "r"}}, "layout", true, {"odf/a.odf=a", "readme.txt=r"}),
      // As `tar -C folder .` packs: the archive's own top is "./", nothing to unpack and nothing to report.
      U("dot", {{"./", "", Kind::Folder}, {"./odf/a.odf", "a"}, {"./readme.txt", "r"}}, "dot", true,
        {"odf/a.odf=a", "readme.txt=r"}),
  });
}

TEST_F(ArchiveAdd, AnAuthorsBackupFoldersAndDrydocksOwnNamesAreLeftOutListedOnceAndMarkNoRoot) {
  const std::string kBackup = std::string(archive::texts::kForeignBackup) + ")";
  const std::string kOwn = std::string(archive::texts::kDrydockOwn) + ")";
  ExpectUnpacked({
      // An author's installed mod folder zipped for release: the Backup folders (of the mod and of an addon, any letter
      // case) hold the author's game files, and Drydock's own names its record, notes and temporaries.
      U("packed",
        {{"Fleet/ModInfo.txt", "i"},
         {"Fleet/odf/a.odf", "a"},
         {"Fleet/Backup/", "", Kind::Folder},
         {"Fleet/Backup/odf/a.odf", "the author's a"},
         {"Fleet/Backup/.drydock-record", "record"},
         {"Fleet/.drydock-uninstalled=1", "note"},
         {"Fleet/Addon/Borg/odf/b.odf", "b"},
         {"Fleet/Addon/Borg/backup/odf/b.odf", "the author's b"},
         {"Fleet/odf/Backup/c.odf", "c"},
         {"Fleet/.drydock-backup-new/odf/a.odf", "the author's a"},
         {"Fleet/odf/.a.odf.drydock-abcd1234", "half a copy"}},
        "Fleet", true, {"Addon/Borg/odf/b.odf=b", "ModInfo.txt=i", "odf/Backup/c.odf=c", "odf/a.odf=a"},
        {"Fleet/Backup/ (" + kBackup, "Fleet/Addon/Borg/backup/ (" + kBackup, "Fleet/.drydock-uninstalled=1 (" + kOwn,
         "Fleet/.drydock-backup-new/ (" + kOwn, "Fleet/odf/.a.odf.drydock-abcd1234 (" + kOwn}),
      // Nothing in a Backup folder marks the root, however deep the mod's own files lie.
      U("stock", {{"Stock/docs/readme.txt", "r"}, {"Stock/Backup/odf/a.odf", "the author's a"}}, "Stock", false,
        {"docs/readme.txt=r"}, {"Stock/Backup/ (" + kBackup}),
      // Its contents zipped without the folder.
      U("contents", {{"odf/a.odf", "a"}, {"BACKUP/odf/a.odf", "the author's a"}, {"Backup.txt", "notes"}}, "contents",
        true, {"Backup.txt=notes", "odf/a.odf=a"}, {"BACKUP/ (" + kBackup}),
  });
}

TEST(ArchiveName, LosesItsArchiveExtensionsInAnyLetterCase) {
  EXPECT_EQ(archive::NameWithoutArchiveExtensions("Fleet 1.2.TAR.gz"), "Fleet 1.2");
}

TEST_F(ArchiveAdd, HostileEntriesAreSkippedAndListedAndNothingLandsOutsideTheNewMod) {
  const std::vector<Item> paths = {
      {"odf/a.odf", "a"},     {"/abs/x.odf"},         {"../out.odf"},
      {"odf/../../out2.odf"}, {"odf\\..\\..\\x.odf"}, {"C:/win.odf"},
      {"odf/bad:name.odf"},   {"odf/a\xff.odf"},      {"odf/CON"},
      {"odf/trail."},         {"odf/line\nbreak"},
  };
  std::vector<Item> withLinks = paths;
  withLinks.insert(withLinks.end(), {{"odf/link", "", Kind::SymbolicLink, "../../../etc"},
                                     {"odf/hard", "", Kind::HardLink, "odf/a.odf"},
                                     {"odf/dev", "", Kind::Device}});
  for (ArchiveFormat format : kFormats) {
    SCOPED_TRACE(test::FormatName(format));
    const std::vector<Item>& items = format == ArchiveFormat::TarGz ? withLinks : paths;
    const std::vector<std::string> before = AllButArchives();
    const UnpackResult result = Add(Build("hostile", format, items), "Hostile");
    ASSERT_EQ(result.status, UnpackResult::Status::Done) << result.error;
    EXPECT_EQ(test::TempTree::Snapshot(Mods() / "Hostile"), Files{"odf/a.odf=a"});
    EXPECT_EQ(AllButArchives("prog/mods/Hostile"), before);
    EXPECT_EQ(survey->plan.skipped.size(), items.size() - 1);
    for (const std::string& s : survey->plan.skipped) EXPECT_EQ(s.find('\n'), std::string::npos) << s;
    fs::remove_all(Mods() / "Hostile");
  }
}

TEST_F(ArchiveAdd, NamesDifferingInCaseBecomeOneAndTheLaterFileWins) {
  const UnpackResult result = Add(Build("case", ArchiveFormat::Zip,
                                        {{"odf/A.odf", "first"},
                                         {"ODF/a.odf", "second"},
                                         {"ODF/b.odf", "b"},
                                         {"x", "file"},
                                         {"X/y.odf", "under a file"}}),
                                  "Case");
  ASSERT_EQ(result.status, UnpackResult::Status::Done) << result.error;
  EXPECT_EQ(test::TempTree::Snapshot(Mods() / "Case"), (Files{"odf/A.odf=second", "odf/b.odf=b", "x=file"}));
  EXPECT_EQ(survey->plan.merged, (Files{"odf = ODF", "odf/A.odf = odf/a.odf"}));
  EXPECT_EQ(survey->plan.skipped, Files{"X/y.odf (a file and a folder of one name)"});
}

// Overwrites the bytes `at` past the first `marker` in `file` (past its start when `marker` is empty).
void Patch(const fs::path& file, const std::string& marker, std::size_t at, const std::string& bytes) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(test::TempTree::Read(file).find(marker) + at));
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(ArchiveAdd, BadArchivesAreRefusedWithTheirReasonAndLeaveNothing) {
  std::string noise;
  for (int i = 0; i < 20000; ++i) noise += static_cast<char>((i * 7919) % 251);
  // Stored, so the changed bytes come out as they are and only the checksum tells.
  const fs::path corrupt = t.MakeDir("in") / "corrupt.zip";
  ASSERT_TRUE(test::BuildArchive(corrupt, ArchiveFormat::Zip, {{"odf/a.odf", noise}}, "zip:compression=store"));
  Patch(corrupt, "", 30 + 9 + 200, "\x55\xAA\x55\xAA");
  const fs::path truncated = Build("truncated", ArchiveFormat::TarGz, {{"odf/a.odf", noise}, {"odf/b.odf", noise}});
  fs::resize_file(truncated, fs::file_size(truncated) / 2);
  // The declared size of a deflated entry, lowered in both headers, is less than its bytes.
  const fs::path bomb = Build("bomb", ArchiveFormat::Zip, {{"odf/big.odf", std::string(4 << 20, 'a')}});
  Patch(bomb, "PK\x03\x04", 22, std::string("\xE8\x03\0\0", 4));
  Patch(bomb, "PK\x01\x02", 24, std::string("\xE8\x03\0\0", 4));
  const fs::path text = t.Write("in/notes.zip", "just some text, not an archive\n");
  const fs::path encrypted = t / "in/encrypted.zip";
  ASSERT_TRUE(
      test::BuildArchive(encrypted, ArchiveFormat::Zip, {{"odf/a.odf", "secret"}}, "zip:encryption=zipcrypt", "pass"));

  const struct {
    fs::path file;
    std::string reason;
  } cases[] = {
      {corrupt, "it is damaged or cut short ("}, {truncated, "it is damaged or cut short ("},
      {bomb, archive::texts::kOutgrown},         {text, "it is not an archive Drydock can read ("},
      {encrypted, archive::texts::kEncrypted},   {t / "in/missing.zip", archive::texts::kNotAFile},
  };
  const std::vector<std::string> before = AllButArchives();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.filename().string());
    const UnpackResult result = Add(c.file, "Bad");
    EXPECT_EQ(result.status, UnpackResult::Status::Failed);
    EXPECT_TRUE(result.error.starts_with(c.reason)) << result.error;
    EXPECT_EQ(AllButArchives(), before);
  }
}

TEST_F(ArchiveAdd, LimitsRefuseArchiveBombsWithTheirFigures) {
  constexpr std::uint64_t MB = 1 << 20;
  const struct {
    std::uint64_t unpacked, packed;
    std::optional<std::uint64_t> free;
    std::string problem;
  } cases[] = {
      {300 * MB, 200 * MB, 1000 * MB, ""},
      {10 * MB, 1024, std::nullopt, ""},  // a small file of zeros packs that well
      {100 * MB, 100 * 1024, std::nullopt,
       "it would unpack to 100.0 MB from 100.0 KB, 1024 times its size, as only an archive bomb does"},
      {300 * MB, 200 * MB, 100 * MB,
       "it would unpack to 300.0 MB from 200.0 MB, and the disk of the mods folder has only 100.0 MB free"},
      {archive::kMaxUnpackedBytes + 1, archive::kMaxUnpackedBytes, std::nullopt,
       "it would unpack to 64.0 GB from 64.0 GB, more than the 64.0 GB Drydock unpacks"},
  };
  for (const auto& c : cases) {
    archive::Survey s;
    s.packedBytes = c.packed;
    s.plan.unpackedBytes = c.unpacked;
    EXPECT_EQ(archive::LimitProblem(s, c.free), c.problem);
  }
}

TEST_F(ArchiveAdd, ACancelOrATakenNameLeavesNothingAndLeftoversOfKilledRunsGo) {
  const fs::path file = Build("cancel", ArchiveFormat::TarGz, {{"odf/a.odf", "a"}, {"odf/b.odf", "b"}});
  const std::vector<std::string> before = AllButArchives();
  const std::atomic<bool> cancel{true};
  EXPECT_EQ(Add(file, "Cancelled", &cancel).status, UnpackResult::Status::Cancelled);
  EXPECT_EQ(AllButArchives(), before);
  t.MakeDir("prog/mods/taken");
  EXPECT_EQ(Add(file, "TAKEN").status, UnpackResult::Status::NameTaken);

  t.Write("prog/.drydock-add-abc12345/odf/x.odf");
  t.Write("prog/mods/.drydock-add-def67890/odf/x.odf");   // where an add unpacks when mods is a mount of its own
  t.Write("prog/.drydock-add-ABC12345/kept");             // not a name Drydock makes
  t.Write("prog/.drydock-add-abc1234/kept");              // nor this
  t.Link("prog/.drydock-add-zzzzzzzz", t / "prog/mods");  // a link is never followed
  const platform::WriterLock lock = test::HeldLock({Mods()});
  EXPECT_EQ(archive::RemoveAddLeftovers(Mods(), lock), 2);
  EXPECT_FALSE(fs::exists(t / "prog/.drydock-add-abc12345"));
  EXPECT_FALSE(fs::exists(t / "prog/mods/.drydock-add-def67890"));
  EXPECT_TRUE(fs::exists(t / "prog/.drydock-add-ABC12345/kept"));
  EXPECT_TRUE(fs::exists(t / "prog/.drydock-add-abc1234/kept"));
  EXPECT_TRUE(fs::is_symlink(t / "prog/.drydock-add-zzzzzzzz"));
}

// An exception in the long work (thrown by whoever hears the progress, or handed on by the host from its worker, at
// the survey, the wait for the lock or the unpacking) is a failure the user is told of, and nothing of the add stays.
TEST_F(ArchiveAdd, AnExceptionInTheLongWorkIsAFailureToldToTheUserAndLeavesNothing) {
  struct Host final : install::InstallHost {
    bool RefreshQuietly() override { return true; }
    void RunLong(const std::function<void()>& work) override {
      if (++runs == throwAtRun) throw std::runtime_error("disk on fire");
      work();
    }
    int runs = 0, throwAtRun = 0;
  };
  struct Progress final : archive::UnpackProgress {
    void Begin(const std::string&, std::uint64_t) override { ++open; }
    void Advance(std::uint64_t) override {
      if (throwing) throw std::runtime_error("disk on fire");
    }
    void End() override { --open; }
    bool throwing = false;
    int open = 0;
  };
  const test::ScopedEnv cache("XDG_CACHE_HOME", (t / "cache").string());
  const fs::path file = Build("Fleet", ArchiveFormat::Zip, {{"odf/a.odf", "a"}, {"odf/b.odf", "b"}});
  const std::vector<std::string> before = AllButArchives();
  // The host's run that throws (1 the survey, 2 the wait for the lock, 3 the unpacking), or 0 with the progress
  // throwing instead.
  for (const int throwAtRun : {0, 1, 2, 3}) {
    SCOPED_TRACE(throwAtRun);
    test::ScriptedDialogs dialogs;
    dialogs.Expect({archive::texts::CannotAdd("Fleet.zip", archive::texts::WorkFailed("disk on fire")),
                    archive::texts::kTitle, flow::Buttons::Ok, flow::Icon::Exclamation});
    Host host;
    host.throwAtRun = throwAtRun;
    Progress shown;
    shown.throwing = throwAtRun == 0;
    const archive::AddOutcome added = archive::AddModFromArchive(dialogs, host, shown, Mods(), {file, "Fleet"});
    EXPECT_EQ(added.outcome, install::Outcome::Refused);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_EQ(shown.open, 0);
    EXPECT_EQ(AllButArchives("cache"), before);
  }
  // The engine itself throws nothing on: whoever runs it without a flow around it gets the failure too.
  ASSERT_TRUE((survey = archive::SurveyArchive(file, nullptr)));
  const platform::WriterLock lock = test::HeldLock({Mods()});
  const UnpackResult unpacked = archive::UnpackNewMod(
      *survey, Mods(), "Fleet", lock, [](std::uint64_t) { throw std::runtime_error("disk on fire"); }, nullptr);
  EXPECT_EQ(unpacked.status, UnpackResult::Status::Failed);
  EXPECT_EQ(unpacked.error, archive::texts::WorkFailed("disk on fire"));
  EXPECT_EQ(AllButArchives("cache"), before);
}

}  // namespace
