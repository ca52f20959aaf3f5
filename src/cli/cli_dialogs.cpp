#include "cli/cli_dialogs.h"
#include "platform/system.h"

#include <istream>
#include <ostream>

namespace drydock::cli {

namespace {

constexpr char kRefusal[] = "refused: no terminal to answer on; run with --yes or --no to answer every question";

// The answers of a question with `buttons`: to yes, to no, and the one that
// changes nothing, which every flow takes as "stop here".
struct Replies {
  flow::Answer yes;
  flow::Answer no;
  flow::Answer nothing;
};

Replies RepliesTo(flow::Buttons buttons) {
  switch (buttons) {
    case flow::Buttons::YesNoCancel:
      return {flow::Answer::Yes, flow::Answer::No, flow::Answer::Cancel};
    case flow::Buttons::OkCancel:
      return {flow::Answer::Ok, flow::Answer::Cancel, flow::Answer::Cancel};
    default:
      return {flow::Answer::Yes, flow::Answer::No, flow::Answer::No};
  }
}

bool IsYes(const std::string& line) { return line == "y" || line == "Y" || line == "yes" || line == "Yes"; }
bool IsNo(const std::string& line) { return line == "n" || line == "N" || line == "no" || line == "No"; }

}  // namespace

CliDialogs::CliDialogs(const CommandLine& cl, std::istream& in, std::ostream& err)
    : CliDialogs(cl.yes  ? Answering::Yes
                 : cl.no ? Answering::No
                         : Answering::Terminal,
                 platform::StdinIsTerminal(), in, err) {}

void CliDialogs::Refuse() {
  refused_ = true;
  err_ << '\n' << kRefusal << '\n';
}

// A message prints its details under it (what a window folds away); a
// question's details are left to --dry-run, which prints them on their own.
flow::Answer CliDialogs::Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon,
                              flow::Default, const std::string& details) {
  if (buttons == flow::Buttons::Ok || buttons == flow::Buttons::AbortRetryIgnore) {
    // An error offered for a retry ends the command on a terminal.
    err_ << title << ": " << text << '\n';
    if (!details.empty()) err_ << details << (details.back() == '\n' ? "" : "\n");
    return buttons == flow::Buttons::Ok ? flow::Answer::Ok : flow::Answer::Abort;
  }
  const Replies replies = RepliesTo(buttons);
  err_ << title << '\n' << text;
  if (answering_ == Answering::Yes) {
    err_ << " yes (--yes)\n";
    return replies.yes;
  }
  if (answering_ == Answering::No) {
    err_ << " no (--no)\n";
    return replies.no;
  }
  if (!interactive_) {
    Refuse();
    return replies.nothing;
  }
  // The default, taken on an empty line or the end of the input, changes nothing.
  const bool cancel = replies.nothing != replies.no;
  err_ << (cancel ? " [y/n/C] " : " [y/N] ") << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return replies.nothing;
  if (IsYes(line)) return replies.yes;
  return IsNo(line) ? replies.no : replies.nothing;
}

std::optional<std::string> CliDialogs::Input(const std::string& prompt, const std::string& title,
                                             const std::string& initial) {
  if (answering_ == Answering::Yes) return initial;
  if (answering_ == Answering::No) return std::nullopt;
  err_ << title << '\n' << prompt;
  if (!interactive_) {
    Refuse();
    return std::nullopt;
  }
  err_ << " [" << initial << "] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  return line.empty() ? initial : line;
}

}  // namespace drydock::cli
