#pragma once
// Starting another program that outlives Drydock: the game, through Wine or
// its launch file, and the desktop's opener from the command line.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace drydock::platform {

// Starts `program` (a path, not searched for) with `arguments` in
// `workingDir`, with Drydock's environment plus `environment` (a name given
// there replaces Drydock's value). Drydock does not wait for it, and it keeps
// running when Drydock ends; it inherits no open file, so no lock Drydock
// holds outlives Drydock. False when the program could not be started: it is
// missing or not a program, or the folder cannot be entered.
bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingDir, const EnvironmentVariables& environment = {});

// How a started program ended: its exit status, or the signal that ended it.
struct ProgramEnd {
  int exitCode = 0;
  int signal = 0;  // 0 when it exited on its own
  bool Failed() const { return signal != 0 || exitCode != 0; }
};
// "exit status 1", "signal 11 (Segmentation fault)".
std::string DescribeEnd(const ProgramEnd& end);

// A program Drydock started and looks at without waiting for it: whether it
// has ended, and what it wrote to its standard error.
class WatchedProgram {
 public:
  virtual ~WatchedProgram() = default;
  // How it ended, once it has; nothing while it runs. Never waits.
  virtual std::optional<ProgramEnd> Ended() = 0;
  // The last whole lines of what it wrote to its standard error so far,
  // within `maxBytes`, without the trailing line end.
  virtual std::string ErrorTail(std::size_t maxBytes) = 0;
};

// Starts `program` as StartDetached does, as Drydock's own child so that its
// end can be seen. Its standard error goes to a file of its own (deleted from
// the folder at once, so it goes with the program) that Drydock reads; each
// look at it passes what is new on to Drydock's own standard error, so a
// terminal still shows it. Dropping the handle neither ends the program nor
// waits for it. Nothing when it could not be started. (On Windows its
// standard error is not read: ErrorTail gives nothing.)
std::unique_ptr<WatchedProgram> StartWatched(const std::filesystem::path& program,
                                             const std::vector<std::string>& arguments,
                                             const std::filesystem::path& workingDir,
                                             const EnvironmentVariables& environment = {});

}  // namespace drydock::platform
