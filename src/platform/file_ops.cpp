#include "platform/file_ops.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "platform/names.h"
#include "platform/native_path.h"

#ifdef _WIN32
#include <windows.h>
// windows.h makes DeleteFile a macro for DeleteFileA, which would rename ours.
#undef DeleteFile
#else
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

namespace fault {
namespace {
struct State {
  std::atomic<std::uint64_t> count{0};
  std::uint64_t failAt = 0;
  std::uint64_t killAt = 0;
  std::string failPath;
  std::once_flag init;
};

State& GetState() {
  static State state;
  return state;
}

#ifdef DRYDOCK_FAULT_INJECTION
std::uint64_t EnvNumber(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::strtoull(v, nullptr, 10) : 0;
}
#endif

void InitFromEnvironment(State& s) {
#ifdef DRYDOCK_FAULT_INJECTION
  std::call_once(s.init, [&s] {
    s.failAt = EnvNumber("DRYDOCK_FAIL_OP");
    s.killAt = EnvNumber("DRYDOCK_KILL_OP");
    if (const char* p = std::getenv("DRYDOCK_FAIL_PATH")) s.failPath = p;
  });
#else
  (void)s;
#endif
}
}  // namespace

std::uint64_t OperationCount() { return GetState().count.load(); }

void Configure(std::uint64_t failAt, std::uint64_t killAt, std::string failPath) {
  State& s = GetState();
  InitFromEnvironment(s);
  s.failAt = failAt;
  s.killAt = killAt;
  s.failPath = std::move(failPath);
}

void ResetCount() { GetState().count = 0; }

// Counts one operation on `path`; returns an error when a fault is due.
std::error_code Step(const fs::path& path) {
  State& s = GetState();
  InitFromEnvironment(s);
  const std::uint64_t n = ++s.count;
#ifdef DRYDOCK_FAULT_INJECTION
  if (s.killAt != 0 && n == s.killAt) {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 137);
#else
    ::kill(::getpid(), SIGKILL);
#endif
  }
  if (s.failAt != 0 && n == s.failAt) return std::make_error_code(std::errc::io_error);
  if (!s.failPath.empty() && PathToUtf8(path).find(s.failPath) != std::string::npos) {
    return std::make_error_code(std::errc::io_error);
  }
#else
  (void)n;
  (void)path;
#endif
  return {};
}
}  // namespace fault

namespace {

constexpr std::string_view kTemporaryMark = ".drydock-";
constexpr size_t kSuffixLength = 8;
constexpr std::string_view kWindowsTemporaryEnd = ".drydock-tmp";

#ifndef _WIN32
std::error_code LastError() { return {errno, std::generic_category()}; }

std::string RandomSuffix() {
  static std::mt19937_64 rng{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string s(kSuffixLength, '0');
  for (char& c : s) c = digits[rng() % 36];
  return s;
}

fs::path TemporaryBeside(const fs::path& target) {
  return target.parent_path() / ("." + target.filename().string() + std::string(kTemporaryMark) + RandomSuffix());
}

// Opens a new file beside `target` under a hidden temporary name.
int OpenTemporaryBeside(const fs::path& target, fs::path& tempPath) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    tempPath = TemporaryBeside(target);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool CopyContents(int in, int out, off_t size) {
  off_t done = 0;
  bool useRange = true;
  while (done < size) {
    ssize_t n = -1;
    if (useRange) {
      n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
      if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
        useRange = false;
        continue;
      }
    } else {
      n = ::sendfile(out, in, nullptr, static_cast<size_t>(size - done));
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;  // the file shrank while we copied it
    done += n;
  }
  return true;
}

// rename(2), or renameat2 with RENAME_NOREPLACE when nothing may be replaced.
int RenameOnto(const fs::path& from, const fs::path& to, bool replace) {
  return replace ? ::rename(from.c_str(), to.c_str())
                 : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

// Closes the temporary file `fd` and renames it onto `to`; `ec` carries an
// earlier failure. Whatever fails, the temporary file does not stay behind.
FsResult FinishTemporary(int fd, const fs::path& temp, const fs::path& to, std::error_code ec, CopyOptions options) {
  if (!ec && options.sync && ::fsync(fd) != 0) ec = LastError();
  if (::close(fd) != 0 && !ec) ec = LastError();
  if (!ec && RenameOnto(temp, to, options.replace) != 0) ec = LastError();
  if (ec) {
    ::unlink(temp.c_str());
    return FsResult::Fail(ec, to);
  }
  if (options.sync) return SyncPath(to.parent_path());
  return {};
}

FileStamp StampFromStat(const struct stat& st) {
  FileStamp stamp;
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.volume = static_cast<std::uint64_t>(st.st_dev);
  stamp.id = static_cast<std::uint64_t>(st.st_ino);
  return stamp;
}

FsResult SyncFd(int fd, const fs::path& path) {
  if (::fsync(fd) != 0) return FsResult::Fail(LastError(), path);
  return {};
}
#endif

}  // namespace

std::optional<FileStamp> StampOf(const fs::path& path) {
#ifdef _WIN32
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool good = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!good || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) return std::nullopt;
  FileStamp stamp;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                             info.ftLastWriteTime.dwLowDateTime);
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return stamp;
#else
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StampFromStat(st);
#endif
}

