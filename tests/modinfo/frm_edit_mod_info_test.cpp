// The ModInfo editor beside a main window that shows a mod's details as the
// program's does, driven through its controls with scripted message boxes.
#include "modinfo/frm_edit_mod_info.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "modinfo/mod_info_writer.h"
#include "platform/writer_lock.h"
#include "support/escape_probe.h"
#include "support/gui_input.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "ui/secondary_window.h"

using namespace drydock;
using test::Child;
using test::Str;

namespace {

const char* const kBoxes[] = {"txtAuthor", "txtDescription", "txtVersion", "txtOtherHeading", "txtOther"};
const char* const kPreviews[] = {"lblModsMaker", "lblModsDescription", "lblModsVersion", "lblModsOtherHeading",
                                 "lblModsOther"};
const test::ScriptedDialogs::Box kAskMake{"Are you sure you want to make the file?", "Make file?", flow::Buttons::YesNo,
                                          flow::Icon::Question, flow::Answer::Yes};
const std::string kNotMade = "ModInfo.txt could not be made; nothing was changed:\n";
const std::string kFleetFile = "Author: Old\r\nDescription: Big ships\r\nVersion: 2\r\n";
const std::string kSoloFile = "Author: Solo\r\nVersion:   \r\n";  // no description, no other, a blank version

// The nine lines the editor writes for these five values.
std::string Made(const std::string& author, const std::string& description, const std::string& version,
                 const std::string& heading = "", const std::string& other = "") {
  return modinfo::ModInfoFileText({author, description, version, other, heading});
}

// The scripted boxes, with a hook that runs while the next one is open (as a timer of the main window would).
class HookedDialogs final : public flow::Dialogs {
 public:
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override {
    return scripted.Input(prompt, title, initial);
  }
  test::ScriptedDialogs scripted;
  std::function<void()> whileOpen;

 protected:
  flow::Answer Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon icon,
                    flow::Default preset, const std::string& details) override {
    if (auto hook = std::exchange(whileOpen, nullptr)) hook();
    return preset == flow::Default::No ? scripted.AskDestructive(text, title, buttons, icon, details)
                                       : scripted.Ask(text, title, buttons, icon, details);
  }
};

class EditModInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("mods/Fleet/ModInfo.txt", kFleetFile);
    t.MakeDir("mods/Fleet/Addon/Patch");
    t.Write("mods/Solo/ModInfo.txt", kSoloFile);
    main.show();
  }

  // Opens the editor as the main window does, with `modPath` selected there.
  void Open(const std::string& modPath = "") {
    delete slot;
    selected = modPath;
    editor = ui::SecondaryWindow(slot, &main, nullptr, [this] {
      return new modinfo::frmEditModInfo(
          {t / "mods", hooked, [this] { return library::FillModList(t / "mods"); }, [this] { return selected; },
           [this](const std::string& chosen) { Select(chosen); }, [this] { return shown; },
           [this] { Select(selected); }},
          &main);
    });
    ui::ShowSecondaryWindow(editor, &main);
    Select(selected);  // the main window shows its mod's details, which reach the editor
    test::Activate(editor);
  }

  // The main window shows a mod's captions (here its values as read) and copies them into the open editor.
  void Select(const std::string& modPath) {
    selected = modPath;
    shown = modPath.empty() ? kNoMod : modinfo::ReadModInfo(library::ModFolder(t / "mods", modPath));
    slot->ShowModValues(shown);
    main.activateWindow();
  }

  // Picks `entry` from the mod box's list with the mouse.
  void Choose(const char* entry) {
    auto* box = Child<QComboBox>(editor, "cboMod");
    const QModelIndex item = box->model()->index(box->findText(QString::fromUtf8(entry)), 0);
    ASSERT_TRUE(item.isValid()) << entry;
    box->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box->view()->window()));
    QTest::mouseClick(box->view()->viewport(), Qt::LeftButton, Qt::NoModifier, box->view()->visualRect(item).center());
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));  // the editor takes the focus back from the main window
  }

  // Asks to make the file, giving `answer`; after Yes, expects a box starting with `report`. Nothing is written.
  void MakeNothing(flow::Answer answer, const std::string& report = "") {
    const auto before = test::TempTree::Snapshot(t / "mods");
    dialogs.Expect({kAskMake.text, kAskMake.title, kAskMake.buttons, kAskMake.icon, answer});
    if (answer == flow::Answer::Yes) dialogs.Expect({"", "Make file?", flow::Buttons::Ok, flow::Icon::Exclamation});
    Click("cmdMakeFile");
    EXPECT_EQ(dialogs.shown.back().text.rfind(report, 0), 0u) << dialogs.shown.back().text;
    EXPECT_EQ(test::TempTree::Snapshot(t / "mods"), before);
  }

  void Type(const char* box, const std::string& text) { test::TypeInto(Child<QLineEdit>(editor, box), text); }
  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(editor, button), Qt::LeftButton); }
  std::string Shown(const char* name) { return Str(Child<QWidget>(editor, name)->property("text").toString()); }
  std::string File(const std::string& modPath) {
    return test::TempTree::Read(library::ModFolder(t / "mods", modPath) / "ModInfo.txt");
  }
  // Answers the make question Yes, checking that Enter would answer No when it replaces a file.
  void MakeYes(bool replaces) {
    dialogs.Expect({kAskMake.text, kAskMake.title, kAskMake.buttons, kAskMake.icon, flow::Answer::Yes,
                    replaces ? flow::Default::No : flow::Default::Yes});
    Click("cmdMakeFile");
    EXPECT_TRUE(dialogs.Done());
  }
  std::string Texts(const char* const (&names)[5]) {
    std::string out;
    for (const char* name : names) out += Shown(name) + "|";
    return out;
  }

  QApplication& app = test::GuiApp();
  test::TempTree t;
  const test::ScopedEnv cacheHome{"XDG_CACHE_HOME", (t / "cache").string()};
  HookedDialogs hooked;
  test::ScriptedDialogs& dialogs = hooked.scripted;
  QWidget main;
  std::string selected;
  const modinfo::ModInfoTexts kNoMod{"(No mod selected)", "(No mod selected)", "(No mod selected)", "(No mod selected)",
                                     "Other: "};
  modinfo::ModInfoTexts shown = kNoMod;
  QPointer<modinfo::frmEditModInfo> slot;
  modinfo::frmEditModInfo* editor = nullptr;
};

TEST_F(EditModInfo, EmptyFieldsPreviewTheCaptionsTypedTextSurvivesAChangeOfModAndLineBreaksBecomeSpaces) {
  Open();
  EXPECT_EQ(Child<QComboBox>(editor, "cboMod")->currentIndex(), -1);
  EXPECT_EQ(Texts(kPreviews), "(No mod selected)|(No mod selected)|(No mod selected)|Other: |(No mod selected)|");
  Type("txtAuthor", "  Me");
  Type("txtOtherHeading", "   ");  // only spaces: previews the caption
  Type("txtOther", "Thanks & more");
  Choose("Fleet");  // the untouched fields take Fleet's values
  EXPECT_EQ(Texts(kBoxes), "  Me|Big ships|2|   |Thanks & more|");
  EXPECT_EQ(Texts(kPreviews), "  Me|Big ships|2|Other: |Thanks  more|");  // as the panel shows them
  // A pasted line break becomes a space, so no value forges a field.
  QApplication::clipboard()->setText(QStringLiteral("\r\nVersion: 9"));
  Child<QLineEdit>(editor, "txtAuthor")->paste();
  Child<QLineEdit>(editor, "txtDescription")->selectAll();
  Child<QLineEdit>(editor, "txtDescription")->insert(QStringLiteral("a\nb\u2029c"));
  EXPECT_EQ(Texts(kBoxes), "  Me Version: 9|a b c|2|   |Thanks & more|");
  MakeYes(/*replaces=*/true);
  EXPECT_EQ(File("Fleet"), Made("  Me Version: 9", "a b c", "2", "   ", "Thanks & more"));
  EXPECT_EQ(test::EscapeKeepers(editor), QStringList());
}

