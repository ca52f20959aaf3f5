#pragma once
// src/archive: adding a mod from an archive (libarchive): where each entry goes, the limits, the
// unpacking, the flow and its progress. See README.md.
//
// Adding a mod from an archive: the archive is read once to plan the add
// (SurveyArchive), checked against the limits that stop an archive bomb
// (LimitProblem), then unpacked into a hidden folder beside `mods` (inside it
// when it is a mount of its own) that is renamed into place only when it is
// complete (UnpackNewMod). A killed run
// leaves only that hidden folder, which RemoveAddLeftovers clears.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "archive/archive_plan.h"

namespace drydock::platform {
class WriterLock;
}

namespace drydock::archive {

// An archive may unpack to at most this much, whatever the free space,
inline constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t{64} << 30;
// and, once it unpacks to more than kRatioCheckedFrom, to at most this many
// times its own size.
inline constexpr std::uint64_t kMaxRatio = 200;
inline constexpr std::uint64_t kRatioCheckedFrom = std::uint64_t{64} << 20;

struct Survey {
  std::filesystem::path archive;
  std::uint64_t packedBytes = 0;  // the archive file's size
  ArchivePlan plan;
};

// Reads the archive's entries (and the bytes of those whose size it does not
// declare). Nothing, with the reason in `error`, for a file that is no
// archive of a known kind, is encrypted, damaged or cut short. Never throws:
// an exception of the work (out of memory, say) is a failure with its reason.
std::optional<Survey> SurveyArchive(const std::filesystem::path& archive, std::string* error);

// Why the archive must not be unpacked into a volume with `freeBytes` free
// (nothing when unknown), with the figures; empty when it may.
std::string LimitProblem(const Survey& survey, std::optional<std::uint64_t> freeBytes);

// The folder the hidden unpack folder lies in, so that the final rename stays
// on one mount: the real folder that holds `mods` (a linked `mods` counts
// where it leads), or `mods` itself when it is a mount of its own (every
// listing of it leaves out a hidden name). The free space is checked there.
std::filesystem::path UnpackParent(const std::filesystem::path& modsDir);
// True for the names of those hidden folders (".drydock-add-XXXXXXXX").
bool IsUnpackFolderName(const std::string& name);
// Deletes the unpack folders that killed runs left beside `modsDir` or inside
// it; returns how many went. The caller holds the writer lock of `modsDir`, so
// no running add owns one.
int RemoveAddLeftovers(const std::filesystem::path& modsDir, const platform::WriterLock& lock);

struct UnpackResult {
  enum class Status { Done, Cancelled, NameTaken, Failed } status = Status::Failed;
  std::string error;  // Failed: why, for the user
};

// Unpacks the planned entries into a hidden folder in UnpackParent(modsDir)
// and renames it to `name` in `modsDir`. `progress` (may be empty) hears the bytes
// written so far; `cancel` stops the work between two blocks. Whatever ends
// it early, nothing of the add is left behind; an exception (out of memory,
// or one `progress` throws) is a failure with its reason, never thrown on.
UnpackResult UnpackNewMod(const Survey& survey, const std::filesystem::path& modsDir, const std::string& name,
                          const platform::WriterLock& lock, const std::function<void(std::uint64_t)>& progress,
                          const std::atomic<bool>* cancel);

}  // namespace drydock::archive
