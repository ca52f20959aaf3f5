// The registry on Linux: the first Wine prefix whose registry file holds the value.
#include <cstdint>
#include <utility>

#include "platform/reg_file_internal.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

// A registry file bigger than this is not a registry file; it is not read.
constexpr std::uintmax_t kMaxRegistryFileBytes = 256u << 20;

// The value from one prefix's registry file: under Software\Wow6432Node first
// (where a 32-bit program's machine settings land in a 64-bit prefix), then the
// key itself.
std::optional<std::string> ReadFromPrefix(const fs::path& prefix, RegRoot root, std::string_view subkey,
                                          std::string_view valueName) {
  const fs::path file = prefix / (root == RegRoot::LocalMachine ? "system.reg" : "user.reg");
  const std::optional<std::string> text = ReadFileCapped(file, kMaxRegistryFileBytes);
  if (!text) return std::nullopt;
  const std::string_view key = TrimBackslashes(subkey);
  constexpr std::string_view kSoftware = "Software\\";
  if (StartsWithIgnoreCase(key, kSoftware)) {
    const std::string redirected =
        std::string(key.substr(0, kSoftware.size())) + "Wow6432Node\\" + std::string(key.substr(kSoftware.size()));
    if (auto value = FindWineRegString(*text, redirected, valueName)) return value;
  }
  return FindWineRegString(*text, key, valueName);
}

}  // namespace

Registry Registry::ForThisSystem() { return Registry(CandidateWinePrefixes(WineEnvironment::FromProcess())); }

Registry::Registry(std::vector<fs::path> winePrefixes) : prefixes_(std::move(winePrefixes)) {}

std::string Registry::ReadRegString(RegRoot root, std::string_view subkey, std::string_view valueName,
                                    std::string_view fallback) {
  // When no prefix holds the value, FoundPrefix() keeps the prefix of the last
  // value found, so a path read earlier still maps through it.
  for (const fs::path& prefix : prefixes_) {
    if (auto value = ReadFromPrefix(prefix, root, subkey, valueName)) {
      foundPrefix_ = prefix;
      return *value;
    }
  }
  return std::string(fallback);
}

fs::path Registry::ToNativePath(std::string_view windowsPath) const {
  if (foundPrefix_.empty()) return {};
  return WinePathToNative(foundPrefix_, windowsPath).value_or(fs::path());
}

}  // namespace drydock::platform
