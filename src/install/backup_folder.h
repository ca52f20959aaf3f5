#pragma once
// A mod's Backup folder: where it is, the record the install keeps in it, and
// how it goes away again.
//
// The Backup folder mirrors the game's layout and holds the game files the
// install replaced ("kept files"). Beside them, the hidden file
// ".drydock-record" lists every file the install replaced or added, each with
// the size and modification time of what the install wrote there, so that a
// later run can tell without reading it whether the game still holds that.
// Names are stored byte for byte, whatever bytes they hold.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/mod_files.h"
#include "platform/file_ops.h"

namespace drydock::install {

using library::PathKey;
using library::ShownPath;

// Names inside a mod folder and its backup that belong to Drydock, never to the mod.
inline constexpr std::string_view kBackupBuildingName = ".drydock-backup-new";
inline constexpr std::string_view kBackupRetiredName = ".drydock-backup-old";
inline constexpr std::string_view kRecordName = ".drydock-record";
// Beside the backup, in the mod folder: what the last finished uninstall put
// back into which game, so that running it again never takes for the mod's
// a restored original that happens to hold the mod's bytes.
inline constexpr std::string_view kUninstallNoteName = ".drydock-uninstalled";
// The list of added files that Drydock kept before the record existed.
inline constexpr std::string_view kOldAddedListName = ".drydock-added";

struct RecordEntry {
  enum class Kind { Replaced, Added };
  Kind kind = Kind::Added;
  // Relative to the game folder and to the backup folder alike, components
  // joined with '/', as the file system names them.
  std::string path;
  // The stamp of what the install wrote; nothing while the install runs.
  std::optional<platform::FileStamp> written;
  // The stamp holds the change time and the file ID as well. A record of an
  // earlier version kept only size and modification time, which an edit of
  // the same length by a tool that keeps the time cannot be told from.
  bool fullStamp = false;
  // The size of the kept original (a replaced file's), so that a check can
  // tell a whole one from one cut short; nothing in a record of an earlier
  // version, or for an added file.
  std::optional<std::uint64_t> keptSize;
};

// What tells one copy of the game from another, whatever its folder is called
// now: the volume and file ID of the game folder and of its Armada2.exe. A
// rename keeps them; a copy, even one made with every time kept, does not.
struct FileIdentity {
  std::uint64_t volume = 0, id = 0;
  bool operator==(const FileIdentity&) const = default;
};
struct GameIdentity {
  std::optional<FileIdentity> folder, exe;
  bool Known() const { return folder || exe; }
  // The same game folder, or the same program file in it.
  bool Matches(const GameIdentity& other) const {
    return (folder && other.folder && *folder == *other.folder) || (exe && other.exe && *exe == *other.exe);
  }
};
GameIdentity IdentityOf(const std::filesystem::path& gameDir);

struct InstallRecord {
  enum class State {
    Pending,   // the install is copying; no entry has its stamp yet
    Complete,  // the install finished
    Retiring,  // the uninstall restored everything and is deleting the kept files
  };
  State state = State::Pending;
  // The game folder installed into (its canonical form), what identifies it,
  // and the install's place in that game's order of installs: greater than
  // that of every mod installed into it before. 0 in a record of an earlier
  // version, which knew no order (and named no game).
  std::string game;
  GameIdentity identity;
  std::uint64_t sequence = 0;
  std::vector<RecordEntry> entries;
};

std::string FormatRecord(const InstallRecord& record);
// Nothing when the text is not a record this version can read (made by a
// later version, damaged, or naming a path outside its folder).
std::optional<InstallRecord> ParseRecord(std::string_view text);
// As much of a damaged record as can be read: its header when that is whole,
// and its entries up to the first one that is not. Nothing when not even the
// header can be read.
std::optional<InstallRecord> SalvageRecord(std::string_view text);

enum class RecordStatus {
  Missing,
  Unreadable,
  Read,
  Salvaged,  // only with `salvage`: damaged, read as far as it goes
};
RecordStatus ReadRecord(const std::filesystem::path& backup, InstallRecord& record, bool salvage = false);
// Writes the record atomically and flushes it before returning.
platform::FsResult WriteRecord(const std::filesystem::path& backup, const InstallRecord& record);

// Whether a record was made for the game in `gameDir`. Same: its game is
// that folder (or the record is of a version that named none). Moved: the
// folder it names is gone and what identifies the game matches, or the
// record is too old to tell; the uninstall looks at the files before it
// asks to adopt the game at its new place. Other: another game, such as a
// second copy, or one the mod's author installed into before publishing it.
enum class GameMatch { Same, Moved, Other };
GameMatch MatchGame(const InstallRecord& record, const std::filesystem::path& gameDir);

// What the last finished uninstall put back: each restored game file's
// relative path ('/'-joined) with the stamp it had once restored.
struct UninstallNote {
  std::string game;  // the game folder's canonical path
  std::vector<std::pair<std::string, platform::FileStamp>> restored;
};
std::string FormatUninstallNote(const UninstallNote& note);
std::optional<UninstallNote> ParseUninstallNote(std::string_view text);
// The note of `modFolder` for `gameDir`; nothing when there is none, it
// cannot be read, or it speaks of another game folder.
std::optional<UninstallNote> ReadUninstallNote(const std::filesystem::path& modFolder,
                                               const std::filesystem::path& gameDir);
platform::FsResult WriteUninstallNote(const std::filesystem::path& modFolder, const std::filesystem::path& gameDir,
                                      UninstallNote note);
// The canonical form of a folder (a game's, as records and notes name it, or a
// mod's), as UTF-8 text.
std::string CanonicalText(const std::filesystem::path& folder);

// The mod's backup folder: its entry named "Backup" in any letter case, when
// that is a folder and not a link; empty when there is none.
std::filesystem::path FindBackupFolder(const std::filesystem::path& modFolder);

// Removes what an interrupted run left in the mod folder: a backup that was
// still being built (the game had not changed yet), one being retired (every
// file in it had been restored), and half-written notes.
void CleanLeftovers(const std::filesystem::path& modFolder);

// Removes a backup folder that holds nothing but its record, empty folders
// and temporary files of killed runs. It is renamed away first, so the mod
// stops counting as installed in one step. Otherwise nothing is removed
// besides those temporaries and empty folders, and the other entries are
// returned (relative to the backup, '/'-joined).
std::vector<std::string> RemoveSpentBackup(const std::filesystem::path& modFolder, const std::filesystem::path& backup,
                                           platform::FsResult& result);

// Text in a record or a note: every byte that could break a line or a field,
// and every byte outside printable ASCII, as %XX; nothing when the text is
// not such an escape.
std::string EscapeRecordText(std::string_view raw);
std::optional<std::string> UnescapeRecordText(std::string_view text);

// `full` below `root`, components joined with '/'.
std::string RelativeRecordPath(const std::filesystem::path& root, const std::filesystem::path& full);
}  // namespace drydock::install
