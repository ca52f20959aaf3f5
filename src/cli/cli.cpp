#include "cli/cli.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <ostream>

#include "analyzer/odf_stats.h"
#include "archive/add_flow.h"
#include "archive/archive_plan.h"
#include "cli/cli_compat.h"
#include "cli/cli_conflicts.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_dry_run.h"
#include "cli/cli_fileinstaller.h"
#include "cli/cli_profile.h"
#include "cli/cli_verify.h"
#include "cli/json.h"
#include "demo/demo_sandbox.h"
#include "flow/dialogs.h"
#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "launch/launch.h"
#include "library/game_dir.h"
#include "library/mod_library.h"
#include "modinfo/details_panel.h"
#include "platform/environment.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "techtree/tech_trees.h"
#include "techtree/techtree_texts.h"

namespace fs = std::filesystem;

namespace drydock::cli {

namespace {

fs::path ProgramDirFor(const CommandLine& cl) { return ResolveFolders(cl).programDir; }

// A list entry in a JSON document: its ModPath, the name shown, and whether it is an addon.
Json ModJson(const library::ModList& list, int index) {
  const std::string& entry = list[static_cast<std::size_t>(index)];
  const bool addon = library::IsAddonEntry(entry);
  return Json()
      .Set("path", library::ResolveModPath(list, index))
      .Set("name", addon ? entry.substr(library::kAddonIndent.size()) : entry)
      .Set("addon", addon);
}

int CmdList(const CommandLine& given, std::ostream& out, std::ostream& err) {
  CommandLine cl = given;
  const bool json = TakeFlag(cl.args, "--json");
  if (!cl.args.empty()) {
    err << "list takes no arguments but --json\n";
    return kExitUsage;
  }
  const library::ModList list = library::FillModList(library::ModsDir(ProgramDirFor(cl)));
  if (json) {
    Json mods = Json::MakeArray();
    for (int i = 0; i < static_cast<int>(list.size()); ++i) mods.Push(ModJson(list, i));
    Json().Set("mods", std::move(mods)).Write(out);
    return kExitOk;
  }
  if (list.empty()) out << library::kNoModsFound << '\n';
  for (const std::string& entry : list) out << entry << '\n';
  return kExitOk;
}

// The mod named on the command line, as the list entry it resolves to.
std::optional<std::string> ModPathArgument(const CommandLine& cl, const library::ModList& list, std::ostream& err) {
  if (cl.args.size() != 1) {
    err << cl.command << " takes one MOD: a mod folder's name, or Parent\\Addon\\Child for an addon\n";
    return std::nullopt;
  }
  const int index = library::FindModEntry(list, cl.args[0]);
  if (index < 0) {
    err << "no mod \"" << cl.args[0] << "\" in " << platform::PathToUtf8(library::ModsDir(ProgramDirFor(cl))) << '\n';
    return std::string();
  }
  return library::ResolveModPath(list, index);
}

// "Files of this mod are covered by: ..." for the mod in `modFolder`, when a
// game folder is known and a mod installed later replaced one of its files.
std::string CoveredBy(const CommandLine& cl, const fs::path& modsDir, const fs::path& modFolder) {
  const std::optional<fs::path> gameDir = ResolveFolders(cl).gameDir;
  if (!gameDir || !platform::IsFolder(*gameDir)) return {};
  return install::CoveredByText(install::CoveringMods(modsDir, *gameDir, modFolder));
}

int CmdInfo(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  const library::ModList list = library::FillModList(modsDir);
  const auto modPath = ModPathArgument(cl, list, err);
  if (!modPath) return kExitUsage;
  if (modPath->empty()) return kExitFailed;
  const modinfo::ModDetails details = modinfo::ReadModDetails(library::ModFolder(modsDir, *modPath));
  const modinfo::DetailsView view = modinfo::MakeDetailsView(details, modinfo::LocaleDecimalPoint());
  out << "author=" << modinfo::StripMnemonics(view.info.author) << '\n'
      << "description=" << modinfo::StripMnemonics(view.info.description) << '\n'
      << "version=" << modinfo::StripMnemonics(view.info.version) << '\n'
      << "other_heading=" << modinfo::StripMnemonics(view.info.otherHeading) << '\n'
      << "other=" << modinfo::StripMnemonics(view.info.other) << '\n'
      << "files=" << details.fileCount << '\n'
      << "size=" << view.modSize.substr(modinfo::kModSizePrefix.size()) << '\n'
      << "readme=" << (view.readmeEnabled ? "yes" : "no") << '\n'
      << "picture="
      << (view.picture == modinfo::PictureState::None      ? std::string("none")
          : view.picture == modinfo::PictureState::Invalid ? std::string("invalid")
                                                           : view.pictureFile)
      << '\n';
  if (const std::string covered = CoveredBy(cl, modsDir, library::ModFolder(modsDir, *modPath)); !covered.empty()) {
    out << covered << '\n';
  }
  return kExitOk;
}

int CmdInstalled(const CommandLine& given, std::ostream& out, std::ostream& err) {
  CommandLine cl = given;
  const bool json = TakeFlag(cl.args, "--json");
  const bool verbose = TakeFlag(cl.args, "--verbose");
  if (!cl.args.empty()) {
    err << "installed takes no arguments but --verbose and --json\n";
    return kExitUsage;
  }
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  const library::ModList list = library::FillModList(modsDir);
  const std::optional<fs::path> gameDir = ResolveFolders(cl).gameDir;
  const bool gameKnown = gameDir && platform::IsFolder(*gameDir);
  Json mods = Json::MakeArray();
  for (const std::string& entry : install::InstalledModEntries(modsDir, list)) {
    const int index = static_cast<int>(std::find(list.begin(), list.end(), entry) - list.begin());
    if (index >= static_cast<int>(list.size())) continue;
    const fs::path folder = library::EntryFolder(modsDir, list, index);
    const auto other = gameDir ? install::InstalledElsewhere(folder, *gameDir) : std::nullopt;
    const auto covering =
        (verbose || json) && gameKnown ? install::CoveringMods(modsDir, *gameDir, folder) : std::vector<std::string>{};
    if (json) {
      mods.Push(ModJson(list, index)
                    .Set("installedInto", other ? Json(platform::PrintableName(other->game)) : Json())
                    .Set("coveredBy", Json::Strings(covering)));
      continue;
    }
    out << entry;
    if (other) out << " (installed into " << platform::PrintableName(other->game) << ')';
    if (const std::string covered = install::CoveredByText(covering); verbose && !covered.empty()) {
      out << '\t' << covered;
    }
    out << '\n';
  }
  if (json)
    Json()
        .Set("game", gameDir ? Json(platform::PathToUtf8(*gameDir)) : Json())
        .Set("installed", std::move(mods))
        .Write(out);
  return kExitOk;
}

// The mods that replaced one game file, from the game's own file (or none)
// up to the one the game holds now.
int CmdStack(const CommandLine& given, std::ostream& out, std::ostream& err) {
  CommandLine cl = given;
  const bool json = TakeFlag(cl.args, "--json");
  if (cl.args.size() != 1 || !platform::IsContainedRelative(cl.args[0])) {
    err << "stack takes one PATH, relative to the game folder (odf\\ships\\fed.odf), and --json\n";
    return kExitUsage;
  }
  const std::optional<fs::path> gameDir = ResolveFolders(cl).gameDir;
  if (!gameDir || !platform::IsFolder(*gameDir)) {
    err << install::kNoGameDirText << '\n';
    return kExitFailed;
  }
  const auto layers = install::FileStack(library::ModsDir(ProgramDirFor(cl)), *gameDir, cl.args[0]);
  const bool gameHadIt = layers.empty() ? platform::EntryExists(platform::NativePath(*gameDir, cl.args[0]))
                                        : layers.front().kind == install::RecordEntry::Kind::Replaced;
  if (json) {
    Json mods = Json::MakeArray();
    for (const install::StackLayer& layer : layers) mods.Push(layer.name);
    Json().Set("path", cl.args[0]).Set("gameHadFile", gameHadIt).Set("mods", std::move(mods)).Write(out);
    return kExitOk;
  }
  out << (gameHadIt ? "(the game's own file)" : "(no file)") << '\n';
  for (const install::StackLayer& layer : layers) out << layer.name << '\n';
  return kExitOk;
}

int RunInstallFlow(CommandLine cl, std::ostream& out, std::ostream& err, bool install) {
  // --dry-run MOD: what the command would do, changing nothing.
  if (const auto dry = std::find(cl.args.begin(), cl.args.end(), "--dry-run"); dry != cl.args.end()) {
    std::vector<std::string> args = cl.args;
    args.erase(args.begin() + (dry - cl.args.begin()));
    return RunDryRun(cl, std::move(args), install, out, err);
  }
  // uninstall --force MOD: the way out of a backup that a plain uninstall cannot retire.
  const auto forced = std::find(cl.args.begin(), cl.args.end(), "--force");
  const bool force = !install && forced != cl.args.end();
  if (force) cl.args.erase(forced);
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  const library::ModList list = library::FillModList(modsDir);
  const auto modPath = ModPathArgument(cl, list, err);
  if (!modPath) return kExitUsage;
  if (modPath->empty()) return kExitFailed;
  const int index = library::FindModEntry(list, cl.args[0]);
  const install::Selection selection{list[static_cast<size_t>(index)], *modPath, library::ModFolder(modsDir, *modPath)};
  CliDialogs dialogs(cl, std::cin, err);
  CliHost host(library::ModFolder(modsDir, *modPath));
  const std::optional<fs::path> gameDir = ResolveFolders(cl).gameDir;
  install::ModInstaller installer(dialogs, host, modsDir, [&gameDir] { return gameDir; });
  const install::Outcome outcome =
      install ? installer.InstallMod(selection)
              : installer.UninstallMod(selection, force ? install::Force::Always : install::Force::Never);
  if (outcome == install::Outcome::Done) {
    out << (install ? "installed: " : "uninstalled: ") << *modPath << '\n';
    return dialogs.ExitCode(kExitOk);
  }
  return kExitFailed;
}

int CmdInstall(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  return RunInstallFlow(cl, out, err, true);
}
// uninstall --all: every mod installed into the game, top of the stacks first.
int UninstallAll(CommandLine cl, std::ostream& out, std::ostream& err) {
  std::erase(cl.args, "--all");
  const bool force = std::erase(cl.args, "--force") > 0;
  if (!cl.args.empty()) {
    err << "uninstall --all takes no MOD\n";
    return kExitUsage;
  }
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  CliDialogs dialogs(cl, std::cin, err);
  CliHost host(modsDir);
  const std::optional<fs::path> gameDir = ResolveFolders(cl).gameDir;
  install::ModInstaller installer(dialogs, host, modsDir, [&gameDir] { return gameDir; });
  const install::ModInstaller::AllUninstalled all =
      installer.UninstallAll(force ? install::Force::Always : install::Force::Never);
  for (const std::string& name : all.uninstalled) out << "uninstalled: " << name << '\n';
  for (const std::string& line : all.left) out << "still installed: " << line << '\n';
  return all.outcome == install::Outcome::Done ? dialogs.ExitCode(kExitOk) : kExitFailed;
}

int CmdUninstall(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (std::find(cl.args.begin(), cl.args.end(), "--all") != cl.args.end()) return UninstallAll(cl, out, err);
  return RunInstallFlow(cl, out, err, false);
}

int CmdDemo(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.args.size() > 1) {
    err << "demo takes at most one folder\n";
    return kExitUsage;
  }
  const fs::path root = cl.args.empty() ? demo::DefaultDemoRoot() : platform::PathFromUtf8(cl.args[0]);
  bool created = false;
  const demo::DemoPaths paths = demo::EnsureDemoSandbox(root, &created);
  if (!platform::IsFolder(paths.modsDir) || !platform::IsFolder(paths.gameDir)) {
    err << "could not create the demo sandbox in " << platform::PathToUtf8(root) << '\n';
    return kExitFailed;
  }
  out << (created ? "created" : "exists") << ": " << platform::PathToUtf8(paths.root) << '\n'
      << "program-dir: " << platform::PathToUtf8(paths.programDir) << '\n'
      << "mods: " << platform::PathToUtf8(paths.modsDir) << '\n'
      << "game-dir: " << platform::PathToUtf8(paths.gameDir) << '\n';
  return kExitOk;
}

// What the command line asks of the desktop: only to start programs, the
// game through Wine or its launch file through the system's opener.
class CliShell final : public platform::Shell {
 public:
  platform::OpenResult ShellOpen(const std::string& pathOrAddress) override {
    const platform::OpenerCommand command = platform::SystemOpener(pathOrAddress);
    const auto opener = platform::FindProgram(command.program);
    if (!opener) return {false, command.program + ", which opens it, was not found"};
    if (!platform::StartDetached(*opener, command.arguments, {}))
      return {false, command.program + " could not be started"};
    return {};
  }
  void PlayWave(const fs::path&) override {}
  void Beep() override {}
  std::unique_ptr<platform::WatchedProgram> StartProgram(const fs::path& program,
                                                         const std::vector<std::string>& arguments,
                                                         const fs::path& workingDir,
                                                         const platform::EnvironmentVariables& environment) override {
    return platform::StartWatched(program, arguments, workingDir, environment);
  }
};

// Starts the game as the main window's Launch command does, and stays until
// it has run for a few seconds (or ended well), so that a game that fails at
// once is reported.
int CmdLaunch(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (!cl.args.empty()) {
    err << "launch takes no arguments\n";
    return kExitUsage;
  }
  const Folders folders = ResolveFolders(cl);
  CliDialogs dialogs(cl, std::cin, err);
  CliShell shell;
  const launch::Started started = launch::LaunchGame(folders.gameDir, shell, dialogs, folders.winePrefix);
  if (!started || !launch::WatchGame(started, dialogs)) return kExitFailed;
  out << "started: " << platform::PathToUtf8(*folders.gameDir) << '\n';
  return dialogs.ExitCode(kExitOk);
}

// The tech trees window's two lists for one mod, each under its heading.
int CmdTechTree(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  const auto modPath = ModPathArgument(cl, library::FillModList(modsDir), err);
  if (!modPath) return kExitUsage;
  if (modPath->empty()) return kExitFailed;
  const techtree::TechTrees trees = techtree::ModTechTrees(modsDir, *modPath);
  out << techtree::texts::kAvailable << '\n'
      << techtree::LinesOf(trees.available) << techtree::texts::kUnavailable << '\n'
      << techtree::LinesOf(trees.unavailable);
  return kExitOk;
}

int CmdAdd(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  archive::AddRequest request;
  request.ask = false;
  std::optional<std::string> archiveArg;
  for (std::size_t i = 0; i < cl.args.size(); ++i) {
    const std::string& a = cl.args[i];
    if (a == "--name" && i + 1 < cl.args.size()) {
      request.name = cl.args[++i];
    } else if (!archiveArg && !a.empty() && a[0] != '-') {
      archiveArg = a;
    } else {
      archiveArg.reset();
      break;
    }
  }
  if (!archiveArg) {
    err << "add takes one ARCHIVE and optionally --name NAME\n";
    return kExitUsage;
  }
  request.archive = platform::PathFromUtf8(*archiveArg);
  library::EnsureModsDir(ProgramDirFor(cl));  // as the window does at its start
  CliDialogs dialogs(cl, std::cin, err);
  CliHost host(library::ModsDir(ProgramDirFor(cl)));
  archive::UnpackProgress progress;
  const archive::AddOutcome added =
      archive::AddModFromArchive(dialogs, host, progress, library::ModsDir(ProgramDirFor(cl)), request);
  if (added.outcome != install::Outcome::Done) return kExitFailed;
  out << "added: " << added.modName << '\n';
  return dialogs.ExitCode(kExitOk);
}

// The ten statistics lines that the analyzer shows for a unit file.
int CmdOdf(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.args.size() != 1) {
    err << "odf takes one FILE: a unit's .odf file\n";
    return kExitUsage;
  }
  const fs::path file = platform::PathFromUtf8(cl.args[0]);
  if (!platform::IsFile(file)) {
    err << "no file \"" << platform::PrintableName(cl.args[0]) << "\"\n";
    return kExitFailed;
  }
  for (const std::string& caption : analyzer::ReadOdfStats(file)) out << caption << '\n';
  return kExitOk;
}

