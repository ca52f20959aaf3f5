#include "library/game_dir.h"

namespace drydock::library {

std::filesystem::path ReadGameDirFromRegistry(platform::Registry& registry) {
  const std::string value =
      registry.ReadRegString(platform::RegRoot::LocalMachine, kGameRegistryKey, kGameRegistryValue, {});
  if (value.empty()) return {};
  return registry.ToNativePath(value);
}

}  // namespace drydock::library
