#pragma once
// An InstallHost for flow tests: it records what the window would show (captions, the bar, its text, the
// status line, the controls' state) and runs long work in place. The folder-gone check answers
// `folderStillThere`; the `throwAt`-th piece of long work throws once it has run.
#include <stdexcept>
#include <string>
#include <vector>

#include "install/install_flow.h"

namespace drydock::test {

class RecordingHost final : public install::InstallHost {
 public:
  void SetInstallCaption(const std::string& c) override { installCaptions.push_back(c); }
  void SetUninstallCaption(const std::string& c) override { uninstallCaptions.push_back(c); }
  void EnableInstall(bool e) override { installEnabled = e; }
  void EnableUninstall(bool e) override { uninstallEnabled = e; }
  void SetBusy(bool b) override { busy = b; }
  void ShowProgress(bool s) override { progressShown = s; }
  void SetProgress(int p) override { progress.push_back(p); }
  void SetProgressText(const std::string& text) override { progressTexts.push_back(text); }
  void ShowStatus(const std::string& line) override { status = line; }
  bool RefreshQuietly() override { return ++quietRefreshes, folderStillThere; }
  void RefreshFully() override { ++fullRefreshes; }
  void Beep() override { ++beeps; }
  void RunLong(const std::function<void()>& work) override {
    work();
    if (++longWork == throwAt) throw std::runtime_error("disk on fire");
  }
  // Back at rest: both buttons usable, no longer busy, no progress shown.
  bool Idle() const { return installEnabled && uninstallEnabled && !busy && !progressShown; }

  int throwAt = 0, longWork = 0;
  std::vector<std::string> installCaptions, uninstallCaptions, progressTexts;
  std::vector<int> progress;
  std::string status;
  bool installEnabled = true, uninstallEnabled = true, busy = false, progressShown = false, folderStillThere = true;
  int quietRefreshes = 0, fullRefreshes = 0, beeps = 0;
};

}  // namespace drydock::test
