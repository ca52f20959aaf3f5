#pragma once
// src/platform: the operating system layer, plain C++ on the system's own calls; the only code
// that knows which system it runs on (system.h holds the facts). Its rules: README.md here.
//
// File operations. Each returns an FsResult instead of throwing, so that a
// caller's loop can count a failed file and carry on.
//
// Every operation that changes the disk goes through one counter. Builds with
// DRYDOCK_FAULT_INJECTION read these environment variables once:
//   DRYDOCK_FAIL_OP=N   the N-th counted operation fails (as an I/O error)
//   DRYDOCK_KILL_OP=N   the process is killed at the N-th counted operation,
//                       before it happens
//   DRYDOCK_FAIL_PATH=S every counted operation on a path containing S fails
//   DRYDOCK_SHORT_COPY=S a copy onto a path containing S writes only half of
//                       its source, as a file system whose copies stop early
// so that tests can sweep N over a whole install and check what survives.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace drydock::platform {

class DirCache;

class [[nodiscard]] FsResult {
 public:
  FsResult() = default;
  static FsResult Fail(std::error_code ec, const std::filesystem::path& path);
  bool ok() const { return !ec_; }
  explicit operator bool() const { return ok(); }
  const std::error_code& code() const { return ec_; }
  // "path: reason", for reports to the user.
  std::string Message() const;

 private:
  std::error_code ec_;
  std::string path_;
};

struct CopyOptions {
  bool sync = false;    // flush the new file (and its folder entry) to disk before returning
  bool replace = true;  // false: fail, leaving it alone, when anything stands at the target
};

// What tells a file apart without reading it: its size and modification
// time, which a later run compares to see whether a file still holds what was
// written; its change time, which moves whenever the file is written or its
// attributes change, even by a tool that sets the modification time back; and
// its identity, which hard links share.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // in the platform's finest unit (ns on Linux, 100 ns on Windows)
  std::int64_t changed = 0;   // the status change time, in the same unit
  std::uint64_t volume = 0;
  std::uint64_t id = 0;  // inode, or the Windows file index
  bool SameSizeAndTime(const FileStamp& other) const { return size == other.size && modified == other.modified; }
  bool SameFile(const FileStamp& other) const { return volume == other.volume && id == other.id; }
  // Size, both times and the file ID: the same file, untouched since.
  bool Unchanged(const FileStamp& other) const {
    return SameSizeAndTime(other) && changed == other.changed && id == other.id;
  }
};

// The stamp of a regular file; nothing for a folder, a link or a missing entry.
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// Tells one state of a folder from another without listing it: its time
// changes whenever an entry is added, removed or renamed in it.
struct FolderStamp {
  std::uint64_t volume = 0;
  std::uint64_t id = 0;         // inode, or the Windows file index
  std::int64_t modifiedNs = 0;  // on the clock of the file system's times (FileClockNowNs)
  std::int64_t changedNs = 0;   // status change time (Linux); the modification time on Windows
  bool operator==(const FolderStamp&) const = default;
};

// The stamp of a folder, links followed; nothing when the path is missing or
// is not a folder.
std::optional<FolderStamp> FolderStampOf(const std::filesystem::path& folder);

// Now, on the clock that stamps file times, in nanoseconds.
std::int64_t FileClockNowNs();

// Copies the contents of `from` over `to` through a temporary name in the
// target folder and a rename, so `to` is either the old file or the complete
// new one, never a half-written file. `from` must be a regular file, not a link.
// Permission bits and the modification time come from `from`. The copy counts
// only when the file written is as long as `from`. On success `written`, when
// given, receives the stamp of the new file as it lies at `to`.
FsResult CopyFileReplace(const std::filesystem::path& from, const std::filesystem::path& to, CopyOptions options = {},
                         FileStamp* written = nullptr);