bool IsOwnTemporaryName(std::string_view name) {
  if (name.size() > 1 + kWindowsTemporaryEnd.size() && name.front() == '~' && name.ends_with(kWindowsTemporaryEnd)) {
    return true;
  }
  const size_t tail = kTemporaryMark.size() + kSuffixLength;
  if (name.size() <= 1 + tail || name.front() != '.') return false;
  if (name.substr(name.size() - tail, kTemporaryMark.size()) != kTemporaryMark) return false;
  for (char c : name.substr(name.size() - kSuffixLength)) {
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

FsResult CopyFileReplace(const fs::path& from, const fs::path& to, CopyOptions options, FileStamp* written) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
#ifdef _WIN32
  fs::path temp = to.parent_path() / (L"~" + to.filename().wstring() + L".drydock-tmp");
  if (!CopyFileExW(from.c_str(), temp.c_str(), nullptr, nullptr, nullptr, COPY_FILE_COPY_SYMLINK)) {
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, from);
  }
  SetFileAttributesW(temp.c_str(), GetFileAttributesW(temp.c_str()) & ~FILE_ATTRIBUTE_READONLY);
  DWORD flags = (options.replace ? MOVEFILE_REPLACE_EXISTING : 0) | (options.sync ? MOVEFILE_WRITE_THROUGH : 0);
  const DWORD targetAttr = GetFileAttributesW(to.c_str());
  if (targetAttr != INVALID_FILE_ATTRIBUTES && (targetAttr & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(to.c_str(), targetAttr & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!MoveFileExW(temp.c_str(), to.c_str(), flags)) {
    const DWORD err = GetLastError();
    DeleteFileW(temp.c_str());
    return FsResult::Fail({static_cast<int>(err), std::system_category()}, to);
  }
  SetFileAttributesW(to.c_str(), GetFileAttributesW(from.c_str()));
  if (written) {
    const auto stamp = StampOf(to);
    if (stamp) *written = *stamp;
  }
  return {};
#else
  const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return FsResult::Fail(LastError(), from);
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    const auto ec = S_ISREG(st.st_mode) ? LastError() : std::make_error_code(std::errc::not_supported);
    ::close(in);
    return FsResult::Fail(ec, from);
  }
  fs::path temp;
  const int out = OpenTemporaryBeside(to, temp);
  if (out < 0) {
    const auto ec = LastError();
    ::close(in);
    return FsResult::Fail(ec, to);
  }
  const std::error_code ec = CopyContents(in, out, st.st_size) ? std::error_code{} : LastError();
  const bool good = !ec;
  ::close(in);
  struct stat made {};
  if (good) {
    ::fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ::fstat(out, &made);
  }
  FsResult result = FinishTemporary(out, temp, to, ec, options);
  if (result && written) *written = StampFromStat(made);
  return result;
#endif
}

FsResult WriteFileAtomic(const fs::path& path, std::string_view bytes, bool replace, CopyOptions options) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (!replace && EntryExists(path)) return FsResult::Fail(std::make_error_code(std::errc::file_exists), path);
#ifdef _WIN32
  const fs::path temp = path.parent_path() / (L"~" + path.filename().wstring() + L".drydock-tmp");
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, path);
  DWORD written = 0;
  bool good = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                written == bytes.size());
  if (good && options.sync) good = FlushFileBuffers(h) != 0;
  CloseHandle(h);
  if (good) good = MoveFileExW(temp.c_str(), path.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
  if (!good) {
    const DWORD err = GetLastError();
    DeleteFileW(temp.c_str());
    return FsResult::Fail({static_cast<int>(err), std::system_category()}, path);
  }
  return {};
#else
  fs::path temp;
  const int out = OpenTemporaryBeside(path, temp);
  if (out < 0) return FsResult::Fail(LastError(), path);
  bool good = true;
  std::error_code ec;
  for (size_t done = 0; good && done < bytes.size();) {
    const ssize_t n = ::write(out, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      good = false;
      ec = LastError();
    } else {
      done += static_cast<size_t>(n);
    }
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(out, 0666 & ~mask);
  options.replace = replace;
  return FinishTemporary(out, temp, path, ec, options);
#endif
}

FsResult MoveWithinVolume(const fs::path& from, const fs::path& to, bool replace) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
#ifdef _WIN32
  if (!MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, from);
  }
  return {};
