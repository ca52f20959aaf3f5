#include "platform/listing.h"

#include <algorithm>

#include "platform/names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace drydock::platform {

namespace {

enum class Kind { File, Folder, Other };

struct Entry {
  std::string name;
  Kind kind;
  bool hidden;
  bool link;
};

// Calls `visit` for each entry of `dir` except "." and "..". `follow` decides
// whether a link is classified by its target (Follow) or reported as Other.
template <typename Visit>
void ForEachEntry(const std::filesystem::path& dir, Links follow, Visit&& visit) {
#ifdef _WIN32
  WIN32_FIND_DATAW data;
  HANDLE handle = FindFirstFileExW((dir / L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (handle == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring wname = data.cFileName;
    if (wname == L"." || wname == L"..") continue;
    const DWORD attr = data.dwFileAttributes;
    const bool link = (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    Entry entry;
    entry.name = PathToUtf8(std::filesystem::path(wname));
    entry.hidden = (attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    entry.link = link;
    if (link && follow == Links::Skip) {
      entry.kind = Kind::Other;
    } else {
      entry.kind = (attr & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
    }
    visit(entry);
  } while (FindNextFileW(handle, &data));
  FindClose(handle);
#else
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const int fd = dirfd(d);
  while (const dirent* de = readdir(d)) {
    const std::string_view raw(de->d_name);
    if (raw == "." || raw == "..") continue;
    Entry entry;
    entry.name = std::string(raw);
    entry.hidden = raw.front() == '.';
    unsigned char type = de->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(fd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    entry.link = type == DT_LNK;
    if (type == DT_LNK && follow == Links::Follow) {
      struct stat st {};
      if (fstatat(fd, de->d_name, &st, 0) == 0) {
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
    }
    entry.kind = type == DT_DIR ? Kind::Folder : type == DT_REG ? Kind::File : Kind::Other;
    visit(entry);
  }
  closedir(d);
#endif
}

void SortNames(std::vector<std::string>& names) { std::sort(names.begin(), names.end(), NameLess); }

std::vector<std::string> Collect(const std::filesystem::path& dir, Links follow, bool files, bool folders) {
  std::vector<std::string> names;
  ForEachEntry(dir, follow, [&](const Entry& e) {
    if (e.hidden) return;
    if ((files && e.kind == Kind::File) || (folders && e.kind == Kind::Folder)) names.push_back(e.name);
  });
  SortNames(names);
  return names;
}

}  // namespace

std::vector<std::string> ListPlainFiles(const std::filesystem::path& dir) {
  return Collect(dir, Links::Skip, true, false);
}

std::vector<std::string> ListFolderEntries(const std::filesystem::path& dir, Links links) {
  return Collect(dir, links, true, true);
}

std::vector<std::string> ListSubfolders(const std::filesystem::path& dir, Links links) {
  return Collect(dir, links, false, true);
}

std::vector<std::string> ListAllNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  ForEachEntry(dir, Links::Skip, [&](const Entry& e) { names.push_back(e.name); });
  SortNames(names);
  return names;
}

AllNamesAndFiles ListAllNamesAndFiles(const std::filesystem::path& dir) {
  // Sorted once: the plain files keep their order when taken out of the whole.
  std::vector<std::pair<std::string, bool>> entries;
  ForEachEntry(dir, Links::Skip,
               [&](const Entry& e) { entries.emplace_back(e.name, !e.hidden && e.kind == Kind::File); });
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return NameLess(a.first, b.first); });
  AllNamesAndFiles names;
  names.all.reserve(entries.size());
  for (auto& [name, plain] : entries) {
    if (plain) names.plainFiles.push_back(name);
    names.all.push_back(std::move(name));
  }
  return names;
}

long CountPlainFiles(const std::filesystem::path& dir) {
  long count = 0;
  ForEachEntry(dir, Links::Skip, [&](const Entry& e) {
    if (!e.hidden && e.kind == Kind::File) ++count;
  });
  return count;
}

FolderContents ListFilesAndSubfolders(const std::filesystem::path& dir) {
  FolderContents contents;
  ForEachEntry(dir, Links::Skip, [&](const Entry& e) {
    if (e.hidden) return;
    if (e.kind == Kind::File) contents.files.push_back(e.name);
    if (e.kind == Kind::Folder) contents.folders.push_back(e.name);
  });
  SortNames(contents.files);
  SortNames(contents.folders);
  return contents;
}

}  // namespace drydock::platform
