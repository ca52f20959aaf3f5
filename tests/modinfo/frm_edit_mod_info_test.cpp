// The ModInfo editor beside a main window that shows a mod's details as the
// program's does, driven through its controls with scripted message boxes.
#include "modinfo/frm_edit_mod_info.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "modinfo/mod_info_writer.h"
#include "platform/writer_lock.h"
#include "support/gui_input.h"
#include "support/scoped_env.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "ui/secondary_window.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::Child;
using test::Str;
using Box = test::ScriptedDialogs::Box;

namespace {

const char* const kBoxes[] = {"txtAuthor", "txtDescription", "txtVersion", "txtOtherHeading", "txtOther"};
const char* const kPreviews[] = {"lblModsMaker", "lblModsDescription", "lblModsVersion", "lblModsOtherHeading",
                                 "lblModsOther"};
const Box kAskMake{"Are you sure you want to make the file?", "Make file?", ui::Buttons::YesNo, ui::Icon::Question,
                   ui::Answer::Yes};

class EditModInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    t.Write("mods/Fleet/ModInfo.txt", "Author: Old\r\nDescription: Big ships\r\nVersion: 2\r\n");
    t.MakeDir("mods/Fleet/Addon/Patch");
    t.MakeDir("mods/Borg");
    main.resize(300, 300);
    main.show();
    editor = ui::SecondaryWindow(slot, &main, nullptr, [this] {
      return new modinfo::frmEditModInfo(
          {t / "mods", dialogs, [this] { return library::FillModList(t / "mods"); }, [this] { return selected; },
           [this](const std::string& modPath) { Select(modPath); }, [this] { return shown; },
           [this] {
             ++filesMade;
             Select(selected);
           }},
          &main);
    });
    ui::ShowSecondaryWindow(editor, &main);
    test::Activate(editor);
  }

  // The main window's details display: its captions, copied into the open editor; its list takes the keyboard.
  void Select(const std::string& modPath) {
    selected = modPath;
    const modinfo::ModInfoTexts info = modinfo::ReadModInfo(library::ModFolder(t / "mods", modPath));
    for (auto field :
         {&modinfo::ModInfoTexts::author, &modinfo::ModInfoTexts::description, &modinfo::ModInfoTexts::version,
          &modinfo::ModInfoTexts::other, &modinfo::ModInfoTexts::otherHeading}) {
      shown.*field = modinfo::StripMnemonics(info.*field);
    }
    if (slot) slot->ShowModValues(info);
    main.activateWindow();
  }

  // Picks `entry` from the mod box's list with the mouse.
  void Choose(const char* entry) {
    auto* box = Child<QComboBox>(editor, "cboMod");
    const int index = box->findText(QString::fromUtf8(entry));
    ASSERT_GE(index, 0) << entry;
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(view->model()->index(index, 0)).center());
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));  // the editor takes the focus back from the main window
  }

  QLineEdit* Field(const char* name) { return Child<QLineEdit>(editor, name); }
  void Type(const char* box, const std::string& text) { test::TypeInto(Field(box), text); }
  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(editor, button), Qt::LeftButton); }
  std::string Boxes() {
    std::string out;
    for (const char* name : kBoxes) out += Str(Field(name)->text()) + "|";
    return out;
  }
  std::string Previews() {
    std::string out;
    for (const char* name : kPreviews) out += Str(Child<QLabel>(editor, name)->text()) + "|";
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
  int filesMade = 0;
  QPointer<modinfo::frmEditModInfo> slot;
  modinfo::frmEditModInfo* editor = nullptr;
};

TEST_F(EditModInfo, EmptyFieldsPreviewTheMainWindowsCaptionsAndTypedTextSurvivesAChangeOfMod) {
  auto* mods = Child<QComboBox>(editor, "cboMod");
  EXPECT_EQ(Str(editor->windowTitle()), "Edit ModInfo.txt file");
  EXPECT_EQ(mods->count(), 3);
  EXPECT_EQ(Str(mods->itemText(1)) + "," + Str(mods->itemText(2)), "Fleet,    Patch");  // the addon under its parent
  EXPECT_EQ(mods->currentIndex(), -1);
  EXPECT_EQ(Previews(), "(No mod selected)|(No mod selected)|(No mod selected)|Other: |(No mod selected)|");

  Type("txtAuthor", "  Me");
  Type("txtOtherHeading", "   ");  // only spaces: previews the caption
  Choose("Fleet");
  EXPECT_EQ(selected, "Fleet");
  EXPECT_EQ(Boxes(), "  Me|||   ||");  // as typed
  EXPECT_EQ(Previews(), "  Me|Big ships|2|Other: |(File does not contain 'other')|");
  Choose("Borg");
  EXPECT_EQ(Previews(),
            "  Me|(File 'ModInfo.txt' not found)|(File 'ModInfo.txt' not found)|Other: |"
            "(File 'ModInfo.txt' not found)|");
  Type("txtOther", "Thanks & more");
  EXPECT_EQ(Str(Child<QLabel>(editor, "lblModsOther")->text()), "Thanks  more");  // as the panel shows it

  // A mod shown by the main window fills every box, and the mod box names it.
  Select("Fleet");
  EXPECT_EQ(Boxes(), "Old|Big ships|2|Other: |(File does not contain 'other')|");
  EXPECT_EQ(Str(mods->currentText()), "Fleet");
  test::Activate(editor);
  test::PressKey(Qt::Key_C, Qt::AltModifier);  // a mnemonic clicks a moment later, as a user sees it pressed
  EXPECT_TRUE(QTest::qWaitFor([&] { return Boxes() == "|||||"; })) << Boxes();
  EXPECT_EQ(Previews(), "Old|Big ships|2|Other: |(File does not contain 'other')|");
}

