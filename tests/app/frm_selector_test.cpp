// The main window, headless: start-up, refresh, auto refresh, details panel
// and the installed-mods list, driven through the controls' names.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/frm_selector.h"
#include "app/startup.h"
#include "platform/instance_lock.h"
#include "platform/names.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "ui/frm_change_a2_dir.h"

namespace fs = std::filesystem;
using namespace drydock;
using drydock::test::TempTree;

namespace {

int argc = 1;
char arg0[] = "frm_selector_test";
char* argv[] = {arg0, nullptr};

QApplication& App() {
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

QStringList L(std::initializer_list<const char*> texts) {
  QStringList out;
  for (const char* t : texts) out << QString::fromUtf8(t);
  return out;
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// A user's input: clicks at a list item's rectangle, keys to whichever
// widget has the focus.
void ClickItem(QListWidget* list, const QListWidgetItem* item, int clicks = 1) {
  const QPoint at = list->visualItemRect(item).center();
  // A double click reaches a view as a click followed by the double-click event.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  if (clicks == 2) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void PressKey(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

void WriteBmp(const fs::path& file, int w, int h) {
  fs::create_directories(file.parent_path());
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::darkBlue);
  ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "BMP"));
}

class Selector : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    t.MakeDir("prog/mods");
    t.Write("game/Armada2.exe", "");
  }

  // Starts the window on the temporary folders; `gameDir` empty means none known.
  void Start(const std::string& gameDir) {
    std::optional<fs::path> dir;
    if (!gameDir.empty()) dir = platform::PathFromUtf8(gameDir);
    window = std::make_unique<app::frmSelector>(
        app::SelectorServices{shell, dialogs, [](const std::atomic<bool>&) { return fs::path(); }});
    QObject::connect(window.get(), &app::frmSelector::a2FileCountShown,
                     [this](const QString& text) { countSteps << text; });
    window->Startup(t / "prog", dir);
  }
  std::string GameDir() const { return (t / "game").string(); }

  template <typename T>
  T* Find(const char* name) const {
    T* w = window->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QListWidget* Mods() const { return Find<QListWidget>("lstMods"); }
  QString Label(const char* name) const { return Find<QLabel>(name)->text(); }
  void Select(const QString& text) {
    const auto items = Mods()->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << text.toStdString();
    Mods()->setCurrentItem(items.first());
  }

  TempTree t;
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  std::unique_ptr<app::frmSelector> window;
  QStringList countSteps;
};

TEST_F(Selector, StartupListsModsCountsInStepsOf22AndEnablesTheControls) {
  for (int i = 0; i < 44; ++i) t.Write("game/file" + std::to_string(i) + ".txt");  // 45 with Armada2.exe
  t.MakeDir("prog/mods/beta");
  t.MakeDir("prog/mods/Alpha/Addon/One");
  Start(GameDir());

  EXPECT_EQ(window->windowTitle(), QStringLiteral("Drydock"));
  EXPECT_EQ(Items(Mods()), (L({"Alpha", "    One", "beta"})));
  EXPECT_EQ(Mods()->currentItem()->text(), QStringLiteral("Alpha"));
  EXPECT_EQ(countSteps, (L({"22", "44"})));
  EXPECT_EQ(Label("lblA2NumOfFiles"), QStringLiteral("45"));
  for (const char* name : {"lstMods", "cmdRefresh", "cmdInstallMod", "cmdUninstallMod"}) {
    EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  }
  EXPECT_EQ(Find<QAction>("menuManagerAuto")->text(), QStringLiteral("Disable &auto refresh"));
  EXPECT_EQ(Find<QTimer>("timRefreshModList")->interval(), 1000);
  EXPECT_TRUE(Find<QTimer>("timRefreshModList")->isActive());
  EXPECT_EQ(Label("lblModsMaker"), QStringLiteral("(File 'ModInfo.txt' not found)"));
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Selector, StartupWithoutAGameFolderAsksForOneModally) {
  t.MakeDir("prog/mods/Only");
  bool dialogSeen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<ui::frmChangeA2Dir*>();
    ASSERT_NE(dialog, nullptr);
    dialogSeen = dialog->isModal() && dialog->isVisible();
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblA2NumOfFiles"))->text(),
              QStringLiteral("(A2 folder not found)"));
    EXPECT_FALSE(window->GameDir().has_value());
    dialog->findChild<QLineEdit*>(QStringLiteral("txtDir"))->setText(QString::fromStdString(GameDir()));
    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  });
  Start("");
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(window->GameDir(), fs::path(GameDir()));
  EXPECT_EQ(Items(Mods()), L({"Only"}));
}

