#include "support/child_process.h"

#ifdef _WIN32

namespace drydock::test {

// No test starts the real program on Windows (they skip: WhyNoProgram), so a start
// there fails as a failed fork does, and a test that forgot to skip fails.
ChildProcess ChildProcess::Start(const std::vector<std::string>&, const std::vector<std::string>&) { return {-1, -1}; }
ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_), output_(other.output_) {}
ChildProcess::~ChildProcess() = default;
RunResult ChildProcess::Wait() { return {}; }

}  // namespace drydock::test

#else

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace drydock::test {

ChildProcess ChildProcess::Start(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<std::string> environment;
  // A variable given replaces the test's own of that name.
  const auto given = [&env](std::string_view entry) {
    const std::string_view name = entry.substr(0, entry.find('=') + 1);
    return std::any_of(env.begin(), env.end(), [name](const std::string& e) { return e.starts_with(name); });
  };
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "DRYDOCK_", 8) != 0 && !given(*e)) environment.emplace_back(*e);
  }
  environment.insert(environment.end(), env.begin(), env.end());
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return ChildProcess(-1, -1);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, 0);
    ::dup2(pipeFds[1], 1);
    ::dup2(pipeFds[1], 2);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  if (pid < 0) {
    ::close(pipeFds[0]);
    return ChildProcess(-1, -1);
  }
  return ChildProcess(pid, pipeFds[0]);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_), output_(other.output_) {
  other.pid_ = -1;
  other.output_ = -1;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) (void)Wait();
}

RunResult ChildProcess::Wait() {
  RunResult r;
  if (pid_ <= 0) return r;
  std::array<char, 4096> buf{};
  for (;;) {
    const ssize_t n = ::read(output_, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    r.output.append(buf.data(), static_cast<size_t>(n));
  }
  ::close(output_);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  output_ = -1;
  r.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace drydock::test

#endif
