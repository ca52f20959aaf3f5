// PLACEHOLDER: being written; replaced before the first commit.
#include "platform/registry.h"
namespace drydock::platform {
WineEnvironment WineEnvironment::FromProcess() { return {}; }
std::vector<std::filesystem::path> CandidateWinePrefixes(const WineEnvironment&) { return {}; }
std::optional<std::string> FindWineRegString(std::string_view, std::string_view, std::string_view) { return {}; }
std::optional<std::filesystem::path> WinePathToNative(const std::filesystem::path&, std::string_view) { return {}; }
Registry Registry::ForThisSystem() { return Registry({}); }
Registry::Registry(std::vector<std::filesystem::path> p) : prefixes_(std::move(p)) {}
std::string Registry::ReadRegString(RegRoot, std::string_view, std::string_view, std::string_view f) {
  return std::string(f);
}
std::filesystem::path Registry::ToNativePath(std::string_view) const { return {}; }
}  // namespace drydock::platform