TEST_F(Selector, CancelWithoutAGameFolderEndsTheProgram) {
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<ui::frmChangeA2Dir*>();
    ASSERT_NE(dialog, nullptr);
    dialog->close();  // refused while no game folder is known
    EXPECT_TRUE(dialog->isVisible());
    dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
  });
  Start("");
  EXPECT_TRUE(window->QuitRequested());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->GameDir().has_value());
}

TEST_F(Selector, StartupWithAVanishedGameFolderAlsoAsks) {
  QTimer::singleShot(0, [&] {
    auto* dialog = window->findChild<ui::frmChangeA2Dir*>();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("txtDir"))->setText(QString::fromStdString(GameDir()));
    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  });
  Start((t / "no-such-game").string());
  EXPECT_EQ(window->GameDir(), fs::path(GameDir()));
  EXPECT_EQ(Items(Mods()), L({"(No mods found.)"}));
}

TEST_F(Selector, FullRefreshKeepsTheSelectionAndRestoresTheButton) {
  t.MakeDir("prog/mods/a");
  t.MakeDir("prog/mods/c");
  Start(GameDir());
  Select(QStringLiteral("c"));
  t.MakeDir("prog/mods/B");
  t.Write("game/odf/x.odf");
  Find<QPushButton>("cmdRefresh")->click();
  EXPECT_EQ(Items(Mods()), (L({"a", "B", "c"})));
  EXPECT_EQ(Mods()->currentItem()->text(), QStringLiteral("c"));
  EXPECT_EQ(Find<QPushButton>("cmdRefresh")->text(), QStringLiteral("&Refresh Mod List"));
  EXPECT_TRUE(Find<QPushButton>("cmdRefresh")->isEnabled());
  EXPECT_FALSE(Find<QProgressBar>("pgbPercent")->isVisible());
  EXPECT_EQ(Label("lblA2NumOfFiles"), QStringLiteral("2"));
}

TEST_F(Selector, AutoRefreshPicksUpAddedRenamedAndAddonFolders) {
  t.MakeDir("prog/mods/a");
  t.MakeDir("prog/mods/m");
  Start(GameDir());
  int refreshes = 0;
  QObject::connect(window.get(), &app::frmSelector::modListRefreshed, [&] { ++refreshes; });
  Select(QStringLiteral("m"));

  window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 0) << "nothing changed";
  t.Write("prog/mods/loose.txt");
  window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 0) << "a plain file is no mod";

  t.MakeDir("prog/mods/b");
  window->AutoRefreshTick();
  EXPECT_EQ(Items(Mods()), (L({"a", "b", "m"})));
  EXPECT_EQ(Mods()->currentItem()->text(), QStringLiteral("m"));

  t.MakeDir("prog/mods/b/Addon/New");
  window->AutoRefreshTick();
  EXPECT_EQ(Items(Mods()), (L({"a", "b", "    New", "m"})));

  fs::rename(t / "prog/mods/m", t / "prog/mods/z");
  window->AutoRefreshTick();
  EXPECT_EQ(Mods()->currentItem()->text(), QStringLiteral("a"));
  EXPECT_EQ(refreshes, 3);
}

TEST_F(Selector, EmptyModsFolderDoesNotRefreshOnEveryTick) {
  Start(GameDir());
  int refreshes = 0;
  QObject::connect(window.get(), &app::frmSelector::modListRefreshed, [&] { ++refreshes; });
  EXPECT_EQ(Items(Mods()), L({"(No mods found.)"}));
  for (int i = 0; i < 3; ++i) window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 0);
  fs::remove_all(t / "prog/mods");
  window->AutoRefreshTick();
  EXPECT_EQ(refreshes, 1);
  EXPECT_TRUE(fs::is_directory(t / "prog/mods"));
  EXPECT_EQ(Items(Mods()), L({"(No mods found.)"}));
}

