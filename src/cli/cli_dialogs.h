#pragma once
// Questions and messages on the command line: --yes answers every question
// with yes, --no with no; otherwise a terminal is asked. Without a terminal a
// question is not asked at all: the command refuses, the question gets the
// answer that changes nothing (Cancel where it is offered, else No), and the
// command exits 1 whatever its flow makes of that answer (ExitCode).
// Messages go to standard error.
#include <filesystem>
#include <iosfwd>

#include "cli/cli.h"
#include "flow/dialogs.h"
#include "install/install_flow.h"
#include "platform/file_ops.h"

namespace drydock::cli {

// Who answers the questions of a command.
enum class Answering {
  Terminal,  // the user on the terminal; without one the command refuses
  Yes,       // --yes
  No,        // --no
};

class CliDialogs final : public flow::Dialogs {
 public:
  // --yes or --no as `cl` gives them, else the terminal on standard input.
  CliDialogs(const CommandLine& cl, std::istream& in, std::ostream& err);
  CliDialogs(Answering answering, bool interactive, std::istream& in, std::ostream& err)
      : answering_(answering), interactive_(interactive), in_(in), err_(err) {}

  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;

  // True once a question could not be asked: the command has refused.
  bool Refused() const { return refused_; }
  // The command's exit code: `code`, or kExitFailed once it has refused.
  int ExitCode(int code) const { return refused_ ? kExitFailed : code; }

 protected:
  // The default a terminal takes on an empty line is always the answer that changes nothing.
  flow::Answer Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon icon,
                    flow::Default preset, const std::string& details) override;

 private:
  // The refusal of a question nobody can answer, told once per question.
  void Refuse();

  Answering answering_;
  bool interactive_;
  bool refused_ = false;
  std::istream& in_;
  std::ostream& err_;
};

// The command line's side of the install and the sorter: no controls, and
// the folder-gone check is a look at the mod folder itself.
class CliHost final : public install::InstallHost {
 public:
  explicit CliHost(std::filesystem::path modFolder) : modFolder_(std::move(modFolder)) {}
  bool RefreshQuietly() override { return platform::IsFolder(modFolder_); }

 private:
  std::filesystem::path modFolder_;
};

}  // namespace drydock::cli
