// File operations on Windows: the wide-character Win32 file functions.
#include <windows.h>
// windows.h makes DeleteFile a macro for DeleteFileA, which would rename ours.
#undef DeleteFile

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

#include "platform/file_ops_internal.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

std::optional<std::uint64_t> FileSize(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Cuts the file at `path` to `size` bytes (a test build's short copy).
void CutFile(const fs::path& path, std::uint64_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  if (SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) SetEndOfFile(h);
  CloseHandle(h);
}

}  // namespace

void KillThisProcess() { TerminateProcess(GetCurrentProcess(), 137); }

fs::path TemporaryBeside(const fs::path& target) {
  const std::wstring end(kWindowsTemporaryEnd.begin(), kWindowsTemporaryEnd.end());  // ASCII only
  return target.parent_path() / (L"~" + target.filename().wstring() + end);
}

FileHandle OpenForReading(const fs::path& path) { return {_wfopen(path.c_str(), L"rb"), &std::fclose}; }

std::optional<FolderStamp> FolderStampOf(const fs::path& folder) {
  // Read from the handle, not through std::filesystem, whose times here come from _wstat64 in whole
  // seconds: two changes within one second would share a stamp.
  HANDLE h = CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool good = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!good || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  // FILETIME counts 100 ns since 1601; the stamp is on the file clock, as FileClockNowNs.
  constexpr std::int64_t kUnixEpochTicks = 116444736000000000;
  const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                               info.ftLastWriteTime.dwLowDateTime);
  const std::chrono::sys_time<std::chrono::nanoseconds> written{
      std::chrono::nanoseconds((ticks - kUnixEpochTicks) * 100)};
  const std::int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::file_clock::from_sys(written).time_since_epoch())
                              .count();
  const std::uint64_t id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return FolderStamp{info.dwVolumeSerialNumber, id, ns, ns};
}

std::int64_t FileClockNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(fs::file_time_type::clock::now().time_since_epoch())
      .count();
}

std::optional<FileStamp> StampOf(const fs::path& path) {
  // FileBasicInfo, which holds the change time, needs the right to read attributes.
  HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  const bool good = GetFileInformationByHandle(h, &info) != 0 &&
                    GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof(basic)) != 0;
  CloseHandle(h);
  if (!good || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) return std::nullopt;
  FileStamp stamp;
  stamp.changed = basic.ChangeTime.QuadPart;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                             info.ftLastWriteTime.dwLowDateTime);
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return stamp;
}

FsResult CopyFileReplace(const fs::path& from, const fs::path& to, CopyOptions options, FileStamp* written) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
  const fs::path temp = TemporaryBeside(to);
  const std::optional<std::uint64_t> size = FileSize(from);
  if (!size) return FsResult::Fail(LastError(), from);
  if (!CopyFileExW(from.c_str(), temp.c_str(), nullptr, nullptr, nullptr, COPY_FILE_COPY_SYMLINK)) {
    return FsResult::Fail(LastError(), from);
  }
  SetFileAttributesW(temp.c_str(), GetFileAttributesW(temp.c_str()) & ~FILE_ATTRIBUTE_READONLY);
  if (fault::CopyCutShort(to)) CutFile(temp, *size / 2);
  // The copy counts only when the file written is as long as the source was when the copy began.
  if (FileSize(temp) != size) {
    DeleteFileW(temp.c_str());
    return FsResult::Fail(ShortCopyError(), to);
  }
  DWORD flags = (options.replace ? MOVEFILE_REPLACE_EXISTING : 0) | (options.sync ? MOVEFILE_WRITE_THROUGH : 0);
  const DWORD targetAttr = GetFileAttributesW(to.c_str());
  if (targetAttr != INVALID_FILE_ATTRIBUTES && (targetAttr & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(to.c_str(), targetAttr & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!MoveFileExW(temp.c_str(), to.c_str(), flags)) {
    const std::error_code ec = LastError();
    DeleteFileW(temp.c_str());
    return FsResult::Fail(ec, to);
  }
  SetFileAttributesW(to.c_str(), GetFileAttributesW(from.c_str()));
  if (written) {
    const auto stamp = StampOf(to);
    if (stamp) *written = *stamp;
  }
  return {};
}

FsResult WriteFileAtomic(const fs::path& path, std::string_view bytes, bool replace, CopyOptions options) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (!replace && EntryExists(path)) return FsResult::Fail(std::make_error_code(std::errc::file_exists), path);
  const fs::path temp = TemporaryBeside(path);
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FsResult::Fail(LastError(), path);
  DWORD written = 0;
  bool good = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                written == bytes.size());
  if (good && options.sync) good = FlushFileBuffers(h) != 0;
  CloseHandle(h);
  if (good) good = MoveFileExW(temp.c_str(), path.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
  if (!good) {
    const std::error_code ec = LastError();
    DeleteFileW(temp.c_str());
    return FsResult::Fail(ec, path);
  }
  // Drydock's own files (".drydock-record", ...) are hidden as their names say, so that no listing
  // takes them for a mod's or the game's files.
  if (path.filename().wstring().starts_with(L".")) {
    SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_HIDDEN);
  }
  return {};
}