TEST_F(Selector, TogglingAutoRefreshChecksAtOnce) {
  Start(GameDir());
  QAction* toggle = Find<QAction>("menuManagerAuto");
  toggle->trigger();
  EXPECT_EQ(toggle->text(), QStringLiteral("Enable &auto refresh"));
  EXPECT_FALSE(Find<QTimer>("timRefreshModList")->isActive());
  t.MakeDir("prog/mods/new");
  toggle->trigger();
  EXPECT_EQ(toggle->text(), QStringLiteral("Disable &auto refresh"));
  EXPECT_EQ(Items(Mods()), L({"new"}));
}

TEST_F(Selector, DetailsShowFieldsFallbacksSizeAndReadme) {
  t.Write("prog/mods/Full/ModInfo.txt",
          "Author: Q&&A Team\r\nDescription: Ships\r\nVersion: 1.1\r\nOther Heading: Credits\r\nOther: All\r\n");
  t.Write("prog/mods/Full/odf/ships/a.odf", std::string(1024, 'x'));
  t.Write("prog/mods/Full/ReadMe_First.txt", "");
  t.Write("prog/mods/Half/ModInfo.txt", "Author: \nVersion: 2\n");
  Start(GameDir());

  Select(QStringLiteral("Full"));
  EXPECT_EQ(Label("lblModsMaker"), QStringLiteral("Q&A Team"));
  EXPECT_EQ(Label("lblModsDescription"), QStringLiteral("Ships"));
  EXPECT_EQ(Label("lblModsVersion"), QStringLiteral("1.1"));
  EXPECT_EQ(Label("lblModsOtherHeading"), QStringLiteral("Credits"));
  EXPECT_EQ(Label("lblModsOther"), QStringLiteral("All"));
  EXPECT_EQ(Label("lblModNumOfFiles"), QStringLiteral("Number of files in current mod: 3"));
  EXPECT_TRUE(Label("lblModSize").startsWith(QStringLiteral("Size of current mod: 1")));
  EXPECT_TRUE(Find<QAction>("menuModCurrentModViewReadme")->isEnabled());
  Find<QAction>("menuModCurrentModViewReadme")->trigger();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0], "open " + (t / "prog/mods/Full/ReadMe_First.txt").string());

  Select(QStringLiteral("Half"));
  EXPECT_EQ(Label("lblModsMaker"), QStringLiteral("(File does not contain author)"));
  EXPECT_EQ(Label("lblModsDescription"), QStringLiteral("(File does not contain description)"));
  EXPECT_EQ(Label("lblModsVersion"), QStringLiteral("2"));
  EXPECT_EQ(Label("lblModsOther"), QStringLiteral("(File does not contain 'other')"));
  EXPECT_EQ(Label("lblModsOtherHeading"), QStringLiteral("Other: "));
  EXPECT_FALSE(Find<QAction>("menuModCurrentModViewReadme")->isEnabled());
}

TEST_F(Selector, PictureLayoutsGrowTheWindowAndFlagBrokenPictures) {
  t.MakeDir("prog/mods/A Plain");
  WriteBmp(t / "prog/mods/B Picture/ModPic.bmp", 457, 89);
  t.Write("prog/mods/C Broken/ModPic.jpg", "not a jpeg at all");
  Start(GameDir());
  QWidget* list = Mods();
  const int plainHeight = window->height();
  EXPECT_EQ(list->y(), 4);
  EXPECT_FALSE(Find<QLabel>("picModsPic")->isVisible());

  Select(QStringLiteral("B Picture"));
  EXPECT_TRUE(Find<QLabel>("picModsPic")->isVisible());
  EXPECT_EQ(Find<QLabel>("picModsPic")->geometry(), QRect(0, 0, 457, 89));
  EXPECT_EQ(list->y(), 4 + 89);
  EXPECT_EQ(window->height(), plainHeight + 89);
  EXPECT_FALSE(Find<QLabel>("lblInvalidPic")->isVisible());

  Select(QStringLiteral("C Broken"));
  EXPECT_TRUE(Find<QLabel>("lblInvalidPic")->isVisible());
  EXPECT_EQ(Label("lblInvalidPic"), QStringLiteral("Picture file is not a valid picture or it is corrupted."));
  EXPECT_EQ(Find<QLabel>("picModsPic")->height(), 1);

  Select(QStringLiteral("A Plain"));
  EXPECT_FALSE(Find<QLabel>("picModsPic")->isVisible());
  EXPECT_FALSE(Find<QLabel>("lblInvalidPic")->isVisible());
  EXPECT_EQ(list->y(), 4);
  EXPECT_EQ(window->height(), plainHeight);
}

