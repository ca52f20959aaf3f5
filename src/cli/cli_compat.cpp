#include "cli/cli_compat.h"

#include <ostream>

#include "cli/json.h"
#include "compat/compat_check.h"
#include "compat/compat_texts.h"
#include "library/mod_library.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::cli {

// Prints what the window's result box shows for the same two entries.
int CmdCompat(const CommandLine& given, std::ostream& out, std::ostream& err) {
  CommandLine cl = given;
  const bool json = TakeFlag(cl.args, "--json");
  if (cl.args.size() != 2) {
    err << "compat takes two MODs: each a mod folder's name, Parent\\Addon\\Child for an addon, or \""
        << compat::kGameEntry << "\" for the game\n";
    return kExitUsage;
  }
  const Folders folders = ResolveFolders(cl);
  const fs::path modsDir = library::ModsDir(folders.programDir);
  const library::ModList list = library::FillModList(modsDir);
  std::string sides[2];  // ModPaths, or the game entry
  for (size_t i = 0; i < 2; ++i) {
    const std::string& arg = cl.args[i];
    if (arg == compat::kGameEntry) {
      sides[i] = arg;
      continue;
    }
    const int index = library::FindModEntry(list, arg);
    if (index < 0) {
      err << "no mod \"" << arg << "\" in " << platform::PathToUtf8(modsDir) << '\n';
      return kExitFailed;
    }
    sides[i] = library::ResolveModPath(list, index);
  }
  if (sides[0] == sides[1]) {
    err << compat::texts::kSameMod << '\n';
    return kExitFailed;
  }
  const compat::CheckResult result = compat::Check(compat::SideFolder(modsDir, folders.gameDir, sides[0]),
                                                   compat::SideFolder(modsDir, folders.gameDir, sides[1]));
  if (result.error) {
    err << *result.error << '\n';
    return kExitFailed;
  }
  if (json) {
    Json()
        .Set("first", sides[0])
        .Set("second", sides[1])
        .Set("compatible", result.conflicts.empty())
        .Set("shared", Json::Strings(result.conflicts))
        .Write(out);
    return kExitOk;
  }
  if (result.conflicts.empty()) out << compat::texts::kCompatable << '\n';
  for (const std::string& path : result.conflicts) out << path << '\n';
  return kExitOk;
}

}  // namespace drydock::cli
