// The command line, run as a real process and, without Qt Gui, in this one.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <tuple>

#include "cli/cli.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

using namespace drydock::cli;
using drydock::test::RunResult;
using drydock::test::TempTree;
using Args = std::vector<std::string>;

namespace {
Args operator+(Args a, const Args& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// The program run with `args`: what it printed on standard output and error, or (`errorOnly`) on error alone.
RunResult Drydock(const Args& args, const Args& env = {}, bool errorOnly = false) {
  const Args shell = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1 >/dev/null"};
  return drydock::test::RunChild((errorOnly ? shell : Args{}) + Args{DRYDOCK_EXE} + args, env);
}
// A run that must exit with `code` and print each of `shown`.
RunResult ExpectRun(const Args& args, int code, const Args& shown = {}, const Args& env = {}, bool errorOnly = false) {
  const RunResult r = Drydock(args, env, errorOnly);
  EXPECT_EQ(r.code, code) << args.back() << ": " << r.output;
  for (const std::string& part : shown)
    EXPECT_NE(r.output.find(part), std::string::npos) << part << " in:\n" << r.output;
  return r;
}
// What a run that must succeed printed.
std::string Output(const Args& args) { return ExpectRun(args, kExitOk).output; }
}  // namespace

TEST(CommandLine, ParsesOptionsBeforeTheCommandAndRefusesOthers) {
  std::string error;
  auto cl = ParseCommandLine({"--program-dir", "/p", "--game-dir", "/g", "--yes", "list"}, error);
  ASSERT_TRUE(cl) << error;
  EXPECT_EQ(cl->programDir, std::filesystem::path("/p"));
  EXPECT_EQ(cl->gameDir, std::filesystem::path("/g"));
  EXPECT_TRUE(cl->yes);
  EXPECT_EQ(cl->command, "list");
  for (const Args& bad : {Args{"--program-dir"}, Args{"frobnicate"}, Args{"--bogus", "list"}, Args{"--demo", "list"},
                          Args{"--yes", "--no", "list"}}) {
    EXPECT_FALSE(ParseCommandLine(bad, error)) << bad.back();
    EXPECT_NE(error.find(bad.front()), std::string::npos) << error;
  }
  const auto window = ParseCommandLine({"--demo"}, error);
  EXPECT_TRUE(window && window->demo && window->command.empty());
  // The program itself: usage errors exit with 2.
  for (const Args& usage : {Args{"frobnicate"}, Args{"list", "extra"}}) ExpectRun(usage, kExitUsage);
  ExpectRun({"--help"}, kExitOk, {"Usage: drydock"});
}

// What "Open with Drydock" passes: the files' full paths, which the main window adds as mods.
TEST(CommandLine, FilesNamedWithoutACommandAreArchivesForTheMainWindow) {
  TempTree t;
  const std::string plain = t.Write("downloads/fleet").string();  // a file manager may pick it by its contents
  struct Case {
    Args args;
    std::vector<std::string> archives;  // empty: a usage error
  };
  for (const Case& c : {Case{{"/d/Fleet.ZIP"}, {"/d/Fleet.ZIP"}},
                        Case{{"--demo", "a.7z", "/d/b.tar.gz"}, {"a.7z", "/d/b.tar.gz"}}, Case{{plain}, {plain}},
                        Case{{"lsit"}, {}}, Case{{(t / "downloads/gone").string()}, {}}, Case{{"a.zip", "list"}, {}}}) {
    std::string error;
    const auto cl = ParseCommandLine(c.args, error);
    ASSERT_EQ(cl.has_value(), !c.archives.empty()) << c.args.front() << ": " << error;
    if (!cl) continue;
    EXPECT_TRUE(cl->command.empty());
    EXPECT_EQ(cl->archives, std::vector<std::filesystem::path>(c.archives.begin(), c.archives.end()));
  }
  std::string error;
  const auto command = ParseCommandLine({"list", "a.zip"}, error);  // after a command: its argument
  ASSERT_TRUE(command);
  EXPECT_TRUE(command->archives.empty());
  EXPECT_EQ(command->args, Args{"a.zip"});
}

namespace {
// Runs of white space as one space, so that line breaks and columns do not count.
std::string Words(const std::string& text) {
  std::istringstream in(text);
  std::string word, words;
  while (in >> word) words += (words.empty() ? "" : " ") + word;
  return words;
}
// Whether each of `parts` occurs in `text`, each after the one before.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& parts, const char* what) {
  std::size_t at = 0;
  for (const std::string& part : parts) {
    const std::size_t found = text.find(part, at);
    EXPECT_NE(found, std::string::npos) << what << " lacks, or misplaces, \"" << part << '"';
    if (found != std::string::npos) at = found + part.size();
  }
}
}  // namespace

