// Entry point: a command runs without any window; otherwise the main window opens.
#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <iostream>
#include <string>
#include <vector>

#include "app/archive_handover.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "demo/demo_sandbox.h"
#include "desktop/qt_shell.h"
#include "launch/launch.h"
#include "library/game_dir.h"
#include "library/mod_library.h"
#include "platform/environment.h"
#include "platform/instance_lock.h"
#include "platform/names.h"
#include "platform/registry.h"
#include "selector/frm_selector.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_text.h"

using namespace drydock;

namespace {

int RunWindow(int argc, char** argv, const cli::CommandLine& cl) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Drydock"));
  QApplication::setApplicationVersion(QStringLiteral(DRYDOCK_VERSION));
  QApplication::setDesktopFileName(ui::Q(library::kAppId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/drydock.svg")));

  // The single-instance check comes first: a second copy changes nothing,
  // not even by making the demo sandbox.
  const cli::Folders folders = cli::ResolveFolders(cl);
  ui::QtDialogs dialogs;
  platform::InstanceLock lock(folders.programDir);
  // The archives of a second start go to the running copy, which adds them.
  if (!lock.TryLock() && !cl.archives.empty() && app::HandArchivesOver(app::HandoverName(lock), cl.archives))
    return cli::kExitOk;
  if (!app::ClaimSingleInstance(lock, dialogs)) return cli::kExitFailed;
  if (cl.demo) demo::EnsureDemoSandbox(demo::DefaultDemoRoot());

  desktop::QtShell shell;
  shell.OnOpenFailedLater([&dialogs](const std::string& pathOrAddress, const std::string& reason) {
    launch::TellNotOpened(dialogs, pathOrAddress, reason);
  });
  selector::frmSelector window(selector::SelectorServices{shell, dialogs, {}});
  dialogs.SetParent(&window);
  window.Startup(folders.programDir, folders.gameDir, folders.winePrefix);
  if (window.QuitRequested()) return cli::kExitOk;
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
  const auto cl = cli::ParseCommandLine(args, error);
  if (!cl) {
    std::cerr << "drydock: " << error << "\n\n" << cli::UsageText();
    return cli::kExitUsage;
  }
  if (cl->help) {
    std::cout << cli::UsageText();
    return cli::kExitOk;
  }
  if (cl->man) {
    std::cout << cli::ManPage();
    return cli::kExitOk;
  }
  if (cl->version) {
    std::cout << "drydock " << DRYDOCK_VERSION << '\n';
    return cli::kExitOk;
  }
  if (cl->command.empty()) return RunWindow(argc, argv, *cl);
  QCoreApplication qapp(argc, argv);
  return cli::RunCommand(*cl, std::cout, std::cerr);
}