FsResult MoveWithinVolume(const fs::path& from, const fs::path& to, bool replace) {
  if (auto ec = fault::Step(to)) return FsResult::Fail(ec, to);
  if (!MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    return FsResult::Fail(LastError(), from);
  }
  return {};
}

std::optional<FsResult> HardLinkInstead(const fs::path&, const fs::path&, CopyOptions) {
  return std::nullopt;  // Windows always copies
}

FsResult SyncVolume(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  return {};  // files are flushed one by one where it matters
}

FsResult DeleteFile(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (DeleteFileW(path.c_str())) return {};
  const std::error_code ec = LastError();
  // As on Linux, a file's read-only attribute does not keep Drydock from deleting it (a kept
  // original keeps its attributes, and goes once it is back in the game).
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) && !(attr & FILE_ATTRIBUTE_DIRECTORY) &&
      SetFileAttributesW(path.c_str(), attr & ~FILE_ATTRIBUTE_READONLY)) {
    if (DeleteFileW(path.c_str())) return {};
    const std::error_code again = LastError();
    SetFileAttributesW(path.c_str(), attr);  // left as it was
    return FsResult::Fail(again, path);
  }
  return FsResult::Fail(ec, path);
}

FsResult RemoveEmptyFolder(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  if (!RemoveDirectoryW(path.c_str())) return FsResult::Fail(LastError(), path);
  return {};
}

FsResult ResetAttributes(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return FsResult::Fail(LastError(), path);
  const DWORD keep = attr & FILE_ATTRIBUTE_DIRECTORY;
  if (!SetFileAttributesW(path.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL)) return FsResult::Fail(LastError(), path);
  return {};
}

FsResult SyncPath(const fs::path& path) {
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};  // folders cannot be flushed on Windows; their entries are journaled
  FlushFileBuffers(h);
  CloseHandle(h);
  return {};
}

bool IsWritableFolder(const fs::path& path) {
  if (!IsFolder(path)) return false;
  const fs::path probe = path / L".drydock-write-test";
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

FileWriter::~FileWriter() { (void)Close(); }

FsResult FileWriter::Open(const fs::path& path) {
  (void)Close();
  path_ = path;
  if (auto ec = fault::Step(path)) return FsResult::Fail(ec, path);
  // A reparse point at the path is replaced, never written through.
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return FsResult::Fail(std::make_error_code(std::errc::not_supported), path);
  }
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FsResult::Fail(LastError(), path);
  handle_ = reinterpret_cast<std::intptr_t>(h);
  return {};
}

FsResult FileWriter::Write(const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), bytes, chunk, &written, nullptr) || written == 0) {
      return FsResult::Fail(LastError(), path_);
    }
    bytes += written;
    size -= written;
  }
  return {};
}

FsResult FileWriter::Close() {
  if (handle_ == -1) return {};
  HANDLE h = reinterpret_cast<HANDLE>(std::exchange(handle_, -1));
  if (!CloseHandle(h)) return FsResult::Fail(LastError(), path_);
  return {};
}

}  // namespace drydock::platform
