#include "library/mod_files.h"

#include <algorithm>

#include <unordered_set>

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

void ForEachModFile(const fs::path& modFolder, const std::function<void(int, const fs::path&, std::string&&)>& visit) {
  platform::DirCache cache;
  for (int i = 1; i <= kGameFolderCount; ++i) {
    const std::vector<fs::path> variants = platform::AllCaseVariants(modFolder, GameFolder(i), &cache);
    // Names equal but for letter case are one file to the game: the first met counts. Within one folder they
    // lie side by side in listing order; across case variants of the folder a set tells.
    std::unordered_set<std::string> seen;
    for (const fs::path& folder : variants) {
      const std::string* last = nullptr;
      for (const std::string& name : cache.PlainFiles(folder)) {
        if (name == kModInfoFileName) continue;
        const bool again = last && platform::EqualsIgnoreCase(*last, name);
        last = &name;
        if (again || (variants.size() > 1 && !seen.insert(platform::ToUpperAscii(name)).second)) continue;
        std::string copy = name;
        visit(i, folder, std::move(copy));
      }
    }
  }
}

std::vector<ModFile> ListModFiles(const fs::path& modFolder) {
  std::vector<ModFile> files;
  ForEachModFile(modFolder, [&files](int folder, const fs::path& dir, std::string&& name) {
    fs::path source = dir / platform::PathFromUtf8(name);
    files.push_back({folder, std::move(name), std::move(source)});
  });
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
