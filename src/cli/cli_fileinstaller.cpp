#include "cli/cli_fileinstaller.h"

#include <iostream>

#include "cli/cli_dialogs.h"
#include "fileinstaller/file_types.h"
#include "fileinstaller/loose_sorter.h"
#include "install/install_flow.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;

namespace drydock::cli {

namespace {

// The top-level mod folder named by the first argument (its own name first,
// then the same name in other letter case); empty after telling why not.
fs::path ModRootArgument(const CommandLine& cl, const fs::path& modsDir, std::ostream& err) {
  const std::string found = platform::FindEntryIgnoreCase(modsDir, cl.args[0]);
  const fs::path folder = modsDir / platform::PathFromUtf8(found);
  if (found.empty() || !platform::IsFolder(folder)) {
    err << "no mod folder \"" << cl.args[0] << "\" in " << platform::PathToUtf8(modsDir) << '\n';
    return {};
  }
  return folder;
}

}  // namespace

// Each found type in table order, followed by its files, four spaces in.
int CmdScan(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.args.size() != 1) {
    err << "scan takes one MOD: the name of a mod folder\n";
    return kExitUsage;
  }
  const fs::path folder = ModRootArgument(cl, library::ModsDir(ResolveFolders(cl).programDir), err);
  if (folder.empty()) return kExitFailed;
  const fileinstaller::ModScan scan = fileinstaller::ScanModRoot(folder);
  for (const std::size_t row : scan.foundTypes) {
    out << fileinstaller::FileTypeRules()[row].name << '\n';
    for (const fileinstaller::ScanEntry& entry : scan.files[row])
      out << "    " << platform::PrintableName(entry.name) << '\n';
  }
  return kExitOk;
}

// The sorter with every found type (or only the named ones) and all their
// files ticked; prints the message the window shows.
int CmdSort(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.args.empty()) {
    err << "sort takes a MOD, the name of a mod folder, and optionally the TYPEs to sort\n";
    return kExitUsage;
  }
  for (std::size_t i = 1; i < cl.args.size(); ++i) {
    if (!fileinstaller::TypeByName(cl.args[i])) {
      err << "unknown type \"" << cl.args[i] << "\"; the types are:";
      for (const fileinstaller::FileTypeRule& rule : fileinstaller::FileTypeRules()) err << " \"" << rule.name << '"';
      err << '\n';
      return kExitUsage;
    }
  }
  const Folders folders = ResolveFolders(cl);
  const fs::path modsDir = library::ModsDir(folders.programDir);
  const fs::path folder = ModRootArgument(cl, modsDir, err);
  if (folder.empty()) return kExitFailed;
  const fileinstaller::ModScan scan = fileinstaller::ScanModRoot(folder);
  fileinstaller::SortChoice choice = fileinstaller::TickEverything(scan);
  if (cl.args.size() > 1) {
    const auto& rules = fileinstaller::FileTypeRules();
    for (std::size_t row = 0; row < rules.size(); ++row) {
      bool named = false;
      for (std::size_t i = 1; i < cl.args.size(); ++i)
        named = named || fileinstaller::TypeByName(cl.args[i]) == &rules[row];
      choice.types[row] = choice.types[row] && named;
    }
  }
  CliDialogs dialogs(cl, std::cin, err);
  CliHost host(folder);
  const std::optional<fileinstaller::SortReport> report =
      fileinstaller::SortLooseFiles(dialogs, host, modsDir, folder, scan, choice, folders.gameDir.value_or(fs::path()));
  if (!report) return kExitFailed;
  out << report->message << '\n';
  return dialogs.ExitCode(report->failures.empty() && report->kept.empty() && report->notRemoved.empty() ? kExitOk
                                                                                                         : kExitFailed);
}

}  // namespace drydock::cli
