// Entry point: a command runs without any window; otherwise the main window opens.
#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <iostream>
#include <string>
#include <vector>

#include "app/archive_handover.h"
#include "app/cli.h"
#include "app/demo_sandbox.h"
#include "app/frm_selector.h"
#include "app/startup.h"
#include "launch/launch.h"
#include "library/game_dir.h"
#include "library/mod_library.h"
#include "platform/environment.h"
#include "platform/instance_lock.h"
#include "platform/names.h"
#include "platform/qt_shell.h"
#include "platform/registry.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_text.h"

using namespace drydock;

namespace {

int RunWindow(int argc, char** argv, const app::CommandLine& cl) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Drydock"));
  QApplication::setApplicationVersion(QStringLiteral(DRYDOCK_VERSION));
  QApplication::setDesktopFileName(ui::Q(library::kAppId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/drydock.svg")));

  // The single-instance check comes first: a second copy changes nothing,
  // not even by making the demo sandbox.
  const app::Folders folders = app::ResolveFolders(cl);
  ui::QtDialogs dialogs;
  platform::InstanceLock lock(folders.programDir);
  // The archives of a second start go to the running copy, which adds them.
  if (!lock.TryLock() && !cl.archives.empty() && app::HandArchivesOver(app::HandoverName(lock), cl.archives))
    return app::kExitOk;
  if (!app::ClaimSingleInstance(lock, dialogs)) return app::kExitFailed;
  if (cl.demo) app::EnsureDemoSandbox(app::DefaultDemoRoot());

  platform::QtShell shell;
  shell.OnOpenFailedLater([&dialogs](const std::string& pathOrAddress, const std::string& reason) {
    launch::TellNotOpened(dialogs, pathOrAddress, reason);
  });
  app::frmSelector window(app::SelectorServices{shell, dialogs, {}});
  dialogs.SetParent(&window);
  window.Startup(folders.programDir, folders.gameDir, folders.winePrefix);
  if (window.QuitRequested()) return app::kExitOk;
  window.AddArchivesWhenIdle(cl.archives);
  const app::ArchiveHandover handover(app::HandoverName(lock), [&window](std::vector<std::filesystem::path> archives) {
    app::GiveArchivesToWindow(window, std::move(archives));
  });
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto cl = app::ParseCommandLine(args, error);
  if (!cl) {
    std::cerr << "drydock: " << error << "\n\n" << app::UsageText();
    return app::kExitUsage;
  }
  if (cl->help) {
    std::cout << app::UsageText();
    return app::kExitOk;
  }
  if (cl->man) {
    std::cout << app::ManPage();
    return app::kExitOk;
  }
  if (cl->version) {
    std::cout << "drydock " << DRYDOCK_VERSION << '\n';
    return app::kExitOk;
  }
  if (cl->command.empty()) return RunWindow(argc, argv, *cl);
  QCoreApplication qapp(argc, argv);
  return app::RunCommand(*cl, std::cout, std::cerr);
}
