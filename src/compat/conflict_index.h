#pragma once
// The conflict index of a whole library: for every mod and addon, the other
// mods that provide one of its files with other bytes. Built in one pass over
// every mod's files, keyed by the case-blind path, so its cost grows with the
// number of files and never with the number of pairs of mods.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "library/mod_library.h"

namespace drydock::compat {

struct IndexedMod {
  std::string modPath;  // as ResolveModPath gives it
  std::string name;     // as the list shows it, without an addon's indent
  std::filesystem::path folder;
  bool installed = false;
  int installOrder = 0;  // 1 for the first installed into the game; 0 when not known
  // The other game folder a mod's Backup was made for: such a mod is not installed into this game.
  std::string installedInto;
};

struct ConflictIndex {
  // One entry per entry of the mod list, in its order (the placeholder left out).
  std::vector<IndexedMod> mods;
  // Each path that two mods provide with different bytes: the path as the
  // first of them has it, and its providers. Providers of one `variant` hold the same bytes.
  struct Provider {
    int mod;
    int variant;
  };
  struct SharedPath {
    std::string shown;
    std::vector<Provider> providers;
  };
  std::vector<SharedPath> sharedPaths;
  // Per mod, the sharedPaths it takes part in.
  std::vector<std::vector<int>> pathsOfMod;
  // The entry of `list` each mod stands for.
  std::vector<int> entryOfMod;
};

// What one mod shares: how many of its files other mods provide with other
// bytes, and those mods (indices into ConflictIndex::mods, in list order).
struct ModConflicts {
  int files = 0;
  std::vector<int> mods;
};

// How many threads BuildConflictIndex lists the mods on: the machine's cores, at most four.
unsigned ConflictIndexThreads();

// The index of every entry of `list` under `modsDir`, the mod description files
// left out. The installed state and order come from the game's installed stack
// when `gameDir` is given (a mod with a Backup but no numbered record is
// installed without a place; one whose Backup was made for another game is
// not installed, and names that game). Returns nothing when `cancel` was set
// meanwhile. The mods are listed on `threads` threads (at least one).
std::optional<ConflictIndex> BuildConflictIndex(const std::filesystem::path& modsDir, const library::ModList& list,
                                                const std::optional<std::filesystem::path>& gameDir,
                                                const std::atomic<bool>* cancel = nullptr,
                                                unsigned threads = ConflictIndexThreads());

// What mod `mod` shares with the other mods, or with the installed ones only.
ModConflicts ConflictsOf(const ConflictIndex& index, int mod, bool installedOnly);

// "Shares 12 files with: Fleet Yards, Borg Pack" ("1 file" for one).
std::string SharesText(const ConflictIndex& index, const ModConflicts& conflicts);

}  // namespace drydock::compat
