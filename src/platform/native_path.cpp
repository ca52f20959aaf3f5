#include "platform/native_path.h"

#include <algorithm>

#include "platform/listing.h"
#include "platform/names.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace drydock::platform {

DirCache::Folder& DirCache::Get(const std::filesystem::path& dir) {
  const std::string key = PathToUtf8(dir);
  auto it = folders_.find(key);
  if (it == folders_.end()) {
    AllNamesAndFiles listing = ListAllNamesAndFiles(dir);
    Folder folder;
    folder.names = std::move(listing.all);
    folder.plainFiles = std::move(listing.plainFiles);
    it = folders_.emplace(key, std::move(folder)).first;
  }
  return it->second;
}

const std::vector<std::string>& DirCache::Names(const std::filesystem::path& dir) { return Get(dir).names; }

const std::vector<std::string>& DirCache::PlainFiles(const std::filesystem::path& dir) { return Get(dir).plainFiles; }

std::string DirCache::Find(const std::filesystem::path& dir, std::string_view name) {
  Folder& folder = Get(dir);
  if (!folder.indexed) {
    for (size_t i = 0; i < folder.names.size(); ++i) {
      folder.byName.emplace(folder.names[i], i);
      folder.byUpperName.emplace(ToUpperAscii(folder.names[i]), i);
    }
    folder.indexed = true;
  }
  if (folder.byName.count(std::string(name))) return std::string(name);
  const auto it = folder.byUpperName.find(ToUpperAscii(name));
  return it == folder.byUpperName.end() ? std::string() : folder.names[it->second];
}

void DirCache::Forget(const std::filesystem::path& dir) { folders_.erase(PathToUtf8(dir)); }

std::vector<std::string> SplitRelative(std::string_view relative) {
  std::vector<std::string> parts;
  std::string current;
  auto flush = [&] {
    if (!current.empty() && current != "." && current != "..") parts.push_back(current);
    current.clear();
  };
  for (char c : relative) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      current.push_back(c);
    }
  }
  flush();
  return parts;
}

bool IsContainedRelative(std::string_view relative) {
  if (!relative.empty() && (relative.front() == '/' || relative.front() == '\\')) return false;
  if (relative.size() >= 2 && relative[1] == ':') return false;
  std::string current;
  for (size_t i = 0; i <= relative.size(); ++i) {
    if (i == relative.size() || relative[i] == '\\' || relative[i] == '/') {
      if (current == "..") return false;
      current.clear();
    } else {
      current.push_back(relative[i]);
    }
  }
  return true;
}

std::string FindEntryIgnoreCase(const std::filesystem::path& dir, std::string_view name, DirCache* cache) {
  if (cache) return cache->Find(dir, name);
#ifdef _WIN32
  // The look-up ignores case by itself; ask for the name as it is stored.
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((dir / PathFromUtf8(name)).c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return {};
  FindClose(h);
  return PathToUtf8(std::filesystem::path(data.cFileName));
#else
  std::error_code ec;
  const auto exact = dir / PathFromUtf8(name);
  if (std::filesystem::symlink_status(exact, ec).type() != std::filesystem::file_type::not_found && !ec) {
    return std::string(name);
  }
  for (const std::string& entry : ListAllNames(dir)) {
    if (EqualsIgnoreCase(entry, name)) return entry;
  }
  return {};
#endif
}

std::filesystem::path NativePath(const std::filesystem::path& root, std::string_view relative, DirCache* cache) {
  std::filesystem::path result = root;
  bool resolving = true;
  for (const std::string& part : SplitRelative(relative)) {
#ifdef _WIN32
    (void)cache;
    resolving = false;  // the Windows file system ignores case by itself
#endif
    if (resolving) {
      const std::string found = FindEntryIgnoreCase(result, part, cache);
      if (!found.empty()) {
        result /= PathFromUtf8(found);
        continue;
      }
      resolving = false;
    }
    result /= PathFromUtf8(part);
  }
  return result;
}

}  // namespace drydock::platform

namespace drydock::platform {

std::vector<std::filesystem::path> AllCaseVariants(const std::filesystem::path& root, std::string_view relative,
                                                   DirCache* cache) {
  std::vector<std::filesystem::path> current{root};
#ifdef _WIN32
  (void)cache;
  const auto joined = NativePath(root, relative);
  std::error_code ec;
  if (std::filesystem::is_directory(joined, ec)) return {joined};
  return {};
#else
  DirCache local;
  DirCache& names = cache ? *cache : local;
  for (const std::string& part : SplitRelative(relative)) {
    std::vector<std::filesystem::path> next;
    for (const auto& dir : current) {
      std::vector<std::string> matches;
      for (const std::string& entry : names.Names(dir)) {
        if (EqualsIgnoreCase(entry, part)) matches.push_back(entry);
      }
      // The exact name first, then the others in listing order.
      std::stable_partition(matches.begin(), matches.end(), [&](const std::string& m) { return m == part; });
      for (const std::string& m : matches) {
        const auto candidate = dir / PathFromUtf8(m);
        std::error_code ec;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(candidate, ec))) next.push_back(candidate);
      }
    }
    current = std::move(next);
    if (current.empty()) break;
  }
  return current;
#endif
}

}  // namespace drydock::platform
