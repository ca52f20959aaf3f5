// The installed and conflict markers of the main window's list, as a player
// sees them (each entry's marker and tooltip), through an install and an
// uninstall, beside what `drydock conflicts --json` says; and a window closed
// while the index is still being built.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <sstream>

#include "cli/cli.h"
#include "selector/frm_selector.h"
#include "selector/mod_list_markers.h"
#include "support/gui_input.h"
#include "support/main_window.h"
#include "support/recording_shell.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::test;
using Rows = std::vector<std::string>;

namespace {

constexpr int kDeadlineMs = 10000;

class Markers : public ::testing::Test {
 protected:
  void SetUp() override {
    GuiApp();
    // Alpha and Borg hold fed.odf with other bytes of one size, Cardassia with another size; same.odf holds the
    // same bytes in Alpha and Borg; every mod has a picture and an information file of its own.
    t.Write("prog/mods/Alpha/odf/ships/fed.odf", "aaa");
    t.Write("prog/mods/Alpha/odf/ships/same.odf", "same");
    t.Write("prog/mods/Alpha/ModPic.bmp", "A picture");
    t.Write("prog/mods/Borg/ODF/Ships/FED.ODF", "bbb");
    t.Write("prog/mods/Borg/odf/ships/same.odf", "same");
    t.Write("prog/mods/Borg/ModPic.bmp", "B picture");
    t.Write("prog/mods/Borg/ModInfo.txt", "Author: B\r\n");
    t.Write("prog/mods/Cardassia/odf/ships/fed.odf", "cccc");
    t.Write("prog/mods/Cardassia/sounds/c.wav", "c");
    t.Write("prog/mods/Cardassia/ModPic.bmp", "C picture");
    t.Write("game/Armada2.exe", "");
    t.Write("game/odf/ships/fed.odf", "game");
  }
  void Start() {
    window = std::make_unique<selector::frmSelector>(TestServices(shell, dialogs));
    built = std::make_unique<QSignalSpy>(window->findChild<QObject*>(QStringLiteral("modListMarkers")),
                                         SIGNAL(markersShown()));
    window->Startup(t / "prog", t / "game");
    QApplication::processEvents();
  }
  QListWidget* Mods() const { return Child<QListWidget>(window.get(), "lstMods"); }
  // Each entry as a player reads it: its name, its markers and its tooltip.
  Rows Shown() const {
    Rows rows;
    for (int i = 0; i < Mods()->count(); ++i) {
      const QListWidgetItem* item = Mods()->item(i);
      rows.push_back(Str(item->text()) + " | " + Str(item->data(selector::kMarkerRole).toString()) + " | " +
                     Str(item->toolTip()));
    }
    return rows;
  }
  // The rows whose mod is not installed and shares files with an installed one.
  Rows Conflicting() const {
    Rows rows = Shown();
    std::erase_if(rows, [](const std::string& row) { return row.find(" | \u26A0") == std::string::npos; });
    return rows;
  }
  bool ShowsSoon(const Rows& rows) const {
    return QTest::qWaitFor([&] { return Shown() == rows; }, kDeadlineMs);
  }
  // Installs (or uninstalls) Borg with the keyboard, answering Yes.
  void Borg(bool install) {
    ClickText(Mods(), "Borg");
    dialogs.Expect({install ? "You have selected the Borg mod. Do you want to install it?"
                            : "Are you sure you want to uninstall the Borg mod?",
                    install ? "Install Borg mod?" : "Uninstall Borg mod?", flow::Buttons::YesNo, flow::Icon::Question,
                    flow::Answer::Yes});
    PressKey(install ? Qt::Key_I : Qt::Key_U, Qt::ControlModifier);
    ASSERT_TRUE(dialogs.Done());
  }
  // Picks `game` as a player does: Ctrl+H, the folder typed into the box, OK clicked.
  void ChooseGame(const fs::path& game) {
    Activate(window.get());
    PressKey(Qt::Key_H, Qt::ControlModifier);
    auto* dialog = window->findChild<QWidget*>(QStringLiteral("frmChangeA2Dir"));
    ASSERT_TRUE(dialog && dialog->isVisible());
    TypeInto(Child<QLineEdit>(dialog, "txtDir"), game.string());
    QTest::mouseClick(Child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, kDeadlineMs));
  }
  // The rows of the mods not installed that `drydock conflicts --json` says share files with an installed mod, made
  // from its "name", "sharedWithInstalled" and "installedSharing" (read line by line: the names at their own indents).
  Rows FromCommand() const {
    std::string error;
    std::ostringstream out, err;
    const auto cl = cli::ParseCommandLine(
        {"--program-dir", (t / "prog").string(), "--game-dir", (t / "game").string(), "conflicts", "--json"}, error);
    EXPECT_EQ(cl ? cli::RunCommand(*cl, out, err) : -1, cli::kExitOk) << error << err.str();
    Rows rows;
    std::istringstream lines(out.str());
    std::string line, name, names;
    int files = 0;
    bool inSharing = false, installed = false;
    auto value = [&line] { return line.substr(line.find(": ") + 2); };
    auto unquoted = [](std::string text) {
      std::erase(text, ',');
      return text.substr(1, text.size() - 2);
    };
    while (std::getline(lines, line)) {
      if (line.starts_with("      \"name\": ")) name = unquoted(value());
      if (line.starts_with("      \"installed\": ")) installed = value() == "true,";
      if (line.starts_with("      \"sharedWithInstalled\": ")) files = std::stoi(value());
      if (inSharing && line.starts_with("        \"")) names += (names.empty() ? "" : ", ") + unquoted(line.substr(8));
      if (line.starts_with("      \"installedSharing\": [")) inSharing = true, names.clear();
      if (inSharing && (line.starts_with("      ]") || line.ends_with("[]"))) {
        inSharing = false;
        if (files > 0 && !installed)
          rows.push_back(name + " | \u26A0 " + std::to_string(files) + " | Shares " + std::to_string(files) +
                         (files == 1 ? " file" : " files") + " with: " + names);
      }
    }
    return rows;
  }

