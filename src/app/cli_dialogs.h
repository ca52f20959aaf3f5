#pragma once
// Questions and messages on the command line: --yes answers every question
// with yes; otherwise a terminal is asked; without a terminal the command
// refuses (the answer is No). Messages go to standard error.
#include <filesystem>
#include <iosfwd>

#include "install/install_flow.h"
#include "platform/file_ops.h"
#include "ui/dialogs.h"

namespace drydock::app {

class CliDialogs final : public ui::Dialogs {
 public:
  CliDialogs(bool yes, bool interactive, std::istream& in, std::ostream& err)
      : yes_(yes), interactive_(interactive), in_(in), err_(err) {}
  ui::Answer Ask(const std::string& text, const std::string& title, ui::Buttons buttons, ui::Icon icon) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;

 private:
  bool yes_;
  bool interactive_;
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

// True when standard input is a terminal.
bool StdinIsTerminal();

}  // namespace drydock::app
