#include "platform/process.h"

#include <cerrno>
#include <cstring>

#include "platform/names.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#else
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>
#include <thread>

extern char** environ;
#endif

namespace drydock::platform {

namespace {

#ifdef _WIN32

// One argument as the C runtime's parser reads it back: quoted when it holds
// a space, a tab or a quote, with backslashes doubled only before a quote.
std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

bool SameVariableName(std::wstring_view entry, const std::wstring& name) {
  if (entry.size() <= name.size() || entry[name.size()] != L'=') return false;
  return CompareStringOrdinal(entry.data(), static_cast<int>(name.size()), name.data(), static_cast<int>(name.size()),
                              TRUE) == CSTR_EQUAL;
}

// Drydock's environment block with `environment` laid over it.
std::wstring EnvironmentBlock(const EnvironmentVariables& environment) {
  std::vector<std::wstring> names;
  for (const auto& [name, value] : environment) names.push_back(PathFromUtf8(name).native());
  std::wstring block;
  if (wchar_t* own = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = own; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
      const std::wstring_view view(entry);
      if (std::none_of(names.begin(), names.end(), [&](const std::wstring& n) { return SameVariableName(view, n); })) {
        block.append(view) += L'\0';
      }
    }
    FreeEnvironmentStringsW(own);
  }
  for (const auto& [name, value] : environment) {
    block.append(PathFromUtf8(name).native()).append(L"=").append(PathFromUtf8(value).native()) += L'\0';
  }
  return block += L'\0';
}

#else

// The environment for the new program, made before the fork: after it only
// calls that are safe in a child of a threaded process may run.
std::vector<std::string> EnvironmentEntries(const EnvironmentVariables& environment) {
  std::vector<std::string> entries;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string_view view(*entry);
    bool replaced = false;
    for (const auto& [name, value] : environment) {
      replaced = replaced || (view.size() > name.size() && view.starts_with(name) && view[name.size()] == '=');
    }
    if (!replaced) entries.emplace_back(view);
  }
  for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Tells the waiting parent why the child could not start, then ends the child.
[[noreturn]] void Fail(int pipe) {
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(pipe, &error, sizeof error);
  ::_exit(127);
}

#endif

}  // namespace

#ifdef _WIN32

namespace {

// The started program's process handle, or null when it could not be started.
HANDLE StartProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& workingDir, const EnvironmentVariables& environment) {
  std::wstring commandLine = QuotedArgument(program.native());
  for (const std::string& argument : arguments) commandLine += L" " + QuotedArgument(PathFromUtf8(argument).native());
  std::wstring block = EnvironmentBlock(environment);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, /*bInheritHandles=*/FALSE,
                      CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, block.data(),
                      workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &started)) {
    return nullptr;
  }
  CloseHandle(started.hThread);
  return started.hProcess;
}

class WindowsWatchedProgram final : public WatchedProgram {
 public:
  explicit WindowsWatchedProgram(HANDLE process) : process_(process) {}
  ~WindowsWatchedProgram() override { CloseHandle(process_); }
  std::optional<ProgramEnd> Ended() override {
    DWORD code = 0;
    if (!end_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(process_, &code)) {
      end_ = ProgramEnd{static_cast<int>(code), 0};
    }
    return end_;
  }
  std::string ErrorTail(std::size_t) override { return {}; }

 private:
  HANDLE process_;
  std::optional<ProgramEnd> end_;
};

}  // namespace

bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingDir, const EnvironmentVariables& environment) {
  const HANDLE process = StartProcess(program, arguments, workingDir, environment);
  if (!process) return false;
  CloseHandle(process);
  return true;
}

std::unique_ptr<WatchedProgram> StartWatched(const std::filesystem::path& program,
                                             const std::vector<std::string>& arguments,
                                             const std::filesystem::path& workingDir,
                                             const EnvironmentVariables& environment) {
  const HANDLE process = StartProcess(program, arguments, workingDir, environment);
  if (!process) return nullptr;
  return std::make_unique<WindowsWatchedProgram>(process);
}

#else

bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingDir, const EnvironmentVariables& environment) {
  std::vector<std::string> argv{program.native()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env = EnvironmentEntries(environment);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> envPointers = Pointers(env);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  // The program runs as a grandchild that belongs to no session of Drydock's:
  // it is not ended with Drydock's terminal, and nobody has to wait for it.
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) Fail(report[1]);
    if (grandchild > 0) ::_exit(0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    // It reads nothing from Drydock's terminal; what it prints still shows there.
    if (const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC); nothing >= 0) ::dup2(nothing, STDIN_FILENO);
    if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) Fail(report[1]);
    ::execve(argvPointers[0], argvPointers.data(), envPointers.data());
    Fail(report[1]);
  }
  ::close(report[1]);
  bool started = child > 0;
  if (started) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without a word when the program was started (close on exec).
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    started = WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
  }
  ::close(report[0]);
  return started;
}

