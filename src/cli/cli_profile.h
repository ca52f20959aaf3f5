#pragma once
// `drydock profile list|save|apply|delete|rename`: named sets of mods to have installed (install/profiles.h).
#include <iosfwd>

#include "cli/cli.h"

namespace drydock::cli {

int CmdProfile(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
