#include "launch/launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "install/install_flow.h"
#include "launch/launch_texts.h"
#include "platform/names.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using drydock::platform::GameHost;
using drydock::platform::PathToUtf8;
using drydock::test::ScriptedDialogs;
using drydock::test::TempTree;
using drydock::ui::Answer;
using drydock::ui::Buttons;
using drydock::ui::Icon;
namespace launch = drydock::launch;
namespace texts = drydock::launch::texts;

namespace {

// Sets an environment variable while it lives, and puts the old value back.
class EnvSet {
 public:
  EnvSet(const char* name, const fs::path& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvSet() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

ScriptedDialogs::Box Message(std::string text, std::string title) {
  return {std::move(text), std::move(title), Buttons::Ok, Icon::Exclamation, Answer::Ok};
}

class LaunchTest : public ::testing::Test {
 protected:
  // A game folder at `relative` holding the executable under `exeName`.
  fs::path Game(std::string_view relative, std::string_view exeName = "Armada2.exe") {
    tree.Write(std::string(relative) + "/" + std::string(exeName), "MZ");
    return tree / relative;
  }
  // A fake `wine` that is the only program on PATH.
  fs::path FakeWine() {
    const fs::path wine = tree.Write("bin/wine", "#!/bin/sh\nexit 0\n");
    chmod(wine.c_str(), 0755);
    return wine;
  }

  TempTree tree;
  EnvSet cacheHome{"XDG_CACHE_HOME", tree / "cache"};  // the writer locks
  EnvSet path{"PATH", tree.MakeDir("bin")};
  ScriptedDialogs dialogs;
  drydock::test::RecordingShell shell;
};

TEST(LaunchBatch, TextIsThreeCrLfLinesAndOnlyThatShapeCountsAsOurs) {
  const struct {
    std::optional<std::string> shortDir;
    std::string longDir, cdLine;
  } cases[] = {
      {"C:\\PROGRA~1\\ACTIVI~1\\STARTR~1", "C:\\Program Files\\Activision\\Star Trek Armada II",
       "CD /D C:\\PROGRA~1\\ACTIVI~1\\STARTR~1"},
      {std::nullopt, "D:\\Games\\Armada II", "CD /D \"D:\\Games\\Armada II\""},
      {"D:\\My Games\\A2", "D:\\My Games\\A2", "CD /D \"D:\\My Games\\A2\""},  // a volume without short names
      {"E:\\A2&100%", "E:\\A2&100%", "CD /D \"E:\\A2&100%%\""},
  };
  for (const auto& c : cases) {
    const std::string text = launch::LaunchBatchText(c.shortDir, c.longDir);
    EXPECT_EQ(text, "@Echo Off\r\n" + c.cdLine + "\r\nArmada2.exe\r\n");
    EXPECT_TRUE(launch::IsLaunchBatchText(text)) << text;
  }
  for (const std::string other :
       {"", "@Echo Off\r\nArmada2.exe\r\n", "@Echo Off\nCD C:\\A2\nArmada2.exe\n",
        "@Echo Off\r\nCD C:\\A2\r\nArmada2.exe\r\npause\r\n", "@Echo Off\r\nCD C:\\A2\r\nDEL *.*\r\nArmada2.exe\r\n"}) {
    EXPECT_FALSE(launch::IsLaunchBatchText(other)) << other;
  }
  EXPECT_TRUE(launch::IsLaunchBatchText("@Echo Off\r\nCD C:\\PROGRA~1\\A2\r\nArmada2.exe\r\n"));
}

TEST_F(LaunchTest, WineStartsTheGameInItsFolderWithThePrefixThatHoldsIt) {
  const std::string wine = PathToUtf8(FakeWine());
  tree.Write("pfx/system.reg");
  tree.Write("Other Prefix/system.reg");
  tree.MakeDir("noprefix/drive_c");
  const struct {
    fs::path gameDir;
    fs::path registryPrefix;
    std::string exeName, prefix;
  } cases[] = {
      {Game("pfx/drive_c/Games/A2"), {}, "Armada2.exe", " WINEPREFIX=" + PathToUtf8(tree / "pfx")},
      {Game("pfx/Drive_C/A2 Gold", "ARMADA2.EXE"), {}, "ARMADA2.EXE", " WINEPREFIX=" + PathToUtf8(tree / "pfx")},
      {Game("games/A2"), {}, "Armada2.exe", ""},
      {Game("noprefix/drive_c/A2"), {}, "Armada2.exe", ""},
      {Game("games/A2"), tree / "Other Prefix", "Armada2.exe", " WINEPREFIX=" + PathToUtf8(tree / "Other Prefix")},
      {Game("pfx/drive_c/Games/A2"), tree / "Other Prefix", "Armada2.exe", " WINEPREFIX=" + PathToUtf8(tree / "pfx")},
  };
  for (const auto& c : cases) {
    shell.calls.clear();
    EXPECT_TRUE(launch::LaunchGame(c.gameDir, shell, dialogs, c.registryPrefix, GameHost::Wine));
    EXPECT_EQ(shell.calls,
              std::vector<std::string>{"start " + wine + " " + c.exeName + " in " + PathToUtf8(c.gameDir) + c.prefix});
  }
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(LaunchTest, WithoutWineTheUserIsToldAndDrydockStays) {
  dialogs.Expect({texts::kNoWine, texts::kNoWineTitle, Buttons::Ok, Icon::Exclamation});
  EXPECT_FALSE(launch::LaunchGame(Game("game"), shell, dialogs, {}, GameHost::Wine));
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(LaunchTest, NoUsableGameFolderIsReportedAndNothingIsWritten) {
  FakeWine();
  tree.Write("noexe/Armada2.ex_");
  tree.MakeDir("folderexe/Armada2.exe");
  const struct {
    std::optional<fs::path> gameDir;
    ScriptedDialogs::Box box;
  } cases[] = {
      {std::nullopt, Message(texts::kNoGameDir, texts::kNoGameDirTitle)},
      {tree / "missing", Message(texts::kNoGameDir, texts::kNoGameDirTitle)},
      {tree / "noexe", Message(texts::NoGameExe(PathToUtf8(tree / "noexe")), texts::kLaunchTitle)},
      {tree / "folderexe", Message(texts::NoGameExe(PathToUtf8(tree / "folderexe")), texts::kLaunchTitle)},
  };
  const auto before = TempTree::Snapshot(tree.root());
  for (const auto& c : cases) {
    for (const GameHost host : {GameHost::Native, GameHost::Wine}) {
      dialogs.Expect(c.box);
      EXPECT_FALSE(launch::LaunchGame(c.gameDir, shell, dialogs, {}, host));
    }
  }
  EXPECT_TRUE(dialogs.Done());
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(TempTree::Snapshot(tree.root()), before);
}

TEST_F(LaunchTest, BatchFileIsWrittenOpenedAndReplacedOnlyWhenDrydockWroteIt) {
  const fs::path game = Game("Armada II");
  const fs::path batch = game / "Drydock Launch A2.bat";
  const std::string ours = launch::LaunchBatchText(std::nullopt, PathToUtf8(game));
  for (int run = 0; run < 2; ++run) {
    EXPECT_TRUE(launch::LaunchGame(game, shell, dialogs, {}, GameHost::Native));
    EXPECT_EQ(TempTree::Read(batch), ours);
  }
  EXPECT_EQ(shell.calls, std::vector<std::string>(2, "open " + PathToUtf8(batch)));

  shell.calls.clear();
  tree.Write("Armada II/Drydock Launch A2.bat", "@Echo Off\r\nCD C:\\A2\r\nDEL *.sav\r\nArmada2.exe\r\n");
  dialogs.Expect(Message(texts::BatchNotOurs(PathToUtf8(batch)), texts::kLaunchTitle));
  EXPECT_FALSE(launch::LaunchGame(game, shell, dialogs, {}, GameHost::Native));
  EXPECT_EQ(TempTree::Read(batch), "@Echo Off\r\nCD C:\\A2\r\nDEL *.sav\r\nArmada2.exe\r\n");

  // A folder whose path the launch file's code page cannot hold.
  const fs::path greek = Game("\xCE\xA9mega");
  dialogs.Expect(Message(texts::PathNotInCodePage(PathToUtf8(greek)), texts::kLaunchTitle));
  EXPECT_FALSE(launch::LaunchGame(greek, shell, dialogs, {}, GameHost::Native));
  EXPECT_FALSE(fs::exists(greek / "Drydock Launch A2.bat"));
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(LaunchTest, MapEditorMarkersAreMadeEmptyAndNeverOverwritten) {
  const fs::path game = Game("game");
  const ScriptedDialogs::Box question{texts::kInstallComplete, texts::kInstallCompleteTitle, Buttons::YesNo,
                                      Icon::Question, Answer::Yes};
  dialogs.Expect(question);
  EXPECT_TRUE(launch::InstallMapEditor(game, dialogs));
  EXPECT_TRUE(launch::MapEditorInstalled(game));

  tree.Write("game/ATVI", "the player's notes");
  dialogs.Expect({question.text, question.title, question.buttons, question.icon, Answer::No});
  EXPECT_FALSE(launch::InstallMapEditor(game, dialogs));
  EXPECT_EQ(TempTree::Snapshot(game),
            (std::vector<std::string>{"ATVI=the player's notes", "Armada2.exe=MZ", "unsupportedextension_mapedit="}));

  const fs::path blocked = Game("blocked");
  tree.MakeDir("blocked/unsupportedextension_mapedit");
  dialogs.Expect(
      Message(texts::MarkerIsNotAFile(PathToUtf8(blocked / "unsupportedextension_mapedit")), texts::kMapEditorTitle));
  EXPECT_FALSE(launch::InstallMapEditor(blocked, dialogs));
  EXPECT_FALSE(launch::MapEditorInstalled(blocked));

  dialogs.Expect(Message(texts::kNoGameDir, texts::kNoGameDirTitle));
  EXPECT_FALSE(launch::InstallMapEditor(std::nullopt, dialogs));
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(LaunchTest, MapEditorWaitsForNoOtherWriter) {
  const fs::path game = Game("game");
  const auto held = drydock::platform::WriterLock::Acquire({game});
  ASSERT_TRUE(held);
  dialogs.Expect(Message(drydock::install::LockFailureText({}), texts::kMapEditorTitle));
  EXPECT_FALSE(launch::InstallMapEditor(game, dialogs, 0ms));
  EXPECT_FALSE(fs::exists(game / "ATVI"));
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(LaunchTest, MenuStatesGoByExactMarkerNamesAndAnyCaseOfTheExecutable) {
  const struct {
    std::vector<std::string> files, folders;
    bool editorInstalled, exePresent;
  } cases[] = {
      {{"ATVI", "unsupportedextension_mapedit", "armada2.exe"}, {}, true, true},
      {{"atvi", "unsupportedextension_mapedit", "ARMADA2.EXE"}, {}, false, true},
      {{"ATVI", "UnsupportedExtension_MapEdit"}, {}, false, false},
      {{"ATVI", "Armada2.exe.bak"}, {"unsupportedextension_mapedit", "Armada2.exe"}, false, false},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string dir = "case" + std::to_string(n++);
    tree.MakeDir(dir);
    for (const auto& f : c.files) tree.Write(dir + "/" + f, "");
    for (const auto& f : c.folders) tree.MakeDir(dir + "/" + f);
    EXPECT_EQ(launch::MapEditorInstalled(tree / dir), c.editorInstalled) << dir;
    EXPECT_EQ(launch::GameExePresent(tree / dir), c.exePresent) << dir;
  }
  EXPECT_FALSE(launch::MapEditorInstalled(std::nullopt));
  EXPECT_FALSE(launch::GameExePresent(std::nullopt));
}

}  // namespace
