// The main window, headless, driven as a user drives it: clicks on the list,
// keys to the focused widget, the menu's shortcuts, scripted message boxes.
#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "app/startup.h"
#include "install/backup_folder.h"
#include "platform/instance_lock.h"
#include "platform/names.h"
#include "platform/writer_lock.h"
#include "selector/frm_selector.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "ui/elided_label.h"
#include "ui/frm_change_a2_dir.h"
#include "ui/secondary_window.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::test;

namespace {

// The list's top edge without a picture: below the filter box (435 twips).
constexpr int kListTopPx = 29;

// The question before an install (or uninstall) of Fleet, answered `answer`.
ScriptedDialogs::Box Question(bool install, flow::Answer answer) {
  return {install ? "You have selected the Fleet mod. Do you want to install it?"
                  : "Are you sure you want to uninstall the Fleet mod?",
          install ? "Install Fleet mod?" : "Uninstall Fleet mod?", flow::Buttons::YesNo, flow::Icon::Question, answer};
}

class Selector : public ::testing::Test {
 protected:
  void SetUp() override {
    GuiApp();
    t.MakeDir("prog/mods");
    t.Write("game/Armada2.exe", "");
  }

  // Starts the window on the temporary folders; without `gameDir` none is known.
  void Start(std::optional<fs::path> gameDir) {
    window = std::make_unique<selector::frmSelector>(test::TestServices(shell, dialogs));
    QObject::connect(window.get(), &selector::frmSelector::a2FileCountShown,
                     [this](const QString& n) { countSteps << n; });
    window->Startup(t / "prog", gameDir);
    QApplication::processEvents();  // the window system activates the new window
  }
  fs::path GameDir() const { return t / "game"; }

  template <typename T>
  T* Find(const char* name) const {
    return Child<T>(window.get(), name);
  }
  QListWidget* Mods() const { return Find<QListWidget>("lstMods"); }
  std::string Label(const char* name) const { return Str(Find<QLabel>(name)->text()); }
  // The details panel's texts, one a line: author, description, version, other heading and text, files, size.
  std::string Details() const {
    std::string out;
    for (const char* name : {"lblModsMaker", "lblModsDescription", "lblModsVersion", "lblModsOtherHeading",
                             "lblModsOther", "lblModNumOfFiles", "lblModSize"})
      out += Label(name) + "\n";
    return out;
  }
  void ExpectEnabled(bool enabled) const {
    for (const char* name : {"lstMods", "cmdRefresh", "cmdInstallMod", "cmdUninstallMod"})
      EXPECT_EQ(Find<QWidget>(name)->isEnabled(), enabled) << name;
  }
  std::string Current() const { return Mods()->currentItem() ? Str(Mods()->currentItem()->text()) : ""; }
  void Click(const char* text) { ClickText(Mods(), text); }
  // A secondary window lies beside the main window, inside the screen.
  bool Beside(const QWidget* other) const {
    const QRect at = other->frameGeometry();
    return !at.intersects(window->frameGeometry()) && window->screen()->availableGeometry().contains(at);
  }