TEST(CommandLine, HelpAndManualPageShowEveryOptionAndCommandOfTheOneTable) {
  // Every command in the help is one the parser takes.
  std::vector<std::string> parts;
  for (auto* table : {&OptionHelp, &CommandHelp}) {
    for (const HelpEntry& e : table()) {
      if (table == &CommandHelp) {
        std::string error;
        EXPECT_TRUE(ParseCommandLine({e.name}, error)) << error;
      }
      parts.push_back(Words(e.name + " " + e.args));
      parts.push_back(Words(e.summary));
    }
  }
  EXPECT_GE(CommandHelp().size(), 13u);
  const std::string help = Output({"--help"});
  EXPECT_EQ(help, UsageText());
  ExpectInOrder(Words(help), parts, "--help");

  // The manual page, as man shows it, says the same; groff finds nothing to warn about.
  TempTree t;
  const std::string page = Output({"--man"});
  EXPECT_EQ(page, ManPage());
  const std::string file = t.Write("drydock.1", page).string();
  const RunResult lint = drydock::test::RunChild({"/usr/bin/groff", "-man", "-ww", "-z", file});
  EXPECT_EQ(lint.code, 0);
  EXPECT_EQ(lint.output, "");
  const RunResult shown =
      drydock::test::RunChild({"/usr/bin/groff", "-man", "-Tascii", "-P-c", "-P-b", "-P-u", file}, {"LC_ALL=C"});
  ASSERT_EQ(shown.code, 0) << shown.output;
  ExpectInOrder(Words(shown.output), parts, "the manual page");
  for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "COMMANDS", "EXIT STATUS", "FILES"}) {
    EXPECT_NE(shown.output.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
  }
  // Both show the same two ways to call the program.
  const std::string usage = help.substr(0, help.find("\n\n"));
  std::istringstream lines(usage);
  std::vector<std::string> synopsis;
  for (std::string line; std::getline(lines, line);) synopsis.push_back(Words(line.substr(line.find("drydock"))));
  ASSERT_EQ(synopsis.size(), 2u);
  ExpectInOrder(Words(shown.output), synopsis, "the manual page's synopsis");
}

