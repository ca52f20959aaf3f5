// The counter every disk-changing operation steps, and the triggers that make
// tests fail or kill the process at a chosen operation.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/file_ops_internal.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::platform::fault {

namespace {

struct State {
  std::atomic<std::uint64_t> count{0};
  std::uint64_t failAt = 0;
  std::uint64_t killAt = 0;
  std::string failPath;
  std::string shortCopyPath;
  std::optional<std::uint64_t> freeBytesCap;
  std::once_flag init;
};

State& GetState() {
  static State state;
  return state;
}

#ifdef DRYDOCK_FAULT_INJECTION
std::uint64_t EnvNumber(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::strtoull(v, nullptr, 10) : 0;
}

void InitFromEnvironment(State& s) {
  std::call_once(s.init, [&s] {
    s.failAt = EnvNumber("DRYDOCK_FAIL_OP");
    s.killAt = EnvNumber("DRYDOCK_KILL_OP");
    if (const char* p = std::getenv("DRYDOCK_FAIL_PATH")) s.failPath = p;
    if (const char* p = std::getenv("DRYDOCK_SHORT_COPY")) s.shortCopyPath = p;
    if (std::getenv("DRYDOCK_FREE_BYTES")) s.freeBytesCap = EnvNumber("DRYDOCK_FREE_BYTES");
  });
}

// Matched against the path written with '/', so one pattern serves Linux and Windows; on Windows
// ignoring letter case, as one file goes by every spelling there.
bool PathMatches(std::string pattern, const fs::path& path) {
  if (pattern.empty()) return false;
  const std::u8string generic = path.generic_u8string();
  std::string written(generic.begin(), generic.end());
#ifdef _WIN32
  written = ToUpperAscii(written);
  pattern = ToUpperAscii(pattern);
#endif
  return written.find(pattern) != std::string::npos;
}

// Kills the process when operation `n` is due to die; an error when it is due to fail.
std::error_code Trigger(const State& s, std::uint64_t n, const fs::path& path) {
  if (s.killAt != 0 && n == s.killAt) KillThisProcess();
  if (s.failAt != 0 && n == s.failAt) return std::make_error_code(std::errc::io_error);
  if (PathMatches(s.failPath, path)) return std::make_error_code(std::errc::io_error);
  return {};
}
#else
// A program that users run never fails or dies on purpose: it only counts.
void InitFromEnvironment(State&) {}
std::error_code Trigger(const State&, std::uint64_t, const fs::path&) { return {}; }
bool PathMatches(const std::string&, const fs::path&) { return false; }
#endif

}  // namespace

std::uint64_t OperationCount() { return GetState().count.load(); }

void Configure(std::uint64_t failAt, std::uint64_t killAt, std::string failPath, std::string shortCopyPath) {
  State& s = GetState();
  InitFromEnvironment(s);
  s.failAt = failAt;
  s.killAt = killAt;
  s.failPath = std::move(failPath);
  s.shortCopyPath = std::move(shortCopyPath);
}

void ResetCount() { GetState().count = 0; }

std::error_code Step(const fs::path& path) {
  State& s = GetState();
  InitFromEnvironment(s);
  return Trigger(s, ++s.count, path);
}

bool CopyCutShort(const fs::path& to) {
  State& s = GetState();
  InitFromEnvironment(s);
  return PathMatches(s.shortCopyPath, to);
}

void ConfigureFreeBytes(std::optional<std::uint64_t> cap) {
  State& s = GetState();
  InitFromEnvironment(s);
  s.freeBytesCap = cap;
}

std::optional<std::uint64_t> FreeBytesCap() {
#ifdef DRYDOCK_FAULT_INJECTION
  State& s = GetState();
  InitFromEnvironment(s);
  return s.freeBytesCap;
#else
  return std::nullopt;  // a program that users run reports the disk as it is
#endif
}

}  // namespace drydock::platform::fault