#else
  if (!replace) {
    // A case-only rename of one entry ("Mods" -> "mods") must still work on a
    // file system that ignores case, where `to` already "exists".
    struct stat a {
    }, b{};
    const bool sameEntry =
        ::lstat(from.c_str(), &a) == 0 && ::lstat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    if (!sameEntry && ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (!sameEntry && errno != EINVAL && errno != ENOSYS) return FsResult::Fail(LastError(), to);
    if (!sameEntry && ::lstat(to.c_str(), &b) == 0)
      return FsResult::Fail(std::make_error_code(std::errc::file_exists), to);
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return FsResult::Fail(LastError(), from);
  return {};
#endif
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
#ifndef _WIN32
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
  auto crossesVolumes = [] { return errno == EXDEV || errno == EPERM || errno == EMLINK || errno == ENOTSUP; };
  auto finish = [&]() -> FsResult { return options.sync ? SyncPath(to.parent_path()) : FsResult(); };
  if (!options.replace) {
    // A link is made whole or not at all, and never replaces anything.
    if (::link(from.c_str(), to.c_str()) == 0) return finish();
    if (!crossesVolumes()) return FsResult::Fail(LastError(), to);
  } else {
    for (int attempt = 0; attempt < 16; ++attempt) {
      const fs::path temp = TemporaryBeside(to);
      if (::link(from.c_str(), temp.c_str()) != 0) {
        if (errno == EEXIST) continue;
        if (!crossesVolumes()) return FsResult::Fail(LastError(), to);
        break;
      }
      const bool renamed = ::rename(temp.c_str(), to.c_str()) == 0;
      const auto ec = LastError();
      // Renaming onto another name of the same file succeeds without doing
      // anything, which leaves the temporary name behind.
      ::unlink(temp.c_str());
      if (!renamed) return FsResult::Fail(ec, to);
      return finish();
    }
  }
#endif
  return CopyFileReplace(from, to, options);
}

FsResult SyncVolume(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
#ifdef _WIN32
  (void)path;  // files are flushed one by one where it matters
  return {};
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FsResult::Fail(LastError(), path);
  const int r = ::syncfs(fd);
  const auto ec = LastError();
  ::close(fd);
  if (r != 0) return FsResult::Fail(ec, path);
  return {};
#endif
}

FsResult DeleteFile(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
#ifdef _WIN32
  if (!DeleteFileW(path.c_str()))
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, path);
#else
  if (::unlink(path.c_str()) != 0) return FsResult::Fail(LastError(), path);
#endif
  return {};
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

FsResult RemoveEmptyFolder(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
#ifdef _WIN32
  if (!RemoveDirectoryW(path.c_str())) {
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, path);
  }
#else
  if (::rmdir(path.c_str()) != 0) return FsResult::Fail(LastError(), path);
#endif
  return {};
}

FsResult ResetAttributes(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
#ifdef _WIN32
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES)
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, path);
  const DWORD keep = attr & FILE_ATTRIBUTE_DIRECTORY;
  if (!SetFileAttributesW(path.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL)) {
    return FsResult::Fail({static_cast<int>(GetLastError()), std::system_category()}, path);
  }
#else
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FsResult::Fail(LastError(), path);
  if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR)) return {};
  if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return FsResult::Fail(LastError(), path);
#endif
  return {};
}

FsResult SyncPath(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
#ifdef _WIN32
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};  // folders cannot be flushed on Windows; their entries are journaled
  FlushFileBuffers(h);
  CloseHandle(h);
  return {};
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FsResult::Fail(LastError(), path);
  FsResult r = SyncFd(fd, path);
  ::close(fd);
  return r;
#endif
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
#ifdef _WIN32
  std::unique_ptr<FILE, int (*)(FILE*)> fa(_wfopen(a.c_str(), L"rb"), &fclose), fb(_wfopen(b.c_str(), L"rb"), &fclose);
#else
  std::unique_ptr<FILE, int (*)(FILE*)> fa(std::fopen(a.c_str(), "rb"), &fclose),
      fb(std::fopen(b.c_str(), "rb"), &fclose);
#endif
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

bool IsWritableFolder(const fs::path& path) {
  if (!IsFolder(path)) return false;
#ifdef _WIN32
  const fs::path probe = path / L".drydock-write-test";
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
#else
  return ::access(path.c_str(), W_OK | X_OK) == 0;
#endif
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
