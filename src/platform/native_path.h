#pragma once
// Relative game paths ("odf\ships\") and their native counterparts.
//
// The game's file system ignores letter case; Linux file systems do not. Every
// look-up of an existing file or folder therefore resolves each component of a
// relative path case-insensitively: the exact name when it exists, otherwise the
// first entry whose name matches ignoring case, in listing order. Components
// that do not exist yet are kept as written, so creating "ODF\Ships\" inside a
// game that has "odf/ships/" reuses those folders instead of making new ones.
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace drydock::platform {

// Names of folders read during one operation, so that resolving many paths
// through the same folders reads each folder once. Drop it when the operation
// ends; call Forget() for a folder after creating or renaming entries in it.
class DirCache {
 public:
  // All entry names of `dir` (hidden ones and links included), in listing order.
  const std::vector<std::string>& Names(const std::filesystem::path& dir);
  // The plain files of `dir` (see listing.h), from the same reading.
  const std::vector<std::string>& PlainFiles(const std::filesystem::path& dir);
  // `name` itself when `dir` holds it, else the first entry in listing order
  // whose name equals it ignoring case; empty when there is none.
  std::string Find(const std::filesystem::path& dir, std::string_view name);
  void Forget(const std::filesystem::path& dir);

 private:
  struct Folder {
    std::vector<std::string> names;
    std::vector<std::string> plainFiles;
    // Made at the first Find: most folders are only listed.
    bool indexed = false;
    std::unordered_map<std::string, size_t> byName;       // exact names
    std::unordered_map<std::string, size_t> byUpperName;  // index of the first match ignoring case
  };
  Folder& Get(const std::filesystem::path& dir);
  std::unordered_map<std::string, Folder> folders_;
};

// The components of a relative path written with '\' or '/'. Empty parts, "."
// and ".." are dropped: a relative path never leads out of its root.
std::vector<std::string> SplitRelative(std::string_view relative);

// True when `relative` has no ".." component and is not absolute, so that it
// stays inside whatever root it is joined to.
bool IsContainedRelative(std::string_view relative);

// root + relative, each existing component resolved ignoring case (see above).
// `cache` may be null; then folders are read as needed.
std::filesystem::path NativePath(const std::filesystem::path& root, std::string_view relative,
                                 DirCache* cache = nullptr);

// Every existing folder that root + relative names when letter case is
// ignored at each component, in listing order (exact matches first). On a
// file system that ignores case this is at most one folder; on Linux a mod
// may hold both "odf" and "ODF", which the game sees as one folder.
std::vector<std::filesystem::path> AllCaseVariants(const std::filesystem::path& root, std::string_view relative,
                                                   DirCache* cache = nullptr);

// Finds the entry of `dir` called `name` ignoring case (exact name first) and
// returns its name as stored; the empty string when there is none.
std::string FindEntryIgnoreCase(const std::filesystem::path& dir, std::string_view name, DirCache* cache = nullptr);

}  // namespace drydock::platform