// The one table of commands: the parser accepts these names, `--help` and
// the manual page describe them from the same entries.
struct Command {
  const char* name;
  const char* args;     // as the usage shows them after the name
  const char* summary;  // one sentence, no full stop
  int (*run)(const CommandLine&, std::ostream&, std::ostream&);
};

constexpr Command kCommands[] = {
    {"list", "[--json]", "print the mod list as the main window shows it", CmdList},
    {"info", "MOD", "print the details panel of MOD (Name, or Parent\\Addon\\Child)", CmdInfo},
    {"installed", "[--verbose] [--json]", "print the installed-mods list; --verbose adds the mods installed over each",
     CmdInstalled},
    {"install", "[--dry-run [--json]] MOD",
     "install MOD into the game, keeping the files it replaces in its Backup folder; --dry-run prints what it would "
     "do to each file, grouped by kind, and changes nothing (--json: as one JSON document)",
     CmdInstall},
    {"uninstall", "[--force] [--dry-run [--json]] MOD",
     "take MOD out of the game and put the kept files back; --force gets past a backup that cannot be retired "
     "otherwise (an original gone, a damaged record), leaving those game files and moving the rest of the Backup "
     "to the trash; --dry-run prints what it would do to each file (with --force, what the forced one would do) and "
     "changes nothing",
     CmdUninstall},
    {"uninstall", "--all [--force]",
     "uninstall every mod installed into the game, top of the stacks first, going on after a refusal; prints what "
     "is still installed and why, and exits 0 only when no mod of this game is",
     CmdUninstall},
    {"profile", "list [--json] | save NAME | apply [--dry-run [--json]] NAME | delete NAME | rename OLD NEW",
     "the profiles of the program folder (profiles\\NAME.txt, one MOD a line): list them; save the installed mods in "
     "install order as NAME; apply NAME, uninstalling the mods it does not keep (top of the stacks first) and "
     "installing the rest in its order (--dry-run prints that plan and changes nothing); delete NAME (to the trash); "
     "rename it",
     CmdProfile},
    {"stack", "PATH [--json]", "print the mods that replaced the game file PATH, in install order", CmdStack},
    {"verify", "[MOD] [--json]",
     "check that the game still holds what each installed mod (or MOD) wrote and that every kept original is "
     "whole; exits 1 when anything is not as installed",
     CmdVerify},
    {"techtree", "MOD", "print the tech tree choices MOD provides and those it does not", CmdTechTree},
    {"compat", "A B [--json]", "print the files both A and B provide; either may be \"(Armada II Directory)\"",
     CmdCompat},
    {"conflicts", "[--json]",
     "print each mod that provides a file another mod also provides with other bytes, how many and the mods, "
     "saying which are installed and their place in the install order",
     CmdConflicts},
    {"scan", "MOD", "print the file types of the loose files in MOD's root folder, each with its files", CmdScan},
    {"sort", "MOD [TYPE..]", "move MOD's loose files of every found type (or the TYPEs named) into its game folders",
     CmdSort},
    {"add", "ARCHIVE [--name NAME]", "add a mod from ARCHIVE (.zip, .7z, .rar, .tar.*) and print its name", CmdAdd},
    {"odf", "FILE", "print the ten unit values the analyzer shows for the .odf FILE", CmdOdf},
    {"launch", "", "start Armada II from the game folder (through Wine on Linux)", CmdLaunch},
    {"demo", "[DIR]", "make the demo sandbox in DIR when missing and print its paths", CmdDemo},
};

