#include "cli/cli_dry_run.h"

#include <algorithm>
#include <ostream>

#include "cli/json.h"
#include "install/install_engine.h"
#include "install/install_plan.h"
#include "install/installed_mods.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::cli {

namespace {

Json ToJson(const install::PlanDescription& d, bool install) {
  Json groups = Json::MakeArray();
  Json counts = Json::MakeObject();
  for (const install::PlanGroup& g : d.groups) {
    Json files = Json::MakeArray();
    for (const install::PlanLine& line : g.files) {
      Json file = Json::MakeObject();
      file.Set("path", line.path);
      if (!line.mod.empty()) file.Set("mod", line.mod);
      if (!line.note.empty()) file.Set("why", line.note);
      files.Push(std::move(file));
    }
    counts.Set(g.kind, static_cast<std::int64_t>(g.files.size()));
    groups.Push(Json::MakeObject().Set("kind", g.kind).Set("heading", g.heading).Set("files", std::move(files)));
  }
  Json summary = Json::MakeObject();
  summary.Set("counts", std::move(counts)).Set("bytesToWrite", static_cast<std::uint64_t>(d.bytesToWrite));
  if (install) summary.Set("bytesForBackup", static_cast<std::uint64_t>(d.bytesToBackup));
  summary.Set("text", d.summary);
  return Json::MakeObject().Set("groups", std::move(groups)).Set("summary", std::move(summary));
}

}  // namespace

int RunDryRun(const CommandLine& cl, std::vector<std::string> args, bool install, std::ostream& out,
              std::ostream& err) {
  const auto jsonFlag = std::find(args.begin(), args.end(), "--json");
  const bool json = jsonFlag != args.end();
  if (json) args.erase(jsonFlag);
  // uninstall --force --dry-run: what the way out of a stuck backup would do.
  const auto forceFlag = std::find(args.begin(), args.end(), "--force");
  const bool force = !install && forceFlag != args.end();
  if (force) args.erase(forceFlag);
  const std::string command = install ? "install" : "uninstall";
  if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) {
    err << command << " --dry-run takes one MOD: a mod folder's name, or Parent\\Addon\\Child for an addon\n";
    return kExitUsage;
  }
  const Folders folders = ResolveFolders(cl);
  const fs::path modsDir = library::ModsDir(folders.programDir);
  const library::ModList list = library::FillModList(modsDir);
  const int index = library::FindModEntry(list, args[0]);
  if (index < 0) {
    err << "no mod \"" << args[0] << "\" in " << platform::PathToUtf8(modsDir) << '\n';
    return kExitFailed;
  }
  const std::string modPath = library::ResolveModPath(list, index);
  const fs::path modFolder = library::ModFolder(modsDir, modPath);
  if (!folders.gameDir || !platform::IsFolder(*folders.gameDir)) {
    err << install::kNoGameDirText << '\n';
    return kExitFailed;
  }
  std::string blocked;
  install::PlanDescription d;
  if (install && install::IsInstalled(modFolder)) {
    d.refusal =
        "The mod is installed already. Installing it again first uninstalls it (uninstall --dry-run shows what that "
        "does), then installs it into the game as that leaves it.";
  } else if (install) {
    const install::InstallPlan plan = install::PlanInstall(*folders.gameDir, modFolder);
    blocked = plan.BlockerText();
    d = install::Describe(plan);
  } else {
    d = install::Describe(install::PreviewUninstall(*folders.gameDir, modFolder, {.force = force}));
  }
  if (json) {
    Json doc = Json::MakeObject();
    doc.Set("command", command).Set("dryRun", true).Set("mod", modPath);
    doc.Set("game", platform::PathToUtf8(*folders.gameDir));
    if (!d.refusal.empty()) {
      doc.Set("refused", d.refusal);
    } else {
      Json plan = ToJson(d, install);
      doc.Set("plan", std::move(plan));
    }
    out << doc.Dump();
  } else if (d.refusal.empty()) {
    out << install::DescriptionText(d);
  }
  if (!d.refusal.empty() || !blocked.empty()) {
    err << (d.refusal.empty() ? blocked : d.refusal) << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace drydock::cli
