// The analyzer's engine on real folders: the folder rows of the tree, the
// unit values of .odf files, paste and remove on disk, and the checks that
// keep damaged sounds and pictures away from Qt.
#include <gtest/gtest.h>

#include <filesystem>

#include "analyzer/analyzer_files.h"
#include "analyzer/analyzer_folders.h"
#include "analyzer/gif_check.h"
#include "analyzer/odf_stats.h"
#include "analyzer/wave_check.h"
#include "analyzer_test_files.h"
#include "support/held_lock.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

using namespace drydock;
using namespace drydock::analyzer;
using drydock::test::TempTree;
namespace fs = std::filesystem;

TEST(AnalyzerFolders, EachTopLevelModListsTheTableFoldersItHoldsInAnyLetterCaseAndAddonsOnlyShiftPositions) {
  TempTree t;
  for (const std::string file : {"Alpha/sounds/x.wav", "Alpha/Addon/Extra/odf/ships/e.odf", "Beta/ODF/Ships/a.odf",
                                 "Beta/Logs/l.txt", "Beta/bitmaps/AdmiralsLog/Buttons/b.bmp", "Empty/ModInfo.txt"})
    t.Write("mods/" + file);
  t.MakeDir("mods/Beta/odf/weapons");         // the game sees odf and ODF as one folder
  t.MakeDir("mods/Beta/ODF/unknown/deeper");  // outside the table
  t.MakeDir("mods/Beta/Backup/odf");
  t.MakeDir("mods/Beta/techtree");  // an empty folder counts
  t.MakeDir("mods/Beta/ships");     // a folder the table has only below odf
  t.MakeDir("outside/odf/ships");
  t.MakeDir("mods/Linked");
  if (test::LinksCanBeMade()) t.Link("mods/Linked/odf", t / "outside/odf");  // a link inside a mod is not followed
  t.MakeDir("mods/odf0/Ai");

  const library::ModList list = library::FillModList(t / "mods");
  ASSERT_EQ(list, (library::ModList{"Alpha", "    Extra", "Beta", "Empty", "Linked", "odf0"}));
  std::vector<std::string> shown;
  for (const TreeMod& mod : AnalyzerTree(t / "mods", list)) {
    std::string line = std::to_string(mod.entryIndex) + " " + mod.entry + ":";
    for (const TreeFolder& folder : mod.folders) {
      line +=
          " " + FolderKey(folder.row, mod.entryIndex) + "=" + fs::relative(folder.folder, t / "mods").generic_string();
    }
    shown.push_back(line);
  }
  EXPECT_EQ(test::CaseBlind(shown),
            test::CaseBlind({
                "0 Alpha: sounds0=Alpha/sounds",
                "2 Beta: bitmaps2=Beta/bitmaps bitmaps\\AdmiralsLog2=Beta/bitmaps/AdmiralsLog "
                "bitmaps\\AdmiralsLog\\Buttons2=Beta/bitmaps/AdmiralsLog/Buttons Logs2=Beta/Logs odf2=Beta/odf "
                "odf\\ships2=Beta/ODF/Ships odf\\weapons2=Beta/odf/weapons techtree2=Beta/techtree",
                "3 Empty:",
                "4 Linked:",
                "5 odf0: Ai5=odf0/Ai",
            }));
  EXPECT_TRUE(AnalyzerTree(t / "mods", {}).empty());
}

TEST(OdfStats, EachKeyTakesTheLastLineThatBeginsWithItExactlyAndKeepsTheRestAsWritten) {
  TempTree t;
  const auto read = [&](std::string_view contents) { return ReadOdfStats(t.Write("u.odf", contents)); };
  const OdfCaptions none = ReadOdfStats(t / "missing.odf");
  EXPECT_EQ(none.at(2), "buildTime = (File does not contain 'buildTime')");
  EXPECT_EQ(read(""), none);

  const OdfCaptions shown = read(
      "unitName = \"Defiant\" // refit  \r\n"
      "buildTime = 45\r"
      "maxHealth = 300 // first\n"
      "maxHealth = 350\n"
      "race =5\n"
      "\tcrewCost = 3\n"
      "UnitName = \"wrong\"\n"
      "officerCost= 2\n"
      "metalCost  = 800\n"
      "shieldRate = \n"
      "latinumCost = x\n"
      "latinumCost =\n"
      "dilithiumCost =\t77\n");
  EXPECT_EQ(shown, (OdfCaptions{"unitName = \"Defiant\" // refit  ", "race = ", "buildTime = 45",
                                "officerCost = (File does not contain 'officerCost')",
                                "crewCost = (File does not contain 'crewCost')", "dilithiumCost = 77",
                                "metalCost = (File does not contain 'metalCost')", "latinumCost = ", "maxHealth = 350",
                                "shieldRate = "}));

  // The character skipped after "=" is a whole one, also when it takes several
  // bytes (a Windows-1252 no-break space, UTF-8 "é"): the caption stays UTF-8.
  const OdfCaptions wide = read(
      "maxHealth =\xA0"
      "4000\r\nrace =\xC3\xA9x\r\nunitName =\xE2\x80\x83y\r\n");
  EXPECT_EQ(wide.at(8), "maxHealth = 4000");
  EXPECT_EQ(wide.at(1), "race = x");
  EXPECT_EQ(wide.at(0), "unitName = y");
}