// The two ways to call the program, after "drydock ".
constexpr const char* kSynopsis[] = {
    "[--program-dir DIR] [--game-dir DIR] [--yes | --no] COMMAND [ARGS]",
    "[--program-dir DIR] [--game-dir DIR] [--demo] [ARCHIVE...]",
};
constexpr const char* kWithoutCommand =
    "Without a command the main window opens, and adds a mod from each ARCHIVE named.";

// Text for the man(7) macros: backslashes and hyphens as troff wants them,
// and a line never starts with a control character.
std::string Troff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      if ((c == '.' || c == '\'') && (out.empty() || out.back() == '\n')) out += "\\&";
      out += c;
    }
  }
  return out;
}

std::string TroffEntries(const std::vector<HelpEntry>& entries) {
  std::string text;
  for (const HelpEntry& e : entries) {
    text += ".TP\n\\fB" + Troff(e.name) + "\\fR" + (e.args.empty() ? "" : " \\fI" + Troff(e.args) + "\\fR") + "\n" +
            Troff(e.summary) + ".\n";
  }
  return text;
}

}  // namespace

std::vector<HelpEntry> OptionHelp() {
  return {
      {"--program-dir", "DIR", "use DIR as the program folder (its \"mods\" folder holds the mods)"},
      {"--game-dir", "DIR", "use DIR as the Armada II folder instead of the registry's"},
      {"--yes, -y", "", "answer yes to every question"},
      {"--no", "", "answer no to every question"},
      {"--demo", "", "open the main window on the demo sandbox (made when missing)"},
      {"--help, -h", "", "print this help"},
      {"--version", "", "print the version"},
  };
}

