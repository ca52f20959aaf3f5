// The Installed Mods window's column of checks: worked out on a worker while
// the window stays usable, and safe when the window goes before the result.
#include "install/frm_installed_mods.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "install/install_engine.h"
#include "install/verify.h"
#include "support/gui_input.h"
#include "support/held_lock.h"
#include "support/temp_tree.h"
#include "support/wait.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using namespace std::chrono_literals;
using test::TempTree;

namespace {

constexpr int kDeadlineMs = 10000;

// A check held back until the test lets it go, counting the checks that started and ended.
struct Gate {
  std::atomic<bool> open{false};
  std::atomic<int> entered{0}, finished{0};
};
frmInstalledMods::Verifier GatedVerifier(const std::shared_ptr<Gate>& gate) {
  return [gate](const fs::path& modsDir, const library::ModList& list, const fs::path& gameDir) {
    ++gate->entered;
    test::WaitUntil([&] { return gate->open.load(); }, 30s);
    std::vector<ModCheck> checks = VerifyInstalled(modsDir, list, gameDir);
    ++gate->finished;
    return checks;
  };
}

class InstalledModsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::GuiApp();
    t.Write("game/Armada2.exe", "exe");
    t.Write("game/odf/ships/fed.odf", "game fed");
    t.Write("mods/Fleet/odf/ships/fed.odf", "fleet fed");
    t.Write("mods/Fleet/odf/ships/kling.odf", "fleet kling");
    t.Write("mods/Borg/odf/ships/fed.odf", "borg fed");
    t.Write("mods/Romulan/odf/ships/rom.odf", "not installed");
    for (const char* mod : {"Fleet", "Borg"}) {
      const Report r = InstallModFiles(test::HeldLock({t / "game", t / "mods"}), t / "game", t / "mods" / mod);
      ASSERT_TRUE(r.Succeeded()) << r.refusal;
    }
    fs::remove(t / "game/odf/ships/kling.odf");  // Fleet's added file, deleted by hand
  }
  std::unique_ptr<frmInstalledMods> Make(const std::shared_ptr<Gate>& gate) {
    const fs::path mods = t / "mods", game = t / "game";
    auto window = std::make_unique<frmInstalledMods>(
        mods, [mods] { return library::FillModList(mods); }, [game] { return std::optional<fs::path>(game); }, [] {});
    window->SetVerifier(GatedVerifier(gate));
    return window;
  }
  // What each row shows: the mod's name and its check.
  static QStringList Rows(const QWidget* window) {
    QStringList rows;
    const auto* list = test::Child<QListWidget>(window, "lstCurrentMods");
    for (int i = 0; list && i < list->count(); ++i) {
      rows << list->item(i)->text() + QStringLiteral(" | ") + list->item(i)->data(kVerifySummaryRole).toString();
    }
    return rows;
  }
  TempTree t;
};

// Handles events until `condition` holds; false when the deadline passed first.
bool Eventually(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kDeadlineMs); }

const QStringList kChecked = {QStringLiteral("Borg | as installed"), QStringLiteral("Fleet | 1 file missing")};
const QStringList kChecking = {QStringLiteral("Borg | checking..."), QStringLiteral("Fleet | checking...")};

}  // namespace

TEST_F(InstalledModsWindow, ShowsCheckingWhileTheWorkerRunsAndStaysUsableThenEachModsCheck) {
  const auto gate = std::make_shared<Gate>();
  auto window = Make(gate);
  window->show();
  test::Activate(window.get());
  ASSERT_TRUE(Eventually([&] { return gate->entered > 0; }));
  EXPECT_EQ(Rows(window.get()), kChecking);
  // The user picks a mod meanwhile: the window answers at once.
  auto* list = test::Child<QListWidget>(window.get(), "lstCurrentMods");
  test::ClickText(list, "Fleet");
  EXPECT_EQ(test::Str(list->currentItem()->text()), "Fleet");
  EXPECT_EQ(test::Str(test::Child<QLabel>(window.get(), "lblCoveredBy")->text()),
            "Files of this mod are covered by: Borg");
  gate->open = true;
  EXPECT_TRUE(Eventually([&] { return Rows(window.get()) == kChecked; }))
      << Rows(window.get()).join(u'/').toStdString();
  EXPECT_EQ(test::Str(list->item(1)->toolTip()), "1 file missing");
  EXPECT_EQ(test::Str(list->currentItem()->text()), "Fleet");
  // The file put back: the next time the window comes up, it says so.
  t.Write("game/odf/ships/kling.odf", "fleet kling");
  window->hide();
  window->show();
  test::Activate(window.get());
  const QStringList fixed = {QStringLiteral("Borg | as installed"), QStringLiteral("Fleet | as installed")};
  EXPECT_TRUE(Eventually([&] { return Rows(window.get()) == fixed; })) << Rows(window.get()).join(u'/').toStdString();
}

// Closed while its check runs, the window still takes the result, for when it comes up again; destroyed while the check
// runs, or with the result on its way, it leaves nothing behind to call it.
TEST_F(InstalledModsWindow, AWindowClosedOrDestroyedBeforeTheResultArrivesIsSafe) {
  {
    const auto gate = std::make_shared<Gate>();
    auto window = Make(gate);
    window->show();
    test::Activate(window.get());
    ASSERT_TRUE(Eventually([&] { return gate->entered > 0; }));
    window->close();
    gate->open = true;
    EXPECT_TRUE(Eventually([&] { return Rows(window.get()) == kChecked; }))
        << Rows(window.get()).join(u'/').toStdString();
    EXPECT_FALSE(window->isVisible());
  }
  for (const bool resultQueued : {false, true}) {
    SCOPED_TRACE(resultQueued ? "the result on its way" : "the check running");
    const auto gate = std::make_shared<Gate>();
    auto window = Make(gate);
    window->show();
    test::Activate(window.get());
    ASSERT_TRUE(Eventually([&] { return gate->entered > 0; }));
    if (resultQueued) {
      gate->open = true;
      // Without handling events: the worker posts its result and ends, which lets go of its copy of the gate.
      ASSERT_TRUE(test::WaitUntil([&] { return gate->finished == gate->entered && gate.use_count() == 2; }));
    }
    window.reset();
    gate->open = true;
    // Only the test holds the gate once every worker has ended.
    ASSERT_TRUE(test::WaitUntil([&] { return gate.use_count() == 1; }));
    test::HandlePendingEvents();
    EXPECT_EQ(gate->finished.load(), gate->entered.load());
  }
}

TEST_F(InstalledModsWindow, ThePlaceholderOfNoInstalledModIsNotChecked) {
  for (const library::ModList& shown : {library::ModList{"Romulan"}, library::ModList{"(No mods found.)"}}) {
    const auto gate = std::make_shared<Gate>();
    gate->open = true;
    const fs::path mods = t / "mods", game = t / "game";
    frmInstalledMods window(
        mods, [shown] { return shown; }, [game] { return std::optional<fs::path>(game); }, [] {});
    window.SetVerifier(GatedVerifier(gate));
    window.show();
    test::Activate(&window);
    test::HandlePendingEvents();
    EXPECT_EQ(Rows(&window), QStringList{QStringLiteral("(No mods found.) | ")});
    EXPECT_EQ(gate->entered.load(), 0);
  }
}
