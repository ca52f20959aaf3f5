#include "app/cli_dialogs.h"

#include <istream>
#include <ostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace drydock::app {

bool StdinIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return ::isatty(STDIN_FILENO) != 0;
#endif
}

ui::Answer CliDialogs::Ask(const std::string& text, const std::string& title, ui::Buttons buttons, ui::Icon) {
  if (buttons == ui::Buttons::Ok || buttons == ui::Buttons::AbortRetryIgnore) {
    // An error offered for a retry ends the command on a terminal.
    err_ << title << ": " << text << '\n';
    return buttons == ui::Buttons::Ok ? ui::Answer::Ok : ui::Answer::Abort;
  }
  err_ << title << '\n' << text;
  if (yes_) {
    err_ << " yes (--yes)\n";
    return ui::Answer::Yes;
  }
  if (!interactive_) {
    err_ << "\nrefused: no terminal to answer on; run with --yes to answer yes\n";
    return ui::Answer::No;
  }
  err_ << " [y/N] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return ui::Answer::No;
  return (line == "y" || line == "Y" || line == "yes" || line == "Yes") ? ui::Answer::Yes : ui::Answer::No;
}

std::optional<std::string> CliDialogs::Input(const std::string& prompt, const std::string& title,
                                             const std::string& initial) {
  if (yes_ || !interactive_) return initial;
  err_ << title << '\n' << prompt << " [" << initial << "] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  return line.empty() ? initial : line;
}

}  // namespace drydock::app
