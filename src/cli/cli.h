#pragma once
// src/cli: the command line (drydock_cli), every command run without Qt Gui through the same
// flows as the windows. See README.md.
//
// The command line: `drydock [--program-dir DIR] [--game-dir DIR] [--yes | --no] COMMAND [ARGS]`.
// Without a command the main window opens, and adds a mod from each archive
// named (what a file manager's "Open with Drydock" passes). Exit codes:
// 0 success, 1 refused or failed (reason on standard error), 2 usage error.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CommandLine {
  std::optional<std::filesystem::path> programDir;
  std::optional<std::filesystem::path> gameDir;
  bool yes = false;   // --yes: every question is answered yes
  bool no = false;    // --no: every question is answered no
  bool demo = false;  // --demo: open the main window on the demo sandbox
  bool help = false;
  bool version = false;
  bool man = false;     // --man (not in the help): print the manual page, as the build writes it
  std::string command;  // empty: open the main window
  std::vector<std::string> args;
  // Without a command: archives to add as mods once the main window is open.
  std::vector<std::filesystem::path> archives;
};

// The program and game folders of a run, for the window and the commands
// alike: --program-dir, else the executable's folder when Drydock may write
// there, else the per-user data folder; --game-dir, else the registry's
// (nothing when neither names one). --demo names the demo sandbox's folders,
// whether or not they exist yet.
struct Folders {
  std::filesystem::path programDir;
  std::optional<std::filesystem::path> gameDir;
  // The Wine prefix whose registry named gameDir (launching the game runs it
  // there); empty on Windows and when gameDir came from elsewhere.
  std::filesystem::path winePrefix;
};
Folders ResolveFolders(const CommandLine& cl);

// Parses argv (without argv[0]). On a usage error returns nothing and writes
// the reason to `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& argv, std::string& error);

// One line of the help: an option or a command, its arguments, what it does.
struct HelpEntry {
  std::string name;
  std::string args;
  std::string summary;
};
std::vector<HelpEntry> OptionHelp();
// Every command that ParseCommandLine accepts, from the table that runs them.
std::vector<HelpEntry> CommandHelp();

// `--help`, and the manual page in man(7) format; both are made from the
// tables above, so they cannot tell different stories.
std::string UsageText();
std::string ManPage();

// Takes every `flag` (such as "--json") out of a command's arguments; true
// when there was one.
bool TakeFlag(std::vector<std::string>& args, std::string_view flag);

// Runs a command that needs no window. Returns the exit code.
int RunCommand(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
