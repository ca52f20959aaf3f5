// The game's processes on Windows: the process snapshot, each image's full path.
#include <windows.h>
// tlhelp32.h needs windows.h first.
#include <tlhelp32.h>

#include <memory>

#include "platform/game_processes.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The user a process token runs as, as bytes of its SID; empty when it cannot be read.
std::vector<unsigned char> UserOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &raw)) return {};
  const Handle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(raw, TokenUser, buffer.data(), size, &size)) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return {bytes, bytes + ::GetLengthSid(sid)};
}

}  // namespace

std::vector<GameProcess> GameProcesses(const fs::path& gameDir) {
  std::vector<GameProcess> found;
  if (gameDir.empty()) return found;
  const Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) return found;
  const std::vector<unsigned char> me = UserOf(::GetCurrentProcess());
  const DWORD self = ::GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
    const Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process) continue;
    wchar_t image[32768];
    DWORD length = static_cast<DWORD>(std::size(image));
    if (!::QueryFullProcessImageNameW(process.get(), 0, image, &length)) continue;
    const fs::path program(std::wstring(image, length));
    if (!IsGameProgram(program, gameDir)) continue;
    // Another user's game holds its own files; it is not this user's to close.
    if (!me.empty() && UserOf(process.get()) != me) continue;
    found.push_back({static_cast<long>(entry.th32ProcessID), program});
  }
  return found;
}

}  // namespace drydock::platform
