#pragma once
// The main window as window tests start it: their own shell and dialogs, no search for the game (it
// finds nothing), and the program and game folders of the test.
#include <QApplication>
#include <chrono>
#include <filesystem>
#include <memory>

#include "selector/frm_selector.h"

namespace drydock::test {

inline selector::SelectorServices TestServices(platform::Shell& shell, flow::Dialogs& dialogs,
                                               std::chrono::milliseconds launchGrace = launch::kLaunchGraceTime) {
  return {shell, dialogs, [](const std::atomic<bool>&) { return std::filesystem::path(); }, {}, launchGrace};
}

// A main window on `programDir` and `gameDir`, started, with the events of its start handled.
inline std::unique_ptr<selector::frmSelector> StartMainWindow(
    platform::Shell& shell, flow::Dialogs& dialogs, const std::filesystem::path& programDir,
    const std::filesystem::path& gameDir, std::chrono::milliseconds launchGrace = launch::kLaunchGraceTime) {
  auto window = std::make_unique<selector::frmSelector>(TestServices(shell, dialogs, launchGrace));
  window->Startup(programDir, gameDir);
  QApplication::processEvents();
  return window;
}

}  // namespace drydock::test