  TempTree t;
  RecordingShell shell;
  ScriptedDialogs dialogs;
  std::unique_ptr<selector::frmSelector> window;
  QStringList countSteps;
};

TEST_F(Selector, StartupListsAndCountsInStepsOf22AFullRefreshKeepsTheSelectedAddonAndSecondaryWindowsOpenBeside) {
  for (int i = 0; i < 44; ++i) t.Write("game/file" + std::to_string(i) + ".txt");  // 45 with Armada2.exe
  t.Write("prog/mods/Alpha/ModInfo.txt", "Author: Someone\r\n");
  t.Write("prog/mods/Alpha/Addon/Same/ModInfo.txt", "Author: Alpha's\r\n");
  t.Write("prog/mods/beta/Addon/Same/ModInfo.txt", "Author: beta's\r\n");
  Start(GameDir());
  EXPECT_EQ(Items(Mods()), (L({"Alpha", "    Same", "beta", "    Same"})));
  EXPECT_EQ(Current(), "Alpha");
  EXPECT_EQ(countSteps, (L({"22", "44"})));
  EXPECT_EQ(Label("lblA2NumOfFiles"), "45");
  EXPECT_EQ(Label("lblModsMaker"), "Someone");
  ExpectEnabled(true);
  EXPECT_TRUE(Find<QTimer>("timRefreshModList")->isActive());
  // The one-shot timer shows the selected mod once more; it is not waited for.
  QTimer* click = Find<QTimer>("timClickMod");
  Find<QLabel>("lblModsMaker")->clear();
  click->setInterval(0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Label("lblModsMaker") == "Someone"; }, 1000));
  EXPECT_FALSE(click->isActive()) << "it fires once";

  ClickItem(Mods(), Mods()->item(3));
  ASSERT_EQ(Label("lblModsMaker"), "beta's");
  t.MakeDir("prog/mods/B");
  t.Write("game/odf/x.odf");
  PressKey(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(Items(Mods()), (L({"Alpha", "    Same", "B", "beta", "    Same"})));
  EXPECT_EQ(Mods()->currentRow(), 4);
  EXPECT_EQ(Label("lblModsMaker"), "beta's");
  EXPECT_EQ(Label("lblA2NumOfFiles"), "46");
  EXPECT_TRUE(Str(Find<QPushButton>("cmdRefresh")->text()) == "&Refresh Mod List" &&
              Find<QPushButton>("cmdRefresh")->isEnabled() && !Find<QProgressBar>("pgbPercent")->isVisible());
  ASSERT_EQ(QApplication::focusWidget(), Mods());
  PressKey(Qt::Key_Up);
  EXPECT_EQ(Current(), "beta");
  // Secondary windows open beside the main window, in its font, and close with it.
  const QRect screen = window->screen()->availableGeometry();
  window->move(screen.right() + 1 - window->frameGeometry().width(), screen.top());  // room on the left only
  PressKey(Qt::Key_D, Qt::ControlModifier);
  auto* installed = window->findChild<QListWidget*>(QStringLiteral("lstCurrentMods"));
  ASSERT_TRUE(installed && installed->isVisible());
  EXPECT_TRUE(Find<QAction>("menuManagerCheckInstalledMods")->isChecked());
  EXPECT_EQ(Str(installed->font().toString()), Str(Mods()->font().toString()));
  EXPECT_TRUE(Beside(installed->window()));
  installed->window()->close();
  EXPECT_FALSE(Find<QAction>("menuManagerCheckInstalledMods")->isChecked());
  window->move(screen.topLeft());  // room on the right
  Activate(window.get());
  PressKey(Qt::Key_H, Qt::ControlModifier);
  auto* directory = window->findChild<ui::frmChangeA2Dir*>();
  ASSERT_TRUE(directory && directory->isVisible());
  EXPECT_TRUE(Beside(directory));
  QWidget another(window.get(), Qt::Window);  // a second window opened at the same time steps down
  ui::ShowSecondaryWindow(&another, window.get());
  EXPECT_EQ(another.frameGeometry().topLeft() - directory->frameGeometry().topLeft(), QPoint(40, 40));
  Find<QAction>("menuManagerCheckInstalledMods")->trigger();
  Find<QAction>("menuQuit")->trigger();
  EXPECT_FALSE(window->isVisible() || installed->isVisible() || directory->isVisible());
}

