#pragma once
// One-folder listings. Never recursive; "." and ".." are never returned.
//
// Plain files: regular files directly in the folder that are not hidden or
// system files (on Linux a name starting with '.' is hidden; on Windows the
// attributes decide). Read-only files count.
// Folder entries: the subfolders together with the plain files.
// Both are sorted in listing order (CompareNames), so two listings of an
// unchanged folder always agree. A folder that cannot be read lists as empty.
//
// Symbolic links are not followed unless the caller says so: inside a mod, a
// backup folder or the game directory an operation never reaches outside the
// tree it works on. Only the mods folder itself lists linked mod folders.
#include <filesystem>
#include <string>
#include <vector>

namespace drydock::platform {

enum class Links { Skip, Follow };

std::vector<std::string> ListPlainFiles(const std::filesystem::path& dir);
std::vector<std::string> ListFolderEntries(const std::filesystem::path& dir, Links links = Links::Skip);
std::vector<std::string> ListSubfolders(const std::filesystem::path& dir, Links links = Links::Skip);

// Every entry name of the folder, hidden entries and links included, sorted.
// Used for case-insensitive path resolution.
std::vector<std::string> ListAllNames(const std::filesystem::path& dir);

// Every entry name (as ListAllNames) and the plain files among them (as
// ListPlainFiles) from one reading of the folder.
struct AllNamesAndFiles {
  std::vector<std::string> all;
  std::vector<std::string> plainFiles;
};
AllNamesAndFiles ListAllNamesAndFiles(const std::filesystem::path& dir);

// Counts the plain files without building the list of names.
long CountPlainFiles(const std::filesystem::path& dir);

// The plain files and the subfolders of `dir` from one reading of the folder
// (links skipped), each in listing order. Walks over large trees use it to
// read every folder once.
struct FolderContents {
  std::vector<std::string> files;
  std::vector<std::string> folders;
};
FolderContents ListFilesAndSubfolders(const std::filesystem::path& dir);

}  // namespace drydock::platform
