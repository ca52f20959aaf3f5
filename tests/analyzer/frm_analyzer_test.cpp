// The analyzer window, opened as the main window opens it and driven by
// clicks and keys on its tree, its file list, its picture and its pop-ups.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "analyzer/frm_analyzer.h"
#include "analyzer/odf_stats.h"
#include "analyzer_test_files.h"
#include "desktop/qt_shell.h"
#include "flow/preflight.h"
#include "launch/launch_texts.h"
#include "platform/file_ops.h"
#include "platform/volume.h"
#include "platform/writer_lock.h"
#include "support/child_process.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#ifndef _WIN32
#include "support/stand_in_game.h"
#endif
#include "support/temp_tree.h"
#include "ui/secondary_window.h"

using namespace drydock;
using namespace drydock::test;
namespace fs = std::filesystem;

namespace {

// True when the window's thread runs a timer within a second: it still answers.
bool Answers() {
  bool fired = false;
  QTimer::singleShot(0, [&] { fired = true; });
  return QTest::qWaitFor([&] { return fired; }, 1000);
}

// Ends the test program when the window's thread stops for good, which no check on that thread could report.
struct Watchdog {
  std::promise<void> done;
  std::thread thread{[ended = done.get_future()] {
    if (ended.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return;
    std::fputs("The window stopped answering: playing a sound holds it up.\n", stderr);
    std::_Exit(1);
  }};
  ~Watchdog() {
    done.set_value();
    thread.join();
  }
};

// Records the calls and plays the waves for real, so a wave that stops Qt's player stops this test too.
struct PlayingShell final : platform::Shell {
  platform::OpenResult ShellOpen(const std::string& target) override { return recorded.ShellOpen(target); }
  void PlayWave(const fs::path& file) override { recorded.PlayWave(file), real.PlayWave(file); }
  void Beep() override {}
  std::unique_ptr<platform::WatchedProgram> StartProgram(const fs::path&, const std::vector<std::string>&,
                                                         const fs::path&,
                                                         const platform::EnvironmentVariables&) override {
    return nullptr;
  }
  RecordingShell recorded;
  desktop::QtShell real;
};

}  // namespace

struct AnalyzerWindow : ::testing::Test {
  analyzer::frmAnalyzer* Open() {
    const auto make = [this] {
      return new analyzer::frmAnalyzer({t / "prog", [this] { return library::FillModList(t / "prog/mods"); },
                                        *shellUsed, dialogs, [this] { return gameDir; }},
                                       &main);
    };
    ui::OpenSecondaryWindow(window, &main, nullptr, make)->SetUpFolders();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    return window;
  }
  QTreeWidget* Tree() { return Child<QTreeWidget>(window, "TreeViewer"); }
  QListWidget* Files() { return Child<QListWidget>(window, "lstFiles"); }
  QLabel* Label(const char* name) { return Child<QLabel>(window, name); }
  // The tree's texts, one a line, depth shown by indentation.
  std::string TreeText(const QTreeWidgetItem* node = nullptr, const std::string& indent = "") {
    if (!node) node = Tree()->invisibleRootItem();
    std::string out;
    for (int i = 0; i < node->childCount(); ++i)
      out += indent + Str(node->child(i)->text(0)) + "\n" + TreeText(node->child(i), indent + " ");
    return out;
  }
  // The node at `path` ("mods/Beta/odf/ships"), expanded.
  QTreeWidgetItem* Node(const std::string& path) {
    QTreeWidgetItem* node = Tree()->invisibleRootItem();
    for (const QString& part : QString::fromStdString(path).split(u'/')) {
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == part) next = node->child(i);
      EXPECT_NE(next, nullptr) << path;
      if (!next) return nullptr;
      Tree()->expandItem(node = next);
    }
    return node;
  }
  void ClickNode(const std::string& path, int clicks = 1) {
    QTreeWidgetItem* node = Node(path);
    ASSERT_NE(node, nullptr);
    Tree()->scrollToItem(node);
    const QPoint at = Tree()->visualItemRect(node).center();
    if (clicks == 2) return DoubleClick(Tree()->viewport(), at);
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  // The entries the file list shows after a click on the folder's node.
  QStringList Listed(const std::string& folder) {
    ClickNode(folder);
    return Items(Files());
  }
  // A click on the folder's node, then on its entry that reads `entry`.
  void ClickFile(const std::string& folder, const char* entry) {
    ClickNode(folder);
    ClickText(Files(), entry);
  }
  // The ten statistics captions joined by "|".
  std::string Stats() {
    std::string out;
    for (const analyzer::OdfStat& stat : analyzer::kOdfStats) out += Str(Label(stat.label.data())->text()) + "|";
    return out;
  }
  bool ListTall() { return Files()->height() == window->PxOf(5130); }
  // A right click on the entry that reads `text`, or (nullptr) below the last entry.
  void RightClick(const char* text) {
    const auto items = Files()->findItems(QString::fromUtf8(text ? text : ""), Qt::MatchExactly);
    ASSERT_TRUE(!text || !items.isEmpty()) << text;
    const QPoint at =
        text ? Files()->visualItemRect(items.first()).center() : QPoint(5, Files()->viewport()->height() - 5);
    QTest::mouseClick(Files()->viewport(), Qt::RightButton, Qt::NoModifier, at);
  }
  // A double click as the desktop gives it: a click, then the double click.
  static void DoubleClick(QWidget* widget, QPoint at = QPoint(5, 5)) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
  }
  QMenu* FilesMenu() { return Child<QMenu>(window, "menuLstFilesRight"); }
  std::optional<fs::path> gameDir;  // the game folder as the main window knows it
  // The offscreen screen leaves a closed pop-up the active window; a desktop gives the window the keyboard back.
  void GiveBack() {
    test::HandlePendingEvents();  // the pop-up's closing
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  // Clicks `entry` in the pop-up that is open; the test fails when it is not.
  void Choose(QMenu* menu, const char* entry) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 1000));
    QAction* action = Child<QAction>(menu, entry);
    ASSERT_TRUE(action->isEnabled() && action->isVisible()) << entry;
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, 1000));
    GiveBack();
  }
  // A right click on `entry` (nullptr: below the last one), then `action` in the file list's pop-up.
  void PopUp(const char* entry, const char* action) {
    RightClick(entry);
    Choose(FilesMenu(), action);
  }
  // The visible entries of the menu that pops up, "-" before a disabled one, "*" before the default.
  std::string MenuShown(QMenu* menu) {
    if (!QTest::qWaitFor([&] { return menu->isVisible(); }, 1000)) return "(no menu)";
    std::string out;
    for (QAction* action : menu->actions()) {
      if (!action->isVisible()) continue;
      out += std::string(action->isEnabled() ? "" : "-") + (menu->defaultAction() == action ? "*" : "") +
             Str(action->text()) + " ";
    }
    menu->hide();
    GiveBack();
    return out;
  }

  QApplication& app = GuiApp();
  TempTree t;
  RecordingShell shell;
  platform::Shell* shellUsed = &shell;
  ScriptedDialogs dialogs;
  QWidget main;
  QPointer<analyzer::frmAnalyzer> window;
};