TEST_F(EditModInfo, MakesTheExactFileInTheSelectedModOrAddonOnlyAfterYes) {
  dialogs.Expect({"Please select a mod.", "Drydock"});
  Click("cmdMakeFile");  // no choice yet
  Choose("    Patch");
  EXPECT_EQ(selected, "Fleet\\Addon\\Patch");
  const auto before = test::TempTree::Snapshot(t / "mods");
  for (const char* box : kBoxes) Type(box, std::string(" ") + box + " ");
  dialogs.Expect({kAskMake.text, kAskMake.title, kAskMake.buttons, kAskMake.icon, ui::Answer::No});
  Click("cmdMakeFile");
  EXPECT_EQ(test::TempTree::Snapshot(t / "mods"), before);

  const struct {
    bool clear;
    std::string file;
  } cases[] = {
      {false,
       "Author:  txtAuthor \r\n\r\nDescription:  txtDescription \r\n\r\nVersion:  txtVersion \r\n\r\n"
       "Other Heading:  txtOtherHeading \r\n\r\nOther:  txtOther \r\n"},
      {true, "Author: \r\n\r\nDescription: \r\n\r\nVersion: \r\n\r\nOther Heading: \r\n\r\nOther: \r\n"},
  };
  for (int made = 1; const auto& c : cases) {
    if (c.clear) Click("cmdClear");
    dialogs.Expect(kAskMake);
    test::PressKey(Qt::Key_M, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return filesMade == made; }));
    ++made;
    // In the addon's own folder; the parent's file is not touched.
    EXPECT_EQ(test::TempTree::Snapshot(t / "mods"),
              (std::vector<std::string>{"Borg/", "Fleet/Addon/Patch/ModInfo.txt=" + c.file,
                                        "Fleet/ModInfo.txt=Author: Old\r\nDescription: Big ships\r\nVersion: 2\r\n"}));
    EXPECT_TRUE(QTest::qWaitForWindowActive(editor));
  }
  EXPECT_EQ(filesMade, 2);
  // The main window showed the new file, which came back into the boxes.
  EXPECT_EQ(Boxes(),
            "(File does not contain author)|(File does not contain description)|(File does not contain version "
            "number)|(File does not contain OtherHeading)|(File does not contain Other)|");
  EXPECT_TRUE(dialogs.Done());
}

TEST_F(EditModInfo, APastedLineBreakBecomesASpaceSoNoValueForgesAField) {
  Choose("Fleet");
  QApplication::clipboard()->setText(QStringLiteral("Me\r\nVersion: 9"));
  Field("txtAuthor")->setFocus();
  test::PressKey(Qt::Key_V, Qt::ControlModifier);
  Field("txtOther")->insert(QStringLiteral("a\nb\u2029c"));
  EXPECT_EQ(Boxes(), "Me Version: 9||||a b c|");
  dialogs.Expect(kAskMake);
  Click("cmdMakeFile");
  const modinfo::ModInfoTexts read = modinfo::ReadModInfo(t / "mods/Fleet");
  EXPECT_EQ(read.author + "|" + read.version + "|" + read.other,
            "Me Version: 9|(File does not contain version number)|a b c");
}

TEST_F(EditModInfo, AGoneFolderOrAHeldLockIsReportedAndNothingIsWritten) {
  Choose("Borg");
  fs::remove(t / "mods/Borg");
  const auto gone = test::TempTree::Snapshot(t / "mods");
  dialogs.Expect(kAskMake);
  dialogs.Expect({"", "Make file?", ui::Buttons::Ok, ui::Icon::Exclamation});
  Click("cmdMakeFile");
  EXPECT_EQ(dialogs.shown.back().text.rfind(
                "ModInfo.txt could not be made; nothing was changed:\n" + (t / "mods/Borg").string(), 0),
            0u)
      << dialogs.shown.back().text;
  EXPECT_EQ(test::TempTree::Snapshot(t / "mods"), gone);  // the folder is not made again

  Choose("Fleet");
  const auto before = test::TempTree::Snapshot(t / "mods");
  const auto other = platform::WriterLock::Acquire({t / "mods"});  // another Drydock is changing the mods
  ASSERT_TRUE(other);
  Type("txtAuthor", "Me");
  dialogs.Expect(kAskMake);
  dialogs.Expect({"Another Drydock is changing this game's files. Try again when it has finished.", "Make file?",
                  ui::Buttons::Ok, ui::Icon::Exclamation});
  Click("cmdMakeFile");
  EXPECT_EQ(test::TempTree::Snapshot(t / "mods"), before);
  EXPECT_EQ(filesMade, 0);
  EXPECT_TRUE(dialogs.Done());
}

}  // namespace
