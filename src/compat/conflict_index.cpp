#include "compat/conflict_index.h"

#include <algorithm>
#include <array>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "compat/compat_check.h"
#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/game_folders.h"
#include "library/mod_files.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::compat {

namespace {

// A file as the pass keeps it, small: the folder it was listed in is one of the pass's `dirs`, and its path is
// made again only when another mod holds the same one.
struct Listed {
  int mod;
  int folder;  // GameFolderList number
  int dir;
  std::string name;
};

// The files of each key hash, chained: an open-addressed table of the first and last file of each hash (no
// allocation per key, which at a million files costs more than the rest of the pass).
class Chains {
 public:
  // Adds file `number` under `hash`; returns the file it follows in its chain, or -1 for the first.
  int Add(std::uint64_t hash, int number) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    Slot& slot = Find(hash);
    if (slot.first < 0) {
      slot = {hash, number, number};
      ++used_;
      return -1;
    }
    return std::exchange(slot.last, number);
  }
  void Reserve(size_t keys) {
    while (slots_.size() < keys * 2) Grow();
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    int first = -1, last = -1;
  };
  Slot& Find(std::uint64_t hash) {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
      if (slots_[at].first < 0 || slots_[at].hash == hash) return slots_[at];
    }
  }
  void Grow() {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(std::max<size_t>(64, slots_.size() * 2)));
    for (const Slot& slot : old) {
      if (slot.first >= 0) Find(slot.hash) = slot;
    }
  }
  std::vector<Slot> slots_;
  size_t used_ = 0;
};

// A file of a path that more than one mod holds.
struct Candidate {
  int mod;
  library::ModFile file;
};

// The key of each table folder, as library::PathKey makes it, made once rather than per file.
std::array<std::string, library::kGameFolderCount> FolderKeys() {
  std::array<std::string, library::kGameFolderCount> keys;
  for (int i = 1; i <= library::kGameFolderCount; ++i)
    keys[static_cast<size_t>(i - 1)] = library::PathKey(library::GameFolder(i));
  return keys;
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The hash of a file's case-blind key, from its folder's key and its name.
std::uint64_t KeyHash(std::string_view folderKey, std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : folderKey) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  for (const char c : name) {
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    hash = (hash ^ static_cast<unsigned char>(upper)) * 1099511628211ull;
  }
  return hash;
}

// The files of one mod as a lister thread leaves them: `dir` numbers its own `dirs`.
struct ModListing {
  std::vector<Listed> files;
  std::vector<std::uint64_t> keys;
  std::vector<fs::path> dirs;
};

// Lists the mods on a few threads, each taking the next mod not yet taken: the reading of folders is most of
// the index's time, and a large library has many mods to spread. The result is in mod order whatever thread
// listed what. Returns nothing when cancelled; a failure on a thread is raised here.
std::optional<std::vector<ModListing>> ListMods(const std::vector<IndexedMod>& mods,
                                                const std::array<std::string, library::kGameFolderCount>& folderKeys,
                                                const std::atomic<bool>* cancel, unsigned threads) {
  std::vector<ModListing> listings(mods.size());
  std::atomic<size_t> nextMod{0};
  std::atomic<bool> failed{false};
  auto work = [&](std::exception_ptr& failure) {
    try {
      for (size_t m; !failed && !Cancelled(cancel) && (m = nextMod.fetch_add(1)) < mods.size();) {
        ModListing& listing = listings[m];
        library::ForEachModFile(mods[m].folder, [&](int folder, const fs::path& dir, std::string&& name) {
          if (library::IsModDescriptionFile(name)) return;
          if (listing.dirs.empty() || listing.dirs.back().native() != dir.native()) listing.dirs.push_back(dir);
          listing.keys.push_back(KeyHash(folderKeys[static_cast<size_t>(folder - 1)], name));
          listing.files.push_back(
              {static_cast<int>(m), folder, static_cast<int>(listing.dirs.size()) - 1, std::move(name)});
        });
      }
    } catch (...) {
      failure = std::current_exception();
      failed = true;
    }
  };
  const size_t helpers = std::min<size_t>(std::max(threads, 1u) - 1, mods.size() / 2);
  std::vector<std::exception_ptr> failures(helpers + 1);
  std::vector<std::thread> workers;
  for (size_t t = 0; t < helpers; ++t) workers.emplace_back(work, std::ref(failures[t + 1]));
  work(failures[0]);
  for (std::thread& thread : workers) thread.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  if (Cancelled(cancel)) return std::nullopt;
  return listings;
}