namespace {

constexpr int kPassOnChunks = 16;
constexpr std::size_t kPassOnChunkBytes = 64 * 1024;

// Where a watched program's standard error goes: a file already gone from its
// folder, so that it goes with the last descriptor open on it.
int AnonymousFile() {
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) folder = "/tmp";
  std::string name = (folder / "drydock-errors-XXXXXX").native();
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

class PosixWatchedProgram final : public WatchedProgram {
 public:
  PosixWatchedProgram(pid_t pid, int errors) : pid_(pid), errors_(errors) {}
  ~PosixWatchedProgram() override {
    ::close(errors_);
    // Whoever ends it later is still Drydock's child: a waiter of its own keeps it from lingering as a zombie.
    if (!end_) {
      std::thread([pid = pid_] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    }
  }

  std::optional<ProgramEnd> Ended() override {
    if (!end_) {
      int status = 0;
      pid_t ended;
      while ((ended = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
      }
      if (ended == pid_) {
        end_ = WIFSIGNALED(status) ? ProgramEnd{0, WTERMSIG(status)} : ProgramEnd{WEXITSTATUS(status), 0};
      }
    }
    PassOnErrors();
    return end_;
  }

  std::string ErrorTail(std::size_t maxBytes) override {
    struct stat info {};
    if (::fstat(errors_, &info) != 0 || info.st_size <= 0) return {};
    const auto size = static_cast<std::size_t>(info.st_size);
    const std::size_t start = size > maxBytes ? size - maxBytes : 0;
    std::string tail = ReadAt(start, size - start);
    // A line cut at the front is left out.
    if (start > 0) tail.erase(0, tail.find('\n') == std::string::npos ? tail.size() : tail.find('\n') + 1);
    while (!tail.empty() && std::strchr("\r\n\t ", tail.back())) tail.pop_back();
    return tail;
  }

 private:
  std::string ReadAt(std::size_t offset, std::size_t count) const {
    std::string bytes(count, '\0');
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(errors_, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
  }

  // What the program wrote since the last look goes on to Drydock's own standard error.
  // A look passes on at most kPassOnChunks chunks, so a program that writes without pause cannot hold it.
  void PassOnErrors() {
    for (int chunk = 0; chunk < kPassOnChunks; ++chunk) {
      const std::string fresh = ReadAt(passedOn_, kPassOnChunkBytes);
      if (fresh.empty()) return;
      passedOn_ += fresh.size();
      for (std::size_t done = 0; done < fresh.size();) {
        const ssize_t n = ::write(STDERR_FILENO, fresh.data() + done, fresh.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
    }
  }

  pid_t pid_;
  int errors_;
  std::size_t passedOn_ = 0;
  std::optional<ProgramEnd> end_;
};

}  // namespace

std::unique_ptr<WatchedProgram> StartWatched(const std::filesystem::path& program,
                                             const std::vector<std::string>& arguments,
                                             const std::filesystem::path& workingDir,
                                             const EnvironmentVariables& environment) {
  std::vector<std::string> argv{program.native()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env = EnvironmentEntries(environment);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> envPointers = Pointers(env);
  const int errors = AnonymousFile();
  if (errors < 0) return nullptr;
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    ::close(errors);
    return nullptr;
  }
  // A session of its own, so that it is not ended with Drydock's terminal.
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC); nothing >= 0) ::dup2(nothing, STDIN_FILENO);
    if (::dup2(errors, STDERR_FILENO) < 0) Fail(report[1]);
    if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) Fail(report[1]);
    ::execve(argvPointers[0], argvPointers.data(), envPointers.data());
    Fail(report[1]);
  }
  ::close(report[1]);
  // The pipe closes without a word once the program runs (close on exec).
  int error = 0;
  ssize_t n = -1;
  if (child > 0) {
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
  }
  ::close(report[0]);
  if (child <= 0 || n != 0) {
    if (child > 0) {
      int status = 0;
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    }
    ::close(errors);
    return nullptr;
  }
  return std::make_unique<PosixWatchedProgram>(child, errors);
}

#endif

std::string DescribeEnd(const ProgramEnd& end) {
  if (end.signal == 0) return "exit status " + std::to_string(end.exitCode);
#ifdef _WIN32
  return "signal " + std::to_string(end.signal);
#else
  const char* name = ::strsignal(end.signal);
  return "signal " + std::to_string(end.signal) + (name ? std::string(" (") + name + ")" : std::string());
#endif
}

}  // namespace drydock::platform
