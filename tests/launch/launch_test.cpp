#include "launch/launch.h"

#include <gtest/gtest.h>

#include "install/install_flow.h"
#include "launch/launch_texts.h"
#include "platform/game_host.h"
#include "platform/names.h"
#include "platform/process.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace drydock::platform;
using namespace drydock::test;
using namespace drydock::flow;
using namespace drydock::launch;

namespace {

ScriptedDialogs::Box Message(std::string text, std::string title) {
  return {std::move(text), std::move(title), Buttons::Ok, Icon::Exclamation, Answer::Ok};
}

class LaunchTest : public ::testing::Test {
 protected:
  LaunchTest() { fs::permissions(wine, fs::perms::owner_all); }
  void TearDown() override { EXPECT_TRUE(dialogs.Done()) << "a box the test expected was not shown"; }
  // A game folder at `relative` holding the executable under `exeName`.
  fs::path Game(std::string_view relative, std::string_view exeName = "Armada2.exe") {
    return tree.Write(std::string(relative) + "/" + std::string(exeName), "MZ").parent_path();
  }

  TempTree tree;
#ifdef _WIN32
  const fs::path wine = tree.Write("bin/wine.exe", "MZ");  // the only program on PATH
#else
  const fs::path wine = tree.Write("bin/wine", "#!/bin/sh\nexit 0\n");  // the only program on PATH
#endif
  ScopedEnv cacheHome{"XDG_CACHE_HOME", PathToUtf8(tree / "cache")};  // the writer locks
  ScopedEnv path{"PATH", PathToUtf8(tree / "bin")};
  ScriptedDialogs dialogs;
  RecordingShell shell;
};

TEST(LaunchBatch, TextIsThreeCrLfLinesAndOnlyThatShapeCountsAsOurs) {
  // The game folder's short form, its long path and the line that changes to it.
  const std::tuple<std::optional<std::string>, std::string, std::string> cases[] = {
      {"C:\\PROGRA~1\\ACTIVI~1\\A2", "C:\\Program Files\\Activision\\A2", "CD /D C:\\PROGRA~1\\ACTIVI~1\\A2"},
      {std::nullopt, "D:\\Games\\Armada II", "CD /D \"D:\\Games\\Armada II\""},
      {"D:\\My Games\\A2", "D:\\My Games\\A2", "CD /D \"D:\\My Games\\A2\""},  // a volume without short names
      {"E:\\A2&100%", "E:\\A2&100%", "CD /D \"E:\\A2&100%%\""},
  };
  for (const auto& [shortDir, longDir, cdLine] : cases) {
    const std::string text = LaunchBatchText(shortDir, longDir);
    EXPECT_EQ(text, "@Echo Off\r\n" + cdLine + "\r\nArmada2.exe\r\n");
    EXPECT_TRUE(IsLaunchBatchText(text)) << text;
  }
  for (const std::string other :
       {"", "@Echo Off\r\nArmada2.exe\r\n", "@Echo Off\nCD C:\\A2\nArmada2.exe\n",
        "@Echo Off\r\nCD C:\\A2\r\nArmada2.exe\r\npause\r\n", "@Echo Off\r\nCD C:\\A2\r\nDEL *.*\r\nArmada2.exe\r\n"}) {
    EXPECT_FALSE(IsLaunchBatchText(other)) << other;
  }
}

TEST_F(LaunchTest, WineStartsTheGameInItsFolderWithThePrefixThatHoldsItAndIsNeeded) {
  tree.Write("pfx/system.reg");
  const fs::path other = tree.Write("Other Prefix/system.reg").parent_path();
  // The game folder, the prefix the registry named, the executable and the prefix chosen ("" for none).
  const std::tuple<fs::path, fs::path, std::string, std::string> cases[] = {
      {Game("pfx/Drive_C/A2 Gold", "ARMADA2.EXE"), {}, "ARMADA2.EXE", "pfx"},
      {Game("games/A2"), {}, "Armada2.exe", ""},
      {Game("noprefix/drive_c/A2"), tree / "noprefix", "Armada2.exe", ""},
      {Game("games/A2"), other, "Armada2.exe", "Other Prefix"},
      {Game("pfx/drive_c/Games/A2"), other, "Armada2.exe", "pfx"},
  };
  for (const auto& [gameDir, registryPrefix, exeName, prefix] : cases) {
    EXPECT_TRUE(LaunchGame(gameDir, shell, dialogs, registryPrefix, GameHost::Wine));
    const std::string env = prefix.empty() ? "" : " WINEPREFIX=" + PathToUtf8(tree / prefix);
    EXPECT_EQ(std::exchange(shell.calls, {}), std::vector<std::string>{"start " + PathToUtf8(wine) + " " + exeName +
                                                                       " in " + PathToUtf8(gameDir) + env});
  }
  // Without Wine the user is told and Drydock stays.
  fs::remove(wine);
  dialogs.Expect(Message(texts::kNoWine, texts::kNoWineTitle));
  EXPECT_FALSE(LaunchGame(Game("game"), shell, dialogs, {}, GameHost::Wine));
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(LaunchTest, NoUsableGameFolderIsReportedAndNothingIsWritten) {
  tree.Write("noexe/Armada2.ex_");
  tree.MakeDir("folderexe/Armada2.exe");
  const std::pair<std::optional<fs::path>, ScriptedDialogs::Box> cases[] = {
      {std::nullopt, Message(texts::kNoGameDir, texts::kNoGameDirTitle)},
      {tree / "missing", Message(texts::kNoGameDir, texts::kNoGameDirTitle)},
      {tree / "noexe", Message(texts::NoGameExe(PathToUtf8(tree / "noexe")), texts::kLaunchTitle)},
      {tree / "folderexe", Message(texts::NoGameExe(PathToUtf8(tree / "folderexe")), texts::kLaunchTitle)},
  };
  const fs::path greek = Game("\xCE\xA9mega");  // a path the launch file's code page cannot hold
  const auto before = TempTree::Snapshot(tree.root());
  for (const auto& [gameDir, box] : cases) {
    for (const GameHost host : {GameHost::Native, GameHost::Wine}) {
      dialogs.Expect(box);
      EXPECT_FALSE(LaunchGame(gameDir, shell, dialogs, {}, host));
    }
  }
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(TempTree::Snapshot(tree.root()), before);
  // Wine under a UTF-8 locale gives Windows programs the UTF-8 code page, which holds every name.
  if (ToSystemCodePage("\xCE\xA9")) GTEST_SKIP() << "the ANSI code page here holds every name (UTF-8)";
  dialogs.Expect(Message(texts::PathNotInCodePage(PathToUtf8(greek)), texts::kLaunchTitle));
  EXPECT_FALSE(LaunchGame(greek, shell, dialogs, {}, GameHost::Native));
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(TempTree::Snapshot(tree.root()), before);
}

TEST_F(LaunchTest, BatchFileIsWrittenOpenedAndReplacedOnlyWhenDrydockWroteIt) {
  const fs::path game = Game("Armada II");
  const fs::path batch = game / "Drydock Launch A2.bat";
  for (int run = 0; run < 2; ++run) {  // the second run replaces the file Drydock wrote
    EXPECT_TRUE(LaunchGame(game, shell, dialogs, {}, GameHost::Native));
    EXPECT_EQ(TempTree::Read(batch), LaunchBatchText(ShortPathName(game), PathToUtf8(game)));
  }
  EXPECT_EQ(std::exchange(shell.calls, {}), std::vector<std::string>(2, "open " + PathToUtf8(batch)));

  const std::string theirs = "@Echo Off\r\nCD C:\\A2\r\nDEL *.sav\r\nArmada2.exe\r\n";
  tree.Write("Armada II/Drydock Launch A2.bat", theirs);
  dialogs.Expect(Message(texts::BatchNotOurs(PathToUtf8(batch)), texts::kLaunchTitle));
  EXPECT_FALSE(LaunchGame(game, shell, dialogs, {}, GameHost::Native));
  EXPECT_EQ(TempTree::Read(batch), theirs);
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(LaunchTest, MapEditorMarkersAreMadeEmptyUnderTheWriterLockAndNeverOverwritten) {
  const fs::path game = Game("game");
  auto held = WriterLock::Acquire({game});
  ASSERT_TRUE(held);
  dialogs.Expect(Message(drydock::flow::LockFailureText({}), texts::kMapEditorTitle));
  EXPECT_FALSE(InstallMapEditor(game, dialogs, 0ms));
  EXPECT_FALSE(fs::exists(game / "ATVI"));
  held.reset();
  tree.Write("game/unsupportedextension_mapedit", "the player's notes");
  for (const Answer answer : {Answer::Yes, Answer::No}) {
    dialogs.Expect({texts::kInstallComplete, texts::kInstallCompleteTitle, Buttons::YesNo, Icon::Question, answer});
    EXPECT_EQ(InstallMapEditor(game, dialogs), answer == Answer::Yes);
    EXPECT_EQ(TempTree::Snapshot(game),
              (std::vector<std::string>{"ATVI=", "Armada2.exe=MZ", "unsupportedextension_mapedit=the player's notes"}));
  }

  const fs::path marker = tree.MakeDir("blocked/unsupportedextension_mapedit");
  dialogs.Expect(Message(texts::MarkerIsNotAFile(PathToUtf8(marker)), texts::kMapEditorTitle));
  EXPECT_FALSE(InstallMapEditor(marker.parent_path(), dialogs));
  dialogs.Expect(Message(texts::kNoGameDir, texts::kNoGameDirTitle));
  EXPECT_FALSE(InstallMapEditor(std::nullopt, dialogs));
}

// The launch file and the map editor markers are never written through a link in the game folder, whether it leads
// to a file or nowhere; the user is told which link and where it points, and nothing changes. The game folder itself
// may be a link.
TEST_F(LaunchTest, AWriteIntoTheGameThroughALinkIsRefusedNamingTheLinkAndChangesNothing) {
  DRYDOCK_SKIP_WITHOUT_LINKS();
  const fs::path real = Game("real game");
  const fs::path game = tree.Link("game", real);
  const fs::path outside = tree.Write("outside/file", LaunchBatchText(std::nullopt, PathToUtf8(game)));
  // The entry made a link, where it leads, and what the refusal says.
  const std::tuple<std::string, fs::path, std::string (*)(const std::string&)> cases[] = {
      {"Drydock Launch A2.bat", outside, texts::BatchThroughLink},
      {"Drydock Launch A2.bat", tree / "nowhere", texts::BatchThroughLink},
      {"ATVI", outside, texts::MarkerThroughLink},
      {"unsupportedextension_mapedit", tree / "nowhere", texts::MarkerThroughLink},
  };
  // Everything but the writer locks.
  const auto everything = [&] {
    std::vector<std::string> rows = TempTree::Snapshot(tree.root());
    std::erase_if(rows, [](const std::string& row) { return row.starts_with("cache/"); });
    return rows;
  };
  for (const auto& [name, target, refusal] : cases) {
    SCOPED_TRACE(name + " -> " + PathToUtf8(target));
    tree.Link("real game/" + name, target);
    const auto before = everything();
    const bool batch = refusal == texts::BatchThroughLink;
    dialogs.Expect(Message(refusal(name + " is a link to " + PathToUtf8(target)),
                           batch ? texts::kLaunchTitle : texts::kMapEditorTitle));
    EXPECT_FALSE(batch ? bool(LaunchGame(game, shell, dialogs, {}, GameHost::Native))
                       : InstallMapEditor(game, dialogs));
    EXPECT_EQ(everything(), before);
    EXPECT_TRUE(shell.calls.empty());
    fs::remove(real / name);
  }
  dialogs.Expect({texts::kInstallComplete, texts::kInstallCompleteTitle, Buttons::YesNo, Icon::Question, Answer::No});
  EXPECT_FALSE(InstallMapEditor(game, dialogs));
  EXPECT_TRUE(LaunchGame(game, shell, dialogs, {}, GameHost::Native));
  EXPECT_EQ(TempTree::Snapshot(real),
            (std::vector<std::string>{"ATVI=", "Armada2.exe=MZ",
                                      "Drydock Launch A2.bat=" + LaunchBatchText(ShortPathName(game), PathToUtf8(game)),
                                      "unsupportedextension_mapedit="}));
}

TEST_F(LaunchTest, AGameThatEndsWithAnErrorWithinItsFirstSecondsIsToldAndOneThatRunsOnOrEndsWellIsNot) {
  const fs::path game = Game("game");
  std::string manyLines;
  for (int i = 1; i <= 9; ++i) manyLines += "fixme:line " + std::to_string(i) + "\n";
  // How the started game ends (nothing: it runs on), what it wrote, and what the box says ("": no box, Drydock ends).
  const std::tuple<std::optional<ProgramEnd>, std::string, std::string> cases[] = {
      {ProgramEnd{1, 0}, "fixme:noise\nwine: Bad EXE format for Z:\\game\\Armada2.exe.\n",
       texts::GameEndedAtOnce("wine Armada2.exe", "exit status 1",
                              "fixme:noise\nwine: Bad EXE format for Z:\\game\\Armada2.exe.")},
      {ProgramEnd{0, 11}, "", texts::GameEndedAtOnce("wine Armada2.exe", DescribeEnd({0, 11}), "")},
      {ProgramEnd{1, 0}, manyLines,
       texts::GameEndedAtOnce("wine Armada2.exe", "exit status 1",
                              "fixme:line 4\nfixme:line 5\nfixme:line 6\nfixme:line 7\nfixme:line 8\nfixme:line 9")},
      {ProgramEnd{0, 0}, "fixme:noise\n", ""},
      {std::nullopt, "fixme:noise\n", ""},
  };
  for (const auto& [end, errors, box] : cases) {
    SCOPED_TRACE(box);
    shell.programEnds = end;
    shell.programErrors = errors;
    const Started started = LaunchGame(game, shell, dialogs, {}, GameHost::Wine);
    ASSERT_TRUE(started.game);
    if (!box.empty()) dialogs.Expect(Message(box, texts::kLaunchTitle));
    EXPECT_EQ(WatchGame(started, dialogs, 200ms), box.empty());
    EXPECT_TRUE(dialogs.Done());
  }
}

TEST_F(LaunchTest, WhatTheShellCannotOpenIsToldWithThePathOrAddressInFull) {
  shell.openFailure = "xdg-open was not found";
  for (const std::string& target : {std::string(kModCentralUrl), PathToUtf8(tree / "some folder")}) {
    dialogs.Expect(Message(texts::NotOpened(target, "xdg-open was not found"), texts::kNotOpenedTitle));
    EXPECT_FALSE(OpenOrTell(shell, dialogs, target));
    EXPECT_NE(texts::NotOpened(target, "r").find("\n" + target + "\n"), std::string::npos) << "on a line of its own";
  }
  // The launch file that cannot be opened starts nothing, and Drydock stays.
  const fs::path game = Game("game");
  dialogs.Expect(Message(texts::NotOpened(PathToUtf8(game / "Drydock Launch A2.bat"), "xdg-open was not found"),
                         texts::kNotOpenedTitle));
  EXPECT_FALSE(LaunchGame(game, shell, dialogs, {}, GameHost::Native));
  shell.openFailure.reset();
  EXPECT_TRUE(OpenOrTell(shell, dialogs, "mailto:someone@example.org"));
}

TEST(LaunchMenu, StatesGoByExactMarkerNamesAndAnyCaseOfTheExecutable) {
  // A folder's entries (a trailing '/' makes a folder), whether the editor is on and whether the game is there.
  const std::tuple<std::vector<std::string>, bool, bool> cases[] = {
      {{"ATVI", "unsupportedextension_mapedit", "armada2.exe"}, true, true},
      {{"atvi", "unsupportedextension_mapedit", "ARMADA2.EXE"}, false, true},
      {{"ATVI", "UnsupportedExtension_MapEdit"}, false, false},
      {{"ATVI", "Armada2.exe.bak", "unsupportedextension_mapedit/", "Armada2.exe/"}, false, false},
  };
  for (const auto& [entries, editorInstalled, exePresent] : cases) {
    SCOPED_TRACE(::testing::PrintToString(entries));
    TempTree dir;
    for (const auto& e : entries) e.ends_with('/') ? dir.MakeDir(e) : dir.Write(e, "");
    EXPECT_EQ(MapEditorInstalled(dir.root()), editorInstalled);
    EXPECT_EQ(GameExePresent(dir.root()), exePresent);
  }
  EXPECT_FALSE(MapEditorInstalled(std::nullopt));
  EXPECT_FALSE(GameExePresent(std::nullopt));
}

}  // namespace
