#pragma once
// Whether the game is running: the processes of this user whose program is
// the game's own Armada2.exe (the map editor is the same program), run
// natively or under Wine. A flow looks before it changes the game's files,
// since the game holds them open and reads them as it plays.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::platform {

inline constexpr std::string_view kGameProgramName = "Armada2.exe";

struct GameProcess {
  long pid = 0;
  std::filesystem::path program;  // the native path of the program it runs
};

// The processes of this user that run the file kGameProgramName (any letter
// case, as the game's file system ignores it) directly in `gameDir`. On
// Linux: a native program of that name (/proc/PID/exe), or, for any other
// program (Wine's loader), the Windows program it runs under Wine, named by
// the first argument of /proc/PID/cmdline (the second after a
// `wine` loader): a unix path, a drive path mapped through the process's
// prefix ($WINEPREFIX in its environment, else ~/.wine), or a path relative to
// its working folder. On Windows: the process snapshot with each image's
// full path. Empty when none runs or `gameDir` is empty; a process that
// cannot be looked at is passed over. Drydock's own process never counts.
std::vector<GameProcess> GameProcesses(const std::filesystem::path& gameDir);

// Whether the native path `program` is kGameProgramName directly in `gameDir`,
// both compared as real paths (links resolved) ignoring letter case.
bool IsGameProgram(const std::filesystem::path& program, const std::filesystem::path& gameDir);

// "Armada2.exe (process 4242): /games/Armada II/Armada2.exe", one per line.
std::string DescribeGameProcesses(const std::vector<GameProcess>& processes);

}  // namespace drydock::platform
