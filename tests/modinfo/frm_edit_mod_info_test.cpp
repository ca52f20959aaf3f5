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

#include "platform/writer_lock.h"
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
const test::ScriptedDialogs::Box kAskMake{"Are you sure you want to make the file?", "Make file?", ui::Buttons::YesNo,
                                          ui::Icon::Question, ui::Answer::Yes};
const std::string kNotMade = "ModInfo.txt could not be made; nothing was changed:\n";
const std::string kFleetFile = "Author: Old\r\nDescription: Big ships\r\nVersion: 2\r\n";

class EditModInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("mods/Fleet/ModInfo.txt", kFleetFile);
    t.MakeDir("mods/Fleet/Addon/Patch");
    main.show();
    editor = ui::SecondaryWindow(slot, &main, nullptr, [this] {
      return new modinfo::frmEditModInfo(
          {t / "mods", dialogs, [this] { return library::FillModList(t / "mods"); }, [this] { return selected; },
           [this](const std::string& modPath) { Select(modPath); }, [this] { return shown; },
           [this] { Select(selected); }},
          &main);
    });
    ui::ShowSecondaryWindow(editor, &main);
    test::Activate(editor);
  }

  // The main window shows a mod's captions (here its values as read) and copies them into the open editor.
  void Select(const std::string& modPath) {
    selected = modPath;
    shown = modinfo::ReadModInfo(library::ModFolder(t / "mods", modPath));
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
  void MakeNothing(ui::Answer answer, const std::string& report = "") {
    const auto before = test::TempTree::Snapshot(t / "mods");
    dialogs.Expect({kAskMake.text, kAskMake.title, kAskMake.buttons, kAskMake.icon, answer});
    if (answer == ui::Answer::Yes) dialogs.Expect({"", "Make file?", ui::Buttons::Ok, ui::Icon::Exclamation});
    Click("cmdMakeFile");
    EXPECT_EQ(dialogs.shown.back().text.rfind(report, 0), 0u) << dialogs.shown.back().text;
    EXPECT_EQ(test::TempTree::Snapshot(t / "mods"), before);
  }

  void Type(const char* box, const std::string& text) { test::TypeInto(Child<QLineEdit>(editor, box), text); }
  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(editor, button), Qt::LeftButton); }
  std::string Texts(const char* const (&names)[5]) {
    std::string out;
    for (const char* name : names) out += Str(Child<QWidget>(editor, name)->property("text").toString()) + "|";
    return out;
  }

  QApplication& app = test::GuiApp();
  test::TempTree t;
  const test::ScopedEnv cacheHome{"XDG_CACHE_HOME", (t / "cache").string()};
  test::ScriptedDialogs dialogs;
  QWidget main;
  std::string selected;
  modinfo::ModInfoTexts shown{"(No mod selected)", "(No mod selected)", "(No mod selected)", "(No mod selected)",
                              "Other: "};
  QPointer<modinfo::frmEditModInfo> slot;
  modinfo::frmEditModInfo* editor = nullptr;
};

TEST_F(EditModInfo, EmptyFieldsPreviewTheCaptionsTypedTextSurvivesAChangeOfModAndLineBreaksBecomeSpaces) {
  EXPECT_EQ(Child<QComboBox>(editor, "cboMod")->currentIndex(), -1);
  EXPECT_EQ(Texts(kPreviews), "(No mod selected)|(No mod selected)|(No mod selected)|Other: |(No mod selected)|");
  Type("txtAuthor", "  Me");
  Type("txtOtherHeading", "   ");  // only spaces: previews the caption
  Type("txtOther", "Thanks & more");
  Choose("Fleet");
  EXPECT_EQ(Texts(kPreviews), "  Me|Big ships|2|Other: |Thanks  more|");  // as the panel shows them
  // A pasted line break becomes a space, so no value forges a field; the rest is as typed before the change.
  QApplication::clipboard()->setText(QStringLiteral("\r\nVersion: 9"));
  Child<QLineEdit>(editor, "txtAuthor")->paste();
  Child<QLineEdit>(editor, "txtDescription")->insert(QStringLiteral("a\nb\u2029c"));
  EXPECT_EQ(Texts(kBoxes), "  Me Version: 9|a b c||   |Thanks & more|");
  dialogs.Expect(kAskMake);
  Click("cmdMakeFile");
  EXPECT_EQ(modinfo::ReadModInfo(t / "mods/Fleet").version, "(File does not contain version number)");
}

TEST_F(EditModInfo, MakesTheExactFileInTheSelectedAddonOnlyAfterYesOrReportsWhyNothingWasWritten) {
  dialogs.Expect({"Please select a mod.", "Drydock"});
  Click("cmdMakeFile");  // no choice yet
  Choose("    Patch");   // listed under its parent
  for (int i = 0; i < 5; ++i) Type(kBoxes[i], " " + std::to_string(i) + " ");
  MakeNothing(ui::Answer::No);
  for (const std::string file :
       {"Author:  0 \r\n\r\nDescription:  1 \r\n\r\nVersion:  2 \r\n\r\nOther Heading:  3 \r\n\r\nOther:  4 \r\n",
        "Author: \r\n\r\nDescription: \r\n\r\nVersion: \r\n\r\nOther Heading: \r\n\r\nOther: \r\n"}) {
    dialogs.Expect(kAskMake);
    Click("cmdMakeFile");
    EXPECT_EQ(test::TempTree::Snapshot(t / "mods"),  // in the addon's own folder; the parent's file is not touched
              (std::vector<std::string>{"Fleet/Addon/Patch/ModInfo.txt=" + file, "Fleet/ModInfo.txt=" + kFleetFile}));
    Click("cmdClear");  // the second file is made of empty fields
  }
  auto other = platform::WriterLock::Acquire({t / "mods"});  // another Drydock is changing the mods
  ASSERT_TRUE(other);
  MakeNothing(ui::Answer::Yes, "Another Drydock is changing the files in " + (t / "mods").string() +
                                   ". Try again when it has finished.");
  other.reset();
  std::filesystem::remove_all(t / "mods/Fleet/Addon/Patch");
  MakeNothing(ui::Answer::Yes, kNotMade + (t / "mods/Fleet/Addon/Patch").string());
  Choose("Fleet");
  t.MakeReadOnly("mods/Fleet/ModInfo.txt");
  MakeNothing(ui::Answer::Yes, kNotMade + (t / "mods/Fleet/ModInfo.txt").string());
  EXPECT_TRUE(dialogs.Done());
}

}  // namespace