TEST_F(Selector, InstalledModsWindowListsExactBackupFoldersWithAddons) {
  t.MakeDir("prog/mods/Inst/Backup");
  t.MakeDir("prog/mods/lower/backup");
  t.MakeDir("prog/mods/Parent/Addon/Child/Backup");
  Start(GameDir());
  Find<QAction>("menuManagerCheckInstalledMods")->trigger();
  auto* installed = window->findChild<QListWidget*>(QStringLiteral("lstCurrentMods"));
  ASSERT_NE(installed, nullptr);
  EXPECT_EQ(Items(installed), (L({"Inst", "    Child"})));
  EXPECT_TRUE(Find<QAction>("menuManagerCheckInstalledMods")->isChecked());
  installed->window()->close();
  EXPECT_FALSE(Find<QAction>("menuManagerCheckInstalledMods")->isChecked());
}

TEST_F(Selector, EnterBackspaceDoubleClickAndTheMenuRunInstallAndUninstall) {
  t.Write("game/odf/ships/fed.odf", "game");
  t.Write("game/odf/ships/kling.odf", "game kling");
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod");
  t.Write("prog/mods/Fleet/odf/ships/kling.odf", "mod kling");
  Start(GameDir());
  QApplication::processEvents();  // the window system's activation of the new window
  ClickItem(Mods(), Mods()->item(0));
  ASSERT_EQ(QApplication::focusWidget(), Mods());
  auto install = [](ui::Answer a) {
    return test::ScriptedDialogs::Box{"You have selected the Fleet mod. Do you want to install it?",
                                      "Install Fleet mod?", ui::Buttons::YesNo, ui::Icon::Question, a};
  };
  auto uninstall = [](ui::Answer a) {
    return test::ScriptedDialogs::Box{"Are you sure you want to uninstall the Fleet mod?", "Uninstall Fleet mod?",
                                      ui::Buttons::YesNo, ui::Icon::Question, a};
  };
  // Uninstalling the never installed mod anyway leaves the game's own files alone.
  dialogs.Expect(uninstall(ui::Answer::Yes));
  dialogs.Expect(
      {"This mod does not appear to be installed. If there is no backup for a file, it will be deleted and "
       "not replaced. Continue anyway?",
       "Mod not installed", ui::Buttons::YesNo, ui::Icon::Exclamation, ui::Answer::Yes});
  dialogs.Expect(
      {"2 file(s) at the Fleet mod's paths were left in the game, since they do not hold the mod's "
       "files:\n    odf/ships/fed.odf\n    odf/ships/kling.odf",
       "Mod not installed", ui::Buttons::Ok, ui::Icon::Information, ui::Answer::Ok});
  PressKey(Qt::Key_Backspace);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Snapshot(t / "game/odf"),
            (std::vector<std::string>{"ships/fed.odf=game", "ships/kling.odf=game kling"}));
  dialogs.Expect(install(ui::Answer::No));
  PressKey(Qt::Key_Return);
  dialogs.Expect(install(ui::Answer::No));
  ClickItem(Mods(), Mods()->item(0), 2);
  EXPECT_TRUE(dialogs.Done());

  dialogs.Expect(install(ui::Answer::Yes));
  Find<QAction>("menuModInstall")->trigger();
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "mod");
  EXPECT_EQ(shell.calls, std::vector<std::string>{"beep"});
  EXPECT_EQ(Find<QPushButton>("cmdInstallMod")->text(), QStringLiteral("Install Mod"));
  EXPECT_TRUE(Find<QPushButton>("cmdInstallMod")->isEnabled());
  EXPECT_TRUE(Find<QAction>("menuModInstall")->isEnabled());
  EXPECT_FALSE(Find<QProgressBar>("pgbPercent")->isVisible());
  EXPECT_EQ(Mods()->currentItem()->text(), QStringLiteral("Fleet"));
  Find<QAction>("menuManagerCheckInstalledMods")->trigger();
  EXPECT_EQ(Items(window->findChild<QListWidget*>(QStringLiteral("lstCurrentMods"))), L({"Fleet"}));

  dialogs.Expect(uninstall(ui::Answer::Yes));
  Find<QPushButton>("cmdUninstallMod")->click();
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game");
  EXPECT_EQ(Find<QPushButton>("cmdUninstallMod")->text(), QStringLiteral("Uninstall Mod"));
  EXPECT_EQ(Items(window->findChild<QListWidget*>(QStringLiteral("lstCurrentMods"))), L({"(No mods found.)"}));
}