TEST(CommandLine, ListInstalledAndInfoPrintTheModsWithIndentedAddonsAndTheDetailsPanel) {
  TempTree t;
  t.MakeDir("prog/mods");
  const Args prog = {"--program-dir", (t / "prog").string()};
  EXPECT_EQ(Output(prog + Args{"list"}), "(No mods found.)\n");
  // "backup" too, as the game's file system sees names.
  for (const char* dir : {"b mod/Addon/x", "b mod/Addon/y/Backup", "A mod/Backup", "C/backup"})
    t.MakeDir(std::string("prog/mods/") + dir);
  t.Write("prog/mods/stray.txt");
  EXPECT_EQ(Output(prog + Args{"list"}), "A mod\nb mod\n    y\n    x\nC\n");
  EXPECT_EQ(Output(prog + Args{"installed"}), "A mod\n    y\nC\n");
  // The same lists for scripts: every entry with its ModPath.
  const RunResult json = ExpectRun(prog + Args{"list", "--json"}, kExitOk, {R"({
      "path": "b mod\\Addon\\y",
      "name": "y",
      "addon": true
    },)"});
  EXPECT_EQ(std::count(json.output.begin(), json.output.end(), '{'), 6) << json.output;
  const std::string installed =
      ExpectRun(prog + Args{"installed", "--json"}, kExitOk, {R"("game": null,)", R"("path": "C",)"}).output;
  EXPECT_EQ(installed.find(R"("path": "b mod")"), std::string::npos) << installed;
  EXPECT_EQ(Drydock(prog + Args{"list", "extra"}).code, kExitUsage);

  t.Write("prog/mods/Fleet/ModInfo.txt", "Author: R&&D\nVersion: 2.0\nOther Heading: Credits\n");
  t.Write("prog/mods/Fleet/odf/ships/a.odf", std::string(2048, 'a'));
  t.Write("prog/mods/Fleet/ReadMe.txt", "");
  t.Write("prog/mods/Fleet/ModPic.jpg", "broken");
  t.Write("prog/mods/Fleet/Addon/Extra/ModInfo.txt", "Author: Someone else\r\n");
  const Args info = prog + Args{"info"};
  // files: ModInfo.txt, the readme and the picture lie in the root; size: 2126 bytes, the addon included.
  EXPECT_EQ(Output(info + Args{"Fleet"}),
            "author=R&D\ndescription=(File does not contain description)\nversion=2.0\nother_heading=Credits\n"
            "other=(File does not contain 'other')\nfiles=4\nsize=2.08 KB\nreadme=yes\npicture=invalid\n");
  const std::string addon = ExpectRun(info + Args{"fleet/addon/extra"}, kExitOk, {"picture=none\n"}).output;
  EXPECT_EQ(addon.substr(0, addon.find('\n')), "author=Someone else");
  EXPECT_EQ(Drydock(info + Args{"Missing"}).code, kExitFailed);
  EXPECT_EQ(Drydock(info).code, kExitUsage);
}

TEST(CommandLine, InstallAndUninstallAskAnswerAndReportFailures) {
  TempTree t;
  t.Write("game/odf/ships/fed.odf", "game");
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod");
  t.Write("prog/mods/Fleet/odf/ships/new.odf", "new");
  const Args base = {"--program-dir", (t / "prog").string(), "--game-dir", (t / "game").string()};
  // Without --yes and without a terminal (its input is /dev/null) the question is refused.
  ExpectRun(base + Args{"install", "Fleet"}, kExitFailed, {"run with --yes"});
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game");
  // No game folder: refused, nothing touched.
  ExpectRun(base + Args{"--yes", "--game-dir", (t / "missing").string(), "install", "Fleet"}, kExitFailed,
            {"Armada II directory not found"});
  EXPECT_FALSE(std::filesystem::exists(t / "prog/mods/Fleet/Backup"));
  // A file that cannot be replaced: reported on standard error, exit 1.
  ExpectRun(base + Args{"--yes", "install", "Fleet"}, kExitFailed,
            {"Install incomplete: 1 file(s)", "odf/ships/fed.odf"}, {"DRYDOCK_FAIL_PATH=game/odf/ships/fed.odf"}, true);
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game");
  // The mod's name ignores case. Whole runs are probed in install_probe_test.
  Output(base + Args{"--yes", "uninstall", "Fleet"});
  Output(base + Args{"--yes", "install", "fleet"});
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "mod");
  // A mod installed over it: the file's stack, the verbose list and the details name it.
  t.Write("prog/mods/Later/ODF/Ships/FED.odf", "later");
  Output(base + Args{"--yes", "install", "Later"});
  EXPECT_EQ(Output(base + Args{"stack", "ODF\\Ships\\fed.odf"}), "(the game's own file)\nFleet\nLater\n");
  EXPECT_EQ(Output(base + Args{"stack", "odf/ships/new.odf"}), "(no file)\nFleet\n");
  EXPECT_EQ(Output(base + Args{"installed", "--verbose"}), "Fleet\tFiles of this mod are covered by: Later\nLater\n");
  EXPECT_TRUE(Output(base + Args{"info", "Fleet"}).ends_with("\nFiles of this mod are covered by: Later\n"));
  EXPECT_EQ(Output(base + Args{"stack", "--json", "ODF\\Ships\\fed.odf"}),
            "{\n  \"path\": \"ODF\\\\Ships\\\\fed.odf\",\n  \"gameHadFile\": true,\n  \"mods\": [\n    \"Fleet\",\n"
            "    \"Later\"\n  ]\n}\n");
  ExpectRun(base + Args{"installed", "--json"}, kExitOk, {R"("installedInto": null,
      "coveredBy": [
        "Later"
      ])"});
  EXPECT_EQ(Output(base + Args{"compat", "Fleet", "Later", "--json"}),
            "{\n  \"first\": \"Fleet\",\n  \"second\": \"Later\",\n  \"compatible\": false,\n  \"shared\": [\n"
            "    \"odf\\\\ships\\\\fed.odf\"\n  ]\n}\n");
}