TEST_F(Selector, StartupWithoutAUsableGameFolderAsksForOneAndCountsItAtOnceOrEndsSayingWhy) {
  t.MakeDir("prog/mods/Only");
  using Case = std::pair<std::optional<fs::path>, std::string>;  // the folder known, the button (or key) pressed
  for (const auto& [gameDir, button] :
       {Case{std::nullopt, "cmdOK"}, Case{t / "gone", "cmdOK"}, Case{{}, "cmdCancel"}, Case{{}, "Escape"}}) {
    SCOPED_TRACE(button + (gameDir ? " after a vanished folder" : ""));
    const bool ok = button == "cmdOK";
    if (!ok) {
      dialogs.Expect(
          {"Drydock cannot install mods without the Armada II game folder, and none was chosen, so it "
           "closes now.\n\nNext time, choose the folder that holds Armada2.exe in the \"Change A2 "
           "Directory\" window, or start Drydock with --game-dir FOLDER. By itself, Drydock reads where the "
           "game's installer registered it in the Wine prefixes ($WINEPREFIX, ~/.wine, and those of Steam, "
           "Lutris, Heroic and Bottles), and else searches those prefixes, your home folder and the disk "
           "that holds Drydock for Armada2.exe.",
           "Drydock", flow::Buttons::Ok, flow::Icon::Information});
    }
    bool asked = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = window->findChild<ui::frmChangeA2Dir*>();
      ASSERT_NE(dialog, nullptr);
      asked = dialog->isModal() && dialog->isVisible();
      EXPECT_EQ(Label("lblA2NumOfFiles"), "(A2 folder not found)");
      EXPECT_FALSE(window->GameDir().has_value());
      TypeInto(Child<QLineEdit>(dialog, "txtDir"), platform::PathToUtf8(GameDir()));
      if (button == "Escape") {
        Activate(dialog);
        PressKey(Qt::Key_Escape);
      } else {
        QTest::mouseClick(Child<QPushButton>(dialog, button.c_str()), Qt::LeftButton);
      }
    });
    Start(gameDir);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(dialogs.Done()) << "cancelled, the player is told why the program ends";
    EXPECT_TRUE(window->QuitRequested() != ok && window->isVisible() == ok) << "cancelled, the program ends";
    EXPECT_EQ(window->GameDir(), ok ? std::optional<fs::path>(GameDir()) : std::nullopt);
    EXPECT_EQ(Label("lblA2NumOfFiles"), ok ? "1" : "(A2 folder not found)") << "the count of the folder chosen";
    EXPECT_EQ(Items(Mods()), L({"Only"}));
  }
}

TEST_F(Selector, AutoRefreshFollowsTheModsFolderTogglesSlowsDownWhileMinimizedAndLeavesNoDetailsOfVanishedMods) {
  t.Write("prog/mods/a/ModInfo.txt", "Author: Someone\r\n");
  WriteBmp(t / "prog/mods/a/ModPic.bmp", 457, 89);
  t.MakeDir("prog/mods/m");
  Start(GameDir());
  int refreshes = 0;
  QObject::connect(window.get(), &selector::frmSelector::modListRefreshed, [&] { ++refreshes; });
  QTimer* timer = Find<QTimer>("timRefreshModList");
  Click("m");
  window->AutoRefreshTick();
  t.Write("prog/mods/loose.txt");
  window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 0) << "nothing changed, and a plain file is no mod";
  t.MakeDir("prog/mods/b/Addon/New");
  window->AutoRefreshTick();
  EXPECT_EQ(Items(Mods()), (L({"a", "b", "    New", "m"})));
  EXPECT_EQ(Current(), "m");
  fs::rename(t / "prog/mods/m", t / "prog/mods/z");
  window->AutoRefreshTick();
  EXPECT_EQ(Current(), "a");
  EXPECT_EQ(refreshes, 2);
  QAction* toggle = Find<QAction>("menuManagerAuto");
  toggle->trigger();
  EXPECT_TRUE(Str(toggle->text()) == "Enable &auto refresh" && !timer->isActive());
  t.MakeDir("prog/mods/new");
  toggle->trigger();
  EXPECT_EQ(Str(toggle->text()), "Disable &auto refresh");
  EXPECT_EQ(Items(Mods()), (L({"a", "b", "    New", "new", "z"}))) << "switched on, it checks at once";
  for (const bool minimized : {true, false}) {
    minimized ? window->showMinimized() : window->showNormal();
    window->AutoRefreshTick();
    EXPECT_EQ(timer->interval(), minimized ? 10000 : 1000) << "slower while minimized";
  }
  // Every mod vanishes, the selected one too: no details nor picture stay; the empty folder is not refreshed.
  ASSERT_TRUE(Find<QLabel>("picModsPic")->isVisible());
  for (const char* mod : {"a", "b", "new", "z"}) fs::remove_all(t / "prog/mods" / mod);
  window->AutoRefreshTick();
  EXPECT_EQ(Items(Mods()), L({"(No mods found.)"}));
  EXPECT_EQ(Details(),
            "(No mod selected)\n(No mod selected)\n(No mod selected)\nOther: \n(No mod selected)\n"
            "Number of files in current mod: N/A\nSize of current mod: (No mod selected)\n");
  EXPECT_TRUE(!Find<QLabel>("picModsPic")->isVisible() && Mods()->y() == kListTopPx) << "the layout without picture";
  for (int i = 0; i < 3; ++i) window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 4);
  fs::remove_all(t / "prog/mods");
  window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 5);
  EXPECT_TRUE(fs::is_directory(t / "prog/mods") && Items(Mods()) == L({"(No mods found.)"}));
}