std::vector<HelpEntry> CommandHelp() {
  std::vector<HelpEntry> help;
  for (const Command& c : kCommands) help.push_back({c.name, c.args, c.summary});
  return help;
}

Folders ResolveFolders(const CommandLine& cl) {
  Folders folders;
  if (cl.demo) {
    const demo::DemoPaths demo = demo::DemoPathsIn(demo::DefaultDemoRoot());
    folders.programDir = demo.programDir;
    folders.gameDir = demo.gameDir;
    return folders;
  }
  folders.programDir = library::ChooseProgramDir({platform::ExecutableDir(), cl.programDir, platform::UserDataDir()});
  if (cl.gameDir) {
    folders.gameDir = *cl.gameDir;
  } else {
    platform::Registry registry = platform::Registry::ForThisSystem();
    const fs::path fromRegistry = library::ReadGameDirFromRegistry(registry);
    if (!fromRegistry.empty()) {
      folders.gameDir = fromRegistry;
      folders.winePrefix = registry.FoundPrefix();
    }
  }
  return folders;
}

std::string UsageText() {
  // Descriptions start in one column; a longer head gets a line of its own.
  constexpr std::size_t kColumn = 21;
  const auto lines = [](const std::vector<HelpEntry>& entries) {
    std::string text;
    for (const HelpEntry& e : entries) {
      std::string head = "  " + e.name + (e.args.empty() ? "" : " " + e.args);
      head += head.size() + 2 > kColumn ? "\n" + std::string(kColumn, ' ') : std::string(kColumn - head.size(), ' ');
      text += head + e.summary + '\n';
    }
    return text;
  };
  std::string text = "Usage:";
  for (const char* line : kSynopsis) text += std::string(text.size() > 6 ? "      " : "") + " drydock " + line + '\n';
  return text + "\n" + kWithoutCommand + "\n\nOptions:\n" + lines(OptionHelp()) + "\nCommands:\n" +
         lines(CommandHelp());
}

