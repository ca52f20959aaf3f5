#include "platform/qt_shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QSoundEffect>
#include <QUrl>

#include "platform/names.h"
#include "platform/process.h"

namespace drydock::platform {

namespace {
QString ToQString(const std::filesystem::path& p) { return QString::fromStdString(PathToUtf8(p)); }
}  // namespace

QtShell::QtShell() = default;
QtShell::~QtShell() = default;

void QtShell::ShellOpen(const std::string& pathOrAddress) {
  const QString text = QString::fromStdString(pathOrAddress);
  const QUrl url = QUrl(text, QUrl::StrictMode);
  const bool isAddress = url.isValid() && url.scheme().size() > 1 && !url.isLocalFile();
  QDesktopServices::openUrl(isAddress ? url : QUrl::fromLocalFile(text));
}

void QtShell::PlayWave(const std::filesystem::path& file) {
  if (!sound_) sound_ = std::make_unique<QSoundEffect>();
  sound_->stop();
  sound_->setSource(QUrl::fromLocalFile(ToQString(file)));
  sound_->play();
}

void QtShell::Beep() { QApplication::beep(); }

bool QtShell::StartProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& workingDir, const EnvironmentVariables& environment) {
  return StartDetached(program, arguments, workingDir, environment);
}

}  // namespace drydock::platform