std::string Comparable(const fs::path& folder) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(folder, ec);
  return (ec ? folder : canonical).lexically_normal().generic_string();
}

void NoteInstalled(std::vector<IndexedMod>& mods, const fs::path& modsDir, const std::optional<fs::path>& gameDir) {
  std::unordered_map<std::string, int> byFolder;
  for (size_t i = 0; i < mods.size(); ++i) {
    mods[i].installed = install::IsInstalled(mods[i].folder);
    if (!mods[i].installed) continue;
    if (gameDir) {
      if (const auto other = install::InstalledElsewhere(mods[i].folder, *gameDir);
          other && other->match == install::GameMatch::Other) {
        mods[i].installed = false;
        mods[i].installedInto = platform::PrintableName(other->game);
        continue;
      }
    }
    byFolder.emplace(Comparable(mods[i].folder), static_cast<int>(i));
  }
  if (!gameDir || byFolder.empty()) return;
  const std::vector<install::StackedMod> stack = install::InstalledStack(modsDir, *gameDir);
  for (size_t place = 0; place < stack.size(); ++place) {
    const auto found = byFolder.find(Comparable(stack[place].modFolder));
    if (found != byFolder.end()) mods[static_cast<size_t>(found->second)].installOrder = static_cast<int>(place) + 1;
  }
}

// A hash of the file's bytes (FNV-1a), read once; equal hashes are confirmed byte by byte.
std::uint64_t ContentHash(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::uint64_t hash = 14695981039346656037ull;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i)
      hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
  }
  return hash;
}

// Sorts the providers of one path into groups of equal bytes: sizes first, and contents only where sizes are
// equal, each file read once for its hash, so that many mods holding one path cost no pairs of them.
std::vector<ConflictIndex::Provider> Variants(const std::vector<const Candidate*>& candidates) {
  constexpr std::uintmax_t kUnreadable = UINTMAX_MAX;
  std::vector<std::uintmax_t> sizes;
  std::unordered_map<std::uintmax_t, int> sizeCount;
  for (const Candidate* c : candidates) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(c->file.source, ec);
    sizes.push_back(ec ? kUnreadable : size);
    ++sizeCount[sizes.back()];
  }
  std::vector<ConflictIndex::Provider> providers;
  // (size, hash) to the candidates that began a variant with it.
  std::unordered_map<std::uintmax_t, std::unordered_map<std::uint64_t, std::vector<std::pair<size_t, int>>>> seen;
  int variants = 0;
  for (size_t i = 0; i < candidates.size(); ++i) {
    int variant = -1;
    if (sizes[i] != kUnreadable && sizeCount[sizes[i]] > 1) {
      auto& sameHash = seen[sizes[i]][ContentHash(candidates[i]->file.source)];
      for (const auto& [first, v] : sameHash) {
        if (platform::SameContents(candidates[first]->file.source, candidates[i]->file.source)) variant = v;
        if (variant >= 0) break;
      }
      if (variant < 0) sameHash.emplace_back(i, variant = variants++);
    } else {
      variant = variants++;  // a size no other provider has (or no size at all) is bytes of its own
    }
    providers.push_back({candidates[i]->mod, variant});
  }
  return providers;
}

// The files of one hash chain grouped by their real key, in the order met; groups of one file left out.
std::vector<std::vector<const Candidate*>> SamePaths(const std::vector<Candidate>& chain) {
  std::vector<std::pair<std::string, std::vector<const Candidate*>>> groups;
  for (const Candidate& candidate : chain) {
    const Candidate* c = &candidate;
    const std::string key = c->file.Key();
    auto group = std::find_if(groups.begin(), groups.end(), [&key](const auto& g) { return g.first == key; });
    if (group == groups.end()) group = groups.insert(groups.end(), {key, {}});
    group->second.push_back(c);
  }
  std::vector<std::vector<const Candidate*>> shared;
  for (auto& group : groups) {
    if (group.second.size() > 1) shared.push_back(std::move(group.second));
  }
  return shared;
}

