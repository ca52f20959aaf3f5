#include "desktop/qt_shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QObject>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include "platform/environment.h"
#include "platform/names.h"
#include "platform/system.h"

namespace drydock::desktop {

using platform::FindProgram;
using platform::PathToUtf8;
using platform::StartWatched;

namespace {

constexpr int kWatchTickMs = 100;
// The last of an opener's standard error shown with its failure.
constexpr std::size_t kOpenerErrorBytes = 400;

QString ToQString(const std::filesystem::path& p) { return QString::fromStdString(PathToUtf8(p)); }

constexpr char kNoOpener[] =
    ", the program that opens it with the desktop's choice, was not found (it comes with the package xdg-utils)";
constexpr char kOpenerNotStarted[] = " could not be started";

}  // namespace

QtShell::QtShell() : watches_(std::make_unique<QObject>()) {}
QtShell::~QtShell() = default;

OpenResult QtShell::ShellOpen(const std::string& pathOrAddress) {
  if (platform::kWindows) {
    const QString text = QString::fromStdString(pathOrAddress);
    const QUrl url = QUrl(text, QUrl::StrictMode);
    const bool isAddress = url.isValid() && url.scheme().size() > 1 && !url.isLocalFile();
    if (QDesktopServices::openUrl(isAddress ? url : QUrl::fromLocalFile(text))) return {};
    return {false, "the system has no program to open it with"};
  }
  // xdg-open is run and watched here rather than through QDesktopServices, which
  // says nothing of an opener that fails once started; it takes the name's own bytes.
  const platform::OpenerCommand command = platform::SystemOpener(pathOrAddress);
  const std::optional<std::filesystem::path> opener = FindProgram(command.program);
  if (!opener) return {false, command.program + kNoOpener};
  std::unique_ptr<WatchedProgram> started = StartWatched(*opener, command.arguments, {});
  if (!started) return {false, command.program + kOpenerNotStarted};
  WatchProgram(
      watches_.get(), std::move(started), kOpenerGraceTime,
      [this, pathOrAddress, program = command.program](WatchedProgram& watched, const std::optional<ProgramEnd>& end) {
        if (!end || !end->Failed() || !openFailedLater_) return;
        std::string reason = program + " ended with " + DescribeEnd(*end);
        if (const std::string errors = watched.ErrorTail(kOpenerErrorBytes); !errors.empty()) reason += ":\n" + errors;
        openFailedLater_(pathOrAddress, reason);
      });
  return {};
}

void QtShell::PlayWave(const std::filesystem::path& file) {
  if (!sound_) sound_ = std::make_unique<QSoundEffect>();
  sound_->stop();
  sound_->setSource(QUrl::fromLocalFile(ToQString(file)));
  sound_->play();
}

void QtShell::Beep() { QApplication::beep(); }

std::unique_ptr<WatchedProgram> QtShell::StartProgram(const std::filesystem::path& program,
                                                      const std::vector<std::string>& arguments,
                                                      const std::filesystem::path& workingDir,
                                                      const EnvironmentVariables& environment) {
  return StartWatched(program, arguments, workingDir, environment);
}

QObject* WatchProgram(QObject* context, std::unique_ptr<WatchedProgram> program, std::chrono::milliseconds grace,
                      WatchDone done) {
  auto* timer = new QTimer(context);
  timer->setInterval(kWatchTickMs);
  std::shared_ptr<WatchedProgram> watched(std::move(program));
  QElapsedTimer clock;
  clock.start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, watched, clock, grace, done = std::move(done)] {
    const std::optional<ProgramEnd> end = watched->Ended();
    if (!end && !clock.hasExpired(grace.count())) return;
    timer->stop();
    timer->deleteLater();
    done(*watched, end);
  });
  timer->start();
  return timer;
}

}  // namespace drydock::desktop