// What a click shows: s the statistics, p the picture, t the tall list.
TEST(OdfStats, AClickShowsStatisticsOnlyForExactOdfNamesInShipsOrStationsAndPicturesInAnyCase) {
  const char* const cases[][3] = {{"x.odf", "ships", "s"},    {"x.odf", "stations", "s"}, {"X.ODF", "ships", ""},
                                  {"x.odf", "Ships", ""},     {"x.odf", "weapons", ""},   {"Pic.JPG", "misc", "p"},
                                  {"p.gif", "stations", "p"}, {"a.Bmp", "", "p"},         {"r.txt", "stations", ""},
                                  {"r.txt", "odf", "t"},      {"bmp", "odf", "t"},        {".bmp", "odf", "p"}};
  for (const auto& [entry, folder, shown] : cases) {
    const FileView view = ViewFor(entry, folder);
    EXPECT_EQ(std::string(view.stats ? "s" : "") + (view.picture ? "p" : "") + (view.tallList ? "t" : ""), shown)
        << entry << " in " << folder;
  }
}

struct AnalyzerFiles : ::testing::Test {
  platform::WriterLock Lock() { return test::HeldLock({t / "mods"}); }
  TempTree t;
};

TEST_F(AnalyzerFiles, PasteCopiesBesideButNeverOntoAnEntryOfTheSameNameInAnyCase) {
  const fs::path source = t.Write("mods/A/odf/ships/a.odf", "source");
  t.Write("mods/B/odf/ships/A.ODF", "theirs");
  t.Write("mods/B/odf/ships/.hidden.odf", "hidden");
  t.MakeDir("mods/B/odf/ships/dir.odf");
  const fs::path target = t / "mods/B/odf/ships";
  const auto lock = Lock();
  for (const char* taken : {"a.odf", "A.odf", ".HIDDEN.odf", "Dir.odf"}) {
    EXPECT_EQ(PasteFile(source, target, taken, lock).outcome, PasteOutcome::Exists) << taken;
  }
  EXPECT_EQ(PasteFile(source, target, "b.odf", lock).outcome, PasteOutcome::Pasted);
  EXPECT_EQ(TempTree::Snapshot(target),
            (std::vector<std::string>{".hidden.odf=hidden", "A.ODF=theirs", "b.odf=source", "dir.odf/"}));
  EXPECT_EQ(TempTree::Read(source), "source");

  const PasteResult gone = PasteFile(t / "mods/A/odf/ships/gone.odf", target, "gone.odf", lock);
  EXPECT_EQ(gone.outcome, PasteOutcome::Failed);
  EXPECT_NE(gone.why.find("gone.odf"), std::string::npos);
  EXPECT_EQ(PasteFile(source, t / "mods/B/missing", "a.odf", lock).outcome, PasteOutcome::Failed);
  const fs::path odd = t.Write("mods/A/odd?.odf", "odd");  // a Linux name the game cannot hold
  EXPECT_EQ(PasteFile(odd, target, "odd?.odf", lock).outcome, PasteOutcome::Failed);
  if (drydock::test::FolderPermissionsBind()) {
    t.MakeReadOnly("mods/B/odf/ships");
    const PasteResult denied = PasteFile(source, target, "c.odf", lock);
    EXPECT_EQ(denied.outcome, PasteOutcome::Failed);
    EXPECT_FALSE(denied.why.empty());
    fs::permissions(target, fs::perms::owner_all);
  }
}

