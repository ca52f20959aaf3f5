#include "library/mod_files.h"

#include <algorithm>

#include <set>

#include "library/game_folders.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace drydock::library {

namespace {
constexpr char kSeparator = platform::kPathSeparator;

std::string Joined(const std::vector<std::string>& parts) {
  std::string joined;
  for (const std::string& part : parts) {
    if (!joined.empty()) joined += kSeparator;
    joined += platform::PrintableName(part);
  }
  return joined;
}
}  // namespace

std::string ModFile::Relative() const { return std::string(GameFolder(folder)) + name; }

std::string ModFile::Shown() const {
  std::vector<std::string> parts = platform::SplitRelative(GameFolder(folder));
  parts.push_back(name);
  return Joined(parts);
}

std::string ModFile::Key() const { return PathKey(GameFolder(folder), name); }

std::vector<ModFile> ListModFiles(const fs::path& modFolder) {
  std::vector<ModFile> files;
  platform::DirCache cache;
  std::set<std::string> seen;
  for (int i = 1; i <= kGameFolderCount; ++i) {
    for (const fs::path& folder : platform::AllCaseVariants(modFolder, GameFolder(i), &cache)) {
      for (const std::string& name : platform::ListPlainFiles(folder)) {
        if (name == kModInfoFileName) continue;
        ModFile file{i, name, folder / platform::PathFromUtf8(name)};
        // Two variants holding the same name: the game would see one file.
        if (seen.insert(file.Key()).second) files.push_back(std::move(file));
      }
    }
  }
  return files;
}

std::string PathKey(std::string_view relative) {
  std::string key;
  for (const std::string& part : platform::SplitRelative(relative)) key += platform::ToUpperAscii(part) + '\0';
  return key;
}

std::string PathKey(std::string_view folder, std::string_view name) {
  return PathKey(folder) + platform::ToUpperAscii(name) + '\0';
}

std::string ShownPath(std::string_view relative) { return Joined(platform::SplitRelative(relative)); }

bool IsModDescriptionFile(std::string_view name) {
  return std::find(kModDescriptionFiles.begin(), kModDescriptionFiles.end(), name) != kModDescriptionFiles.end();
}

}  // namespace drydock::library