// True for the temporary names the copies above give their files while they
// write them (".NAME.drydock-XXXXXXXX", "~NAME.drydock-tmp"), which a killed
// run leaves behind.
bool IsOwnTemporaryName(std::string_view name);

// Deletes the temporary files of killed runs from `folder` (names read
// through `cache` when given, which is told of the change). Returns how many
// went.
int RemoveOwnTemporaries(const std::filesystem::path& folder, DirCache* cache = nullptr);

// Writes `bytes` as the file `path` through a temporary name in its folder and
// a rename. With replace = false an existing entry at `path` (a link too) makes
// it fail and is left as it is.
FsResult WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, bool replace,
                         CopyOptions options = {});

// Renames within one volume. With replace = false an existing `to` makes it fail.
FsResult MoveWithinVolume(const std::filesystem::path& from, const std::filesystem::path& to, bool replace = false);

// Makes `to` a second name of the file `from` (same volume only).
FsResult MakeHardLink(const std::filesystem::path& from, const std::filesystem::path& to);

// Gives `to` the contents of `from`: a hard link when both lie on one volume
// (cheap, and safe as long as neither is ever written in place, which no
// operation here does), otherwise a copy. Replacing goes through a temporary
// name and a rename like CopyFileReplace.
FsResult LinkOrCopy(const std::filesystem::path& from, const std::filesystem::path& to, CopyOptions options = {});

// Flushes everything written to the volume that holds `path` (one call for a
// whole operation instead of one per file).
FsResult SyncVolume(const std::filesystem::path& path);

// A regular file written piece by piece, as an archive's entry is read. Open
// makes it, or empties a regular file already there; a link at the path is
// never followed. Open counts as one operation; Close reports a failed write.
class FileWriter {
 public:
  FileWriter() = default;
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  FsResult Open(const std::filesystem::path& path);
  FsResult Write(const void* data, std::size_t size);
  FsResult Close();

 private:
  std::filesystem::path path_;
  std::intptr_t handle_ = -1;  // file descriptor or HANDLE
};

FsResult DeleteFile(const std::filesystem::path& path);
// Makes one folder; succeeds when it already exists as a folder.
FsResult MakeFolder(const std::filesystem::path& path);
// Makes a folder and every missing folder above it.
FsResult MakeFolderTree(const std::filesystem::path& path);
// Removes a folder only when it is empty.
FsResult RemoveEmptyFolder(const std::filesystem::path& path);
// Clears read-only (on Linux: adds the owner's write bit). Links are left alone.
FsResult ResetAttributes(const std::filesystem::path& path);
// Flushes a file or a folder's entries to disk.
FsResult SyncPath(const std::filesystem::path& path);

// Deletes a folder and everything below it without following links (a link
// is removed, never what it points to). Counts one operation per entry.
FsResult DeleteTree(const std::filesystem::path& path);

// True when both are regular files with the same bytes.
bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b);

// Existence tests follow links (a game directory may be a link).
bool IsFile(const std::filesystem::path& path);
bool IsFolder(const std::filesystem::path& path);
bool IsLink(const std::filesystem::path& path);
// True when anything stands at `path`, a dangling link included.
bool EntryExists(const std::filesystem::path& path);
bool IsWritableFolder(const std::filesystem::path& path);

// Total size in bytes of the regular files below `dir`; links are not followed.
// A folder that cannot be read counts as 0.
std::uint64_t FolderTreeSize(const std::filesystem::path& dir);

namespace fault {
// Number of counted operations so far in this process.
std::uint64_t OperationCount();
// Overrides the environment (tests in the same process). 0 or "" switches a trigger off.
void Configure(std::uint64_t failAt, std::uint64_t killAt, std::string failPath = {}, std::string shortCopyPath = {});
void ResetCount();
// Caps the free space every volume reports (nothing: no cap), as DRYDOCK_FREE_BYTES does.
void ConfigureFreeBytes(std::optional<std::uint64_t> cap);
}  // namespace fault

}  // namespace drydock::platform