TEST_F(Selector, AClickOrAKeyShowsThatModsDetailsAndPictureWhoseRoomTheListGivesUpAndLongValuesAreElided) {
  t.Write("prog/mods/A Half/ModInfo.txt", "Author: \nVersion: 2\n");
  t.Write("prog/mods/B Full/ModInfo.txt",
          "Author: Q&&A Team\r\nDescription: Ships\r\nVersion: 1.1\r\nOther Heading: Credits\r\nOther: All\r\n");
  t.Write("prog/mods/B Full/odf/ships/a.odf", std::string(1024, 'x'));
  t.Write("prog/mods/B Full/ReadMe_First.txt", "");
  WriteBmp(t / "prog/mods/B Full/ModPic.bmp", 457, 89);
  t.Write("prog/mods/C Broken/ModPic.jpg", "not a jpeg at all");
  std::string description(3000, 'w');  // one word wider than any screen
  for (int i = 0; i < 40000; ++i) description += " word";
  t.Write("prog/mods/D Long/ModInfo.txt", "Description: " + description + "\r\n");
  Start(GameDir());
  QLabel *picture = Find<QLabel>("picModsPic"), *invalid = Find<QLabel>("lblInvalidPic");
  const QRect plain = window->geometry(), plainList = Mods()->geometry();
  const QRect plainUninstall = Find<QWidget>("cmdUninstallMod")->geometry();
  const QRect screen = window->screen()->availableGeometry();
  Click("B Full");
  EXPECT_EQ(Details(),
            "Q&A Team\nShips\n1.1\nCredits\nAll\nNumber of files in current mod: 4\nSize of current mod: 0.12 MB\n");
  EXPECT_TRUE(picture->isVisible() && !invalid->isVisible());
  EXPECT_EQ(picture->geometry(), QRect(0, 0, 457, 89));
  EXPECT_EQ(window->geometry(), plain) << "the window keeps its place and size";
  EXPECT_EQ(std::pair(Mods()->y(), Mods()->geometry().bottom()), std::pair(kListTopPx + 89, plainList.bottom()))
      << "the list gives the picture its top";
  PressKey(Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(shell.calls, std::vector<std::string>{"open " + (t / "prog/mods/B Full/ReadMe_First.txt").string()});
  PressKey(Qt::Key_Down);
  EXPECT_TRUE(invalid->isVisible() && picture->height() == 1);
  PressKey(Qt::Key_Home);
  EXPECT_EQ(Details(),
            "(File does not contain author)\n(File does not contain description)\n2\nOther: \n"
            "(File does not contain 'other')\nNumber of files in current mod: 1\nSize of current mod: 0.02 KB\n");
  EXPECT_FALSE(Find<QAction>("menuModCurrentModViewReadme")->isEnabled());
  EXPECT_FALSE(picture->isVisible() || invalid->isVisible());
  EXPECT_EQ(Mods()->geometry(), plainList);
  EXPECT_EQ(window->geometry(), plain);
  // The full text of a value is a tooltip that fits the screen.
  PressKey(Qt::Key_End);
  const QFontMetrics metrics(QToolTip::font());
  const QStringList lines = Find<QLabel>("lblModsDescription")->toolTip().split(QLatin1Char('\n'));
  EXPECT_TRUE(lines.size() > 1 && lines.first().startsWith(QStringLiteral("www")));
  EXPECT_LE(lines.size() * metrics.lineSpacing(), screen.height());
  for (const QString& line : lines) EXPECT_LE(metrics.horizontalAdvance(line), screen.width());
  // The box shows what fits, ending in an ellipsis; the label's text stays whole.
  const auto* descriptionBox = Find<ui::ElidedLabel>("lblModsDescription");
  const QString shown = descriptionBox->ShownText();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("\u2026")) && shown.count(QLatin1Char('\n')) >= 2) << Str(shown);
  EXPECT_GT(descriptionBox->text().size(), 10 * shown.size());
  // The user makes the window bigger: the list and the buttons below it take the room, and it shrinks back no
  // further than its design.
  window->resize(plain.width() + 200, plain.height() + 150);
  EXPECT_EQ(Mods()->size(), plainList.size() + QSize(200, 150));
  EXPECT_EQ(Find<QWidget>("cmdUninstallMod")->geometry(), plainUninstall.translated(200, 150));
  window->resize(10, 10);
  EXPECT_EQ(Mods()->geometry(), plainList);
}

