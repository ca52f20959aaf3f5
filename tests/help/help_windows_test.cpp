// The readme, changes and about windows, opened from a main window as the
// program opens them and driven with clicks and keys.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "help/frm_about.h"
#include "help/frm_changes.h"
#include "help/frm_readme.h"
#include "help/help_texts.h"
#include "help/readme_topics.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/temp_tree.h"
#include "ui/secondary_window.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::Child;

namespace {

std::string Str(const QString& s) { return s.toStdString(); }
std::string Text(const QWidget* window, const char* label) { return Str(Child<QLabel>(window, label)->text()); }

class HelpWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    QPixmap icon(16, 16);
    icon.fill(Qt::darkGreen);
    main.setWindowIcon(QIcon(icon));
    main.resize(400, 300);
    main.show();
  }

  // Opens the window in `slot` as the main window's menu does, and waits until it has the keyboard.
  template <typename W, typename Make>
  W* Open(QPointer<W>& slot, Make make) {
    W* window = ui::SecondaryWindow(slot, &main, nullptr, make);
    ui::ShowSecondaryWindow(window, &main);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(window->parentWidget(), &main);
    EXPECT_TRUE(window->isWindow());
    return window;
  }

  // Closing deletes the window, so the next opening starts afresh.
  template <typename W>
  void ExpectClosedBy(QPointer<W>& slot, const char* button) {
    QTest::mouseClick(Child<QPushButton>(slot, button), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(slot.isNull()) << button;
  }

  // Every label shows its whole text: one line at least as wide as it needs, a wrapped one as tall,
  // and nothing around it hides a part of its width.
  static void ExpectNothingClipped(const QWidget* window) {
    for (const QLabel* label : window->findChildren<QLabel*>()) {
      if (!label->isVisible() || label->text().isEmpty()) continue;
      for (const QWidget* around = label->parentWidget(); around; around = around->parentWidget()) {
        const int left = label->mapTo(around, QPoint(0, 0)).x();
        EXPECT_TRUE(left >= 0 && left + label->width() <= around->width()) << Str(label->objectName());
        if (around->isWindow()) break;
      }
      if (label->wordWrap()) {
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << Str(label->objectName());
      } else {
        EXPECT_GE(label->width(), label->sizeHint().width()) << Str(label->objectName());
      }
    }
  }
  // The same window opened again at a larger font, as a main window with a larger font gives it.
  template <typename W, typename Make>
  void ExpectNothingClippedAtAnyFont(QPointer<W>& slot, Make make, Qt::Key key = Qt::Key_unknown) {
    for (const int pointSize : {8, 11, 16}) {
      SCOPED_TRACE(pointSize);
      QFont font = main.font();
      font.setPointSize(pointSize);
      main.setFont(font);
      W* window = Open(slot, make);
      if (key != Qt::Key_unknown) test::PressKey(key);
      ExpectNothingClipped(window);
      window->resize(1, 1);  // as small as the user can make it
      QApplication::processEvents();
      ExpectNothingClipped(window);
      slot->close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }

  QApplication& app = test::GuiApp();  // made before the main window below
  QWidget main;
  test::RecordingShell shell;
};

TEST_F(HelpWindows, ReadmeShowsTheTopicChosenByClickOrArrowKeyAndTheContactOnlyForTheLast) {
  QPointer<help::frmReadme> slot;
  const fs::path programDir = "/opt/drydock";
  const auto make = [&] { return new help::frmReadme(programDir, shell, &main); };
  help::frmReadme* readme = Open(slot, make);
  EXPECT_EQ(Str(readme->windowTitle()), "View Readme");
  auto* list = Child<QListWidget>(readme, "lstChoices");
  auto* email = Child<QLabel>(readme, "lblEmail");
  const auto shows = [&](const QString& entry) {
    return Text(readme, "lblDisplay") == help::TopicText(Str(entry.trimmed()), programDir);
  };
  ASSERT_EQ(list->count(), 25);
  EXPECT_EQ(Str(list->currentItem()->text()), "Introduction");
  EXPECT_TRUE(shows(QStringLiteral("Introduction")));
  EXPECT_EQ(QApplication::focusWidget(), list);
  EXPECT_TRUE(email->isHidden());

  for (int row = 0; row < list->count(); ++row) {
    QListWidgetItem* item = list->item(row);
    SCOPED_TRACE(Str(item->text()));
    EXPECT_EQ(Str(item->text()), help::ReadmeTopics()[row].entry);
    list->scrollToItem(item);
    test::ClickItem(list, item);
    EXPECT_EQ(list->currentRow(), row);
    EXPECT_TRUE(shows(item->text()));
    EXPECT_EQ(email->isVisible(), row == list->count() - 1);
  }

  test::PressKey(Qt::Key_Up);
  EXPECT_TRUE(shows(list->item(23)->text()));
  EXPECT_TRUE(email->isHidden());
  test::PressKey(Qt::Key_Down);
  EXPECT_TRUE(email->isVisible());
  QTest::mouseClick(email, Qt::LeftButton);
  EXPECT_EQ(shell.calls, std::vector<std::string>{"open mailto:" + Text(readme, "lblEmail")});
  EXPECT_NE(Text(readme, "lblEmail").find('@'), std::string::npos);
  test::PressKey(Qt::Key_Home);  // the list keeps the keyboard after the click on the address
  EXPECT_TRUE(shows(QStringLiteral("Introduction")));
  EXPECT_TRUE(email->isHidden());

  test::PressKey(Qt::Key_End);
  readme->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(slot.isNull());
  readme = Open(slot, make);
  EXPECT_EQ(Str(Child<QListWidget>(readme, "lstChoices")->currentItem()->text()), "Introduction") << "opens afresh";
  ExpectNothingClipped(readme);
  readme->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ExpectNothingClippedAtAnyFont(slot, make, Qt::Key_End);  // the last topic shows the address too
}

TEST_F(HelpWindows, ChangesListsTheVersionAndTwentyChangesAndOKClosesIt) {
  QPointer<help::frmChanges> slot;
  const auto make = [&] { return new help::frmChanges(&main); };
  help::frmChanges* changes = Open(slot, make);
  EXPECT_EQ(Str(changes->windowTitle()), "Changes from last release");
  EXPECT_EQ(Text(changes, "lblVersion"), "Version 0.8.17");
  for (size_t i = 0; i < help::texts::kChanges.size(); ++i) {
    const std::string name = "lblChanges" + std::to_string(i + 1);
    EXPECT_EQ(Text(changes, name.c_str()), help::texts::kChanges[i]);
  }
  EXPECT_EQ(changes->findChildren<QLabel*>().size(), 21);
  ExpectClosedBy(slot, "OKButton");
  ExpectNothingClippedAtAnyFont(slot, make);
}

TEST_F(HelpWindows, AboutShowsTheProgramAndThePatchLevelOfTheGameAndOKClosesIt) {
  test::TempTree t;
  t.Write("game/ARMADA II 1.1 PATCH README.TXT", "notes");
  for (const auto& [gameDir, patchLevel] :
       {std::pair{std::optional<fs::path>(t / "game"), "1.1 (Patched)"}, {std::nullopt, "1.0 (Unpatched)"}}) {
    SCOPED_TRACE(patchLevel);
    QPointer<help::frmAbout> slot;
    help::frmAbout* about = Open(slot, [&] { return new help::frmAbout(gameDir, &main); });
    EXPECT_EQ(Str(about->windowTitle()), "About Drydock");
    EXPECT_EQ(Text(about, "lblTitle"), "Name: Drydock");
    EXPECT_EQ(Text(about, "lblVersion"), "Version 0.8.17");
    EXPECT_EQ(Text(about, "lblDescription"), help::texts::kAboutDescription);
    EXPECT_EQ(Text(about, "lblCurVersion"), std::string("Current version of Armada II installed: ") + patchLevel);
    EXPECT_EQ(Child<QLabel>(about, "picIcon")->pixmap().toImage().pixelColor(4, 4), QColor(Qt::darkGreen));
    ExpectClosedBy(slot, "cmdOK");
  }
  QPointer<help::frmAbout> slot;
  ExpectNothingClippedAtAnyFont(slot, [&] { return new help::frmAbout(std::nullopt, &main); });
}

}  // namespace