TEST_F(AnalyzerWindow, TheTreeShowsEachModWithTheTableFoldersItHoldsAndANodeClickListsTheFolder) {
  Open();
  EXPECT_EQ(TreeText(), "mods\n") << "no mods: the root alone";
  EXPECT_EQ(Listed("mods"), L({"(No files found.)"}));

  for (const std::string file :
       {"Alpha/Addon/Extra/odf/ships/e.odf", "Beta/ODF/Ships/a.odf", "Beta/ODF/Ships/.hidden.odf", "Beta/Logs/l.txt",
        "Beta/ModInfo.txt", "Beta/ModPic.bmp"})
    t.Write("prog/mods/" + file);
  t.MakeDir("prog/mods/Beta/bitmaps/AdmiralsLog/Buttons");
  t.MakeDir("prog/mods/odf0/odf/stations/sub");
  window->SetUpFolders();
  EXPECT_EQ(TreeText(),
            "mods\n Alpha\n Beta\n  bitmaps\n   AdmiralsLog\n    buttons\n  logs\n  odf\n   ships\n"
            " odf0\n  odf\n   stations\n");
  EXPECT_EQ(Listed("mods/Beta/odf/ships"), L({"a.odf"}));
  EXPECT_EQ(Listed("mods/Beta"), L({"ModInfo.txt", "ModPic.bmp"}));
  EXPECT_EQ(Listed("mods/odf0/odf/stations"), L({"(No files found.)"})) << "a subfolder is no file";
  ClickItem(Files(), Files()->item(0), 2);
  PressKey(Qt::Key_Return);
  ClickNode("mods/Beta/logs", 2);
  EXPECT_EQ(shell.calls, std::vector<std::string>{"open " + (t / "prog/mods/Beta/Logs").string()})
      << "the placeholder opens nothing; a double click opens the folder";

  // No node can be renamed.
  Tree()->setFocus();
  Tree()->setCurrentItem(Node("mods/Beta"));
  PressKey(Qt::Key_F2);
  ClickNode("mods/Beta", 2);
  EXPECT_EQ(Tree()->findChild<QLineEdit*>(), nullptr);
  EXPECT_EQ(Str(Node("mods/Beta")->text(0)), "Beta");
}