// The game's fed.odf, and the mod Fleet with its own fed.odf and a new.odf, chosen in the list.
struct SelectorInstall : Selector {
  void SetUp() override {
    Selector::SetUp();
    t.Write("game/odf/ships/fed.odf", "game");
    t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod");
    t.Write("prog/mods/Fleet/odf/ships/new.odf", "mod");
    Start(GameDir());
    ASSERT_EQ(Label("lblA2NumOfFiles"), "2");
    ClickItem(Mods(), Mods()->item(0));
  }
  // Installs Fleet with Ctrl+I, answering the question Yes.
  void InstallFleet() {
    dialogs.Expect(Question(true, flow::Answer::Yes));
    PressKey(Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "mod");
  }
  QListWidget* Installed() { return Find<QListWidget>("lstCurrentMods"); }
};

TEST_F(SelectorInstall, EnterAndSpacePressTheFocusedButtonAndEnterInTheListOrADoubleClickInstallsOncePerPress) {
  // Enter and Space press the focused button, whatever it says; Enter in the list installs, once per press, and
  // so does a double click on the mod.
  struct Press {
    const char* focus;
    Qt::Key key;
    bool install;
  };
  for (const Press& press :
       {Press{"lstMods", Qt::Key_Return, true}, Press{"lstMods", Qt::Key_Enter, true},
        Press{"cmdUninstallMod", Qt::Key_Return, false}, Press{"cmdUninstallMod", Qt::Key_Space, false},
        Press{"cmdInstallMod", Qt::Key_Space, true}, Press{nullptr, Qt::Key_unknown, true}}) {
    dialogs.Expect(Question(press.install, flow::Answer::No));
    if (press.focus) Find<QWidget>(press.focus)->setFocus();
    press.focus ? PressKey(press.key) : ClickItem(Mods(), Mods()->item(0), 2);
    ASSERT_TRUE(dialogs.Done()) << (press.focus ? press.focus : "double click") << " " << press.key;
  }
  // Enter on Refresh refreshes and asks nothing (the auto refresh is off, so only the key can show the new mod).
  Find<QAction>("menuManagerAuto")->trigger();
  t.MakeDir("prog/mods/Later");
  Find<QWidget>("cmdRefresh")->setFocus();
  PressKey(Qt::Key_Return);
  EXPECT_EQ(Items(Mods()), L({"Fleet", "Later"}));
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game") << "every question was answered No";
}