TEST_F(EditModInfo, MakesTheExactFileInTheSelectedAddonOnlyAfterYesOrReportsWhyNothingWasWritten) {
  Open();
  dialogs.Expect({"Please select a mod.", "Drydock"});
  Click("cmdMakeFile");  // no choice yet
  Choose("    Patch");   // listed under its parent
  for (int i = 0; i < 5; ++i) Type(kBoxes[i], " " + std::to_string(i) + " ");
  MakeNothing(flow::Answer::No);
  for (const std::string file :
       {"Author:  0 \r\n\r\nDescription:  1 \r\n\r\nVersion:  2 \r\n\r\nOther Heading:  3 \r\n\r\nOther:  4 \r\n",
        "Author: \r\n\r\nDescription: \r\n\r\nVersion: \r\n\r\nOther Heading: \r\n\r\nOther: \r\n"}) {
    dialogs.Expect(kAskMake);
    Click("cmdMakeFile");
    EXPECT_EQ(test::TempTree::Snapshot(t / "mods"),  // in the addon's own folder; the parent's file is not touched
              (std::vector<std::string>{"Fleet/Addon/Patch/ModInfo.txt=" + file, "Fleet/ModInfo.txt=" + kFleetFile,
                                        "Solo/ModInfo.txt=" + kSoloFile}));
    Click("cmdClear");  // the second file is made of empty fields
  }
  auto other = platform::WriterLock::Acquire({t / "mods"});  // another Drydock is changing the mods
  ASSERT_TRUE(other);
  MakeNothing(flow::Answer::Yes, "Another Drydock is changing the files in " + (t / "mods").string() +
                                     ". Try again when it has finished.");
  other.reset();
  std::filesystem::remove_all(t / "mods/Fleet/Addon/Patch");
  MakeNothing(flow::Answer::Yes, kNotMade + (t / "mods/Fleet/Addon/Patch").string());
  Choose("Fleet");
  t.MakeReadOnly("mods/Fleet/ModInfo.txt");
  MakeNothing(flow::Answer::Yes, kNotMade + (t / "mods/Fleet/ModInfo.txt").string());
  EXPECT_TRUE(dialogs.Done());
}

// The editor opens on the main window's mod, named in its box, and a mod chosen in the box is shown there too; each
// field holds that mod's own value, and a field its file lacks stays empty (its preview shows the panel's fallback,
// which is never written).
TEST_F(EditModInfo, OpensOnTheShownModChoosesAnotherAndWritesItsOwnValuesNeverThePanelsFallbacks) {
  struct Case {
    std::string mod, entry, boxes, previews, made;
    bool replaces;
  };
  const Case cases[] = {
      {"Fleet", "Fleet", "Old|Big ships|2|||", "Old|Big ships|2|Other: |(File does not contain 'other')|",
       Made("Old", "Big ships", "2"), true},
      {"Solo", "Solo", "Solo||  |||",
       "Solo|(File does not contain description)|(File does not contain version number)|Other: |"
       "(File does not contain 'other')|",
       Made("Solo", "", "  "), true},
      {"Fleet\\Addon\\Patch", "    Patch", "|||||",
       "(File 'ModInfo.txt' not found)|(File 'ModInfo.txt' not found)|(File 'ModInfo.txt' not found)|Other: |"
       "(File 'ModInfo.txt' not found)|",
       Made("", "", ""), false},
  };
  Open(cases[0].mod);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mod);
    if (&c != cases) Choose(c.entry.c_str());  // the main window follows
    EXPECT_EQ(selected, c.mod);
    EXPECT_EQ(Str(Child<QComboBox>(editor, "cboMod")->currentText()), c.entry);
    EXPECT_EQ(Texts(kBoxes), c.boxes);
    EXPECT_EQ(Texts(kPreviews), c.previews);
    MakeYes(c.replaces);
    EXPECT_EQ(File(c.mod), c.made);
  }
  EXPECT_EQ(File("Fleet"), Made("Old", "Big ships", "2"));  // not another mod's values
}

