#pragma once
// What file_ops.cpp, fault_injection.cpp, volume.cpp and the per-system
// file_ops_*.cpp share. Not part of the platform interface: include it only from those files.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/file_ops.h"

namespace drydock::platform {

namespace fault {
// Counts one operation on `path`; returns an error when a fault is due.
std::error_code Step(const std::filesystem::path& path);
// True when a copy onto `to` is to write only half its source (DRYDOCK_SHORT_COPY, test builds only).
bool CopyCutShort(const std::filesystem::path& to);
// The free space every volume reports at most (DRYDOCK_FREE_BYTES, test builds only), so that a
// test can fill a disk without root; nothing when it is not set.
std::optional<std::uint64_t> FreeBytesCap();
}  // namespace fault

// The failure of a copy whose file came out shorter than its source.
std::error_code ShortCopyError();

// Ends this process at once, as a crash would (fault injection only).
void KillThisProcess();

// Temporary names beside a target: ".NAME.drydock-XXXXXXXX" on Linux (hidden,
// a random suffix of digits and lower-case letters), "~NAME.drydock-tmp" on
// Windows. IsOwnTemporaryName recognises both, whichever system wrote them.
inline constexpr std::string_view kTemporaryMark = ".drydock-";
inline constexpr std::size_t kTemporarySuffixLength = 8;
inline constexpr std::string_view kWindowsTemporaryEnd = ".drydock-tmp";

// A temporary name for writing `target` in its own folder.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target);

// Makes `to` a hard link to the regular file `from` when this system and the
// volumes allow it; nothing when a copy has to be made instead.
std::optional<FsResult> HardLinkInstead(const std::filesystem::path& from, const std::filesystem::path& to,
                                        CopyOptions options);

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
// Opens a file for reading bytes; a null handle when it cannot be opened.
FileHandle OpenForReading(const std::filesystem::path& path);

}  // namespace drydock::platform
