#pragma once
// A Shell fake that records what the program asked for and opens nothing.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/names.h"
#include "platform/process.h"
#include "platform/shell.h"

namespace drydock::test {

// A started program that ended as the test says, or keeps running.
class ScriptedProgram final : public platform::WatchedProgram {
 public:
  ScriptedProgram(std::optional<platform::ProgramEnd> end, std::string errors)
      : end_(end), errors_(std::move(errors)) {}
  std::optional<platform::ProgramEnd> Ended() override { return end_; }
  std::string ErrorTail(std::size_t maxBytes) override {
    return errors_.size() > maxBytes ? errors_.substr(errors_.size() - maxBytes) : errors_;
  }

 private:
  std::optional<platform::ProgramEnd> end_;
  std::string errors_;
};

class RecordingShell final : public platform::Shell {
 public:
  platform::OpenResult ShellOpen(const std::string& pathOrAddress) override {
    calls.push_back("open " + pathOrAddress);
    return openFailure ? platform::OpenResult{false, *openFailure} : platform::OpenResult{};
  }
  void PlayWave(const std::filesystem::path& file) override { calls.push_back("wave " + platform::PathToUtf8(file)); }
  void Beep() override { calls.push_back("beep"); }
  std::unique_ptr<platform::WatchedProgram> StartProgram(const std::filesystem::path& program,
                                                         const std::vector<std::string>& arguments,
                                                         const std::filesystem::path& workingDir,
                                                         const platform::EnvironmentVariables& environment) override {
    std::string call = "start " + platform::PathToUtf8(program);
    for (const auto& a : arguments) call += " " + a;
    call += " in " + platform::PathToUtf8(workingDir);
    for (const auto& [name, value] : environment) call += " " + name + "=" + value;
    calls.push_back(call);
    if (!startSucceeds) return nullptr;
    return std::make_unique<ScriptedProgram>(programEnds, programErrors);
  }

  std::vector<std::string> calls;
  bool startSucceeds = true;
  // How a started program ends: at once so, or (nothing) it keeps running.
  std::optional<platform::ProgramEnd> programEnds = platform::ProgramEnd{};
  std::string programErrors;
  // Why ShellOpen fails, or nothing when it opens.
  std::optional<std::string> openFailure;
};

}  // namespace drydock::test
