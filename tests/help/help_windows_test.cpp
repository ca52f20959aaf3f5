// The readme, changes and about windows, opened from a main window as the program does and driven as a user does.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <utility>

#include "help/frm_about.h"
#include "help/frm_changes.h"
#include "help/frm_readme.h"
#include "help/help_texts.h"
#include "help/readme_topics.h"
#include "help/versions.h"
#include "launch/launch_texts.h"
#include "support/gui_input.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "ui/secondary_window.h"

namespace fs = std::filesystem;
using namespace drydock;
using test::Child;
using test::Str;

std::string Text(const QWidget* window, const char* label) { return Str(Child<QLabel>(window, label)->text()); }

// Every label shows its whole text: one line as wide as it needs, a wrapped one as tall, and nothing around it
// hides a part of its width.
void ExpectNothingClipped(const QWidget* window) {
  for (const QLabel* label : window->findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    SCOPED_TRACE(Str(label->objectName()));
    for (const QWidget* around = label; !around->isWindow();) {
      around = around->parentWidget();
      const int left = label->mapTo(around, QPoint(0, 0)).x();
      EXPECT_TRUE(left >= 0 && left + label->width() <= around->width()) << Str(around->objectName());
    }
    const bool wraps = label->wordWrap();
    EXPECT_GE(wraps ? label->height() : label->width(),
              wraps ? label->heightForWidth(label->width()) : label->sizeHint().width());
  }
}

class HelpWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    QPixmap icon(16, 16);
    icon.fill(Qt::darkGreen);
    main.setWindowIcon(QIcon(icon));
    main.resize(400, 300);
    main.show();
  }

  // Opens the window as the main window's menu does, at each font size the main window may have; `use` works it.
  // Nothing is clipped, also in a window as small as the user can make it. The button `close` (none: the window's
  // own close) closes it, which deletes it, so the next opening starts afresh.
  template <typename Make, typename Use>
  void AtEachFont(Make make, const char* close, Use use) {
    decltype(QPointer(make())) slot;
    for (const int pointSize : {QApplication::font().pointSize(), 8, 11, 16}) {
      SCOPED_TRACE(pointSize);
      main.setFont(QFont(main.font().family(), pointSize));
      auto* window = ui::SecondaryWindow(slot, &main, nullptr, make);
      ui::ShowSecondaryWindow(window, &main);
      ASSERT_TRUE(QTest::qWaitForWindowActive(window) && window->isWindow() && window->parentWidget() == &main);
      use(window);
      QApplication::processEvents();  // lays the window out for what `use` left in it, as before it is drawn
      ExpectNothingClipped(window);
      window->resize(1, 1);
      QApplication::processEvents();
      ExpectNothingClipped(window);
      close ? QTest::mouseClick(Child<QPushButton>(window, close), Qt::LeftButton) : void(window->close());
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      EXPECT_TRUE(slot.isNull());
    }
  }

  QApplication& app = test::GuiApp();  // made before the main window below
  QWidget main;
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
};

TEST_F(HelpWindows, ReadmeShowsTheTopicChosenByClickOrArrowKeyAndTheContactOnlyForTheLast) {
  const auto make = [&] { return new help::frmReadme("/opt/drydock", shell, dialogs, &main); };
  AtEachFont(make, nullptr, [&](QWidget* readme) {
    // The current topic, marked when the page holds another text, and whether the address shows under it.
    const auto shown = [&] {
      const std::string title = Str(Child<QListWidget>(readme, "lstChoices")->currentItem()->text().trimmed());
      return title + (Text(readme, "lblDisplay") == help::TopicText(title, "/opt/drydock") ? "" : " (other text)") +
             (Child<QLabel>(readme, "lblEmail")->isVisible() ? " + address" : "");
    };
    EXPECT_EQ(Str(readme->windowTitle()) + ": " + shown(), "View Readme: Introduction");
    test::PressKey(Qt::Key_End);  // the list has the keyboard
    EXPECT_EQ(shown(), "Report a bug/make a suggestion + address");
    auto* list = Child<QListWidget>(readme, "lstChoices");
    ASSERT_EQ(list->count(), 25);
    for (int row = 0; row < list->count(); ++row) {
      QListWidgetItem* item = list->item(row);
      EXPECT_EQ(Str(item->text()), help::ReadmeTopics()[row].entry);
      list->scrollToItem(item);
      test::ClickItem(list, item);
      EXPECT_EQ(shown(), Str(item->text().trimmed()) + (row == 24 ? " + address" : ""));
    }
    QTest::mouseClick(Child<QLabel>(readme, "lblEmail"), Qt::LeftButton);
    EXPECT_EQ(std::exchange(shell.calls, {}), std::vector<std::string>{"open mailto:drydock-feedback@example.org"});
    // Without a program for e-mail the address is told, to be written to by hand.
    shell.openFailure = "xdg-open was not found";
    dialogs.Expect({launch::texts::NotOpened("mailto:drydock-feedback@example.org", "xdg-open was not found"),
                    "Could not open", flow::Buttons::Ok, flow::Icon::Exclamation});
    QTest::mouseClick(Child<QLabel>(readme, "lblEmail"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.Done());
    shell.openFailure.reset();
    shell.calls.clear();
    test::PressKey(Qt::Key_Up);  // the list keeps the keyboard after the click on the address
    EXPECT_EQ(shown(), Str(list->item(23)->text().trimmed()));
    test::PressKey(Qt::Key_Down);
    EXPECT_EQ(shown(), "Report a bug/make a suggestion + address");
  });
}

TEST_F(HelpWindows, ChangesListsTheVersionAndTwentyChangesAndOKClosesIt) {
  const auto make = [&] { return new help::frmChanges(&main); };
  AtEachFont(make, "OKButton", [](QWidget* changes) {
    EXPECT_EQ(Str(changes->windowTitle()) + " / " + Text(changes, "lblVersion"),
              "Changes from last release / " + help::ProgramVersionLine());
    for (size_t i = 0; i < help::texts::kChanges.size(); ++i)
      EXPECT_EQ(Text(changes, ("lblChanges" + std::to_string(i + 1)).c_str()), help::texts::kChanges[i]);
  });
}

TEST_F(HelpWindows, AboutShowsTheProgramAndThePatchLevelOfTheGameAndOKClosesIt) {
  test::TempTree t;
  t.Write("game/ARMADA II 1.1 PATCH README.TXT", "notes");
  for (const auto& [gameDir, patchLevel] :
       {std::pair{std::optional<fs::path>(t / "game"), "1.1 (Patched)"}, {std::nullopt, "1.0 (Unpatched)"}}) {
    SCOPED_TRACE(patchLevel);
    const auto make = [&] { return new help::frmAbout(gameDir, &main); };
    AtEachFont(make, "cmdOK", [&](QWidget* about) {
      EXPECT_EQ(Str(about->windowTitle()) + " / " + Text(about, "lblTitle") + " / " + Text(about, "lblVersion"),
                "About Drydock / Name: Drydock / " + help::ProgramVersionLine());
      EXPECT_EQ(Text(about, "lblDescription"), help::texts::kAboutDescription);
      EXPECT_EQ(Text(about, "lblCurVersion"), std::string("Current version of Armada II installed: ") + patchLevel);
      EXPECT_EQ(Child<QLabel>(about, "picIcon")->pixmap().toImage().pixelColor(4, 4), QColor(Qt::darkGreen));
    });
  }
}