// Without a terminal and without --yes or --no, the first question refuses the command before anything changed,
// whatever the flow makes of the answer; --no answers no. Every command that asks a question is here.
TEST(CommandLine, AQuestionNobodyCanAnswerRefusesTheWholeCommandAndNoAnswersNo) {
  TempTree t;
  const drydock::test::ScopedEnv home{"HOME", (t / "home").string()}, data{"XDG_DATA_HOME", (t / "home/data").string()},
      cache{"XDG_CACHE_HOME", (t / "home/cache").string()};
  t.Write("game/odf/ships/fed.odf", "game");
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod");
  t.Write("prog/mods/Inst/odf/ships/new.odf", "new");
  // A loose objective whose place holds other bytes (the question), and a map that moves without one.
  t.Write("prog/mods/Loose/a2_01.txt", "new objective");
  t.Write("prog/mods/Loose/objectives/a2_01.txt", "old objective");
  t.Write("prog/mods/Loose/map.bzn", "map");
  const Args base = {"--program-dir", (t / "prog").string(), "--game-dir", (t / "game").string()};
  ASSERT_EQ(Drydock(base + Args{"--yes", "install", "Inst"}).code, kExitOk);
  const std::string refusal = "\nrefused: no terminal to answer on; run with --yes or --no to answer every question\n";
  const struct {
    Args args;
    int code;
    std::string told;
    std::vector<std::string> sorted = {};  // what moved in the mods folder, when anything did
  } cases[] = {
      {{"install", "Fleet"}, kExitFailed, "You have selected the Fleet mod. Do you want to install it?" + refusal},
      {{"uninstall", "Inst"}, kExitFailed, "Are you sure you want to uninstall the Inst mod?" + refusal},
      {{"--no", "install", "Fleet"}, kExitFailed, "Do you want to install it? no (--no)\n"},
      {{"sort", "Loose"}, kExitFailed, "the files are kept." + refusal},
      {{"--yes", "--no", "sort", "Loose"}, kExitUsage, "drydock: --yes and --no answer every question"},
      {{"--no", "sort", "Loose"},
       kExitFailed,
       "the files are kept. no (--no)\n1 file installed.",
       {"Loose/a2_01.txt=new objective", "Loose/bzn/map.bzn=map", "Loose/objectives/a2_01.txt=old objective"}},
  };
  const auto mods = [&] { return TempTree::Snapshot(t / "prog/mods"); };
  const std::vector<std::string> game = TempTree::Snapshot(t / "game");
  for (const auto& c : cases) {
    const std::vector<std::string> before = mods();
    ExpectRun(base + c.args, c.code, {c.told});
    EXPECT_EQ(TempTree::Snapshot(t / "game"), game) << c.args.back();
    std::vector<std::string> after = mods();
    if (!c.sorted.empty()) {
      std::erase_if(after, [](const std::string& row) { return !row.starts_with("Loose/"); });
      EXPECT_EQ(after, c.sorted);
    } else {
      EXPECT_EQ(after, before) << c.args.back();
    }
  }
}

