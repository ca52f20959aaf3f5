#include "platform/volume.h"

#include <algorithm>

#include "platform/file_ops_internal.h"
#include "platform/names.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace drydock::platform {

std::optional<std::uint64_t> VolumeId(const fs::path& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_dev);
#endif
}

std::optional<bool> OnOneMount(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
  (void)a;
  (void)b;
  return std::nullopt;
#else
  struct statx sa {
  }, sb{};
  if (::statx(AT_FDCWD, a.c_str(), 0, STATX_MNT_ID, &sa) != 0 ||
      ::statx(AT_FDCWD, b.c_str(), 0, STATX_MNT_ID, &sb) != 0) {
    return std::nullopt;
  }
  if (sa.stx_dev_major != sb.stx_dev_major || sa.stx_dev_minor != sb.stx_dev_minor) return false;
  // Kernels before 5.8 know no mount ID; the device number is all they tell.
  if ((sa.stx_mask & STATX_MNT_ID) && (sb.stx_mask & STATX_MNT_ID)) return sa.stx_mnt_id == sb.stx_mnt_id;
  return true;
#endif
}

fs::path VolumeRoot(const fs::path& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec).lexically_normal();
  if (ec) p = path.lexically_normal();
#ifdef _WIN32
  // "C:" alone names the current folder of drive C, so the separator is added.
  if (p.has_root_name()) return p.root_name() / L"\\";
  return p.root_path();
#else
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();  // trailing separator
  struct stat st {};
  while (::stat(p.c_str(), &st) != 0) {
    if (p == p.parent_path()) return p;
    p = p.parent_path();
  }
  // Walk up while the parent is on the same device; the last folder that is
  // is the mount point.
  const dev_t device = st.st_dev;
  while (p != p.parent_path()) {
    struct stat parent {};
    if (::stat(p.parent_path().c_str(), &parent) != 0 || parent.st_dev != device) break;
    p = p.parent_path();
  }
  return p;
#endif
}

fs::path NearestExistingFolder(const fs::path& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec).lexically_normal();
  if (ec) p = path.lexically_normal();
  while (!fs::is_directory(p, ec)) {
    if (p == p.parent_path() || p.empty()) return p;
    p = p.parent_path();
  }
  return p;
}

std::optional<std::uint64_t> FreeBytes(const fs::path& path) {
  std::error_code ec;
  const fs::space_info space = fs::space(NearestExistingFolder(path), ec);
  if (ec || space.available == static_cast<std::uintmax_t>(-1)) return std::nullopt;
  const auto available = static_cast<std::uint64_t>(space.available);
  if (const std::optional<std::uint64_t> cap = fault::FreeBytesCap()) return std::min(available, *cap);
  return available;
}

std::string DiskKey(const fs::path& path) {
  const fs::path folder = NearestExistingFolder(path);
  if (const std::optional<std::uint64_t> id = VolumeId(folder)) return "device " + std::to_string(*id);
  return ToUpperAscii(PathToUtf8(VolumeRoot(folder)));
}

}  // namespace drydock::platform