std::string ManPage() {
  std::string page = ".TH DRYDOCK 1 \"\" \"drydock " DRYDOCK_VERSION "\" \"User Commands\"\n.nh\n.ad l\n";
  page += ".SH NAME\ndrydock \\- mod manager for Star Trek Armada II\n.SH SYNOPSIS\n";
  for (const char* line : kSynopsis) page += ".B drydock\n" + Troff(line) + "\n.br\n";
  page += ".SH DESCRIPTION\n" + Troff(kWithoutCommand) +
          "\nA mod is a folder under \\fImods\\fR in the program folder, laid out like the game folder. "
          "With a command, Drydock runs that one operation without any window.\n"
          ".PP\nA \\fIMOD\\fR argument is a mod's path relative to the mods folder: Name, or "
          "Parent\\eAddon\\eChild for an addon.\n";
  page += ".SH OPTIONS\n" + TroffEntries(OptionHelp());
  page += ".SH COMMANDS\n" + TroffEntries(CommandHelp());
  page +=
      ".SH EXIT STATUS\n0 on success, 1 when the operation was refused or failed (the reason on standard error), "
      "2 on a usage error.\n"
      ".SH FILES\n"
      ".TP\n\\fI$XDG_DATA_HOME/drydock\\fR\n"
      "The program folder of an installed Drydock, and of one whose own folder cannot be written "
      "(\\fI~/.local/share/drydock\\fR when XDG_DATA_HOME is not set). Its \\fImods\\fR folder holds the mods.\n"
      ".SH SEE ALSO\n\\fBwine\\fR(1)\n";
  return page;
}