TEST_F(Selector, MinimizedTicksSlowDownAndQuitClosesEveryWindow) {
  Start(GameDir());
  window->showMinimized();
  window->AutoRefreshTick();
  EXPECT_EQ(Find<QTimer>("timRefreshModList")->interval(), 10000);
  window->showNormal();
  window->AutoRefreshTick();
  EXPECT_EQ(Find<QTimer>("timRefreshModList")->interval(), 1000);

  Find<QAction>("menuManagerCheckInstalledMods")->trigger();
  QWidget* installed = window->findChild<QListWidget*>(QStringLiteral("lstCurrentMods"))->window();
  ASSERT_TRUE(installed->isVisible());
  Find<QAction>("menuQuit")->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(installed->isVisible());
}

TEST_F(Selector, TheWindowGrowsUpwardsButNeverAboveTheScreen) {
  WriteBmp(t / "prog/mods/Pic/ModPic.bmp", 457, 89);
  t.MakeDir("prog/mods/Plain");
  Start(GameDir());
  Select(QStringLiteral("Plain"));
  const int top = window->screen()->availableGeometry().top();
  window->move(window->x(), top + 200);
  const int bottom = window->y() + window->height();
  Select(QStringLiteral("Pic"));
  EXPECT_EQ(window->y() + window->height(), bottom) << "the bottom edge stays";
  Select(QStringLiteral("Plain"));
  window->move(window->x(), top + 10);
  Select(QStringLiteral("Pic"));
  EXPECT_EQ(window->y(), top);
}

TEST_F(Selector, TheOneShotTimerShowsTheSelectedModOnce) {
  t.Write("prog/mods/First/ModInfo.txt", "Author: Someone\r\n");
  Start(GameDir());
  QTimer* click = Find<QTimer>("timClickMod");
  EXPECT_TRUE(click->isActive());
  EXPECT_TRUE(click->isSingleShot());
  EXPECT_EQ(click->interval(), 1000);
  Find<QLabel>("lblModsMaker")->setText(QString());
  QEventLoop wait;
  QTimer::singleShot(1300, &wait, &QEventLoop::quit);
  wait.exec();
  EXPECT_FALSE(click->isActive());
  EXPECT_EQ(Label("lblModsMaker"), QStringLiteral("Someone"));
}

TEST(SingleInstance, SecondCopyIsWarnedAndRefused) {
  App();
  TempTree t;
  platform::InstanceLock first(t / "prog");
  ASSERT_TRUE(app::ClaimSingleInstance(first, *std::make_unique<test::ScriptedDialogs>()));
  platform::InstanceLock second(t / "prog");
  test::ScriptedDialogs dialogs;
  dialogs.Expect({"Warning: Previous instance of application detected. Aborting load.", "Warning!", ui::Buttons::Ok,
                  ui::Icon::Critical, ui::Answer::Ok});
  EXPECT_FALSE(app::ClaimSingleInstance(second, dialogs));
  EXPECT_TRUE(dialogs.Done());
}

}  // namespace
