// The mod list's context menu, opened with the right button and the menu key: what it offers where, what it
// greys, and that each entry runs the same flow as its command in the main menus.
#include <gtest/gtest.h>
#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <functional>
#include <set>

#include "selector/frm_selector.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::PressKey;
using Box = test::ScriptedDialogs::Box;

namespace {

// The scripted boxes, with something done while a question is open (the flow that asked is still under way).
class DialogsWithHook final : public flow::Dialogs {
 public:
  explicit DialogsWithHook(test::ScriptedDialogs& inner) : inner_(inner) {}
  std::function<void()> whileAsked;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override {
    return inner_.Input(prompt, title, initial);
  }

 protected:
  flow::Answer Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon icon,
                    flow::Default preset, const std::string& details) override {
    if (whileAsked) whileAsked();
    return preset == flow::Default::No ? inner_.AskDestructive(text, title, buttons, icon, details)
                                       : inner_.Ask(text, title, buttons, icon, details);
  }

 private:
  test::ScriptedDialogs& inner_;
};

class ModContextMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    test::GuiApp();
    t.Write("game/Armada2.exe", "");
    t.MakeDir("home/data");
  }
  void Start() { window = test::StartMainWindow(shell, hooked, t / "prog", t / "game"); }
  QListWidget* Mods() const { return test::Child<QListWidget>(window.get(), "lstMods"); }
  QMenu* ModMenu() const { return test::Child<QMenu>(window.get(), "mnuModContext"); }
  QMenu* ListMenu() const { return test::Child<QMenu>(window.get(), "mnuListContext"); }
  std::string Current() const { return Mods()->currentItem() ? test::Str(Mods()->currentItem()->text()) : ""; }
  fs::path Mod(const char* relative) const { return t / "prog/mods" / relative; }
  // A right click where the list draws `text`.
  void RightClick(const char* text) {
    const QList<QListWidgetItem*> found = Mods()->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text;
    QTest::mouseClick(Mods()->viewport(), Qt::RightButton, Qt::NoModifier, Mods()->visualItemRect(found[0]).center());
  }
  // The menu that is open now, waited for; nullptr when none opens.
  static QMenu* Shown() {
    (void)QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }, 1000);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  // The captions of a menu's entries (separators left out), each with whether it can be chosen.
  static std::vector<std::pair<std::string, bool>> Entries(const QMenu* menu) {
    std::vector<std::pair<std::string, bool>> entries;
    for (const QAction* a : menu->actions())
      if (!a->isSeparator()) entries.emplace_back(test::Str(a->text()), a->isEnabled());
    return entries;
  }
  // What a command showed: the questions (title: text), the input prompts and the shell's calls.
  std::vector<std::string> Seen() const {
    std::vector<std::string> seen = shell.calls;
    for (const Box& box : dialogs.shown) seen.push_back(box.title + ": " + box.text);
    for (const std::string& prompt : dialogs.prompts) seen.push_back("input " + prompt);
    return seen;
  }

  test::TempTree t;
  test::ScopedEnv home{"HOME", (t / "home").string()};
  test::ScopedEnv data{"XDG_DATA_HOME", (t / "home/data").string()};
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  DialogsWithHook hooked{dialogs};
  std::unique_ptr<selector::frmSelector> window;
};