TEST_F(SelectorInstall, AnInstallAndAnUninstallByTheButtonOrBackspaceCountTheGameAndSayWhatTheyDid) {
  InstallFleet();
  EXPECT_EQ(Label("lblA2NumOfFiles"), "3") << "the count follows the install";
  EXPECT_EQ(Label("lblStatus"), "Installed Fleet: 2 files, 1 kept in Backup");
  EXPECT_EQ(shell.calls, std::vector<std::string>{"beep"});
  EXPECT_TRUE(Str(Find<QPushButton>("cmdInstallMod")->text()) == "Install Mod" &&
              Find<QAction>("menuModInstall")->isEnabled() && !Find<QProgressBar>("pgbPercent")->isVisible());
  ExpectEnabled(true);
  EXPECT_EQ(Items(Installed()), L({"Fleet"}));
  EXPECT_EQ(Current(), "Fleet");
  ASSERT_EQ(QApplication::focusWidget(), Mods()) << "the list has the keyboard again after the install";
  // Uninstalled, by the button (answered No) and then Backspace in the list.
  ClickItem(Mods(), Mods()->item(0));
  ASSERT_EQ(QApplication::focusWidget(), Mods());
  dialogs.Expect(Question(false, flow::Answer::No));
  QTest::mouseClick(Find<QPushButton>("cmdUninstallMod"), Qt::LeftButton);
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "mod") << "answered No";
  Mods()->setFocus();
  dialogs.Expect(Question(false, flow::Answer::Yes));
  PressKey(Qt::Key_Backspace);
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game");
  EXPECT_EQ(Label("lblA2NumOfFiles"), "2") << "the count follows the uninstall";
  EXPECT_EQ(Label("lblStatus"), "Uninstalled Fleet: 2 files put back or taken out");
  EXPECT_EQ(Str(Find<QPushButton>("cmdUninstallMod")->text()), "Uninstall Mod");
  EXPECT_EQ(Items(Installed()), L({"(No mods found.)"}));
}

// The installed-mods window lists afresh on every activation, and keeps the entry chosen.
TEST_F(SelectorInstall, AModWhoseBackupWasMadeForAnotherGameSaysSoAmongTheInstalledMods) {
  InstallFleet();
  install::InstallRecord stranger{install::InstallRecord::State::Complete, "/elsewhere/Armada II", {}, 1, {}};
  ASSERT_TRUE(install::WriteRecord(t.MakeDir("prog/mods/Zeta/Backup"), stranger));
  PressKey(Qt::Key_R, Qt::ControlModifier);
  PressKey(Qt::Key_D, Qt::ControlModifier);
  QListWidget* installed = Installed();
  ASSERT_EQ(Items(installed), L({"Fleet", "Zeta"}));
  ClickItem(installed, installed->item(1));
  EXPECT_EQ(Label("lblCoveredBy"), "Installed into another game folder: /elsewhere/Armada II");
  Activate(window.get());
  Activate(installed->window());
  EXPECT_EQ(Str(installed->currentItem()->text()), "Zeta");
  EXPECT_EQ(Label("lblCoveredBy"), "Installed into another game folder: /elsewhere/Armada II");
}

TEST_F(SelectorInstall, ClosingWhileTheWorkWaitsForTheLockClosesTheWindowOnceTheInstallHasEnded) {
  // Another writer holds the game, so the install is still waiting for it when the timer fires.
  auto held = platform::WriterLock::Acquire({GameDir(), t / "prog/mods"});
  ASSERT_TRUE(held.has_value());
  bool fired = false;
  QTimer::singleShot(0, [&] {
    fired = true;
    ExpectEnabled(false);
    EXPECT_FALSE(Find<QTimer>("timRefreshModList")->isActive());
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Str(window->windowTitle()), "Drydock (closes when the work under way has finished)");
    held.reset();
  });
  dialogs.Expect(Question(true, flow::Answer::Yes));
  PressKey(Qt::Key_Return);
  EXPECT_TRUE(fired && dialogs.Done());
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "mod");
  EXPECT_FALSE(window->isVisible()) << "closed once the install had ended";
}

TEST(SingleInstance, SecondCopyIsWarnedAndRefused) {
  TempTree t;
  platform::InstanceLock first(t / "prog"), second(t / "prog");
  ScriptedDialogs dialogs;
  ASSERT_TRUE(app::ClaimSingleInstance(first, dialogs)) << "the first copy shows no box";
  dialogs.Expect({"Warning: Previous instance of application detected. Aborting load.", "Warning!", flow::Buttons::Ok,
                  flow::Icon::Critical, flow::Answer::Ok});
  EXPECT_FALSE(app::ClaimSingleInstance(second, dialogs));
  EXPECT_TRUE(dialogs.Done());
}

}  // namespace
