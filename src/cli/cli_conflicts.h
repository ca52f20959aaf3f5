#pragma once
// `drydock conflicts [--json]`: the mods of the library that provide a file another mod also provides
// with other bytes.
#include <iosfwd>

#include "cli/cli.h"

namespace drydock::cli {

int CmdConflicts(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