TEST_F(ModContextMenu, ARightClickSelectsTheRowAndBlankSpaceOffersNothingThatActsOnAMod) {
  for (int i = 0; i < 40; ++i) t.MakeDir("prog/mods/Mod" + std::to_string(100 + i));
  t.Write("prog/mods/Mod130/Readme.txt");
  t.MakeDir("prog/mods/Mod131/Backup");  // installed
  Start();
  QListWidget* list = Mods();
  list->scrollToItem(list->item(39));  // scrolled, so that the row under the pointer is not the list's index
  RightClick("Mod130");
  EXPECT_EQ(Current(), "Mod130");
  EXPECT_EQ(test::Str(test::Child<QLabel>(window.get(), "lblModNumOfFiles")->text()),
            "Number of files in current mod: 1")
      << "the details follow the row";
  QMenu* menu = Shown();
  ASSERT_EQ(menu, ModMenu());
  using E = std::vector<std::pair<std::string, bool>>;
  EXPECT_EQ(Entries(menu), (E{{"&Install", true},
                              {"&Uninstall", false},  // not installed
                              {"&Compatibility with...", true},
                              {"&Edit ModInfo", true},
                              {"Open &folder", true},
                              {"&View readme", true},
                              {"Make su&bfolders", true},
                              {"Remove &subfolders", true},
                              {"Re&move", true},
                              {"&Refresh Mod List", true}}));
  EXPECT_EQ(menu->defaultAction(), menu->actions().front()) << "Install is drawn in bold";
  menu->hide();

  // The installed mod, without a readme, through the context menu event the system sends for a right click.
  const QRect row = list->visualItemRect(list->findItems(QStringLiteral("Mod131"), Qt::MatchExactly)[0]);
  QContextMenuEvent click(QContextMenuEvent::Mouse, row.center(), list->viewport()->mapToGlobal(row.center()));
  QApplication::sendEvent(list->viewport(), &click);
  EXPECT_EQ(Current(), "Mod131");
  ASSERT_EQ(Shown(), ModMenu());
  EXPECT_TRUE(Entries(ModMenu())[1].second) << "Uninstall";
  EXPECT_FALSE(Entries(ModMenu())[5].second) << "View readme";
  ModMenu()->hide();

  // Below the last row nothing is selected and only what needs no mod is offered.
  QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(5, list->viewport()->height() - 2));
  EXPECT_EQ(Current(), "Mod131");
  ASSERT_EQ(Shown(), ListMenu());
  EXPECT_EQ(Entries(ListMenu()), (E{{"&Refresh Mod List", true}, {"&Make new mod folder", true}}));
  ListMenu()->hide();
}

TEST_F(ModContextMenu, ThePlaceholderOffersNothingThatActsOnAModByMouseOrKey) {
  t.MakeDir("prog/mods");
  Start();
  ASSERT_EQ(test::Items(Mods()), test::L({"(No mods found.)"}));
  RightClick("(No mods found.)");
  ASSERT_EQ(Shown(), ListMenu());
  ListMenu()->hide();
  Mods()->setFocus();
  PressKey(Qt::Key_Menu);
  ASSERT_EQ(Shown(), ListMenu());
  ListMenu()->hide();
  EXPECT_TRUE(dialogs.shown.empty());
}

// Each entry, chosen with its mnemonic in the menu opened by the menu key (or Shift+F10), shows what the
// main menus' command shows, question for question.
TEST_F(ModContextMenu, EachEntryRunsTheFlowOfItsCommandInTheMainMenus) {
  t.Write("prog/mods/Fleet/Fleet Readme.txt");
  t.Write("prog/mods/Fleet/Backup/odf/fed.odf", "the game's own");  // installed, so Uninstall applies
  t.MakeDir("prog/mods/Borg");
  Start();
  test::ClickText(Mods(), "Fleet");
  const struct {
    Qt::Key mnemonic;
    QKeyCombination command;  // the same command's shortcut in the main menus
    std::string question;     // the title of the question asked (answered No), if one is
    std::string seen;         // what the command shows, when compared
  } entries[] = {
      {Qt::Key_I, Qt::CTRL | Qt::Key_I, "Install Fleet mod?",
       "Install Fleet mod?: You have selected the Fleet mod. Do you want to install it?"},
      {Qt::Key_U, Qt::CTRL | Qt::Key_U, "Uninstall Fleet mod?", ""},
      {Qt::Key_M, QKeyCombination(Qt::Key_Delete), "Remove Fleet mod?",
       "Remove Fleet mod?: Are you sure you want to remove the Fleet mod from your hard drive?"},
      {Qt::Key_B, Qt::CTRL | Qt::Key_B, "Make subfolders?",
       "Make subfolders?: Are you sure you want to make these folders?"},
      {Qt::Key_S, Qt::CTRL | Qt::Key_S, "Delete subfolders?",
       "Delete subfolders?: Are you sure you want to remove these folders?"},
      {Qt::Key_V, Qt::CTRL | Qt::Key_W, "", "open " + (Mod("Fleet") / "Fleet Readme.txt").string()},
      {Qt::Key_F, Qt::CTRL | Qt::Key_O, "", "open " + Mod("Fleet").string()},
  };
  // Forgets what was seen and scripts the question of an entry.
  const auto script = [&](const std::string& question) {
    dialogs.shown.clear();
    dialogs.prompts.clear();
    shell.calls.clear();
    if (!question.empty()) dialogs.Expect({"", question, flow::Buttons::YesNo, flow::Icon::Question, flow::Answer::No});
  };
  for (const auto& e : entries) {
    const std::string name = test::Str(QKeySequence(e.mnemonic).toString());
    // The closed menu hands the activation back once events run; the list takes the keyboard again.
    test::Activate(window.get());
    Mods()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Mods()->hasFocus(); }, 2000));
    script(e.question);
    PressKey(e.command.key(), e.command.keyboardModifiers());
    const std::vector<std::string> byCommand = Seen();
    if (!e.seen.empty()) {
      EXPECT_EQ(byCommand, std::vector<std::string>{e.seen}) << name;
    }
    EXPECT_FALSE(byCommand.empty()) << name;

    script(e.question);
    ASSERT_TRUE(Mods()->hasFocus()) << name;
    e.mnemonic == Qt::Key_M ? PressKey(Qt::Key_F10, Qt::ShiftModifier) : PressKey(Qt::Key_Menu);
    QMenu* menu = Shown();
    ASSERT_EQ(menu, ModMenu()) << name;
    QTest::keyClick(menu, e.mnemonic);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Seen() == byCommand; }, 2000));
    EXPECT_TRUE(dialogs.Done()) << name;
    EXPECT_FALSE(ModMenu()->isVisible()) << name;
    EXPECT_EQ(Current(), "Fleet") << name;
    EXPECT_TRUE(fs::exists(Mod("Fleet/Backup/odf/fed.odf"))) << name;
  }
}

