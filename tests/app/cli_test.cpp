// The command line, run as a real process and, without Qt Gui, in this one.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/cli.h"
#include "support/temp_tree.h"

using namespace drydock::app;
using drydock::test::TempTree;

namespace {
struct RunResult {
  int code;
  std::string out;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

RunResult Drydock(const std::string& args, const std::string& env = {}) {
  // Both streams are read unless the arguments redirect them themselves.
  const bool redirects = args.find("2>") != std::string::npos;
  std::string cmd = env + (env.empty() ? "" : " ") + Quote(DRYDOCK_EXE) + " " + args + (redirects ? "" : " 2>&1");
  FILE* p = popen(cmd.c_str(), "r");
  RunResult r{-1, {}};
  if (!p) return r;
  std::array<char, 4096> buf{};
  size_t n = 0;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}
}  // namespace

TEST(CommandLine, ParsesOptionsBeforeTheCommandAndRefusesOthers) {
  std::string error;
  auto cl = ParseCommandLine({"--program-dir", "/p", "--game-dir", "/g", "--yes", "list"}, error);
  ASSERT_TRUE(cl) << error;
  EXPECT_EQ(cl->programDir, std::filesystem::path("/p"));
  EXPECT_EQ(cl->gameDir, std::filesystem::path("/g"));
  EXPECT_TRUE(cl->yes);
  EXPECT_EQ(cl->command, "list");

  EXPECT_FALSE(ParseCommandLine({"--program-dir"}, error));
  EXPECT_NE(error.find("--program-dir"), std::string::npos);
  EXPECT_FALSE(ParseCommandLine({"frobnicate"}, error));
  EXPECT_FALSE(ParseCommandLine({"--bogus", "list"}, error));
  EXPECT_FALSE(ParseCommandLine({"--demo", "list"}, error));
  auto window = ParseCommandLine({"--demo"}, error);
  ASSERT_TRUE(window);
  EXPECT_TRUE(window->command.empty());

  // The program itself: usage errors exit with 2.
  EXPECT_EQ(Drydock("frobnicate").code, kExitUsage);
  EXPECT_EQ(Drydock("list extra").code, kExitUsage);
  const RunResult help = Drydock("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: drydock"), std::string::npos);
}

TEST(CommandLine, ListAndInstalledPrintModsWithIndentedAddonsOrThePlaceholder) {
  TempTree t;
  t.MakeDir("prog/mods");
  const std::string prog = "--program-dir " + Quote((t / "prog").string());
  const RunResult empty = Drydock(prog + " list");
  EXPECT_EQ(empty.code, 0);
  EXPECT_EQ(empty.out, "(No mods found.)\n");

  t.MakeDir("prog/mods/b mod/Addon/x");
  t.MakeDir("prog/mods/b mod/Addon/y/Backup");
  t.MakeDir("prog/mods/A mod/Backup");
  t.MakeDir("prog/mods/C/backup");  // installed only under the exact name
  t.Write("prog/mods/stray.txt");
  const RunResult full = Drydock(prog + " list");
  EXPECT_EQ(full.code, 0);
  EXPECT_EQ(full.out, "A mod\nb mod\n    y\n    x\nC\n");
  const RunResult installed = Drydock(prog + " installed");
  EXPECT_EQ(installed.code, 0);
  EXPECT_EQ(installed.out, "A mod\n    y\n");
}

TEST(CommandLine, DemoMakesTheSandboxOnceAndListsItsMods) {
  TempTree t;
  const RunResult first = Drydock("demo " + Quote((t / "sandbox").string()));
  ASSERT_EQ(first.code, 0) << first.out;
  EXPECT_EQ(first.out.rfind("created: ", 0), 0u) << first.out;
  EXPECT_NE(first.out.find("game-dir: "), std::string::npos);
  const RunResult second = Drydock("demo " + Quote((t / "sandbox").string()));
  EXPECT_EQ(second.out.rfind("exists: ", 0), 0u) << second.out;
  const RunResult list = Drydock("--program-dir " + Quote((t / "sandbox/Drydock").string()) + " list");
  EXPECT_EQ(list.code, 0);
  EXPECT_NE(list.out.find("\n    "), std::string::npos) << "the demo has addons:\n" << list.out;
}

