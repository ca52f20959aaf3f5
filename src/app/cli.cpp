#include "app/cli.h"

#include <algorithm>
#include <iostream>
#include <ostream>

#include "analyzer/odf_stats.h"
#include "app/cli_compat.h"
#include "app/cli_dialogs.h"
#include "app/cli_fileinstaller.h"
#include "app/demo_sandbox.h"
#include "archive/add_flow.h"
#include "install/install_flow.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/game_dir.h"
#include "library/mod_library.h"
#include "modinfo/details_panel.h"
#include "platform/environment.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/registry.h"
#include "techtree/tech_trees.h"
#include "techtree/techtree_texts.h"

namespace fs = std::filesystem;

namespace drydock::app {

namespace {

fs::path ProgramDirFor(const CommandLine& cl) { return ResolveFolders(cl).programDir; }

int CmdList(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (!cl.args.empty()) {
    err << "list takes no arguments\n";
    return kExitUsage;
  }
  const library::ModList list = library::FillModList(library::ModsDir(ProgramDirFor(cl)));
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

int CmdInstalled(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  const bool verbose = cl.args.size() == 1 && cl.args[0] == "--verbose";
  if (!cl.args.empty() && !verbose) {
    err << "installed takes no arguments but --verbose\n";
    return kExitUsage;
  }
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  const library::ModList list = library::FillModList(modsDir);
  for (const std::string& entry : install::InstalledModEntries(modsDir, list)) {
    out << entry;
    const int index = static_cast<int>(std::find(list.begin(), list.end(), entry) - list.begin());
    if (verbose && index < static_cast<int>(list.size())) {
      if (const std::string covered = CoveredBy(cl, modsDir, library::EntryFolder(modsDir, list, index));
          !covered.empty()) {
        out << '\t' << covered;
      }
    }
    out << '\n';
  }
  return kExitOk;
}

// The mods that replaced one game file, from the game's own file (or none)
// up to the one the game holds now.
int CmdStack(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.args.size() != 1 || !platform::IsContainedRelative(cl.args[0])) {
    err << "stack takes one PATH, relative to the game folder (odf\\ships\\fed.odf)\n";
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
  out << (gameHadIt ? "(the game's own file)" : "(no file)") << '\n';
  for (const install::StackLayer& layer : layers) out << layer.name << '\n';
  return kExitOk;
}

// The command line's side of the install: no controls, and the folder-gone
// check is a look at the mod folder itself.
class CliInstallHost final : public install::InstallHost {
 public:
  explicit CliInstallHost(std::filesystem::path modFolder) : modFolder_(std::move(modFolder)) {}
  bool RefreshQuietly() override { return platform::IsFolder(modFolder_); }

 private:
  std::filesystem::path modFolder_;
};

int RunInstallFlow(const CommandLine& cl, std::ostream& out, std::ostream& err, bool install) {
  const auto modsDir = library::ModsDir(ProgramDirFor(cl));
  const library::ModList list = library::FillModList(modsDir);
  const auto modPath = ModPathArgument(cl, list, err);
  if (!modPath) return kExitUsage;
  if (modPath->empty()) return kExitFailed;
  const int index = library::FindModEntry(list, cl.args[0]);
  const install::Selection selection{list[static_cast<size_t>(index)], *modPath, library::ModFolder(modsDir, *modPath)};
  CliDialogs dialogs(cl.yes, StdinIsTerminal(), std::cin, err);
  CliInstallHost host(library::ModFolder(modsDir, *modPath));
  const std::optional<fs::path> gameDir = ResolveFolders(cl).gameDir;
  install::ModInstaller installer(dialogs, host, modsDir, [&gameDir] { return gameDir; });
  const install::Outcome outcome = install ? installer.InstallMod(selection) : installer.UninstallMod(selection);
  if (outcome == install::Outcome::Done) {
    out << (install ? "installed: " : "uninstalled: ") << *modPath << '\n';
    return kExitOk;
  }
  return kExitFailed;
}

int CmdInstall(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  return RunInstallFlow(cl, out, err, true);
}
int CmdUninstall(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  return RunInstallFlow(cl, out, err, false);
}

int CmdDemo(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.args.size() > 1) {
    err << "demo takes at most one folder\n";
    return kExitUsage;
  }
  const fs::path root = cl.args.empty() ? DefaultDemoRoot() : platform::PathFromUtf8(cl.args[0]);
  bool created = false;
  const DemoPaths paths = EnsureDemoSandbox(root, &created);
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
  CliDialogs dialogs(cl.yes, StdinIsTerminal(), std::cin, err);
  CliInstallHost host(library::ModsDir(ProgramDirFor(cl)));
  archive::UnpackProgress progress;
  const archive::AddOutcome added =
      archive::AddModFromArchive(dialogs, host, progress, library::ModsDir(ProgramDirFor(cl)), request);
  if (added.outcome != install::Outcome::Done) return kExitFailed;
  out << "added: " << added.modName << '\n';
  return kExitOk;
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

struct Command {
  const char* name;
  int (*run)(const CommandLine&, std::ostream&, std::ostream&);
};

constexpr Command kCommands[] = {
    {"list", CmdList},         {"info", CmdInfo},           {"installed", CmdInstalled},
    {"install", CmdInstall},   {"uninstall", CmdUninstall}, {"demo", CmdDemo},
    {"techtree", CmdTechTree}, {"compat", CmdCompat},       {"add", CmdAdd},
    {"scan", CmdScan},         {"sort", CmdSort},           {"odf", CmdOdf},
    {"stack", CmdStack},
};

}  // namespace

Folders ResolveFolders(const CommandLine& cl) {
  Folders folders;
  if (cl.demo) {
    const DemoPaths demo = DemoPathsIn(DefaultDemoRoot());
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
  return "Usage: drydock [--program-dir DIR] [--game-dir DIR] [--yes] [COMMAND [ARGS]]\n"
         "       drydock --demo\n"
         "\n"
         "Without a command the main window opens.\n"
         "\n"
         "Options:\n"
         "  --program-dir DIR  use DIR as the program folder (its \"mods\" folder holds the mods)\n"
         "  --game-dir DIR     use DIR as the Armada II folder instead of the registry's\n"
         "  --yes              answer yes to every question\n"
         "  --demo             open the main window on the demo sandbox (made when missing)\n"
         "  --help, --version\n"
         "\n"
         "Commands:\n"
         "  list               print the mod list as the main window shows it\n"
         "  info MOD           print the details panel of MOD (Name, or Parent\\Addon\\Child)\n"
         "  installed [--verbose]  print the installed-mods list; --verbose adds the mods installed over each\n"
         "  install MOD        install MOD into the game, keeping the files it replaces in its Backup folder\n"
         "  uninstall MOD      take MOD out of the game and put the kept files back\n"
         "  stack PATH         print the mods that replaced the game file PATH, in install order\n"
         "  techtree MOD       print the tech tree choices MOD provides and those it does not\n"
         "  compat A B         print the files both A and B provide; either may be \"(Armada II Directory)\"\n"
         "  scan MOD           print the file types of the loose files in MOD's root folder, each with its files\n"
         "  sort MOD [TYPE..]  move MOD's loose files of every found type (or the TYPEs named) into its game folders\n"
         "  add ARCHIVE [--name NAME]\n"
         "                     add a mod from ARCHIVE (.zip, .7z, .rar, .tar.*) and print its name\n"
         "  odf FILE           print the ten unit values the analyzer shows for the .odf FILE\n"
         "  demo [DIR]         make the demo sandbox in DIR when missing and print its paths\n";
}

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
    } else if (a == "--demo") {
      cl.demo = true;
    } else if (a == "--help" || a == "-h") {
      cl.help = true;
    } else if (a == "--version") {
      cl.version = true;
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else {
      bool known = false;
      for (const Command& c : kCommands) known = known || a == c.name;
      if (!known) {
        error = "unknown command " + a;
        return std::nullopt;
      }
      cl.command = a;
    }
  }
  if (cl.demo && !cl.command.empty()) {
    error = "--demo opens the main window and takes no command";
    return std::nullopt;
  }
  return cl;
}

int RunCommand(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  for (const Command& c : kCommands) {
    if (cl.command == c.name) return c.run(cl, out, err);
  }
  err << "unknown command " << cl.command << '\n';
  return kExitUsage;
}

}  // namespace drydock::app
