#pragma once
// What the program asks of the desktop shell. Windows get a Shell by
// reference; the application passes the Qt implementation (QtShell), tests a
// recording fake, so no test ever opens a file or plays a sound.
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace drydock::platform {

// Variables set for a started program on top of Drydock's own environment
// (name, value), UTF-8.
using EnvironmentVariables = std::vector<std::pair<std::string, std::string>>;

class WatchedProgram;  // platform/process.h

// Whether the desktop took a path or address to open, and if not, why not.
struct [[nodiscard]] OpenResult {
  bool opened = true;
  std::string reason;  // for the user: "xdg-open, which opens it, was not found"
  explicit operator bool() const { return opened; }
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a folder, file or web/mailto address with its associated program.
  // A failure that shows only later (the opener ends with an error within its
  // first seconds) is told by the implementation itself.
  virtual OpenResult ShellOpen(const std::string& pathOrAddress) = 0;
  // Plays a wave file without waiting for it to end.
  virtual void PlayWave(const std::filesystem::path& file) = 0;
  virtual void Beep() = 0;
  // Starts a program in `workingDir`, with Drydock's environment plus
  // `environment`, to run on after Drydock ends (platform::StartWatched);
  // null when it could not be started.
  virtual std::unique_ptr<WatchedProgram> StartProgram(const std::filesystem::path& program,
                                                       const std::vector<std::string>& arguments,
                                                       const std::filesystem::path& workingDir,
                                                       const EnvironmentVariables& environment) = 0;
};

}  // namespace drydock::platform