// Also: only an existing .wav of any letter case plays inside.
TEST_F(AnalyzerFiles, RemoveMovesTheFileToTheTrashAndWithoutATrashLeavesItForTheUsersWord) {
  EXPECT_TRUE(IsPlayedWave(t.Write("s/Sound.WAV"), "Sound.WAV"));
  EXPECT_FALSE(IsPlayedWave(t.Write("s/x.wav.txt"), "x.wav.txt"));
  EXPECT_FALSE(IsPlayedWave(t / "s/gone.wav", "gone.wav"));
  const fs::path file = t.Write("mods/A/odf/a.odf", "mod");
  const fs::path second = t.Write("mods/A/odf/b.odf", "second");
  const auto lock = Lock();
  {
    const test::ScopedEnv data("XDG_DATA_HOME", (t / "data").string());
    EXPECT_EQ(RemoveFile(file, lock).outcome, RemoveOutcome::Trashed);
    EXPECT_FALSE(fs::exists(file));
#ifndef _WIN32  // Windows has its recycle bin, which no variable moves and a test cannot take away
    EXPECT_EQ(TempTree::Read(t / "data/Trash/files/a.odf"), "mod");
#endif
    EXPECT_EQ(RemoveFile(file, lock).outcome, RemoveOutcome::Failed) << "already gone";
  }
#ifndef _WIN32
  t.Write("plain", "not a folder");
  const test::ScopedEnv data("XDG_DATA_HOME", (t / "plain/data").string());
  const RemoveResult kept = RemoveFile(second, lock);
  ASSERT_EQ(kept.outcome, RemoveOutcome::NoTrash);
  EXPECT_FALSE(kept.why.empty());
#endif
  EXPECT_EQ(TempTree::Read(second), "second");
  EXPECT_TRUE(DeleteForGood(second, lock));
  EXPECT_FALSE(fs::exists(second));
}

TEST(WaveCheck, OnlyWholePcmWavesPlayAndEachOtherFileSaysWhy) {
  TempTree t;
  const std::string good = test::WaveBytes();
  const std::string list = std::string("LIST") + test::Le(5, 4) + "INFOx" + '\0';  // odd length, padded
  const std::string extensible = [] {
    std::string bytes = test::WaveBytes(test::WaveShape().Bits(16));
    const std::string format = test::Le(0xFFFE, 2) + test::Le(1, 2) + test::Le(8000, 4) + test::Le(16000, 4) +
                               test::Le(2, 2) + test::Le(16, 2) + test::Le(22, 2) + test::Le(16, 2) + test::Le(0, 4) +
                               test::Le(1, 2) + std::string(14, '\x10');
    return bytes.replace(12, 24, "fmt " + test::Le(40, 4) + format);
  }();
  const char* const cut = "the file is cut short";
  const char* const format = "it is not a PCM wave, the kind the program plays";
  const struct {
    const char* name;
    std::string bytes;
    const char* problem;  // null: it plays
  } cases[] = {
      {"16 bits", good, nullptr},
      {"24 bits stereo", test::WaveBytes(test::WaveShape().Channels(2).Bits(24)), nullptr},
      {"a padded chunk first", test::WaveBytes(test::WaveShape().Before(list)), nullptr},
      {"extensible PCM", extensible, nullptr},
      {"no sound at all", test::WaveBytes(test::WaveShape().Frames(0)), nullptr},
      {"text", "not a wave at all", "it is not a wave file"},
      {"an AVI", "RIFF\x10\0\0\0AVI LIST", "it is not a wave file"},
      {"header cut", good.substr(0, 30), cut},
      {"cut before the data", good.substr(0, 36), cut},
      {"data cut", good.substr(0, good.size() - 100), cut},
      {"half a frame", test::WaveBytes({}, 1599), cut},
      {"ADPCM", test::WaveBytes(test::WaveShape().Format(2).Bits(4)), format},
      {"float", test::WaveBytes(test::WaveShape().Format(3).Bits(32)), format},
      {"no channel", test::WaveBytes(test::WaveShape().Channels(0)), format},
      {"data before format", "RIFF" + test::Le(12, 4) + "WAVEdata" + test::Le(0, 4), format},
  };
  for (const auto& [name, bytes, problem] : cases) {
    EXPECT_EQ(WaveProblem(t.Write("w.wav", bytes)), problem ? std::optional<std::string>(problem) : std::nullopt)
        << name;
  }
  EXPECT_EQ(WaveProblem(t / "gone.wav"), "the file cannot be read");
}

TEST(GifCheck, AGifIsWholeOnlyWithEveryBlockUpToTheTrailerInTheFile) {
  const std::string gif = test::GifBytes();
  EXPECT_TRUE(IsWholeGif(gif));
  EXPECT_TRUE(IsWholeGif(test::GifBytes(std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8))))
      << "with a graphic control extension";
  EXPECT_TRUE(IsWholeGif(gif + "trailing bytes")) << "what follows the trailer is not read";
  for (std::size_t size = 0; size < gif.size(); ++size) EXPECT_FALSE(IsWholeGif(gif.substr(0, size))) << size;
  EXPECT_FALSE(IsWholeGif(std::string(gif).replace(0, 6, "GIF88a"))) << "no such version";
  EXPECT_FALSE(IsWholeGif(gif.substr(0, 19) + "\x3B")) << "no image";
  EXPECT_FALSE(IsWholeGif(gif.substr(0, 19) + "\x99" + gif.substr(19))) << "a block of no known kind";
  EXPECT_FALSE(IsWholeGif(std::string(gif).replace(10, 1, "\x87"))) << "a colour table longer than the file";
}
