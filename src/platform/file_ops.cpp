// File operations that read the same on every system; the rest sit in
// file_ops_posix.cpp and file_ops_win.cpp.
#include "platform/file_ops.h"

#include <cstring>
#include <vector>

#include "platform/file_ops_internal.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;

namespace drydock::platform {

FsResult FsResult::Fail(std::error_code ec, const fs::path& path) {
  FsResult r;
  r.ec_ = ec ? ec : std::make_error_code(std::errc::io_error);
  r.path_ = PathToUtf8(path);
  return r;
}

std::string FsResult::Message() const {
  if (ok()) return {};
  return path_.empty() ? ec_.message() : path_ + ": " + ec_.message();
}

namespace {
class CopyErrorCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "drydock copy"; }
  std::string message(int) const override { return "the copy came out shorter than the file it copies"; }
};
}  // namespace

std::error_code ShortCopyError() {
  static const CopyErrorCategory category;
  return {1, category};
}

bool IsOwnTemporaryName(std::string_view name) {
  if (name.size() > 1 + kWindowsTemporaryEnd.size() && name.front() == '~' && name.ends_with(kWindowsTemporaryEnd)) {
    return true;
  }
  const size_t tail = kTemporaryMark.size() + kTemporarySuffixLength;
  if (name.size() <= 1 + tail || name.front() != '.') return false;
  if (name.substr(name.size() - tail, kTemporaryMark.size()) != kTemporaryMark) return false;
  for (char c : name.substr(name.size() - kTemporarySuffixLength)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

int RemoveOwnTemporaries(const fs::path& folder, DirCache* cache) {
  DirCache local;
  DirCache& names = cache ? *cache : local;
  std::vector<std::string> leftovers;
  for (const std::string& name : names.Names(folder)) {
    if (IsOwnTemporaryName(name)) leftovers.push_back(name);
  }
  int removed = 0;
  for (const std::string& name : leftovers) {
    const fs::path path = folder / PathFromUtf8(name);
    if (IsFile(path) && !IsLink(path) && DeleteFile(path)) ++removed;
  }
  if (!leftovers.empty()) names.Forget(folder);
  return removed;
}

FsResult MakeHardLink(const fs::path& from, const fs::path& to) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
  std::error_code ec;
  fs::create_hard_link(from, to, ec);
  if (ec) return FsResult::Fail(ec, to);
  return {};
}

FsResult LinkOrCopy(const fs::path& from, const fs::path& to, CopyOptions options) {
  if (IsLink(from) || !IsFile(from)) {
    return FsResult::Fail(std::make_error_code(std::errc::not_supported), from);
  }
  if (std::optional<FsResult> linked = HardLinkInstead(from, to, options)) return *linked;
  return CopyFileReplace(from, to, options);
}

FsResult MakeFolder(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  std::error_code ec;
  if (fs::create_directory(path, ec) || (!ec && fs::is_directory(path, ec))) return {};
  return FsResult::Fail(ec ? ec : std::make_error_code(std::errc::file_exists), path);
}

FsResult MakeFolderTree(const fs::path& path) {
  if (IsFolder(path)) return {};
  const fs::path parent = path.parent_path();
  if (!parent.empty() && parent != path) {
    if (FsResult r = MakeFolderTree(parent); !r) return r;
  }
  return MakeFolder(path);
}

FsResult DeleteTree(const fs::path& path) {
  if (!EntryExists(path)) return {};
  if (IsLink(path) || !IsFolder(path)) return DeleteFile(path);
  std::error_code ec;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  if (ec) return FsResult::Fail(ec, path);
  for (const fs::path& entry : entries) {
    if (FsResult r = DeleteTree(entry); !r) return r;
  }
  return RemoveEmptyFolder(path);
}

bool SameContents(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (!fs::is_regular_file(a, ec) || !fs::is_regular_file(b, ec)) return false;
  if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
  const FileHandle fa = OpenForReading(a), fb = OpenForReading(b);
  if (!fa || !fb) return false;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  for (;;) {
    const size_t na = std::fread(ba.data(), 1, ba.size(), fa.get());
    const size_t nb = std::fread(bb.data(), 1, bb.size(), fb.get());
    if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) return false;
    if (na < ba.size()) return std::feof(fa.get()) && std::feof(fb.get());
  }
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool IsFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool IsLink(const fs::path& path) {
  std::error_code ec;
  return fs::is_symlink(path, ec);
}

bool EntryExists(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

std::uint64_t FolderTreeSize(const fs::path& dir) {
  std::uint64_t total = 0;
  std::error_code ec;
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  if (ec) return 0;
  for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    std::error_code statEc;
    const auto status = it->symlink_status(statEc);
    if (!statEc && fs::is_regular_file(status)) {
      const auto size = it->file_size(statEc);
      if (!statEc) total += size;
    }
  }
  return total;
}

}  // namespace drydock::platform
