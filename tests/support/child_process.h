#pragma once
// Runs a program as a child process for end-to-end tests: standard input
// from /dev/null, standard output and error collected together, and the
// environment of the test minus its DRYDOCK_ variables (so that fault
// injection reaches only the runs that ask for it), with those given in
// place of the test's own.
#include <sys/types.h>

#include <string>
#include <vector>

namespace drydock::test {

struct RunResult {
  bool killed = false;  // ended by SIGKILL (an injected crash)
  int code = -1;        // exit status when it exited on its own
  std::string output;
};

class ChildProcess {
 public:
  // args[0] is the program's path.
  static ChildProcess Start(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ~ChildProcess();
  // Waits for the end, reading what it printed.
  RunResult Wait();

 private:
  ChildProcess(pid_t pid, int output) : pid_(pid), output_(output) {}
  pid_t pid_ = -1;
  int output_ = -1;
};

#ifdef DRYDOCK_EXE  // defined for the test programs
// Why a test that starts the real program cannot run in this build, or null when it can.
inline const char* WhyNoProgram() {
#ifdef _WIN32
  return "it starts the real drydock program, which needs Qt and is not built for Windows (only the engine is)";
#else
  return DRYDOCK_EXE[0] == '\0' ? "it starts the real drydock program, which an engine-only build does not make"
                                : nullptr;
#endif
}
#endif

inline RunResult RunChild(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  return ChildProcess::Start(args, env).Wait();
}

}  // namespace drydock::test
