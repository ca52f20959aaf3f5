#include "help/versions.h"

#include <algorithm>

#include "platform/listing.h"
#include "platform/names.h"

namespace drydock::help {

namespace {
constexpr const char* kPatchReadme = "armada ii 1.1 patch readme.txt";
constexpr const char* kPatched = "Current version of Armada II installed: 1.1 (Patched)";
constexpr const char* kUnpatched = "Current version of Armada II installed: 1.0 (Unpatched)";

bool HoldsPatchReadme(const std::filesystem::path& gameDir) {
  const std::vector<std::string> names = platform::ListAllNames(gameDir);
  return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
    std::error_code ec;
    return platform::ToLowerAscii(name) == kPatchReadme &&
           std::filesystem::symlink_status(gameDir / platform::PathFromUtf8(name), ec).type() ==
               std::filesystem::file_type::regular;
  });
}
}  // namespace

std::string ProgramVersionLine() { return std::string("Version ") + DRYDOCK_VERSION; }

std::string GameVersionLine(const std::optional<std::filesystem::path>& gameDir) {
  return gameDir && HoldsPatchReadme(*gameDir) ? kPatched : kUnpatched;
}

}  // namespace drydock::help
