#pragma once
// A Shell fake that records what the program asked for and opens nothing.
#include <string>
#include <vector>

#include "platform/names.h"
#include "platform/shell.h"

namespace drydock::test {

class RecordingShell final : public platform::Shell {
 public:
  void ShellOpen(const std::string& pathOrAddress) override { calls.push_back("open " + pathOrAddress); }
  void PlayWave(const std::filesystem::path& file) override { calls.push_back("wave " + platform::PathToUtf8(file)); }
  void Beep() override { calls.push_back("beep"); }
  bool StartProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& workingDir,
                    const platform::EnvironmentVariables& environment) override {
    std::string call = "start " + platform::PathToUtf8(program);
    for (const auto& a : arguments) call += " " + a;
    call += " in " + platform::PathToUtf8(workingDir);
    for (const auto& [name, value] : environment) call += " " + name + "=" + value;
    calls.push_back(call);
    return startSucceeds;
  }

  std::vector<std::string> calls;
  bool startSucceeds = true;
};

}  // namespace drydock::test
