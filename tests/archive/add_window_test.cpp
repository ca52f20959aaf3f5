// The main window's add from an archive: the menu entry's shortcut and a
// drop on the window add the mod, select it and show its details; the
// leftover of a killed add goes at the next start.
#include <gtest/gtest.h>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QUrl>

#include "archive_builder.h"
#include "selector/frm_selector.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;

namespace {

class AddWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::GuiApp();
    t.Write("game/Armada2.exe", "");
    t.Write("prog/mods/Existing/ModInfo.txt", "");
    t.Write("prog/.drydock-add-k1lled00/odf/half.odf");  // left by a killed add
    ASSERT_TRUE(test::BuildArchive(t.MakeDir("in") / "Fleet_v2.zip", test::ArchiveFormat::Zip,
                                   {{"odf/a.odf", "a"}, {"ModInfo.txt", "Author: Someone\r\n"}}));
    window = std::make_unique<selector::frmSelector>(
        selector::SelectorServices{shell, dialogs, [](const std::atomic<bool>&) { return fs::path(); },
                                   [this](QWidget*) {
                                     ++chosen;
                                     return std::vector<fs::path>{t / "in/Fleet_v2.zip"};
                                   }});
    window->Startup(t / "prog", t / "game");
    QApplication::processEvents();
    test::Activate(window.get());
  }
  QListWidget* Mods() const { return test::Child<QListWidget>(window.get(), "lstMods"); }
  std::string Current() const { return Mods()->currentItem() ? test::Str(Mods()->currentItem()->text()) : ""; }

  test::TempTree t;
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  std::unique_ptr<selector::frmSelector> window;
  int chosen = 0;
};

TEST_F(AddWindow, CtrlNOrADropAddsTheArchiveUnderTheNameGivenAndSelectsIt) {
  EXPECT_FALSE(fs::exists(t / "prog/.drydock-add-k1lled00"));
  dialogs.ExpectInput("Existing");  // refused, and asked again
  dialogs.Expect({"Folder already exists.", "Drydock"});
  dialogs.ExpectInput("My Fleet");
  test::PressKey(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(chosen, 1);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(test::TempTree::Snapshot(t / "prog/mods/My Fleet"),
            (std::vector<std::string>{"ModInfo.txt=Author: Someone\r\n", "odf/a.odf=a"}));
  EXPECT_EQ(Current(), "My Fleet");
  EXPECT_EQ(test::Child<QLabel>(window.get(), "lblModsMaker")->text(), QStringLiteral("Someone"));
  EXPECT_EQ(window->findChild<QProgressDialog*>(), nullptr);  // closed again

  // Dropped on the window, it is added under the name proposed and selected.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString((t / "in/Fleet_v2.zip").string()))});
  const QPoint at = window->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  dialogs.ExpectInput("Fleet_v2");  // the proposal, taken as it is
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  for (int i = 0; i < 20 && !dialogs.Done(); ++i) QApplication::processEvents();
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(Current(), "Fleet_v2");
  EXPECT_EQ(chosen, 1);

  // A file that is no archive is not taken.
  QMimeData text;
  text.setUrls({QUrl::fromLocalFile(QString::fromStdString(t.Write("in/notes.txt").string()))});
  QDragEnterEvent other(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  other.setAccepted(false);
  QApplication::sendEvent(window.get(), &other);
  EXPECT_FALSE(other.isAccepted());
}

// `drydock FILE...` (the desktop entry's "Open with Drydock") hands its files to the window after start-up.
TEST_F(AddWindow, ArchivesNamedOnTheCommandLineAreAddedOneAfterTheOtherAndTheLastSelected) {
  ASSERT_TRUE(test::BuildArchive(t / "in/Second.7z", test::ArchiveFormat::SevenZip, {{"odf/b.odf", "b"}}));
  dialogs.ExpectInput("Fleet_v2");
  dialogs.ExpectInput("Second");
  window->AddArchivesWhenIdle({t / "in/Fleet_v2.zip", t / "in/Second.7z"});
  EXPECT_FALSE(dialogs.Done());  // not within the call: after it, as a drop
  for (int i = 0; i < 20 && !dialogs.Done(); ++i) QApplication::processEvents();
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(test::TempTree::Snapshot(t / "prog/mods/Second"), (std::vector<std::string>{"odf/b.odf=b"}));
  EXPECT_TRUE(fs::is_regular_file(t / "prog/mods/Fleet_v2/odf/a.odf"));
  EXPECT_EQ(Current(), "Second");
}

}  // namespace
