#pragma once
// `drydock install --dry-run MOD` and `drydock uninstall --dry-run MOD`: what
// the command would do to each file, changing nothing (not even the lock's
// file); `--json` prints it as one JSON document.
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace drydock::cli {

// `args` is the command's arguments without --dry-run (and with --json, when given).
int RunDryRun(const CommandLine& cl, std::vector<std::string> args, bool install, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
