#pragma once
// A game and a mods folder written from tables, and the real program run on
// them: for the tests that install, uninstall and apply through the command line.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/temp_tree.h"

namespace drydock::test {

using GameFile = std::pair<const char*, const char*>;               // path in the game, its bytes
using ModFiles = std::pair<const char*, std::vector<std::string>>;  // mod folder, its files

// The game's files under game/ (with the player's empty save folder), and each mod's files under
// prog/mods/NAME/, each holding "NAME:path".
inline void WriteGameAndMods(TempTree& t, std::span<const GameFile> game, std::span<const ModFiles> mods) {
  for (const auto& [path, bytes] : game) t.Write(std::string("game/") + path, bytes);
  t.MakeDir("game/save");
  for (const auto& [name, files] : mods) {
    for (const std::string& file : files) t.Write("prog/mods/" + std::string(name) + "/" + file, name + (":" + file));
  }
}

#ifdef DRYDOCK_EXE
// The real program on prog/ and game/ of `t` with `answer` to its questions, killed at file operation `killAt`
// when that is not 0.
inline RunResult RunDrydock(const TempTree& t, const std::vector<std::string>& args, std::uint64_t killAt = 0,
                            const char* answer = "--yes") {
  std::vector<std::string> argv{DRYDOCK_EXE,  "--program-dir",       (t / "prog").string(),
                                "--game-dir", (t / "game").string(), answer};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env;
  if (killAt > 0) env.push_back("DRYDOCK_KILL_OP=" + std::to_string(killAt));
  return RunChild(argv, env);
}

// Installs the mods in `order` with the real program, each one expected to succeed.
inline void InstallByProgram(const TempTree& t, const std::vector<std::string>& order) {
  for (const std::string& mod : order) {
    const RunResult r = RunDrydock(t, {"install", mod});
    ASSERT_EQ(r.code, 0) << mod << ":\n" << r.output;
  }
}
#endif

}  // namespace drydock::test