TEST_F(AnalyzerWindow, AClickOnAUnitFileShowsItsTenValuesAndOtherFilesLeaveTheLabelsEmpty) {
  const fs::path unit = t.Write("prog/mods/Fleet/odf/ships/fdefiant.odf", "unitName = \"Defiant\"\r\nrace =5\r\n");
  t.Write("prog/mods/Fleet/odf/ships/X.ODF", "unitName = \"upper\"\r\n");
  t.Write("prog/mods/Fleet/odf/weapons/phaser.odf", "unitName = \"weapon\"\r\n");
  Open();
  ClickFile("mods/Fleet/odf/ships", "fdefiant.odf");
  std::string defiant;  // what the reader, tested on its own, takes from the file
  for (const std::string& caption : analyzer::ReadOdfStats(unit)) defiant += caption + "|";
  EXPECT_EQ(Stats(), defiant);
  EXPECT_NE(defiant.find("unitName = \"Defiant\"|race = |"), std::string::npos);
  EXPECT_FALSE(ListTall());
  for (const analyzer::OdfStat& stat : analyzer::kOdfStats) {  // every label shows its whole caption
    QLabel* label = Label(stat.label.data());
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << stat.label;
    EXPECT_LE(label->fontMetrics().height(), label->height()) << stat.label;
  }
  ClickText(Files(), "X.ODF");
  EXPECT_EQ(Stats(), "||||||||||") << "the extension keeps its letter case";
  EXPECT_FALSE(ListTall()) << "in ships the list keeps its height";
  ClickFile("mods/Fleet/odf/weapons", "phaser.odf");
  EXPECT_EQ(Stats() + (ListTall() ? "tall" : ""), "||||||||||tall");

  EXPECT_EQ(RunChild({DRYDOCK_EXE, "odf", unit.string()}).output,
            QString::fromStdString(defiant).replace(u'|', u'\n').toStdString())
      << "the command prints the labels";
  EXPECT_EQ(RunChild({DRYDOCK_EXE, "odf", (t / "gone.odf").string()}).code, 1);
  EXPECT_EQ(RunChild({DRYDOCK_EXE, "odf"}).code, 2);
}

// Art's bitmaps listed: a picture of 100 x 50 pixels, a text named as a bitmap, a whole GIF and one cut short.
struct AnalyzerPicture : AnalyzerWindow {
  void SetUp() override {
    WriteBmp(t / "prog/mods/Art/bitmaps/Pic.BMP", 100, 50);
    t.Write("prog/mods/Art/bitmaps/x.bmp", "text, not a picture");
    t.Write("prog/mods/Art/bitmaps/dot.gif", GifBytes());
    t.Write("prog/mods/Art/bitmaps/cut.gif", GifBytes().substr(0, 30));
    Open();
    picture = Label("picImages");
    ClickNode("mods/Art/bitmaps");
  }
  QLabel* picture = nullptr;
};