// Notes a path that several mods provide, when their bytes are not all the same.
void NoteShared(ConflictIndex& index, const std::vector<const Candidate*>& candidates) {
  std::vector<ConflictIndex::Provider> providers = Variants(candidates);
  const bool allSame =
      std::all_of(providers.begin(), providers.end(), [](const ConflictIndex::Provider& p) { return p.variant == 0; });
  if (allSame) return;
  const int pathNumber = static_cast<int>(index.sharedPaths.size());
  for (const ConflictIndex::Provider& p : providers) index.pathsOfMod[static_cast<size_t>(p.mod)].push_back(pathNumber);
  index.sharedPaths.push_back({ShownConflict(candidates.front()->file), std::move(providers)});
}

}  // namespace

std::optional<ConflictIndex> BuildConflictIndex(const fs::path& modsDir, const library::ModList& list,
                                                const std::optional<fs::path>& gameDir, const std::atomic<bool>* cancel,
                                                unsigned threads) {
  ConflictIndex index;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const std::string modPath = library::ResolveModPath(list, i);
    if (modPath.empty()) continue;
    const std::string& entry = list[static_cast<size_t>(i)];
    const bool addon = library::IsAddonEntry(entry);
    IndexedMod mod;
    mod.modPath = modPath;
    mod.name = addon ? entry.substr(library::kAddonIndent.size()) : entry;
    mod.folder = library::EntryFolder(modsDir, list, i);
    index.mods.push_back(std::move(mod));
    index.entryOfMod.push_back(i);
  }

  // The one pass: every file of every mod under its case-blind key. The files of one key are chained through
  // `next` in a flat vector, so that a key costs one entry of the map and nothing more.
  std::optional<std::vector<ModListing>> listings = ListMods(index.mods, FolderKeys(), cancel, threads);
  if (!listings) return std::nullopt;
  size_t total = 0;
  for (const ModListing& listing : *listings) total += listing.files.size();
  std::vector<Listed> files;
  std::vector<fs::path> dirs;
  std::vector<int> next(total, -1);
  files.reserve(total);
  // A 64-bit hash of the key: no string per file. Paths whose hashes meet are told apart again below.
  Chains byKey;
  byKey.Reserve(total);
  for (ModListing& listing : *listings) {
    const int dirOffset = static_cast<int>(dirs.size());
    std::move(listing.dirs.begin(), listing.dirs.end(), std::back_inserter(dirs));
    for (size_t f = 0; f < listing.files.size(); ++f) {
      const int number = static_cast<int>(files.size());
      files.push_back(std::move(listing.files[f]));
      files.back().dir += dirOffset;
      if (const int before = byKey.Add(listing.keys[f], number); before >= 0)
        next[static_cast<size_t>(before)] = number;
    }
    listing = {};
  }

  // Paths held by more than one mod, in the order first met, so the result never depends on hashing.
  index.pathsOfMod.resize(index.mods.size());
  std::vector<bool> chained(files.size(), false);
  for (int first = 0; first < static_cast<int>(files.size()); ++first) {
    if (chained[static_cast<size_t>(first)] || next[static_cast<size_t>(first)] < 0) continue;
    if (Cancelled(cancel)) return std::nullopt;
    std::vector<Candidate> chain;
    for (int f = first; f >= 0; f = next[static_cast<size_t>(f)]) {
      chained[static_cast<size_t>(f)] = true;
      const Listed& listed = files[static_cast<size_t>(f)];
      chain.push_back(
          {listed.mod, library::ModFile{listed.folder, listed.name,
                                        dirs[static_cast<size_t>(listed.dir)] / platform::PathFromUtf8(listed.name)}});
    }
    for (const std::vector<const Candidate*>& candidates : SamePaths(chain)) NoteShared(index, candidates);
  }
  NoteInstalled(index.mods, modsDir, gameDir);
  return index;
}

unsigned ConflictIndexThreads() { return std::clamp(std::thread::hardware_concurrency(), 1u, 4u); }

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
