// File operations on Linux: system calls on paths and descriptors, the kernel
// copying file contents.
#include <fcntl.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_ops_internal.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// The piece a copy reads and writes at a time where the kernel cannot copy.
constexpr off_t kCopyBufferBytes = 1 << 20;

std::string RandomSuffix() {
  static std::mt19937_64 rng{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string s(kTemporarySuffixLength, '0');
  for (char& c : s) c = digits[rng() % 36];
  return s;
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

// Plain reads and writes of up to `size` bytes from where `in` and `out`
// stand; the bytes copied, or -1 on an error.
off_t ReadAndWrite(int in, int out, off_t size) {
  std::vector<char> buffer(static_cast<size_t>(kCopyBufferBytes));
  off_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(in, buffer.data(), static_cast<size_t>(std::min<off_t>(size - done, kCopyBufferBytes)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;  // the file shrank while it was copied
    for (ssize_t written = 0; written < n;) {
      const ssize_t w = ::write(out, buffer.data() + written, static_cast<size_t>(n - written));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return -1;
      written += w;
    }
    done += n;
  }
  return done;
}

// Copies `size` bytes of `in` to `out`, both at their start: the kernel's
// copy path first (copy_file_range, then sendfile where the former cannot
// work between the two files), and plain reads and writes from wherever that
// stopped. Either kernel call may return 0 long before the end (across some
// file systems and FUSE mounts), which is no end of the file.
std::error_code CopyContents(int in, int out, off_t size) {
  off_t done = 0;
  bool useRange = true;
  while (done < size) {
    const auto left = static_cast<size_t>(size - done);
    const ssize_t n =
        useRange ? ::copy_file_range(in, nullptr, out, nullptr, left, 0) : ::sendfile(out, in, nullptr, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && useRange && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
      useRange = false;
      continue;
    }
    if (n < 0 && errno != EINVAL && errno != ENOSYS) return LastError();
    if (n <= 0) break;  // the kernel stopped short: the rest is read and written
    done += n;
  }
  if (done < size) {
    const off_t rest = ReadAndWrite(in, out, size - done);
    if (rest < 0) return LastError();
    done += rest;
  }
  return done == size ? std::error_code{} : ShortCopyError();
}

// rename(2), or renameat2 with RENAME_NOREPLACE when nothing may be replaced.
int RenameOnto(const fs::path& from, const fs::path& to, bool replace) {
  return replace ? ::rename(from.c_str(), to.c_str())
                 : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

FileStamp StampFromStat(const struct stat& st) {
  const auto ns = [](const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
  FileStamp stamp;
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modified = ns(st.st_mtim);
  stamp.changed = ns(st.st_ctim);
  stamp.volume = static_cast<std::uint64_t>(st.st_dev);
  stamp.id = static_cast<std::uint64_t>(st.st_ino);
  return stamp;
}

// Closes the temporary file `fd` and renames it onto `to`; `ec` carries an
// earlier failure. Whatever fails, the temporary file does not stay behind.
// `written` receives the stamp of the file once renamed, as the rename moves
// its change time.
FsResult FinishTemporary(int fd, const fs::path& temp, const fs::path& to, std::error_code ec, CopyOptions options,
                         FileStamp* written = nullptr) {
  if (!ec && options.sync && ::fsync(fd) != 0) ec = LastError();
  if (!ec && RenameOnto(temp, to, options.replace) != 0) ec = LastError();
  struct stat st {};
  if (!ec && written && ::fstat(fd, &st) == 0) *written = StampFromStat(st);
  if (::close(fd) != 0 && !ec) ec = LastError();
  if (ec) {
    ::unlink(temp.c_str());
    return FsResult::Fail(ec, to);
  }
  if (options.sync) return SyncPath(to.parent_path());
  return {};
}

FsResult SyncFd(int fd, const fs::path& path) {
  if (::fsync(fd) != 0) return FsResult::Fail(LastError(), path);
  return {};
}

}  // namespace

void KillThisProcess() { ::kill(::getpid(), SIGKILL); }

fs::path TemporaryBeside(const fs::path& target) {
  return target.parent_path() / ("." + target.filename().string() + std::string(kTemporaryMark) + RandomSuffix());
}

FileHandle OpenForReading(const fs::path& path) { return {std::fopen(path.c_str(), "rb"), &std::fclose}; }

std::optional<FolderStamp> FolderStampOf(const fs::path& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  const auto ns = [](const timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
  return FolderStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), ns(st.st_mtim),
                     ns(st.st_ctim)};
}

std::int64_t FileClockNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::optional<FileStamp> StampOf(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StampFromStat(st);
}

FsResult CopyFileReplace(const fs::path& from, const fs::path& to, CopyOptions options, FileStamp* written) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
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
  // A test build may be told to copy only half, as a file system whose every copy stops early would.
  std::error_code ec = CopyContents(in, out, fault::CopyCutShort(to) ? st.st_size / 2 : st.st_size);
  ::close(in);
  // The copy counts only when the file written is as long as the source was when the copy began.
  struct stat copied {};
  if (!ec && ::fstat(out, &copied) != 0) ec = LastError();
  if (!ec && copied.st_size != st.st_size) ec = ShortCopyError();
  if (!ec) {
    ::fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  return FinishTemporary(out, temp, to, ec, options, written);
}

FsResult WriteFileAtomic(const fs::path& path, std::string_view bytes, bool replace, CopyOptions options) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (!replace && EntryExists(path)) return FsResult::Fail(std::make_error_code(std::errc::file_exists), path);
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
}

FsResult MoveWithinVolume(const fs::path& from, const fs::path& to, bool replace) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
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
}

std::optional<FsResult> HardLinkInstead(const fs::path& from, const fs::path& to, CopyOptions options) {
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
  return std::nullopt;
}

FsResult SyncVolume(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FsResult::Fail(LastError(), path);
  const int r = ::syncfs(fd);
  const auto ec = LastError();
  ::close(fd);
  if (r != 0) return FsResult::Fail(ec, path);
  return {};
}

FsResult DeleteFile(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (::unlink(path.c_str()) != 0) return FsResult::Fail(LastError(), path);
  return {};
}

FsResult RemoveEmptyFolder(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (::rmdir(path.c_str()) != 0) return FsResult::Fail(LastError(), path);
  return {};
}

FsResult ResetAttributes(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FsResult::Fail(LastError(), path);
  if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR)) return {};
  if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return FsResult::Fail(LastError(), path);
  return {};
}

FsResult SyncPath(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FsResult::Fail(LastError(), path);
  FsResult r = SyncFd(fd, path);
  ::close(fd);
  return r;
}

bool IsWritableFolder(const fs::path& path) {
  if (!IsFolder(path)) return false;
  return ::access(path.c_str(), W_OK | X_OK) == 0;
}

FileWriter::~FileWriter() { (void)Close(); }

FsResult FileWriter::Open(const fs::path& path) {
  (void)Close();
  path_ = path;
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return FsResult::Fail(LastError(), path);
  handle_ = fd;
  return {};
}

FsResult FileWriter::Write(const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(static_cast<int>(handle_), bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0)
      return FsResult::Fail(written < 0 ? LastError() : std::make_error_code(std::errc::io_error), path_);
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return {};
}

FsResult FileWriter::Close() {
  if (handle_ < 0) return {};
  const int fd = static_cast<int>(std::exchange(handle_, -1));
  if (::close(fd) != 0) return FsResult::Fail(LastError(), path_);
  return {};
}

}  // namespace drydock::platform
