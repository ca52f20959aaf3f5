#include "install/installed_mods.h"

#include "platform/native_path.h"

namespace drydock::install {

bool IsInstalled(const std::filesystem::path& modFolder) {
  return !platform::FindEntryIgnoreCase(modFolder, kBackupFolderName).empty();
}

std::vector<std::string> InstalledModEntries(const std::filesystem::path& modsDir, const library::ModList& list) {
  std::vector<std::string> installed;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const std::string modPath = library::ResolveModPath(list, i);
    if (modPath.empty()) continue;
    const auto folder = library::ModFolder(modsDir, modPath);
    if (platform::FindEntryIgnoreCase(folder, kBackupFolderName) == kBackupFolderName) {
      installed.push_back(list[static_cast<size_t>(i)]);
    }
  }
  if (installed.empty()) installed.emplace_back(library::kNoModsFound);
  return installed;
}

}  // namespace drydock::install
