#include "cli/cli_profile.h"

#include <iostream>
#include <ostream>

#include "cli/cli_dialogs.h"
#include "cli/json.h"
#include "install/install_flow.h"
#include "install/profiles.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::cli {

namespace {

constexpr char kUsage[] =
    "profile takes one of: list [--json] | save NAME | apply [--dry-run [--json]] NAME | delete NAME | rename OLD "
    "NEW\n";

// The command line's side of a profile's run: its progress on standard error, one line a step.
class ProfileHost final : public install::InstallHost {
 public:
  ProfileHost(fs::path modsDir, std::ostream& err) : modsDir_(std::move(modsDir)), err_(err) {}
  bool RefreshQuietly() override { return platform::IsFolder(modsDir_); }
  void SetProgressText(const std::string& text) override {
    if (!text.empty()) err_ << text << '\n';
  }

 private:
  fs::path modsDir_;
  std::ostream& err_;
};

int Failed(std::ostream& err, const std::string& why) {
  err << why << '\n';
  return kExitFailed;
}

}  // namespace

int CmdProfile(const CommandLine& given, std::ostream& out, std::ostream& err) {
  CommandLine cl = given;
  if (TakeFlag(cl.args, "--yes") || TakeFlag(cl.args, "-y")) cl.yes = true;
  const bool dryRun = TakeFlag(cl.args, "--dry-run");
  const bool json = TakeFlag(cl.args, "--json");
  const std::vector<std::string>& a = cl.args;
  const std::string verb = a.empty() ? std::string() : a[0];
  const std::size_t wanted = verb == "list" ? 1 : verb == "rename" ? 3 : 2;
  if (a.empty() || a.size() != wanted || (dryRun && verb != "apply") || (json && verb != "list" && !dryRun) ||
      (verb != "list" && verb != "save" && verb != "apply" && verb != "delete" && verb != "rename")) {
    err << kUsage;
    return kExitUsage;
  }
  const Folders folders = ResolveFolders(cl);
  const fs::path& programDir = folders.programDir;
  const fs::path modsDir = library::ModsDir(programDir);

  if (verb == "list") {
    if (json) {
      // Each profile with the mods it names, or why it could not be read.
      Json profiles = Json::MakeArray();
      for (const std::string& name : install::ListProfiles(programDir)) {
        const install::ProfileResult profile = install::ReadProfile(programDir, name);
        Json entry = Json().Set("name", name);
        if (profile) {
          entry.Set("mods", Json::Strings(profile.mods));
        } else {
          entry.Set("error", profile.error);
        }
        profiles.Push(std::move(entry));
      }
      Json().Set("profiles", std::move(profiles)).Write(out);
      return kExitOk;
    }
    for (const std::string& name : install::ListProfiles(programDir)) out << name << '\n';
    return kExitOk;
  }
  if (verb == "delete") {
    const install::ProfileResult r = install::DeleteProfile(programDir, a[1]);
    if (!r) return Failed(err, r.error);
    out << "deleted: " << a[1] << " (moved to the trash)\n";
    return kExitOk;
  }
  if (verb == "rename") {
    const install::ProfileResult r = install::RenameProfile(programDir, a[1], a[2]);
    if (!r) return Failed(err, r.error);
    out << "renamed: " << a[1] << " -> " << a[2] << '\n';
    return kExitOk;
  }
  const bool gameKnown = folders.gameDir && platform::IsFolder(*folders.gameDir);
  if (!gameKnown) return Failed(err, std::string(install::kNoGameDirText));
  if (verb == "save") {
    if (std::string problem = install::ProfileNameProblem(a[1]); !problem.empty()) return Failed(err, problem);
    CliDialogs dialogs(cl, std::cin, err);
    bool replace = false;
    if (install::ProfileExists(programDir, a[1])) {
      replace = dialogs.AskDestructive(
                    "A profile named " + a[1] + " exists already. Replace it? The old one goes to the trash.",
                    "Save profile", flow::Buttons::YesNo, flow::Icon::Question) == flow::Answer::Yes;
      if (!replace) return kExitFailed;
    }
    std::vector<std::string> unplaced;
    const std::vector<std::string> mods = install::CurrentMods(modsDir, *folders.gameDir, &unplaced);
    const install::ProfileResult r = install::SaveProfile(programDir, a[1], mods, replace);
    if (!r) return Failed(err, r.error);
    out << "saved: " << a[1] << " (" << mods.size() << (mods.size() == 1 ? " mod" : " mods") << ")\n";
    for (const std::string& mod : mods) out << "    " << platform::PrintableName(mod) << '\n';
    if (!unplaced.empty()) out << install::UnplacedText(unplaced) << '\n';
    return dialogs.ExitCode(kExitOk);
  }
  // apply
  const install::ProfileResult profile = install::ReadProfile(programDir, a[1]);
  if (!profile) return Failed(err, profile.error);
  CliDialogs dialogs(cl, std::cin, err);
  ProfileHost host(modsDir, err);
  const std::optional<fs::path> gameDir = folders.gameDir;
  install::ModInstaller installer(dialogs, host, modsDir, [&gameDir] { return gameDir; });
  if (dryRun) {
    const install::ProfilePlan plan = installer.PlanProfile(profile.mods);
    if (json) {
      std::vector<std::string> uninstall, install;
      for (const install::Selection& mod : plan.uninstall) uninstall.push_back(mod.modPath);
      for (const install::Selection& mod : plan.install) install.push_back(mod.modPath);
      Json()
          .Set("profile", a[1])
          .Set("missing", Json::Strings(plan.missing))
          .Set("uninstall", Json::Strings(uninstall))
          .Set("install", Json::Strings(install))
          .Set("kept", Json::Strings(plan.kept))
          .Set("leftAlone", Json::Strings(plan.elsewhere))
          .Write(out);
      return plan.missing.empty() ? kExitOk : kExitFailed;
    }
    if (!plan.missing.empty()) {
      err << "the profile " << a[1] << " names mods that are not in the mods folder:\n";
      for (const std::string& mod : plan.missing) err << "    " << platform::PrintableName(mod) << '\n';
      return kExitFailed;
    }
    out << install::ProfilePlanText(plan) << '\n';
    return kExitOk;
  }
  const install::ModInstaller::ProfileApplied applied =
      installer.ApplyProfile(a[1], profile.mods, install::Force::Never);
  for (const std::string& line : applied.done) out << line << '\n';
  for (const std::string& line : applied.left) out << "left: " << line << '\n';
  return applied.outcome == install::Outcome::Done ? dialogs.ExitCode(kExitOk) : kExitFailed;
}

}  // namespace drydock::cli
