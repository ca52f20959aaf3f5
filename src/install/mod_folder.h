#pragma once
// Work on a mod's own folder rather than on the game: making a new mod
// folder, giving a mod the game's folder layout or taking the empty part of
// it away again, and removing a mod from the disk. Callers hold the writer
// lock of the mods folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace drydock::install {

// Why `name` cannot be a mod folder, or null when it can: it must be one
// folder name inside the mods folder (no separator, not "." or ".."), one a
// Windows game can hold, and it must not start with a space, which the mod
// list keeps for the entries of addons.
const char* NewModNameProblem(std::string_view name);

// What the user is told when a new mod's name is refused.
inline constexpr const char* kFolderExistsText = "Folder already exists.";
inline constexpr const char* kInvalidNameText = "Invalid name.";

enum class NewFolder {
  Made,
  Exists,   // a folder or file of that name, in any letter case, is there
  Invalid,  // NewModNameProblem
  Failed,   // the system refused (see `error`)
};
// Makes the folder `name` in `modsDir`.
NewFolder MakeNewModFolder(const std::filesystem::path& modsDir, const std::string& name, std::string* error = nullptr);

// Makes every one of the game's 78 folders that `modFolder` lacks, reusing
// folders that exist in another letter case; returns how many were made.
// A folder that cannot be made is passed over.
int MakeModSubfolders(const std::filesystem::path& modFolder);
// Removes those of the game's folders in `modFolder` (any letter case) that
// are empty, children before their parents; a folder holding anything, a
// hidden file included, stays, and so does a link. Returns how many went.
int RemoveModSubfolders(const std::filesystem::path& modFolder);

// Moves a mod's folder to the desktop's trash (the recycle bin on Windows),
// from where the user can bring it back. False with the reason in `error`
// when the trash cannot take it, for example on a volume without one.
bool MoveModToTrash(const std::filesystem::path& modFolder, std::string* error = nullptr);

}  // namespace drydock::install