bool TakeFlag(std::vector<std::string>& args, std::string_view flag) { return std::erase(args, std::string(flag)) > 0; }

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& argv, std::string& error) {
  CommandLine cl;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (!cl.command.empty()) {
      cl.args.push_back(a);
      continue;
    }
    auto value = [&](std::optional<fs::path>& target) {
      if (i + 1 >= argv.size() || argv[i + 1].empty()) {
        error = a + " needs a folder";
        return false;
      }
      target = platform::PathFromUtf8(argv[++i]);
      return true;
    };
    if (a == "--program-dir") {
      if (!value(cl.programDir)) return std::nullopt;
    } else if (a == "--game-dir") {
      if (!value(cl.gameDir)) return std::nullopt;
    } else if (a == "--yes" || a == "-y") {
      cl.yes = true;
    } else if (a == "--no") {
      cl.no = true;
    } else if (a == "--demo") {
      cl.demo = true;
    } else if (a == "--help" || a == "-h") {
      cl.help = true;
    } else if (a == "--version") {
      cl.version = true;
    } else if (a == "--man") {
      cl.man = true;
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (std::any_of(std::begin(kCommands), std::end(kCommands),
                           [&a](const Command& c) { return a == c.name; })) {
      if (!cl.archives.empty()) {
        error = "the command " + a + " comes after an archive";
        return std::nullopt;
      }
      cl.command = a;
    } else {
      // A file manager hands over the files to open by their full paths.
      const fs::path file = platform::PathFromUtf8(a);
      if (a.empty() || (!archive::HasArchiveExtension(file) && !platform::IsFile(file))) {
        error = "unknown command " + a;
        return std::nullopt;
      }
      cl.archives.push_back(file);
    }
  }
  if (cl.demo && !cl.command.empty()) {
    error = "--demo opens the main window and takes no command";
    return std::nullopt;
  }
  if (cl.yes && cl.no) {
    error = "--yes and --no answer every question the opposite way; give one of them";
    return std::nullopt;
  }
  return cl;
}

int RunCommand(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  for (const Command& c : kCommands) {
    if (cl.command != c.name) continue;
    try {
      return c.run(cl, out, err);
    } catch (...) {
      err << flow::UnexpectedErrorText(std::current_exception()) << '\n';
      return kExitFailed;
    }
  }
  err << "unknown command " << cl.command << '\n';
  return kExitUsage;
}

}  // namespace drydock::cli
