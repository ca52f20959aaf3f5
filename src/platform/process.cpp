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
#include <sys/wait.h>
#include <unistd.h>

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

bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
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
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
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

#endif

}  // namespace drydock::platform
