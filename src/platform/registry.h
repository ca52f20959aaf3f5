#pragma once
// Reading one string value from the Windows registry.
//
// On Windows this is the real registry (32-bit view first, as the game is a
// 32-bit program). On Linux the game lives in a Wine prefix: the value is read
// from the prefix's registry files (system.reg for the machine hive, user.reg
// for the user's), under the key itself or under Software\Wow6432Node, and a
// Windows path found there is mapped to a native one through the prefix's
// dosdevices drive links.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reg_file.h"
#include "platform/wine_prefixes.h"

namespace drydock::platform {

enum class RegRoot { LocalMachine, CurrentUser };

class Registry {
 public:
  // Uses the real registry on Windows, CandidateWinePrefixes(FromProcess()) elsewhere.
  static Registry ForThisSystem();
  explicit Registry(std::vector<std::filesystem::path> winePrefixes);

  // The value as stored, or `fallback` when the key or value is missing or not
  // a string. The first prefix that holds the value wins.
  std::string ReadRegString(RegRoot root, std::string_view subkey, std::string_view valueName,
                            std::string_view fallback = {});

  // The Wine prefix that held the last value found (empty on Windows or when
  // nothing was found). Launching the game needs it.
  const std::filesystem::path& FoundPrefix() const { return foundPrefix_; }

  // A Windows path read from the registry as a native path: unchanged on
  // Windows; mapped through FoundPrefix() on Linux. Empty when it cannot be mapped.
  std::filesystem::path ToNativePath(std::string_view windowsPath) const;

 private:
  std::vector<std::filesystem::path> prefixes_;
  std::filesystem::path foundPrefix_;
};

}  // namespace drydock::platform
