#include "compat/conflict_index.h"

#include <algorithm>
#include <system_error>
#include <unordered_map>

#include "compat/compat_check.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/mod_files.h"
#include "platform/file_ops.h"

namespace fs = std::filesystem;

namespace drydock::compat {

namespace {

struct Candidate {
  int mod;
  library::ModFile file;
};

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

std::string Comparable(const fs::path& folder) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(folder, ec);
  return (ec ? folder : canonical).lexically_normal().generic_string();
}

void NoteInstalled(std::vector<IndexedMod>& mods, const fs::path& modsDir, const std::optional<fs::path>& gameDir) {
  std::unordered_map<std::string, int> byFolder;
  for (size_t i = 0; i < mods.size(); ++i) {
    mods[i].installed = install::IsInstalled(mods[i].folder);
    if (mods[i].installed) byFolder.emplace(Comparable(mods[i].folder), static_cast<int>(i));
  }
  if (!gameDir || byFolder.empty()) return;
  const std::vector<install::StackedMod> stack = install::InstalledStack(modsDir, *gameDir);
  for (size_t place = 0; place < stack.size(); ++place) {
    const auto found = byFolder.find(Comparable(stack[place].modFolder));
    if (found != byFolder.end()) mods[static_cast<size_t>(found->second)].installOrder = static_cast<int>(place) + 1;
  }
}

// Sorts the providers of one path into groups of equal bytes: sizes first, contents only for equal sizes.
std::vector<ConflictIndex::Provider> Variants(const std::vector<Candidate>& candidates) {
  std::vector<ConflictIndex::Provider> providers;
  std::vector<std::pair<std::uintmax_t, size_t>> firstOfVariant;  // size, candidate
  for (size_t i = 0; i < candidates.size(); ++i) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(candidates[i].file.source, ec);
    int variant = -1;
    for (size_t v = 0; v < firstOfVariant.size() && variant < 0 && !ec; ++v) {
      if (firstOfVariant[v].first == size &&
          platform::SameContents(candidates[firstOfVariant[v].second].file.source, candidates[i].file.source))
        variant = static_cast<int>(v);
    }
    if (variant < 0) {
      variant = static_cast<int>(firstOfVariant.size());
      firstOfVariant.emplace_back(ec ? UINTMAX_MAX : size, i);
    }
    providers.push_back({candidates[i].mod, variant});
  }
  return providers;
}

}  // namespace

std::optional<ConflictIndex> BuildConflictIndex(const fs::path& modsDir, const library::ModList& list,
                                                const std::optional<fs::path>& gameDir,
                                                const std::atomic<bool>* cancel) {
  ConflictIndex index;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const std::string modPath = library::ResolveModPath(list, i);
    if (modPath.empty()) continue;
    const std::string& entry = list[static_cast<size_t>(i)];
    const bool addon = library::IsAddonEntry(entry);
    index.mods.push_back(
        {modPath, addon ? entry.substr(library::kAddonIndent.size()) : entry, library::EntryFolder(modsDir, list, i)});
    index.entryOfMod.push_back(i);
  }

  // The one pass: every file of every mod under its case-blind key.
  std::unordered_map<std::string, std::vector<Candidate>> byKey;
  std::vector<std::string> keyOrder;  // keys in the order first met, so the result never depends on hashing
  for (int m = 0; m < static_cast<int>(index.mods.size()); ++m) {
    if (Cancelled(cancel)) return std::nullopt;
    for (library::ModFile& file : library::ListModFiles(index.mods[static_cast<size_t>(m)].folder)) {
      if (library::IsModDescriptionFile(file.name)) continue;
      auto [at, added] = byKey.try_emplace(file.Key());
      if (added) keyOrder.push_back(at->first);
      at->second.push_back({m, std::move(file)});
    }
  }

  index.pathsOfMod.resize(index.mods.size());
  for (const std::string& key : keyOrder) {
    const std::vector<Candidate>& candidates = byKey.at(key);
    if (candidates.size() < 2) continue;
    if (Cancelled(cancel)) return std::nullopt;
    std::vector<ConflictIndex::Provider> providers = Variants(candidates);
    const bool allSame = std::all_of(providers.begin(), providers.end(),
                                     [](const ConflictIndex::Provider& p) { return p.variant == 0; });
    if (allSame) continue;
    const int pathNumber = static_cast<int>(index.sharedPaths.size());
    for (const ConflictIndex::Provider& p : providers)
      index.pathsOfMod[static_cast<size_t>(p.mod)].push_back(pathNumber);
    index.sharedPaths.push_back({ShownConflict(candidates.front().file), std::move(providers)});
  }
  NoteInstalled(index.mods, modsDir, gameDir);
  return index;
}

ModConflicts ConflictsOf(const ConflictIndex& index, int mod, bool installedOnly) {
  ModConflicts result;
  for (int pathNumber : index.pathsOfMod[static_cast<size_t>(mod)]) {
    const auto& providers = index.sharedPaths[static_cast<size_t>(pathNumber)].providers;
    const auto own = std::find_if(providers.begin(), providers.end(),
                                  [mod](const ConflictIndex::Provider& p) { return p.mod == mod; });
    bool counted = false;
    for (const ConflictIndex::Provider& p : providers) {
      if (p.mod == mod || p.variant == own->variant) continue;
      if (installedOnly && !index.mods[static_cast<size_t>(p.mod)].installed) continue;
      counted = true;
      result.mods.push_back(p.mod);
    }
    if (counted) ++result.files;
  }
  std::sort(result.mods.begin(), result.mods.end());
  result.mods.erase(std::unique(result.mods.begin(), result.mods.end()), result.mods.end());
  return result;
}

std::string SharesText(const ConflictIndex& index, const ModConflicts& conflicts) {
  std::string text =
      "Shares " + std::to_string(conflicts.files) + (conflicts.files == 1 ? " file" : " files") + " with: ";
  for (size_t i = 0; i < conflicts.mods.size(); ++i) {
    if (i > 0) text += ", ";
    text += index.mods[static_cast<size_t>(conflicts.mods[i])].name;
  }
  return text;
}

}  // namespace drydock::compat
