// The message boxes as a player meets them: Enter takes the answer that keeps
// the file on a question that deletes or overwrites.
#include "ui/qt_dialogs.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "support/gui_input.h"

using namespace drydock;
using flow::Answer;
using flow::Buttons;

namespace {

TEST(QtDialogs, EnterTakesTheSafeAnswerOfADestructiveQuestionAndTheUsualOneOfAnyOther) {
  test::GuiApp();
  ui::QtDialogs dialogs;
  const struct {
    bool destructive;
    Buttons buttons;
    Answer enter;
  } cases[] = {{false, Buttons::YesNo, Answer::Yes},       {true, Buttons::YesNo, Answer::No},
               {false, Buttons::YesNoCancel, Answer::Yes}, {true, Buttons::YesNoCancel, Answer::No},
               {false, Buttons::OkCancel, Answer::Ok},     {true, Buttons::OkCancel, Answer::Cancel},
               {false, Buttons::Ok, Answer::Ok},           {false, Buttons::AbortRetryIgnore, Answer::Retry}};
  const std::string title = "Remove the Romulan Star Empire mod from your hard drive?";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.buttons)) + (c.destructive ? " destructive" : ""));
    bool shown = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = true;
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_Return);
    });
    const Answer got = c.destructive ? dialogs.AskDestructive("Sure?", title, c.buttons, flow::Icon::Question)
                                     : dialogs.Ask("Sure?", title, c.buttons, flow::Icon::Question);
    EXPECT_TRUE(shown);
    EXPECT_EQ(got, c.enter);
  }
}

}  // namespace
