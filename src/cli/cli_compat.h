#pragma once
// `drydock compat A B`: the compatibility check of two mods, or of a mod and the game.
#include <iosfwd>

#include "cli/cli.h"

namespace drydock::cli {

int CmdCompat(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
