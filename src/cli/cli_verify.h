#pragma once
// `drydock verify [MOD] [--json]`: whether the game still holds what each installed mod wrote.
#include <iosfwd>

#include "cli/cli.h"

namespace drydock::cli {

int CmdVerify(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
