#pragma once
// The desktop implementation of Shell: QDesktopServices for opening,
// QSoundEffect for wave files, QApplication::beep; programs start through StartDetached.
#include <memory>

#include "platform/shell.h"

class QSoundEffect;

namespace drydock::platform {

class QtShell final : public Shell {
 public:
  QtShell();
  ~QtShell() override;
  void ShellOpen(const std::string& pathOrAddress) override;
  void PlayWave(const std::filesystem::path& file) override;
  void Beep() override;
  bool StartProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& workingDir, const EnvironmentVariables& environment) override;

 private:
  std::unique_ptr<QSoundEffect> sound_;
};

}  // namespace drydock::platform