TEST_F(AnalyzerPicture, APictureShowsBelowTheListAndItsFullWindowModeCentresDragsAndComesBack) {
  QLabel* invalid = Label("lblInvalidPic");
  auto* menu = Child<QMenu>(window, "menuPicRight");
  ClickText(Files(), "Pic.BMP");
  EXPECT_TRUE(picture->isVisible() && !invalid->isVisible());
  EXPECT_EQ(picture->pixmap().size(), QSize(100, 50));
  EXPECT_FALSE(ListTall());
  ClickText(Files(), "x.bmp");
  EXPECT_TRUE(!picture->isVisible() && invalid->isVisible()) << "no earlier picture stays";
  const QRect needed =
      invalid->fontMetrics().boundingRect(invalid->rect(), Qt::TextWordWrap | Qt::AlignHCenter, invalid->text());
  EXPECT_TRUE(invalid->rect().contains(needed)) << "the message fits its label";
  ClickText(Files(), "Pic.BMP");

  // Normal mode: a drag moves nothing; the right button offers the menu with Center disabled.
  const QPoint normalAt = picture->pos();
  const auto pictureMenu = [&] {
    QTest::mousePress(picture, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    const std::string shown = MenuShown(menu);
    QTest::mouseRelease(picture, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    return shown;
  };
  EXPECT_EQ(pictureMenu(), "&Copy to clipboard Full &window -C&enter ");
  QTest::mousePress(picture, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseMove(picture, QPoint(40, 30));
  EXPECT_EQ(picture->pos(), normalAt);

  // Full window: its release (a click) switches; the tree and the list go, tooltips too.
  QTest::mouseRelease(picture, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_FALSE(Tree()->isVisible() || Files()->isVisible() || Label("lblSelectFolder")->isVisible());
  EXPECT_EQ(picture->geometry(), QRect(window->width() / 2 - 50, window->height() / 2 - 25, 100, 50));
  EXPECT_EQ(Str(Label("lblOdfUnitName")->toolTip()), "");
  EXPECT_EQ(pictureMenu(), "&Copy to clipboard Normal &window C&enter ");

  // A drag far to the left stops before the right edge comes within the margin of the window's left edge.
  const auto drag = [&](QPoint by) {
    QTest::mousePress(picture, Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    QTest::mouseMove(picture, QPoint(50, 25) + by);
    QTest::mouseRelease(picture, Qt::LeftButton, Qt::NoModifier, QPoint(50, 25) + by);
  };
  const QPoint centred = picture->pos();
  drag(QPoint(-(centred.x() + 100 - 3), 0));
  EXPECT_EQ(picture->pos(), QPoint(-97, centred.y())) << "the right edge stays 3 pixels inside";
  drag(QPoint(-10, 7));
  EXPECT_EQ(picture->pos(), QPoint(-97, centred.y() + 7)) << "one axis blocked, the other moves";
  EXPECT_TRUE(Label("lblSelectFolder")->isHidden()) << "the release after a drag does not switch back";
  drag(QPoint(5000, 5000));
  EXPECT_EQ(picture->pos(), QPoint(window->PxOf(8512), window->PxOf(5482))) << "the release pulls it back";
  Child<QAction>(menu, "menuPicRightCenter")->trigger();
  EXPECT_EQ(picture->pos(), centred);
  Child<QAction>(menu, "menuPicRightCopy")->trigger();
  EXPECT_EQ(QApplication::clipboard()->pixmap().size(), QSize(100, 50));

  QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_TRUE(Tree()->isVisible() && Files()->isVisible() && Files()->hasFocus());
  EXPECT_EQ(picture->geometry(), QRect(normalAt, QSize(window->PxOf(4155), window->PxOf(2415))));
  EXPECT_EQ(Str(Label("lblOdfUnitName")->toolTip()), "Name of unit");
  EXPECT_EQ(Str(Child<QAction>(menu, "menuPicRightFullWindow")->text()), "Full &window");

  // Closing in full-window mode reopens in the normal layout.
  QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  window->close();
  Open();
  EXPECT_TRUE(Tree()->isVisible() && picture->isHidden() && ListTall());
  EXPECT_EQ(Str(Label("lblOdfUnitName")->toolTip()), "Name of unit");
}

// The file list's pop-up and keys on two mods: Alpha's ships a.odf and b.odf, Beta's ships A.ODF and c.odf, Beta's
// stations empty, Beta's sounds a wave and a readme. The trash is the test's own.
struct AnalyzerFileCommands : AnalyzerWindow {
  void SetUp() override {
    t.Write("prog/mods/Alpha/odf/ships/a.odf", "alpha");
    t.Write("prog/mods/Alpha/odf/ships/b.odf", "b");
    t.Write("prog/mods/Beta/odf/ships/A.ODF", "beta's own");
    t.Write("prog/mods/Beta/odf/ships/c.odf", "c");
    t.Write("prog/mods/Beta/sounds/Boom.WAV", WaveBytes());
    t.Write("prog/mods/Beta/sounds/readme.txt");
    t.MakeDir("prog/mods/Beta/odf/stations");
    Open();
  }
  // Alpha's a.odf copied through the pop-up.
  void CopyAlphasA() {
    ClickNode("mods/Alpha/odf/ships");
    PopUp("a.odf", "menuLstFilesRightCopy");
  }
  const ScopedEnv data{"XDG_DATA_HOME", (t / "data").string()};
};

TEST_F(AnalyzerFileCommands, ThePopUpSelectsTheEntryUnderThePointerAndBelowTheLastOffersPasteOnlyOnceAFileIsCopied) {
  // Below the last entry with nothing copied: no menu.
  ClickNode("mods/Alpha/odf/ships");
  RightClick(nullptr);
  test::HandlePendingEvents();
  EXPECT_FALSE(FilesMenu()->isVisible());
  RightClick("b.odf");
  EXPECT_EQ(MenuShown(FilesMenu()), "*&Open &Remove &Copy -&Paste ");
  EXPECT_EQ(Str(Files()->currentItem()->text()), "b.odf") << "the entry under the pointer is selected first";
  PopUp("a.odf", "menuLstFilesRightCopy");

  // Into Beta's stations (no such file): pasted, and below the last entry the menu offers Paste only.
  ClickNode("mods/Beta/odf/stations");
  RightClick(nullptr);
  EXPECT_EQ(Files()->currentItem(), nullptr);
  Choose(FilesMenu(), "menuLstFilesRightPaste");
  EXPECT_EQ(Items(Files()), L({"a.odf"}));
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Beta/odf/stations/a.odf"), "alpha");
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Alpha/odf/ships/a.odf"), "alpha") << "the source stays";
}

TEST_F(AnalyzerFileCommands, APasteOntoANameOfAnyCaseIntoAGoneFolderOrUnderAnotherRunsLockIsRefusedAndTold) {
  CopyAlphasA();
  // Into another mod's folder that holds A.ODF: refused whatever the letter case.
  ClickFile("mods/Beta/odf/ships", "c.odf");
  dialogs.Expect({"File already exists.", "File exists", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Beta/odf/ships/A.ODF"), "beta's own");
  EXPECT_EQ(Str(Files()->currentItem()->text()), "c.odf");

  // Into a folder gone meanwhile: the reason is shown; while another run holds the lock nothing is pasted.
  t.Write("prog/mods/Beta/odf/stations/d.odf");
  ClickFile("mods/Beta/odf/stations", "d.odf");
  fs::remove_all(t / "prog/mods/Beta/odf/stations");
  dialogs.Expect({"", "Paste failed", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_NE(dialogs.shown.back().text.find("a.odf could not be pasted:\n"), std::string::npos);
  t.MakeDir("prog/mods/Beta/odf/stations");
  const auto other = platform::WriterLock::Acquire({t / "prog/mods"});
  ASSERT_TRUE(other);
  dialogs.Expect(
      {"Another Drydock is changing the files in " + (t / "prog/mods").string() + ". Try again when it has finished.",
       "Paste failed", flow::Buttons::Ok, flow::Icon::Exclamation});
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_FALSE(fs::exists(t / "prog/mods/Beta/odf/stations/a.odf"));
  EXPECT_TRUE(dialogs.Done());
}

#ifndef _WIN32
// Before the copy: a running game and then a disk too full for the file (the seam) are told, and nothing is pasted.
TEST_F(AnalyzerFileCommands, APasteWaitsForTheGameToCloseAndForRoomOnTheDisk) {
  fs::copy_file("/bin/sleep", t.MakeDir("game") / "Armada2.exe");
  gameDir = t / "game";
  CopyAlphasA();
  ClickNode("mods/Beta/odf/stations");
  const auto paste = [this] { PopUp(nullptr, "menuLstFilesRightPaste"); };  // below the last entry
  {
    StandInGame game(t / "game/Armada2.exe", "Armada2.exe", t / "game");
    ASSERT_TRUE(game.Started());
    dialogs.Expect({flow::kGameRunningText, "Paste failed", flow::Buttons::Ok, flow::Icon::Exclamation});
    paste();
    ASSERT_TRUE(dialogs.Done());
    EXPECT_NE(dialogs.shown.back().details.value_or("").find("(process " + std::to_string(game.Pid())),
              std::string::npos);
  }
  platform::fault::ConfigureFreeBytes(1000);
  dialogs.Expect({"Nothing was changed.\n\nThere is not enough free space on the disk of " +
                      (t / "prog/mods/Beta/odf/stations").string() + " (" + platform::VolumeRoot(t.root()).string() +
                      "): 16,777,221 bytes (16.0 MiB) are needed, with a margin, and 1000 bytes are free. Free some "
                      "space there, then try again.",
                  "Paste failed", flow::Buttons::Ok, flow::Icon::Exclamation});
  paste();
  platform::fault::ConfigureFreeBytes(std::nullopt);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(Items(Files()), L({"(No files found.)"}));
  EXPECT_TRUE(fs::is_empty(t / "prog/mods/Beta/odf/stations"));
  paste();  // the game closed and room made: pasted
  EXPECT_EQ(Items(Files()), L({"a.odf"}));
}
#endif

TEST_F(AnalyzerFileCommands, RemoveByKeyGoesToTheTrashAndWithoutATrashAsksWhereNoKeepsTheFile) {
  // The copied file gone, Paste is disabled.
  CopyAlphasA();
  ClickText(Files(), "a.odf");
  PressKey(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(Items(Files()), L({"b.odf"}));
  EXPECT_EQ(Files()->currentItem() ? Files()->currentItem()->isSelected() : false, false);
  EXPECT_EQ(TempTree::Read(t / "data/Trash/files/a.odf"), "alpha");
  RightClick("b.odf");
  EXPECT_EQ(MenuShown(FilesMenu()), "*&Open &Remove &Copy -&Paste ");
  PressKey(Qt::Key_V, Qt::ControlModifier);  // nothing to paste: no box
  EXPECT_EQ(Items(Files()), L({"b.odf"}));

  t.Write("plain");
  const ScopedEnv noTrash("XDG_DATA_HOME", (t / "plain/data").string());
  ClickText(Files(), "b.odf");
  dialogs.Expect(
      {"", "Remove file", flow::Buttons::YesNo, flow::Icon::Exclamation, flow::Answer::No, flow::Default::No});
  PressKey(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(Items(Files()), L({"b.odf"}));
  EXPECT_NE(dialogs.shown.back().text.find("b.odf cannot be moved to the trash"), std::string::npos);
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(AnalyzerFileCommands, OpenPlaysAWaveOfAnyLetterCaseInsideAndHandsTheRestToTheShellTellingWhatItCannotOpen) {
  ClickFile("mods/Beta/sounds", "Boom.WAV");
  PressKey(Qt::Key_Return);
  ClickItem(Files(), Files()->item(1), 2);
  PopUp("readme.txt", "menuLstFilesRightOpen");
  const std::string sounds = (t / "prog/mods/Beta/sounds").string();
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"wave " + sounds + "/Boom.WAV", "open " + sounds + "/readme.txt",
                                                   "open " + sounds + "/readme.txt"}));
  EXPECT_TRUE(dialogs.Done());
  // What the shell cannot open is told with its path; so is a folder's double click.
  shell.openFailure = "xdg-open was not found";
  for (const std::string& target : {sounds + "/readme.txt", sounds}) {
    dialogs.Expect({launch::texts::NotOpened(target, "xdg-open was not found"), "Could not open", flow::Buttons::Ok,
                    flow::Icon::Exclamation});
  }
  PopUp("readme.txt", "menuLstFilesRightOpen");
  ClickNode("mods/Beta/sounds", 2);
  EXPECT_TRUE(dialogs.Done());
}

// Waves of silence play through Qt's player itself: without the check, the
// cut wave would hold up the good one after it, and the whole window with it.
TEST_F(AnalyzerWindow, ADamagedWaveIsNotPlayedTheStatusLineSaysWhyAndTheWindowKeepsAnswering) {
  const Watchdog watchdog;
  PlayingShell playing;
  shellUsed = &playing;
  const std::string good = WaveBytes();
  t.Write("prog/mods/Snd/sounds/cut.wav", good.substr(0, 30));
  t.Write("prog/mods/Snd/sounds/half.wav", good.substr(0, good.size() / 2));
  t.Write("prog/mods/Snd/sounds/ok.wav", good);
  t.Write("prog/mods/Snd/sounds/text.wav", "not a wave at all");
  Open();
  ClickNode("mods/Snd/sounds");
  const char* const steps[][2] = {{"cut.wav", "Could not play cut.wav: the file is cut short"},
                                  {"ok.wav", ""},
                                  {"text.wav", "Could not play text.wav: it is not a wave file"},
                                  {"half.wav", "Could not play half.wav: the file is cut short"},
                                  {"cut.wav", "Could not play cut.wav: the file is cut short"},
                                  {"ok.wav", ""}};
  for (const auto& [entry, shown] : steps) {
    ClickItem(Files(), Files()->findItems(QString::fromUtf8(entry), Qt::MatchExactly).value(0), 2);
    EXPECT_TRUE(Answers()) << entry;
    EXPECT_EQ(Str(Label("lblStatus")->text()), shown) << entry;
  }
  const std::string ok = "wave " + (t / "prog/mods/Snd/sounds/ok.wav").string();
  EXPECT_EQ(playing.recorded.calls, (std::vector<std::string>{ok, ok}));
}

TEST_F(AnalyzerFileCommands, TheArrowKeysChooseAFolderAndAFileAsAClickDoesAndTheFileCommandsActOnThatOne) {
  t.Write("prog/mods/Alpha/odf/weapons/w1.odf", "w1");
  t.Write("prog/mods/Alpha/odf/weapons/w2.odf", "w2");
  window->SetUpFolders();
  ClickFile("mods/Alpha/odf/ships", "a.odf");
  PressKey(Qt::Key_C, Qt::ControlModifier);
  ClickNode("mods/Alpha/odf/ships");
  PressKey(Qt::Key_Down);
  EXPECT_EQ(Items(Files()), L({"w1.odf", "w2.odf"})) << "the next folder, weapons";
  PopUp(nullptr, "menuLstFilesRightPaste");
  EXPECT_EQ(TempTree::Read(t / "prog/mods/Alpha/odf/weapons/a.odf"), "alpha") << "pasted where the key went";

  ClickText(Files(), "a.odf");
  PressKey(Qt::Key_Down);
  PressKey(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(Items(Files()), L({"a.odf", "w2.odf"}));
  EXPECT_EQ(TempTree::Read(t / "data/Trash/files/w1.odf"), "w1") << "removed the file the key chose";
}

// A double click switches once; Escape and the button leave the full window
// too, and Escape goes no further (here a shortcut of the window counts it).
TEST_F(AnalyzerPicture, APictureLeavesItsFullWindowByDoubleClickEscapeOrItsButtonAndAGifCutShortIsRefused) {
  int closes = 0;
  QShortcut closer(QKeySequence(Qt::Key_Escape), window);
  QObject::connect(&closer, &QShortcut::activated, [&] { ++closes; });
  auto* back = Child<QPushButton>(window, "cmdNormalWindow");
  ClickText(Files(), "dot.gif");
  EXPECT_EQ(picture->isVisible() ? picture->pixmap().size() : QSize(), QSize(1, 1));
  ClickText(Files(), "cut.gif");
  EXPECT_TRUE(picture->isHidden() && Label("lblInvalidPic")->isVisible());

  ClickText(Files(), "Pic.BMP");
  const std::function<void()> ways[] = {[&] { DoubleClick(picture); }, [&] { PressKey(Qt::Key_Escape); },
                                        [&] { QTest::mouseClick(back, Qt::LeftButton); }};
  for (int way = 0; way < 3; ++way) {
    DoubleClick(picture);
    EXPECT_TRUE(Tree()->isHidden() && back->isVisible()) << way;
    EXPECT_LE(back->fontMetrics().horizontalAdvance(back->text()), back->width());
    ways[way]();
    EXPECT_TRUE(Tree()->isVisible() && back->isHidden() && Files()->hasFocus()) << way;
  }
  EXPECT_EQ(closes, 0) << "Escape in the full window stays with the picture";
  PressKey(Qt::Key_Escape);
  EXPECT_EQ(closes, 1) << "elsewhere it reaches the window";
}

// The picture stays drawn below the list, as a grab of the window shows it.
TEST_F(AnalyzerPicture, TheWindowGrowsAndShrinksBackWithTheTreeAndTheListTakingTheRoom) {
  ClickText(Files(), "Pic.BMP");
  const QSize design = window->size();
  const QRect tree = Tree()->geometry(), list = Files()->geometry(), box = picture->geometry();
  EXPECT_EQ(design, QSize(window->PxOf(8535), window->PxOf(5805))) << "the design and a status line";
  const auto drawn = [&] {
    const QImage shot = window->grab().toImage();
    return shot.pixelColor(picture->geometry().topLeft() + QPoint(20, 20)) == QColor(Qt::darkBlue) &&
           !picture->geometry().intersects(Files()->geometry());
  };
  const auto sized = [&](QSize size) { return QTest::qWaitFor([&] { return window->size() == size; }, 2000); };
  EXPECT_TRUE(drawn());

  window->resize(design + QSize(200, 100));
  ASSERT_TRUE(sized(design + QSize(200, 100)));
  EXPECT_EQ(Tree()->geometry(), tree.adjusted(0, 0, 100, 100));
  EXPECT_EQ(Files()->geometry(), list.adjusted(100, 0, 200, 100));
  EXPECT_EQ(picture->geometry(), box.adjusted(100, 100, 200, 100));
  EXPECT_TRUE(drawn());

  window->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->width() > design.width() + 200; }, 2000));
  EXPECT_TRUE(drawn());
  DoubleClick(picture);
  EXPECT_EQ(picture->geometry().center(), window->rect().center()) << "centred in the whole window";
  DoubleClick(picture);
  window->showNormal();
  window->resize(QSize(100, 100));  // no smaller than designed
  ASSERT_TRUE(sized(design));
  EXPECT_EQ(std::vector({Tree()->geometry(), Files()->geometry(), picture->geometry()}),
            std::vector({tree, list, box}));
  EXPECT_TRUE(drawn());
}

#ifndef _WIN32
// A name that is not UTF-8 goes to the desktop's opener as its own bytes.
TEST_F(AnalyzerWindow, AFileWhoseNameIsNotUtf8OpensByItsOwnBytes) {
  const fs::path odd = t.Write("prog/mods/Odd/sounds/caf\xE9.txt");
  t.Write("prog/mods/Odd/sounds/caf\xE9.wav", "not a wave");
  Open();
  ClickNode("mods/Odd/sounds");
  const auto open = [&](const char* entry) {
    ClickText(Files(), entry);
    PressKey(Qt::Key_Return);
    return Str(Label("lblStatus")->text());
  };
  EXPECT_EQ(open("caf\\xE9.txt"), "");
  EXPECT_EQ(shell.calls, std::vector<std::string>{"open " + odd.string()}) << "the name's own bytes";
  EXPECT_EQ(open("caf\\xE9.wav"), "Could not play caf\\xE9.wav: it is not a wave file");
  EXPECT_EQ(shell.calls.size(), 1U);
}
#endif
