#include "cli/cli_conflicts.h"

#include <ostream>

#include "cli/json.h"
#include "compat/conflict_index.h"
#include "library/mod_library.h"

namespace drydock::cli {

namespace {

// "Fleet Yards (installed #2)", or the name alone when the mod is not installed.
std::string Described(const compat::IndexedMod& mod) {
  if (!mod.installedInto.empty()) return mod.name + " (installed into " + mod.installedInto + ", not this game)";
  if (!mod.installed) return mod.name;
  return mod.name + (mod.installOrder > 0 ? " (installed #" + std::to_string(mod.installOrder) + ")" : " (installed)");
}

Json ModJson(const compat::IndexedMod& mod) {
  return Json()
      .Set("path", mod.modPath)
      .Set("name", mod.name)
      .Set("installed", mod.installed)
      .Set("installedInto", mod.installedInto.empty() ? Json() : Json(mod.installedInto))
      .Set("installOrder", mod.installOrder > 0 ? Json(mod.installOrder) : Json());
}

}  // namespace

int CmdConflicts(const CommandLine& given, std::ostream& out, std::ostream& err) {
  CommandLine cl = given;
  const bool json = TakeFlag(cl.args, "--json");
  if (!cl.args.empty()) {
    err << "conflicts takes no arguments but --json\n";
    return kExitUsage;
  }
  const Folders folders = ResolveFolders(cl);
  const std::filesystem::path modsDir = library::ModsDir(folders.programDir);
  const compat::ConflictIndex index =
      *compat::BuildConflictIndex(modsDir, library::FillModList(modsDir), folders.gameDir);

  Json mods = Json::MakeArray();
  bool any = false;
  for (int m = 0; m < static_cast<int>(index.mods.size()); ++m) {
    const compat::ModConflicts all = compat::ConflictsOf(index, m, /*installedOnly=*/false);
    if (all.files == 0) continue;
    any = true;
    const compat::IndexedMod& mod = index.mods[static_cast<size_t>(m)];
    if (!json) {
      out << Described(mod) << ": Shares " << all.files << (all.files == 1 ? " file" : " files") << " with: ";
      for (size_t i = 0; i < all.mods.size(); ++i)
        out << (i > 0 ? ", " : "") << Described(index.mods[static_cast<size_t>(all.mods[i])]);
      out << '\n';
      continue;
    }
    Json others = Json::MakeArray();
    for (int other : all.mods) others.Push(ModJson(index.mods[static_cast<size_t>(other)]));
    const compat::ModConflicts installed = compat::ConflictsOf(index, m, /*installedOnly=*/true);
    Json withInstalled = Json::MakeArray();
    for (int other : installed.mods) withInstalled.Push(index.mods[static_cast<size_t>(other)].name);
    mods.Push(ModJson(mod)
                  .Set("sharedFiles", all.files)
                  .Set("sharesWith", std::move(others))
                  .Set("sharedWithInstalled", installed.files)
                  .Set("installedSharing", std::move(withInstalled)));
  }
  if (json) {
    Json().Set("mods", std::move(mods)).Write(out);
  } else if (!any) {
    out << "No mod shares a file with another mod.\n";
  }
  return kExitOk;
}

}  // namespace drydock::cli
