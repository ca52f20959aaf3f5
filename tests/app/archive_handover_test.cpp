// A second start with archives while a window runs for the same program
// folder: the real program hands them over, and the running window adds them.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QListWidget>
#include <QLocalServer>
#include <QProcess>
#include <QTest>
#include <atomic>
#include <thread>

#include "app/archive_handover.h"
#include "archive/archive_builder.h"
#include "platform/instance_lock.h"
#include "selector/frm_selector.h"
#include "support/child_process.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace std::chrono_literals;

namespace {

class Handover : public ::testing::Test {
 protected:
  void SetUp() override {
    test::GuiApp();
    t.Write("game/Armada2.exe", "");
    t.MakeDir("prog/mods");
    ASSERT_TRUE(lock.TryLock());
  }
  // The window of the first start, listening as main() makes it listen.
  void StartWindow() {
    window = std::make_unique<selector::frmSelector>(test::TestServices(shell, dialogs));
    window->Startup(t / "prog", t / "game");
    handover = std::make_unique<app::ArchiveHandover>(app::HandoverName(lock), [this](std::vector<fs::path> archives) {
      app::GiveArchivesToWindow(*window, std::move(archives));
    });
    ASSERT_TRUE(handover->Listening());
  }

  test::TempTree t;
  platform::InstanceLock lock{t / "prog"};
  test::RecordingShell shell;
  test::ScriptedDialogs dialogs;
  std::unique_ptr<selector::frmSelector> window;
  std::unique_ptr<app::ArchiveHandover> handover;
};

TEST_F(Handover, ASecondStartHandsItsArchivesToTheRunningWindowWhichAddsThemAndExitsZero) {
  if (const char* why = test::WhyNoProgram()) GTEST_SKIP() << why;
  ASSERT_TRUE(test::BuildArchive(t.MakeDir("in") / "Fleet_v2.zip", test::ArchiveFormat::Zip,
                                 {{"odf/a.odf", "a"}, {"ModInfo.txt", "Author: Someone\r\n"}}));
  StartWindow();
  dialogs.ExpectInput("Fleet_v2");  // the running window asks for the name, proposing the archive's
  QProcess second;
  second.setWorkingDirectory(QString::fromStdString(t.root().string()));  // the archive is named relative to it
  second.start(QStringLiteral(DRYDOCK_EXE),
               {QStringLiteral("--program-dir"), QString::fromStdString((t / "prog").string()),
                QStringLiteral("in/Fleet_v2.zip")});
  ASSERT_TRUE(second.waitForStarted(5000));
  // The window keeps running its events while the second start waits for its word.
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.Done(); }, 10000));
  EXPECT_EQ(test::TempTree::Snapshot(t / "prog/mods/Fleet_v2"),
            (std::vector<std::string>{"ModInfo.txt=Author: Someone\r\n", "odf/a.odf=a"}));
  const QListWidgetItem* current = test::Child<QListWidget>(window.get(), "lstMods")->currentItem();
  ASSERT_TRUE(current);
  EXPECT_EQ(test::Str(current->text()), "Fleet_v2");
}

TEST_F(Handover, ArchivesGoOverAsAbsolutePathsOddNamesWholeAndAreConfirmed) {
  const QString name = QStringLiteral("drydock-test-") + QString::number(QCoreApplication::applicationPid());
  std::vector<fs::path> taken;
  const app::ArchiveHandover listener(name, [&](std::vector<fs::path> archives) { taken = std::move(archives); });
  ASSERT_TRUE(listener.Listening());
  const std::vector<fs::path> sent{"relative/Fleet.zip", t / "line\nbreak \xC3\xA9.7z"};
  // The sender blocks, so it runs on a thread of its own while the listener's events run here.
  std::atomic<bool> confirmed = false;
  std::thread sender([&] { confirmed = app::HandArchivesOver(name, sent, 5000ms); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return !taken.empty(); }, 5000));  // not ASSERT: the sender is joined first
  sender.join();
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(taken, (std::vector<fs::path>{fs::absolute(sent[0]), sent[1]}));
}

TEST_F(Handover, NobodyListeningOrAnsweringIsToldWithinTheDeadline) {
  // Nobody listens under that name; then one listens and never answers.
  const QString name = QStringLiteral("drydock-silent-") + QString::number(QCoreApplication::applicationPid());
  for (const bool listening : {false, true}) {
    QLocalServer silent;
    if (listening) {
      ASSERT_TRUE(silent.listen(name));
    }
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(app::HandArchivesOver(name, {t / "Fleet.zip"}, 500ms)) << listening;
    EXPECT_LT(clock.elapsed(), 3000) << listening;
  }
}

}  // namespace
