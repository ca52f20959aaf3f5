#include "platform/system.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace drydock::platform {

bool StdinIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return ::isatty(STDIN_FILENO) != 0;
#endif
}

OpenerCommand SystemOpener(const std::string& pathOrAddress) {
#ifdef _WIN32
  return {"cmd", {"/c", "start", "", pathOrAddress}};
#else
  return {"xdg-open", {pathOrAddress}};
#endif
}

std::filesystem::path PathFromToolkitName(const std::u16string& utf16, const std::string& bytes) {
#ifdef _WIN32
  (void)bytes;
  return std::filesystem::path(std::wstring(utf16.begin(), utf16.end()));
#else
  (void)utf16;
  return std::filesystem::path(bytes);
#endif
}

}  // namespace drydock::platform
