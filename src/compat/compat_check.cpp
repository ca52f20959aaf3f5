#include "compat/compat_check.h"

#include <algorithm>
#include <exception>
#include <new>
#include <unordered_set>

#include "compat/compat_texts.h"
#include "library/game_folders.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::compat {

std::optional<fs::path> SideFolder(const fs::path& modsDir, const std::optional<fs::path>& gameDir,
                                   std::string_view modPathOrGame) {
  if (modPathOrGame == kGameEntry) return gameDir;
  if (modPathOrGame.empty()) return std::nullopt;
  return library::ModFolder(modsDir, modPathOrGame);
}

std::vector<library::ModFile> SideFiles(const std::optional<fs::path>& folder, Side side, const ListFiles& list) {
  if (!folder) return {};
  std::vector<library::ModFile> files = list(*folder);
  if (side == Side::Second) {
    std::erase_if(files, [](const library::ModFile& file) { return library::IsModDescriptionFile(file.name); });
  }
  return files;
}

std::string ShownConflict(const library::ModFile& file) {
  return std::string(library::GameFolder(file.folder)) + platform::PrintableName(file.name);
}

std::vector<std::string> Conflicts(const std::vector<library::ModFile>& first,
                                   const std::vector<library::ModFile>& second,
                                   const std::function<void(int)>& progress) {
  std::unordered_set<std::string> unmatched;
  unmatched.reserve(second.size());
  for (const library::ModFile& file : second) unmatched.insert(file.Key());
  std::vector<std::string> conflicts;
  int shownPercent = -1;
  for (size_t i = 0; i < first.size(); ++i) {
    // Taking the key out once matched reports each path once.
    if (unmatched.erase(first[i].Key()) > 0) conflicts.push_back(ShownConflict(first[i]));
    const int percent = static_cast<int>((i + 1) * 100 / first.size());
    if (progress && percent != shownPercent) progress(percent);
    shownPercent = percent;
  }
  return conflicts;
}

std::optional<std::string> Guarded(const std::function<void()>& step) noexcept {
  try {
    step();
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    return "Error: " + std::string(texts::kOutOfMemory) + std::string(texts::kOutOfMemoryAdvice);
  } catch (const std::exception& e) {
    return "Error: " + std::string(e.what()) + ".";
  } catch (...) {
    return std::string("Error: unknown failure.");
  }
}

CheckResult Check(const std::optional<fs::path>& first, const std::optional<fs::path>& second) {
  CheckResult result;
  result.error =
      Guarded([&] { result.conflicts = Conflicts(SideFiles(first, Side::First), SideFiles(second, Side::Second)); });
  return result;
}

}  // namespace drydock::compat
