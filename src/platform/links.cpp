#include "platform/links.h"

#include "platform/file_ops.h"
#include "platform/names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

// True when `path` lies strictly below `root`.
bool Below(const fs::path& root, const fs::path& path) {
  const fs::path relative = path.lexically_relative(root);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

// Where a link leads: the stored target of a symbolic link, or on Windows the
// final path the system resolves it to (a junction's target is not a plain text).
fs::path LinkTarget(const fs::path& link) {
#ifdef _WIN32
  HANDLE h = CreateFileW(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
  CloseHandle(h);
  if (n == 0 || n >= buffer.size()) return {};
  buffer.resize(n);
  if (buffer.starts_with(L"\\\\?\\")) buffer.erase(0, 4);
  return fs::path(buffer);
#else
  std::error_code ec;
  fs::path target = fs::read_symlink(link, ec);
  return ec ? fs::path() : target;
#endif
}

}  // namespace

bool IsLinkEntry(const fs::path& path) {
#ifdef _WIN32
  const DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT);
#else
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
#endif
}

std::optional<LinkOnPath> FirstLinkBelow(const fs::path& root, const fs::path& path) {
  if (!Below(root, path)) return std::nullopt;
  fs::path at = root;
  for (const fs::path& part : path.lexically_relative(root)) {
    if (part == ".") continue;
    at /= part;
    if (IsLinkEntry(at)) return LinkOnPath{at, LinkTarget(at)};
    if (!EntryExists(at)) return std::nullopt;
  }
  return std::nullopt;
}

std::string DescribeLink(const fs::path& root, const LinkOnPath& link) {
  std::string shown;
  for (const fs::path& part : link.link.lexically_relative(root)) {
    if (!shown.empty()) shown += '/';
    shown += PathToUtf8(part);
  }
  std::string text = PrintableName(shown) + " is a link";
  if (!link.target.empty()) text += " to " + PrintableName(PathToUtf8(link.target));
  return text;
}

std::optional<LinkOnPath> LinkGuard::FindFolder(const fs::path& folder) {
  const std::string key = PathToUtf8(folder);
  if (const auto it = folders_.find(key); it != folders_.end()) return it->second;
  std::optional<LinkOnPath> found;
  if (Below(root_, folder)) {
    found = FindFolder(folder.parent_path());
    if (!found && IsLinkEntry(folder)) found = LinkOnPath{folder, LinkTarget(folder)};
  }
  folders_.emplace(key, found);
  return found;
}

std::optional<LinkOnPath> LinkGuard::Find(const fs::path& path) {
  if (!Below(root_, path)) return std::nullopt;
  if (auto inFolder = FindFolder(path.parent_path())) return inFolder;
  if (IsLinkEntry(path)) return LinkOnPath{path, LinkTarget(path)};
  return std::nullopt;
}

}  // namespace drydock::platform
