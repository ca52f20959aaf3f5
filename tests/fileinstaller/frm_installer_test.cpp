// The file installer window driven by clicks and keys: choosing a mod, the tick rules between types and files,
// Select All / None, the help box, the narrow window, and an install followed by the rescan.
#include "fileinstaller/frm_installer.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "flow/preflight.h"
#include "launch/launch_texts.h"
#include "support/escape_probe.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#ifndef _WIN32
#include "support/stand_in_game.h"
#endif
#include "ui/secondary_window.h"

using namespace drydock;
using namespace drydock::test;

namespace {

struct InstallerWindow : ::testing::Test {
  fileinstaller::frmInstaller* Open(const std::filesystem::path& modsDir) {
    const auto make = [&] {
      return new fileinstaller::frmInstaller(modsDir, dialogs, shell, &main, [this] { return gameDir; });
    };
    ui::ShowSecondaryWindow(ui::SecondaryWindow(window, &main, nullptr, make), &main);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    return window;
  }
  QListWidget* List(const char* name) { return Child<QListWidget>(window, name); }
  // A list's entries with their ticks: "+a.bzn" ticked, "-a.bzn" not.
  std::string Ticks(const char* name) {
    std::string shown;
    for (int i = 0; i < List(name)->count(); ++i) {
      const QListWidgetItem* item = List(name)->item(i);
      shown += (item->checkState() == Qt::Checked ? " +" : " -") + Str(item->text());
    }
    return shown;
  }
  // Which of Install, Select All and Select None can be pressed: "ISN", "-SN", ...
  std::string Buttons() {
    std::string on;
    for (const auto& [name, letter] : {std::pair{"cmdInstall", 'I'}, {"cmdSelectAll", 'S'}, {"cmdSelectNone", 'N'}})
      on += Child<QPushButton>(window, name)->isEnabled() ? letter : '-';
    return on;
  }
  void Toggle(const char* list, const char* text) {  // a click on the entry, then the space bar
    ClickText(List(list), text);
    PressKey(Qt::Key_Space);
  }
  QApplication& app = GuiApp();
  TempTree t;
  // The sorter's lock and trash are the test's own.
  ScopedEnv home{"HOME", (t / "home").string()};
  ScopedEnv data{"XDG_DATA_HOME", (t / "home/data").string()};
  ScopedEnv cache{"XDG_CACHE_HOME", (t / "home/cache").string()};
  ScriptedDialogs dialogs;
  RecordingShell shell;
  QWidget main;
  QPointer<fileinstaller::frmInstaller> window;
  std::optional<std::filesystem::path> gameDir;  // the game folder as the main window knows it
};

TEST_F(InstallerWindow, TicksOfTypesAndFilesFollowEachOtherAndTheInstallSortsTheTickedFiles) {
  for (const char* file : {"Alpha/ModInfo.txt", "Alpha/readme.txt", "Beta/a.bzn", "Beta/b.BZN", "Beta/c.tga",
                           "Beta/x.sod", "Beta/a2_x.txt", "Beta/Addon/Refit/d.bzn"})
    t.Write(std::string("mods/") + file);
  Open(t / "mods");
  // A mod without loose files of any type: nothing to install, and the file list out of sight.
  EXPECT_EQ(Items(List("lstChooser")), L({"Alpha", "Beta"}));
  EXPECT_EQ(Str(List("lstChooser")->currentItem()->text()), "Alpha");
  EXPECT_EQ(Items(List("lstFolders")), L({"(None)"}));
  EXPECT_EQ(Buttons(), "---");
  EXPECT_FALSE(List("lstFiles")->isVisible());
  const int narrow = window->width();
  EXPECT_EQ(Str(Child<QLabel>(window, "lblHelp")->text()), "Files included: *.bzn\nCopied to: bzn");

  ClickText(List("lstChooser"), "Beta");
  EXPECT_EQ(Ticks("lstFolders"), " +Bzn +Textures\\Rgb +Sod +Objectives");
  EXPECT_EQ(Ticks("lstFiles"), " +a.bzn +b.BZN");
  EXPECT_EQ(Buttons(), "I-N");
  EXPECT_TRUE(List("lstFiles")->isVisible());
  EXPECT_GT(window->width(), narrow);

  // Unticking the last ticked file unticks its type; the ticks stay while another type is shown.
  Toggle("lstFiles", "a.bzn");
  EXPECT_EQ(Ticks("lstFolders"), " +Bzn +Textures\\Rgb +Sod +Objectives");
  Toggle("lstFiles", "b.BZN");
  EXPECT_EQ(Ticks("lstFolders"), " -Bzn +Textures\\Rgb +Sod +Objectives");
  EXPECT_EQ(Buttons(), "ISN");
  ClickText(List("lstFolders"), "Sod");
  EXPECT_EQ(Ticks("lstFiles"), " +x.sod");
  ClickText(List("lstFolders"), "Bzn");
  EXPECT_EQ(Ticks("lstFiles"), " -a.bzn -b.BZN");
  Toggle("lstFiles", "b.BZN");  // one ticked file ticks its type again
  EXPECT_EQ(Ticks("lstFolders"), " +Bzn +Textures\\Rgb +Sod +Objectives");
  EXPECT_EQ(Ticks("lstFiles"), " -a.bzn +b.BZN");

  QTest::mouseClick(Child<QPushButton>(window, "cmdSelectNone"), Qt::LeftButton);
  EXPECT_EQ(Ticks("lstFolders"), " -Bzn -Textures\\Rgb -Sod -Objectives");
  EXPECT_EQ(Ticks("lstFiles"), " -a.bzn -b.BZN");
  EXPECT_EQ(Buttons(), "-S-");
  QTest::mouseClick(Child<QPushButton>(window, "cmdSelectAll"), Qt::LeftButton);
  EXPECT_EQ(Ticks("lstFolders"), " +Bzn +Textures\\Rgb +Sod +Objectives");
  EXPECT_EQ(Ticks("lstFiles"), " +a.bzn +b.BZN");
  EXPECT_EQ(Buttons(), "I-N");
  Toggle("lstFolders", "Sod");  // unticking a type unticks its files
  EXPECT_EQ(Ticks("lstFiles"), " -x.sod");

  TypeInto(Child<QComboBox>(window, "cboBox")->lineEdit(), "sod\\software");
  EXPECT_EQ(Str(Child<QLabel>(window, "lblHelp")->text()),
            "Files included: Mnebula1-5.sod, wcorbrfr.sod, wshldadd.sod, wstoptim.sod\nCopied to: Sod\\Software");
  TypeInto(Child<QComboBox>(window, "cboBox")->lineEdit(), "odf");  // no type: the help stays
  EXPECT_TRUE(Str(Child<QLabel>(window, "lblHelp")->text()).starts_with("Files included: Mnebula1-5.sod"));

  dialogs.Expect({"4 files installed.", "Drydock"});
  QTest::mouseClick(Child<QPushButton>(window, "cmdInstall"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Snapshot(t / "mods/Beta"),
            (std::vector<std::string>{"Addon/Refit/d.bzn=x", "Textures/Rgb/c.tga=x", "bzn/a.bzn=x", "bzn/b.BZN=x",
                                      "objectives/a2_x.txt=x", "x.sod=x"}));
  EXPECT_EQ(Ticks("lstFolders"), " +Sod");  // the rescan
  EXPECT_EQ(Ticks("lstFiles"), " +x.sod");

  ClickItem(List("lstChooser"), List("lstChooser")->item(1), 2);
  EXPECT_EQ(shell.calls, std::vector<std::string>{"open " + (t / "mods/Beta").string()});
  shell.openFailure = "xdg-open was not found";
  dialogs.Expect({launch::texts::NotOpened((t / "mods/Beta").string(), "xdg-open was not found"), "Could not open",
                  flow::Buttons::Ok, flow::Icon::Exclamation});
  ClickItem(List("lstChooser"), List("lstChooser")->item(1), 2);
  EXPECT_TRUE(dialogs.Done());
  shell.openFailure.reset();

  delete window;
  Open(t.MakeDir("empty"));
  EXPECT_EQ(Items(List("lstChooser")), L({"(No mods found.)"}));
  EXPECT_EQ(List("lstFolders")->count(), 0);
  EXPECT_EQ(Buttons(), "---");
}

// Work of the sort that throws (here the trash's look into a data folder that is a loop of links) is told by its
// error, and no count of installed files follows; the folders made for the run are gone again.
TEST_F(InstallerWindow, ASortWhoseWorkThrowsTellsTheErrorInsteadOfACount) {
  t.Write("mods/Gamma/a2_01.txt", "new");
  t.Write("mods/Gamma/objectives/a2_01.txt", "old");
  const ScopedEnv loop{"XDG_DATA_HOME", t.Link("home/loop", t / "home/loop").string()};
  Open(t / "mods");
  dialogs.Expect({"", "Install files", flow::Buttons::YesNoCancel, flow::Icon::Question, flow::Answer::Yes});
  dialogs.Expect({"", "Install files", flow::Buttons::Ok, flow::Icon::Critical});
  QTest::mouseClick(Child<QPushButton>(window, "cmdInstall"), Qt::LeftButton);
  ASSERT_TRUE(dialogs.Done());
  const std::string told = dialogs.shown.back().text;
  EXPECT_TRUE(told.starts_with("The work was stopped by an unexpected error: ")) << told;
  EXPECT_NE(told.find((t / "home/loop/Trash").string()), std::string::npos) << told;
  EXPECT_EQ(TempTree::Snapshot(t / "mods/Gamma"),
            (std::vector<std::string>{"a2_01.txt=new", "objectives/a2_01.txt=old"}));
  EXPECT_EQ(Ticks("lstFiles"), " +a2_01.txt");
}

#ifndef _WIN32
// The Install button while the game runs from the game folder the main window knows: told, and nothing moves; once
// the game has closed the same click sorts.
TEST_F(InstallerWindow, TheInstallWaitsForTheGameToClose) {
  t.Write("mods/Gamma/a.bzn", "map");
  t.MakeDir("game");
  std::filesystem::copy_file("/bin/sleep", t / "game/Armada2.exe");
  gameDir = t / "game";
  Open(t / "mods");
  {
    StandInGame game(t / "game/Armada2.exe", "Armada2.exe", t / "game");
    ASSERT_TRUE(game.Started());
    dialogs.Expect({flow::kGameRunningText, "Install files", flow::Buttons::Ok, flow::Icon::Exclamation});
    QTest::mouseClick(Child<QPushButton>(window, "cmdInstall"), Qt::LeftButton);
    ASSERT_TRUE(dialogs.Done());
    EXPECT_EQ(TempTree::Snapshot(t / "mods/Gamma"), std::vector<std::string>{"a.bzn=map"});
    EXPECT_EQ(Ticks("lstFiles"), " +a.bzn");
  }
  dialogs.Expect({"1 file installed.", "Drydock"});
  QTest::mouseClick(Child<QPushButton>(window, "cmdInstall"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Snapshot(t / "mods/Gamma"), std::vector<std::string>{"bzn/a.bzn=map"});
}
#endif

// What the lists highlight is what the window shows: a click on the chosen mod scans it again, a click beside the
// entries keeps the highlight, ChooseMod picks a mod as a click would, and a reopened window starts afresh.
TEST_F(InstallerWindow, AClickOnTheChosenModScansItAgainAndTheHighlightAlwaysNamesWhatIsShown) {
  t.Write("mods/Alpha/ModInfo.txt");
  t.Write("mods/Beta/a.bzn");
  Open(t / "mods");
  EXPECT_EQ(Items(List("lstFolders")), L({"(None)"}));
  t.Write("mods/Alpha/x.bzn");
  t.Write("mods/Alpha/y.sod");
  ClickText(List("lstChooser"), "Alpha");
  EXPECT_EQ(Ticks("lstFolders"), " +Bzn +Sod");
  EXPECT_EQ(Ticks("lstFiles"), " +x.bzn");
  ClickText(List("lstFolders"), "Sod");
  for (const char* name : {"lstChooser", "lstFolders"}) {
    SCOPED_TRACE(name);
    QWidget* blank = List(name)->viewport();
    QTest::mouseClick(blank, Qt::LeftButton, Qt::NoModifier, QPoint(blank->width() / 2, blank->height() - 2));
    ASSERT_EQ(List(name)->selectedItems().size(), 1);
    EXPECT_EQ(List(name)->selectedItems().first(), List(name)->currentItem());
  }
  EXPECT_EQ(Str(List("lstChooser")->selectedItems().first()->text()), "Alpha");
  EXPECT_EQ(Str(List("lstFolders")->selectedItems().first()->text()), "Sod");
  EXPECT_EQ(Ticks("lstFiles"), " +y.sod");

  // As the main window opens the window on its selected mod; what the list does not hold changes nothing.
  window->ChooseMod("Beta");
  EXPECT_EQ(Str(List("lstChooser")->selectedItems().first()->text()), "Beta");
  EXPECT_EQ(Ticks("lstFiles"), " +a.bzn");
  for (const char* elsewhere : {"", "Gone", "Beta\\Addon\\Refit"}) {
    window->ChooseMod(elsewhere);
    EXPECT_EQ(Str(List("lstChooser")->currentItem()->text()) + Ticks("lstFolders"), "Beta +Bzn") << elsewhere;
  }
  t.Write("mods/Beta/b.bzn");
  window->ChooseMod("Beta");  // the mod chosen already is scanned again
  EXPECT_EQ(Ticks("lstFiles"), " +a.bzn +b.bzn");
  EXPECT_EQ(EscapeKeepers(window), QStringList());

  TypeInto(Child<QComboBox>(window, "cboBox")->lineEdit(), "sod");
  window->close();
  Open(t / "mods");
  EXPECT_EQ(Str(Child<QComboBox>(window, "cboBox")->currentText()), "bzn");
  EXPECT_EQ(Str(Child<QLabel>(window, "lblHelp")->text()), "Files included: *.bzn\nCopied to: bzn");
  EXPECT_EQ(Str(List("lstChooser")->currentItem()->text()) + Ticks("lstFolders"), "Alpha +Bzn +Sod");
}

}  // namespace
