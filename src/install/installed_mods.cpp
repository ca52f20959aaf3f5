#include "install/installed_mods.h"

#include "install/backup_folder.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace drydock::install {

bool IsInstalled(const std::filesystem::path& modFolder) { return !FindBackupFolder(modFolder).empty(); }

std::vector<std::string> InstalledModEntries(const std::filesystem::path& modsDir, const library::ModList& list) {
  std::vector<std::string> installed;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const std::string modPath = library::ResolveModPath(list, i);
    if (!modPath.empty() && IsInstalled(library::ModFolder(modsDir, modPath))) {
      installed.push_back(list[static_cast<size_t>(i)]);
    }
  }
  if (installed.empty()) installed.emplace_back(library::kNoModsFound);
  return installed;
}

}  // namespace drydock::install