  TempTree t;
  RecordingShell shell;
  ScriptedDialogs dialogs;
  std::unique_ptr<selector::frmSelector> window;
  std::unique_ptr<QSignalSpy> built;  // each time the markers of a build are put on the list
};

}  // namespace

TEST_F(Markers, FollowAnInstallAndAnUninstallAndAgreeWithTheConflictsCommand) {
  Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return built->count() > 0; }, kDeadlineMs));
  EXPECT_EQ(Shown(), (Rows{"Alpha |  | ", "Borg |  | ", "Cardassia |  | "})) << "nothing installed, nothing marked";
  EXPECT_EQ(FromCommand(), Rows{});

  Borg(true);
  ASSERT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "bbb");
  EXPECT_TRUE(ShowsSoon(
      Rows({"Alpha | \u26A0 1 | Shares 1 file with: Borg", "Borg | \u2713 #1 | Installed: #1 in the install order",
            "Cardassia | \u26A0 1 | Shares 1 file with: Borg"})))
      << ::testing::PrintToString(Shown());
  // The command says the same: the mods that share files with the installed Borg, how many and with whom.
  EXPECT_EQ(FromCommand(), Conflicting());
  EXPECT_EQ(Conflicting().size(), 2u);
  (void)Mods()->grab();  // the delegate draws the markers beside the names

  // A second mod installed gets the next place; Borg now shares with it.
  ClickText(Mods(), "Cardassia");
  dialogs.Expect({"You have selected the Cardassia mod. Do you want to install it?", "Install Cardassia mod?",
                  flow::Buttons::YesNo, flow::Icon::Question, flow::Answer::Yes});
  PressKey(Qt::Key_I, Qt::ControlModifier);
  EXPECT_TRUE(
      ShowsSoon(Rows({"Alpha | \u26A0 1 | Shares 1 file with: Borg, Cardassia",
                      "Borg | \u2713 #1  \u26A0 1 | Installed: #1 in the install order\nShares 1 file with: "
                      "Cardassia",
                      "Cardassia | \u2713 #2  \u26A0 1 | Installed: #2 in the install order\nShares 1 file with: "
                      "Borg"})))
      << ::testing::PrintToString(Shown());

  EXPECT_EQ(FromCommand(), Conflicting()) << "only Alpha: the installed mods are marked as such";

  // Borg out: Cardassia is now the first of the install order.
  Borg(false);
  ASSERT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "cccc");
  EXPECT_TRUE(ShowsSoon(Rows({"Alpha | \u26A0 1 | Shares 1 file with: Cardassia",
                              "Borg | \u26A0 1 | Shares 1 file with: "
                              "Cardassia",
                              "Cardassia | \u2713 #1 | Installed: #1 in the install order"})))
      << ::testing::PrintToString(Shown());
  EXPECT_EQ(FromCommand(), Conflicting());

  // Another copy of the game chosen: Cardassia's Backup belongs to the first, so nothing is installed here and
  // nothing conflicts; back to the first, the markers are its own again.
  fs::copy(t / "game", t / "other game", fs::copy_options::recursive);
  t.Write("other game/odf/ships/fed.odf", "game");
  ChooseGame(t / "other game");
  EXPECT_TRUE(ShowsSoon(Rows(
      {"Alpha |  | ", "Borg |  | ", "Cardassia |  | Installed into " + (t / "game").string() + ", not this game"})))
      << ::testing::PrintToString(Shown());
  ChooseGame(t / "game");
  EXPECT_TRUE(ShowsSoon(
      Rows({"Alpha | \u26A0 1 | Shares 1 file with: Cardassia", "Borg | \u26A0 1 | Shares 1 file with: Cardassia",
            "Cardassia | \u2713 #1 | Installed: #1 in the install order"})))
      << ::testing::PrintToString(Shown());
}

TEST_F(Markers, ANewerBuildWinsAndAWindowClosedWhileTheIndexIsBuiltGoesSafely) {
  for (int m = 0; m < 40; ++m)
    for (int f = 0; f < 30; ++f) t.Write("prog/mods/Pack" + std::to_string(m) + "/odf/p" + std::to_string(f) + ".odf");
  Start();
  Borg(true);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return Shown().front() == "Alpha | \u26A0 1 | Shares 1 file with: Borg"; }, kDeadlineMs));
  // Refreshes in a row: each build stops the one before it, and the markers of the last one are shown.
  t.Write("prog/mods/Alpha/textures/b.tga", "a");
  t.Write("prog/mods/Borg/textures/B.TGA", "b");
  for (int i = 0; i < 3; ++i) PressKey(Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Shown().front() == "Alpha | \u26A0 2 | Shares 2 files with: Borg"; }, kDeadlineMs))
      << Shown().front();

  // Closed right after a refresh started the next build, before its markers could come back.
  built->clear();
  PressKey(Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(built->count(), 0) << "the build was still under way";
  window->close();
  window.reset();
  HandlePendingEvents();
  EXPECT_EQ(built->count(), 0);
}