TEST_F(ModContextMenu, CompatibilityAndEditModInfoOpenOnTheClickedMod) {
  for (const char* mod : {"Borg", "Fleet", "Klingon"}) t.MakeDir(std::string("prog/mods/") + mod);
  Start();
  const auto choose = [&](const char* mod, Qt::Key mnemonic) {
    RightClick(mod);
    QMenu* menu = Shown();
    ASSERT_EQ(menu, ModMenu()) << mod;
    QTest::keyClick(menu, mnemonic);
  };
  // The window opens with the clicked mod as its first side; open already, it turns to the next one clicked.
  for (const char* mod : {"Fleet", "Klingon"}) {
    choose(mod, Qt::Key_C);
    auto* compat = window->findChild<QWidget*>(QStringLiteral("frmCompatability"));
    ASSERT_NE(compat, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return compat->isVisible(); }, 2000));
    QListWidget* first = test::Child<QListWidget>(compat, "lstBox1");
    ASSERT_NE(first->currentItem(), nullptr) << mod;
    EXPECT_EQ(test::Str(first->currentItem()->text()), mod);
    EXPECT_TRUE(test::Child<QAction>(window.get(), "menuModCompatablility")->isChecked()) << "its Mod menu entry";
  }
  choose("Borg", Qt::Key_E);
  auto* editor = window->findChild<QWidget*>(QStringLiteral("frmEditModInfo"));
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return editor->isVisible(); }, 2000));
  EXPECT_EQ(Current(), "Borg");
  EXPECT_TRUE(test::Child<QAction>(window.get(), "menuModEdit")->isChecked());
}

TEST_F(ModContextMenu, WhileAnInstallAsksInstallIsGreyedAndEveryMenuHasItsOwnMnemonics) {
  t.MakeDir("prog/mods/Fleet");
  Start();
  test::ClickText(Mods(), "Fleet");
  std::vector<std::pair<std::string, bool>> duringInstall;
  hooked.whileAsked = [&] {
    Mods()->setFocus();
    PressKey(Qt::Key_Menu);
    if (QMenu* menu = Shown()) {
      duringInstall = Entries(menu);
      menu->hide();
    }
  };
  dialogs.Expect({"", "Install Fleet mod?", flow::Buttons::YesNo, flow::Icon::Question, flow::Answer::No});
  PressKey(Qt::Key_Return);
  hooked.whileAsked = nullptr;
  ASSERT_FALSE(duringInstall.empty());
  EXPECT_EQ(duringInstall.front(), std::make_pair(std::string("&Install"), false));
  EXPECT_TRUE(dialogs.Done());
  PressKey(Qt::Key_Menu);
  ASSERT_EQ(Shown(), ModMenu());
  EXPECT_TRUE(Entries(ModMenu()).front().second) << "Install again once the question is answered";
  ModMenu()->hide();

  for (const QMenu* menu : {ModMenu(), ListMenu()}) {
    std::set<QChar> taken;
    for (const auto& [text, enabled] : Entries(menu)) {
      const QString caption = QString::fromStdString(text);
      const qsizetype at = caption.indexOf(QLatin1Char('&'));
      ASSERT_GE(at, 0) << text;
      EXPECT_TRUE(taken.insert(caption[at + 1].toLower()).second) << text;
    }
  }
}

}  // namespace
