#include "platform/native_path.h"

#include "platform/listing.h"
#include "platform/names.h"

namespace drydock::platform {

const std::vector<std::string>& DirCache::Names(const std::filesystem::path& dir) {
  const std::string key = PathToUtf8(dir);
  auto it = names_.find(key);
  if (it == names_.end()) it = names_.emplace(key, ListAllNames(dir)).first;
  return it->second;
}

void DirCache::Forget(const std::filesystem::path& dir) { names_.erase(PathToUtf8(dir)); }

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
  std::error_code ec;
  const auto exact = dir / PathFromUtf8(name);
  if (std::filesystem::symlink_status(exact, ec).type() != std::filesystem::file_type::not_found && !ec) {
    return std::string(name);
  }
  DirCache local;
  DirCache& names = cache ? *cache : local;
  for (const std::string& entry : names.Names(dir)) {
    if (EqualsIgnoreCase(entry, name)) return entry;
  }
  return {};
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
