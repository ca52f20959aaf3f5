#pragma once
// `drydock scan MOD` and `drydock sort MOD [TYPE ...]`: the file installer's
// type lists and its sorter on the command line.
#include <iosfwd>

#include "cli/cli.h"

namespace drydock::cli {

int CmdScan(const CommandLine& cl, std::ostream& out, std::ostream& err);
int CmdSort(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::cli
