#include "techtree/tech_trees.h"

#include <unordered_set>

#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace drydock::techtree {

namespace {
constexpr std::string_view kTechTreeFolder = "techtree";

// The upper-cased names of the plain files the game would see in the mod's
// tech tree folder; on Linux "techtree" and "TechTree" may both be there.
std::unordered_set<std::string> TechTreeFileKeys(const std::filesystem::path& modsDir, std::string_view modPath) {
  std::unordered_set<std::string> keys;
  if (modPath.empty()) return keys;  // never the mods folder's own "techtree"
  platform::DirCache cache;
  const std::filesystem::path modFolder = library::ModFolder(modsDir, modPath, &cache);
  for (const auto& folder : platform::AllCaseVariants(modFolder, kTechTreeFolder, &cache)) {
    for (const std::string& name : platform::ListPlainFiles(folder)) keys.insert(platform::ToUpperAscii(name));
  }
  return keys;
}
}  // namespace

TechTrees ModTechTrees(const std::filesystem::path& modsDir, std::string_view modPath) {
  const std::unordered_set<std::string> keys = TechTreeFileKeys(modsDir, modPath);
  TechTrees trees;
  for (const TechTreeChoice& choice : kTechTreeChoices) {
    bool provided = false;
    for (std::string_view file : choice.files) {
      provided = provided || (!file.empty() && keys.contains(platform::ToUpperAscii(file)));
    }
    (provided ? trees.available : trees.unavailable).emplace_back(choice.name);
  }
  return trees;
}

std::string LinesOf(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) lines += name + '\n';
  return lines;
}

}  // namespace drydock::techtree
