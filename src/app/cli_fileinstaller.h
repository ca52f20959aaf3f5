#pragma once
// `drydock scan MOD` and `drydock sort MOD [TYPE ...]`: the file installer's
// type lists and its sorter on the command line.
#include <iosfwd>

#include "app/cli.h"

namespace drydock::app {

int CmdScan(const CommandLine& cl, std::ostream& out, std::ostream& err);
int CmdSort(const CommandLine& cl, std::ostream& out, std::ostream& err);

}  // namespace drydock::app
