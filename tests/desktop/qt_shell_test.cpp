// The desktop's opener as QtShell runs it on Linux: missing, failing at once
// or later, or opening.
#include "desktop/qt_shell.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include "support/gui_input.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;

namespace {

TEST(QtShell, AnOpenerThatIsMissingOrEndsWithAnErrorIsToldWithWhatItSaid) {
#if defined(_WIN32) || defined(__APPLE__)
  GTEST_SKIP() << "the system's shell opens there, not xdg-open";
#endif
  test::GuiApp();
  test::TempTree t;
  const test::ScopedEnv path("PATH", (t / "bin").string());
  desktop::QtShell shell;
  std::vector<std::string> told;
  shell.OnOpenFailedLater(
      [&](const std::string& target, const std::string& reason) { told.push_back(target + " | " + reason); });
  const platform::OpenResult missing = shell.ShellOpen("/some/folder");
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.reason.find("xdg-open"), std::string::npos) << missing.reason;

  // A stand-in that fails for one name only, as xdg-open does without a program for it, and adds what it was given
  // to a list (openers run side by side, so they end in any order).
  t.Write("bin/xdg-open",
          "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.given\"\ncase \"$1\" in *broken*) echo \"no method available for "
          "'$1'\" "
          ">&2; exit 3;; esac\nexit 0\n");
  fs::permissions(t / "bin/xdg-open", fs::perms::owner_all);
  EXPECT_TRUE(shell.ShellOpen("https://example.org/"));
  // A name that is not UTF-8 reaches the opener as its own bytes.
  EXPECT_TRUE(shell.ShellOpen("/mods/caf\xE9.txt"));
  const auto given = [&] {
    const std::string text = test::TempTree::Read(t / "bin/xdg-open.given");
    return text == "https://example.org/\n/mods/caf\xE9.txt\n" || text == "/mods/caf\xE9.txt\nhttps://example.org/\n";
  };
  EXPECT_TRUE(QTest::qWaitFor(given, 5000)) << test::TempTree::Read(t / "bin/xdg-open.given");
  EXPECT_TRUE(shell.ShellOpen("/mods/broken mod"));  // taken; its failure shows a moment later
  EXPECT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 5000));
  EXPECT_EQ(told, std::vector<std::string>{"/mods/broken mod | xdg-open ended with exit status 3:\n"
                                           "no method available for '/mods/broken mod'"});
}

}  // namespace