// This program links the command line's library and the engines only: the
// commands, the demo's pictures and the picture check included, need no Qt Gui.
TEST(CommandLine, DemoMakesTheSandboxOnceAndItsModsShowWithoutQtGui) {
  TempTree t;
  const std::string sandbox = (t / "sandbox").string();
  // What a command that must succeed printed, run in this process.
  const auto run = [](const Args& args) {
    std::string error;
    std::ostringstream out, err;
    const auto cl = ParseCommandLine(args, error);
    EXPECT_EQ(cl ? RunCommand(*cl, out, err) : -1, kExitOk) << error << err.str();
    return out.str();
  };
  const std::string first = run({"demo", sandbox});
  EXPECT_TRUE(first.starts_with("created: " + sandbox + "\n") && first.find("\ngame-dir: ") != std::string::npos)
      << first;
  EXPECT_TRUE(run({"demo", sandbox}).starts_with("exists: "));
  const Args prog = {"--program-dir", sandbox + "/Drydock"};
  EXPECT_NE(run(prog + Args{"list"}).find("\n    "), std::string::npos) << "the demo has addons";
  const std::string bmp = TempTree::Read(t / "sandbox/Drydock/mods/Borg Assimilation Pack/ModPic.bmp");
  t.Write("sandbox/Drydock/mods/Cut Short/ModPic.bmp", bmp.substr(0, 5000));
  const std::pair<const char*, const char*> pictures[] = {{"Borg Assimilation Pack", "ModPic.bmp"},
                                                          {"Federation Fleet Yards", "ModPic.jpg"},
                                                          {"Dominion War", "invalid"},
                                                          {"Cut Short", "invalid"},
                                                          {"Tech Tree Tweaks", "none"}};
  for (const auto& [mod, picture] : pictures) {
    const std::string shown = run(prog + Args{"info", mod});
    EXPECT_TRUE(shown.ends_with(std::string("\npicture=") + picture + "\n")) << mod << ":\n" << shown;
  }
  std::ifstream maps("/proc/self/maps");
  const std::string mapped{std::istreambuf_iterator<char>(maps), {}};
  // The engines link no Qt at all now; the C++ library shows that the map was read.
  EXPECT_NE(mapped.find("libstdc++"), std::string::npos);
  EXPECT_EQ(mapped.find("libQt6"), std::string::npos);
}

TEST(CommandLine, LaunchTellsOfAGameThatFailsAtOnceAndExitsOne) {
#ifdef _WIN32
  GTEST_SKIP() << "the game starts through Wine only on Linux";
#endif
  TempTree t;
  t.Write("game/Armada2.exe", "");  // not a program Wine can run
  const Args launch = {"--program-dir", (t / "prog").string(), "--game-dir", (t / "game").string(), "launch"};
  // What the stand-in for Wine does, the exit code and what the output holds.
  const std::tuple<std::string, int, std::vector<std::string>> cases[] = {
      {"echo 'wine: Bad EXE format for Z:\\game\\Armada2.exe.' >&2; exit 1",
       kExitFailed,
       {"wine Armada2.exe ended within seconds, with exit status 1",
        "wine: Bad EXE format for Z:\\game\\Armada2.exe."}},
      {"exit 0", kExitOk, {"started: " + (t / "game").string()}},
  };
  for (const auto& [script, code, shown] : cases) {
    t.Write("bin/wine", "#!/bin/sh\n" + script + "\n");
    std::filesystem::permissions(t / "bin/wine", std::filesystem::perms::owner_all);
    ExpectRun(launch, code, shown, {"PATH=" + (t / "bin").string()});
  }
}
