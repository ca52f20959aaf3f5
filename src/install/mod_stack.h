#pragma once
// The order of the mods installed into one game, read from their install
// records, and for each game file the mods that replaced it ("its stack").
//
// Each record names its game and carries a sequence number, one more than the
// greatest of the mods installed into that game before, so the stack is
// ordered without trusting clocks. The order belongs to the game, not to one
// mods folder: the game folder keeps a small ledger of the mod folders
// installed into it (kLedgerName), so that two program folders, each with its
// own mods, that install into one game share one order. Backups without a
// record, and records of an earlier version that carry no number, take no
// part: their mods are uninstalled as before, with the question about later
// changes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "install/backup_folder.h"

namespace drydock::install {

// The ledger in the game folder: the mod folders that installed into the
// game, and the greatest sequence number given out. It only points at the
// mods' own records, which say what each installed; a stale line is ignored
// and dropped when the ledger is next written. It goes when it lists no mod.
inline constexpr std::string_view kLedgerName = ".drydock-installs";
struct GameLedger {
  std::uint64_t lastSequence = 0;
  std::vector<std::filesystem::path> modFolders;
  // The folders installs made in the game for their new files, relative and
  // '/'-joined as made. Each time the ledger is written, those that are empty
  // again go and the gone ones are dropped, so that uninstalling every mod
  // leaves the game's tree as it was.
  std::vector<std::string> madeFolders;
};
GameLedger ReadLedger(const std::filesystem::path& gameDir);
// Adds the mod folder to the ledger with the sequence its install takes, or
// takes it out, under the caller's writer lock of the game. Lines whose mod
// no longer has a record of this game go as well.
platform::FsResult NoteInLedger(const std::filesystem::path& gameDir, const std::filesystem::path& modFolder,
                                std::uint64_t sequence);
platform::FsResult ForgetInLedger(const std::filesystem::path& gameDir, const std::filesystem::path& modFolder);
// Notes folders an install is about to make in the game (relative, '/'-joined),
// before it makes them, under the caller's writer lock.
platform::FsResult NoteMadeFolders(const std::filesystem::path& gameDir, const std::vector<std::string>& folders);

struct StackedMod {
  std::string name;  // as the mod list shows it, without an addon's indent
  std::filesystem::path modFolder, backup;
  InstallRecord record;
  // This mod's entry for the relative path `key` (a PathKey); nothing when it has none.
  const RecordEntry* Entry(const std::string& key) const;
};

// The mods installed into `gameDir` with a numbered record, in install order:
// those of `modsDir` and those the game's ledger names. A record counts when
// it names this game, or names a folder that is gone and identifies this game
// (the game was moved). A mod whose uninstall has restored everything and is
// retiring its backup is left out: the game no longer holds its files.
std::vector<StackedMod> InstalledStack(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir);

// The number the next install into `gameDir` takes.
std::uint64_t NextSequence(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir);

// The mods folder a mod's folder lies in: its parent, or for an addon
// (mods/Parent/Addon/Child) the parent of its parent's folder.
std::filesystem::path ModsDirOf(const std::filesystem::path& modFolder);

// The mods installed over the mod in `modFolder` that replaced one of its
// files, in install order, by name.
std::vector<std::string> CoveringMods(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir,
                                      const std::filesystem::path& modFolder);

// One mod in a game file's stack.
struct StackLayer {
  std::string name;
  RecordEntry::Kind kind;  // Added: the game had no such file when it was installed
  std::uint64_t sequence;
};
// The stack of the game file `relative` ('\' or '/' between its parts), lowest first.
std::vector<StackLayer> FileStack(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir,
                                  std::string_view relative);

// The text "Files of this mod are covered by: B, C", or "" when no mod covers it.
std::string CoveredByText(const std::vector<std::string>& covering);

}  // namespace drydock::install
