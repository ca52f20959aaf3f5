#pragma once
// Starting another program that outlives Drydock: the game, through Wine or
// its launch file, and the desktop's opener from the command line.
#include <filesystem>
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

}  // namespace drydock::platform
