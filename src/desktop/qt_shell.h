#pragma once
// src/desktop: the desktop's services through Qt; the Shell interface itself stays in the
// platform layer. See README.md.
//
// The desktop implementation of Shell: QDesktopServices for opening (xdg-open
// on Linux, watched for its first seconds), QSoundEffect for wave files,
// QApplication::beep; programs start through StartWatched.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "platform/process.h"
#include "platform/shell.h"

class QObject;
class QSoundEffect;

namespace drydock::desktop {

using platform::EnvironmentVariables;
using platform::OpenResult;
using platform::ProgramEnd;
using platform::WatchedProgram;

class QtShell final : public platform::Shell {
 public:
  QtShell();
  ~QtShell() override;
  OpenResult ShellOpen(const std::string& pathOrAddress) override;
  void PlayWave(const std::filesystem::path& file) override;
  void Beep() override;
  std::unique_ptr<WatchedProgram> StartProgram(const std::filesystem::path& program,
                                               const std::vector<std::string>& arguments,
                                               const std::filesystem::path& workingDir,
                                               const EnvironmentVariables& environment) override;

  // Told when the opener ends with an error within its first seconds, after
  // ShellOpen said it had taken the path or address.
  using OpenFailed = std::function<void(const std::string& pathOrAddress, const std::string& reason)>;
  void OnOpenFailedLater(OpenFailed told) { openFailedLater_ = std::move(told); }

 private:
  std::unique_ptr<QSoundEffect> sound_;
  std::unique_ptr<QObject> watches_;  // the openers' watches end with the shell
  OpenFailed openFailedLater_;
};

// How long an opener may still fail after it was started, and so be told.
inline constexpr std::chrono::milliseconds kOpenerGraceTime{3000};

// Looks at `program` every tenth of a second on the thread of `context`,
// never waiting, for at most `grace`: `done` runs once, with how it ended
// when it ended by then, with nothing when it still runs. A watch ends with
// its context; it is the object returned.
using WatchDone = std::function<void(WatchedProgram& program, const std::optional<ProgramEnd>& end)>;
QObject* WatchProgram(QObject* context, std::unique_ptr<WatchedProgram> program, std::chrono::milliseconds grace,
                      WatchDone done);

}  // namespace drydock::desktop