// The main window's refresh (its selection shown again, its list changed) never takes what was typed, also when it
// comes while the make question is open or the main window shows another mod: Make writes the typed value into the
// editor's mod, whose untouched fields follow its file. Once made, the editor follows the main window again.
TEST_F(EditModInfo, ARefreshKeepsTypedTextAndMakeWritesItIntoTheEditorsMod) {
  struct Case {
    const char* how;
    std::string selects;  // the mod the main window shows at the refresh
    bool duringQuestion;
  };
  const Case cases[] = {{"the same mod shown again", "Fleet", false},
                        {"the same mod, the question open", "Fleet", true},
                        {"another mod shown", "Solo", false},
                        {"another mod, the question open", "Solo", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    t.Write("mods/Fleet/ModInfo.txt", kFleetFile);
    Open("Fleet");
    Type("txtAuthor", "Typed");
    const std::string newMod = "New " + std::to_string(&c - cases);
    const auto refresh = [&] {
      if (!c.duringQuestion) t.Write("mods/Fleet/ModInfo.txt", "Author: Old\r\nVersion: 3\r\n");
      t.MakeDir("mods/" + newMod);  // the list changed
      Select(c.selects);
      slot->ModListChanged();
    };
    if (c.duringQuestion) {
      hooked.whileOpen = refresh;
    } else {
      refresh();
      EXPECT_EQ(Texts(kBoxes), "Typed||3|||");  // the untouched fields as the file now has them
      EXPECT_EQ(Str(Child<QComboBox>(editor, "cboMod")->currentText()), "Fleet");
    }
    MakeYes(/*replaces=*/true);
    EXPECT_EQ(File("Fleet"), c.duringQuestion ? Made("Typed", "Big ships", "2") : Made("Typed", "", "3"));
    EXPECT_EQ(File("Solo"), kSoloFile);
    // The file made, the editor shows what the main window shows.
    EXPECT_EQ(Str(Child<QComboBox>(editor, "cboMod")->currentText()), c.selects);
    EXPECT_EQ(Shown("txtAuthor"), c.selects == "Solo" ? "Solo" : "Typed");
    EXPECT_GE(Child<QComboBox>(editor, "cboMod")->findText(QString::fromStdString(newMod)), 0);
  }
}

// Escape with typed values asks first: Cancel keeps window and text, No drops them, Yes makes the file.
TEST_F(EditModInfo, ClosingWithTypedValuesAsksAndLosesNothingUnasked) {
  const struct {
    flow::Answer answer;
    bool closes;
    std::string file;
  } cases[] = {{flow::Answer::Cancel, false, kFleetFile},
               {flow::Answer::No, true, kFleetFile},
               {flow::Answer::Yes, true, Made("Typed", "Big ships", "2")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    t.Write("mods/Fleet/ModInfo.txt", kFleetFile);
    Open("Fleet");
    Type("txtAuthor", "Typed");  // then Escape there: the box leaves it to the window
    dialogs.Expect(
        {"The fields hold changes that are not in the ModInfo.txt file of Fleet. Make the file with them "
         "before closing?",
         "Edit ModInfo.txt file", flow::Buttons::YesNoCancel, flow::Icon::Question, c.answer, flow::Default::Yes});
    QTest::keyClick(Child<QLineEdit>(editor, "txtAuthor"), Qt::Key_Escape);
    EXPECT_TRUE(dialogs.Done());
    EXPECT_EQ(editor->isVisible(), !c.closes);
    EXPECT_EQ(File("Fleet"), c.file);
    if (!c.closes) {
      EXPECT_EQ(Shown("txtAuthor"), "Typed");
    }
  }
  // Nothing typed: it closes at once.
  Open("Fleet");
  QTest::keyClick(Child<QLineEdit>(editor, "txtAuthor"), Qt::Key_Escape);
  EXPECT_FALSE(editor->isVisible());
}

}  // namespace
