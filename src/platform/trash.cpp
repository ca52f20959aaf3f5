#include "platform/trash.h"

#include "platform/environment.h"
#include "platform/names.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string_view>
#endif

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {
std::error_code NoTrash() { return std::make_error_code(std::errc::operation_not_supported); }
}  // namespace

#ifdef _WIN32

FsResult MoveToTrash(const fs::path& path) {
  // A volume without a recycle bin (a network share, some removable drives)
  // would have the shell delete for good, so it is refused here.
  SHQUERYRBINFO info{};
  info.cbSize = sizeof(info);
  const fs::path root = fs::absolute(path).root_path();
  if (FAILED(SHQueryRecycleBinW(root.c_str(), &info))) return FsResult::Fail(NoTrash(), path);
  // A list of names, each ending with a null, closed by an empty one.
  std::wstring names = fs::absolute(path).wstring();
  names.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = names.c_str();
  // No questions or progress, except the shell's own warning when an entry would not fit the
  // recycle bin and be deleted for good.
  operation.fFlags = FOF_ALLOWUNDO | FOF_WANTNUKEWARNING | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  if (SHFileOperationW(&operation) != 0 || operation.fAnyOperationsAborted) {
    return FsResult::Fail(std::make_error_code(std::errc::io_error), path);
  }
  return {};
}

#else

namespace {

std::optional<dev_t> DeviceOf(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_dev;
}

// The user's data folder: $XDG_DATA_HOME when it is absolute, else ~/.local/share.
fs::path DataHome() {
  if (auto data = GetEnv("XDG_DATA_HOME"); data && !data->empty() && data->front() == '/') return *data;
  const fs::path home = HomeDir();
  return home.empty() ? fs::path() : home / ".local" / "share";
}

// The path's bytes with every byte but unreserved ones and '/' written as %XX.
std::string PercentEncoded(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        std::string_view("-._~/").find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return out;
}

// Local time as YYYY-MM-DDThh:mm:ss.
std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = {};
  if (::localtime_r(&now, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local) == 0) {
    return "1970-01-01T00:00:00";
  }
  return text;
}

// The trash for entries of `device`: the user's own when it lies on that
// volume, else the volume's ".Trash-<uid>" at its top when that exists.
std::optional<fs::path> TrashFor(const fs::path& entry, dev_t device) {
  if (const fs::path data = DataHome(); !data.empty()) {
    const fs::path home = data / "Trash";
    std::error_code ec;
    fs::create_directories(home, ec);
    if (fs::is_directory(home) && !fs::is_symlink(home) && DeviceOf(home) == device) return home;
  }
  fs::path top = entry.parent_path();
  while (top.has_relative_path() && DeviceOf(top.parent_path()) == device) top = top.parent_path();
  const fs::path own = top / (".Trash-" + std::to_string(::getuid()));
  if (fs::is_directory(own) && !fs::is_symlink(own) && DeviceOf(own) == device) return own;
  return std::nullopt;
}

}  // namespace

FsResult MoveToTrash(const fs::path& given) {
  const fs::path path = fs::absolute(given).lexically_normal();
  const std::optional<dev_t> device = DeviceOf(path);
  if (!device) return FsResult::Fail(std::error_code(errno, std::generic_category()), path);
  const std::optional<fs::path> trash = TrashFor(path, *device);
  if (!trash) return FsResult::Fail(NoTrash(), path);
  std::error_code ec;
  fs::create_directories(*trash / "files", ec);
  fs::create_directories(*trash / "info", ec);
  if (ec) return FsResult::Fail(ec, *trash);

  // The info file is made first and exclusively: it reserves the name in the trash.
  const std::string name = PathToUtf8(path.filename());
  for (int n = 1; n < 10000; ++n) {
    const std::string stored = n == 1 ? name : name + "." + std::to_string(n);
    const fs::path info = *trash / "info" / PathFromUtf8(stored + ".trashinfo");
    const fs::path files = *trash / "files" / PathFromUtf8(stored);
    if (EntryExists(files)) continue;
    // The path's own bytes, escaped: a name that is not UTF-8 comes back under the same name.
    const std::string text =
        "[Trash Info]\nPath=" + PercentEncoded(path.native()) + "\nDeletionDate=" + LocalTimeNow() + "\n";
    const FsResult reserved = WriteFileAtomic(info, text, /*replace=*/false);
    if (!reserved) {
      if (reserved.code() == std::errc::file_exists) continue;
      return reserved;
    }
    const FsResult moved = MoveWithinVolume(path, files);
    if (!moved) (void)DeleteFile(info);
    return moved;
  }
  return FsResult::Fail(std::make_error_code(std::errc::file_exists), path);
}

#endif

}  // namespace drydock::platform
