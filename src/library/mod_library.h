#pragma once
// src/library: the game folder table, a mod's files, the mod list and where mods and the game
// live; plain C++ every engine and window shares. See README.md.
//
// The mod library: where mods and the game live, the mod list with its
// addons, and the small shared procedures every window uses.
//
// A mod is a folder under ModsDir laid out like the game directory. A mod may
// hold a folder "Addon" whose entries are further mods (addons). There is no
// catalogue: the library is whatever the folders hold at the moment.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_path.h"

namespace drydock::library {

inline constexpr std::string_view kNoModsFound = "(No mods found.)";
inline constexpr std::string_view kGameDirNotFound = "(Armada II directory not found)";
inline constexpr std::string_view kAddonIndent = "    ";
inline constexpr std::string_view kModsFolderName = "mods";
inline constexpr std::string_view kAddonFolderName = "Addon";

// The mod library in display form: top-level mod names in listing order, each
// followed by its addons as "    " + name. Windows fill their list controls
// from it; two builds of an unchanged mods folder compare equal.
using ModList = std::vector<std::string>;

// ---- Where things live --------------------------------------------------

// ProgramDir as text: no trailing separator; a drive root "C:\" becomes "C:".
std::string NormalizeProgramDir(std::string_view startDir);

// The name under which an install registers Drydock with the desktop: its
// desktop entry, icon and AppStream file are named after it.
inline constexpr std::string_view kAppId = "org.example.drydock";

// Whether `executableDir` is the `bin` folder of an install (`cmake --install`,
// the .deb): its `share/applications` holds Drydock's desktop entry. Such a
// folder is no place for mods, even for a user who may write there (root).
bool IsInstalledLayout(const std::filesystem::path& executableDir);

struct ProgramDirInputs {
  std::filesystem::path executableDir;
  std::optional<std::filesystem::path> override;  // --program-dir
  std::filesystem::path userDataDir;              // used when executableDir is not writable
};
// The override when given; else the executable's folder when the program may
// write there and it is not an installed layout (portable layout, "mods"
// beside the program); else the per-user data folder.
std::filesystem::path ChooseProgramDir(const ProgramDirInputs& in);

// ProgramDir + "mods".
std::filesystem::path ModsDir(const std::filesystem::path& programDir);

// Makes ModsDir (and ProgramDir) when missing. A folder of another letter case ("Mods", "MODS")
// and no "mods" beside it is renamed to exactly "mods". Failures are ignored;
// returns whether ModsDir now exists as a folder.
bool EnsureModsDir(const std::filesystem::path& programDir);

// ---- The mod list ---------------------------------------------------------

// Every subfolder of ModsDir (plain files there are not mods; linked mod
// folders are), then AddAddons. The caller adds kNoModsFound when it stays empty.
ModList FillModList(const std::filesystem::path& modsDir, platform::DirCache* cache = nullptr);

// For every top-level entry, inserts the folder entries of its "Addon" folder
// (subfolders and plain files) directly below it, each as "    " + name. As
// each is inserted right below the parent, they end up in the reverse of
// their listing order. Addons are found one level deep only.
void AddAddons(const std::filesystem::path& modsDir, ModList& list, platform::DirCache* cache = nullptr);

inline bool IsAddonEntry(std::string_view entry) { return entry.substr(0, kAddonIndent.size()) == kAddonIndent; }

// The ModPath of the entry at `index`: the entry itself for a top-level mod;
// parent + "\Addon\" + name for an addon; empty when the index is out of
// range, the entry is the placeholder, or an addon has no parent above it.
std::string ResolveModPath(const ModList& list, int index);

// The folder of the entry at `index` as the list found it: the entry's name
// taken whole (a "\" in a Linux folder name is part of the name, not a
// separator), an addon inside its parent's "Addon" folder of any letter case.
// Empty for the placeholder, an index out of range or an addon without parent.
std::filesystem::path EntryFolder(const std::filesystem::path& modsDir, const ModList& list, int index);

// The mod's folder: ModsDir + ModPath, components resolved ignoring case.
std::filesystem::path ModFolder(const std::filesystem::path& modsDir, std::string_view modPath,
                                platform::DirCache* cache = nullptr);

// Finds the entry of `list` for a ModPath typed by a user ("Name",
// "Parent\Addon\Child" or with '/'); letter case is ignored when there is no
// exact match. Returns -1 when the list has no such entry.
int FindModEntry(const ModList& list, std::string_view modPath);

// ---- Small shared procedures ------------------------------------------------

// True when `part` occurs in `text`, ignoring letter case; an empty part is
// always found. Neither argument is changed.
bool TextContains(std::string_view text, std::string_view part);

// Half-up rounding to `digits` decimals: floor(x * 10^digits + 0.5) / 10^digits.
double RoundTo(double x, int digits);

// Counts the plain files directly in root + each of the 79 game folders, in
// table order. `onFolder`, when given, is called with each folder's number
// (1..79) before it is counted; `onFile` after each counted file with the
// total so far (start-up shows every 22nd value).
long CountFolderListFiles(const std::filesystem::path& root, const std::function<void(long)>& onFile = {},
                          const std::function<void(int)>& onFolder = {});

}  // namespace drydock::library
