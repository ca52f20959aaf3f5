#pragma once
// A stand-in for a running Armada II (Linux): a program that only waits,
// started with a chosen argv[0], working folder and environment, and killed
// when the test is done with it. Started from a copy of /bin/sleep named
// Armada2.exe it is the game run natively; started from /bin/sleep itself
// with a Windows path as its first argument it is the game under Wine.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/wait.h"

namespace drydock::test {

class StandInGame {
 public:
  // Starts `program` as `argv0` in `workingDir`, with the test's environment plus `env` ("NAME=value").
  StandInGame(const std::filesystem::path& program, const std::string& argv0, const std::filesystem::path& workingDir,
              const std::vector<std::string>& env = {}) {
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(workingDir.c_str()) != 0) ::_exit(127);
      for (const std::string& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
      const char* argv[] = {argv0.c_str(), "600", nullptr};
      ::execv(program.c_str(), const_cast<char* const*>(argv));
      ::_exit(127);
    }
    // Started once the new program runs: its /proc entry names it, and its arguments are in place (the
    // kernel names the new program a moment before it has set up the arguments).
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(program, ec);
    const std::string proc = "/proc/" + std::to_string(pid_);
    started_ = pid_ > 0 && WaitUntil([&] {
                 std::error_code e;
                 if (std::filesystem::read_symlink(proc + "/exe", e) != real) return false;
                 std::ifstream cmdline(proc + "/cmdline", std::ios::binary);
                 std::string first;
                 return std::getline(cmdline, first, '\0') && first == argv0;
               });
  }
  ~StandInGame() { Stop(); }
  StandInGame(const StandInGame&) = delete;
  StandInGame& operator=(const StandInGame&) = delete;

  bool Started() const { return started_; }
  long Pid() const { return static_cast<long>(pid_); }
  // Kills it and waits for its end.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  bool started_ = false;
};

}  // namespace drydock::test