TEST(CommandLine, InfoPrintsTheDetailsPanelOfAModOrAnAddon) {
  TempTree t;
  t.Write("prog/mods/Fleet/ModInfo.txt", "Author: R&&D\nVersion: 2.0\nOther Heading: Credits\n");
  t.Write("prog/mods/Fleet/odf/ships/a.odf", std::string(2048, 'a'));
  t.Write("prog/mods/Fleet/ReadMe.txt", "");
  t.Write("prog/mods/Fleet/ModPic.jpg", "broken");
  t.Write("prog/mods/Fleet/Addon/Extra/ModInfo.txt", "Author: Someone else\r\n");
  const std::string prog = "--program-dir " + Quote((t / "prog").string());

  const RunResult mod = Drydock(prog + " info Fleet");
  EXPECT_EQ(mod.code, 0);
  EXPECT_EQ(mod.out,
            "author=R&D\n"
            "description=(File does not contain description)\n"
            "version=2.0\n"
            "other_heading=Credits\n"
            "other=(File does not contain 'other')\n"
            "files=4\n"       // ModInfo.txt, the readme and the picture lie in the root
            "size=2.08 KB\n"  // 2126 bytes, the addon included
            "readme=yes\n"
            "picture=invalid\n");

  const RunResult addon = Drydock(prog + " info 'fleet/addon/extra'");
  EXPECT_EQ(addon.code, 0);
  EXPECT_EQ(addon.out.substr(0, addon.out.find('\n')), "author=Someone else");
  EXPECT_NE(addon.out.find("picture=none\n"), std::string::npos);

  EXPECT_EQ(Drydock(prog + " info Missing").code, kExitFailed);
  EXPECT_EQ(Drydock(prog + " info").code, kExitUsage);
}

TEST(CommandLine, InstallAndUninstallAskAnswerAndReportFailures) {
  TempTree t;
  t.Write("game/odf/ships/fed.odf", "game");
  t.Write("prog/mods/Fleet/odf/ships/fed.odf", "mod");
  t.Write("prog/mods/Fleet/odf/ships/new.odf", "new");
  const std::string base =
      "--program-dir " + Quote((t / "prog").string()) + " --game-dir " + Quote((t / "game").string());

  // Without --yes and without a terminal the question is refused.
  const RunResult refused = Drydock(base + " install Fleet < /dev/null");
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_NE(refused.out.find("run with --yes"), std::string::npos) << refused.out;
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game");

  // No game folder: refused, nothing touched.
  const RunResult noGame = Drydock("--yes --program-dir " + Quote((t / "prog").string()) + " --game-dir " +
                                   Quote((t / "missing").string()) + " install Fleet");
  EXPECT_EQ(noGame.code, kExitFailed);
  EXPECT_NE(noGame.out.find("Armada II directory not found"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(t / "prog/mods/Fleet/Backup"));

  // A file that cannot be replaced: reported on standard error, exit 1.
  // Standard output is dropped here, so what is left came on standard error.
  const RunResult failed =
      Drydock("--yes " + base + " install Fleet 3>&1 1>/dev/null 2>&3", "DRYDOCK_FAIL_PATH=game/odf/ships/fed.odf");
  EXPECT_EQ(failed.code, kExitFailed);
  EXPECT_NE(failed.out.find("Install incomplete: 1 file(s)"), std::string::npos) << failed.out;
  EXPECT_NE(failed.out.find("odf/ships/fed.odf"), std::string::npos);
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "game");

  // The mod's name ignores case. Whole runs are probed in install_probe_test.
  EXPECT_EQ(Drydock("--yes " + base + " uninstall Fleet").code, 0);
  const RunResult install = Drydock("--yes " + base + " install fleet");
  EXPECT_EQ(install.code, 0) << install.out;
  EXPECT_EQ(TempTree::Read(t / "game/odf/ships/fed.odf"), "mod");
}

// This program links the command line's library and the engines only: the
// commands, the demo's pictures and the picture check included, need no Qt Gui.
TEST(CommandLine, DemoAndInfoRunWithoutQtGui) {
  TempTree t;
  std::ostringstream out;
  std::ostringstream err;
  CommandLine demo;
  demo.command = "demo";
  demo.args = {(t / "sandbox").string()};
  ASSERT_EQ(RunCommand(demo, out, err), kExitOk) << err.str();
  const std::string bmp = TempTree::Read(t / "sandbox/Drydock/mods/Borg Assimilation Pack/ModPic.bmp");
  t.Write("sandbox/Drydock/mods/Cut Short/ModPic.bmp", bmp.substr(0, 5000));

  const std::vector<std::pair<std::string, std::string>> pictures = {{"Borg Assimilation Pack", "ModPic.bmp"},
                                                                     {"Federation Fleet Yards", "ModPic.jpg"},
                                                                     {"Dominion War", "invalid"},
                                                                     {"Cut Short", "invalid"},
                                                                     {"Tech Tree Tweaks", "none"}};
  for (const auto& [mod, picture] : pictures) {
    CommandLine info;
    info.programDir = t / "sandbox/Drydock";
    info.command = "info";
    info.args = {mod};
    std::ostringstream shown;
    EXPECT_EQ(RunCommand(info, shown, err), kExitOk) << err.str();
    EXPECT_TRUE(shown.str().ends_with("\npicture=" + picture + "\n")) << mod << ":\n" << shown.str();
  }

  std::ifstream maps("/proc/self/maps");
  const std::string mapped{std::istreambuf_iterator<char>(maps), {}};
  EXPECT_NE(mapped.find("libQt6Core"), std::string::npos);
  EXPECT_EQ(mapped.find("libQt6Gui"), std::string::npos);
}
