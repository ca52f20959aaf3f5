#pragma once
// Which volume (disk, partition, mounted file system) holds a path. Searches
// over a whole disk stay on one volume, so they never wander into /proc, a
// network share or a USB stick mounted somewhere below.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace drydock::platform {

// An identifier of the volume that holds `path` (the device number on Linux);
// nothing when the path cannot be examined or the system has no cheap way to
// tell (Windows, where mounted folders are reparse points and listings skip
// them anyway). A link is judged by its target, so a root folder given as a
// link (a home folder under a linked /home) reports the volume of its folders.
std::optional<std::uint64_t> VolumeId(const std::filesystem::path& path);

// Whether a rename can move an entry from the folder `a` into the folder `b`:
// both lie on one mount (on Linux by the mount ID, as rename(2) crosses no
// mount point, not even between two mounts of one file system, else by the
// device number). Links are judged by their targets. Nothing when it cannot
// be told: a folder is missing, or the system is Windows (see VolumeId).
std::optional<bool> OnOneMount(const std::filesystem::path& a, const std::filesystem::path& b);

// The top folder of the volume that holds `path`: "X:\" on Windows, the mount
// point on Linux. A path that does not exist is judged by its nearest
// existing parent.
std::filesystem::path VolumeRoot(const std::filesystem::path& path);

// The bytes free for this user on the volume that holds `path` (a path that
// does not exist yet is judged by its nearest existing parent); nothing when
// the system cannot tell. Test builds cap it at DRYDOCK_FREE_BYTES when set.
std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& path);

// The same text for every path on one volume, and a different one for each
// other volume: the device number on Linux, the upper-case volume root on
// Windows. A path that does not exist yet is judged by its nearest existing
// parent. Writes whose keys are equal take their room from one free space.
std::string DiskKey(const std::filesystem::path& path);

// The nearest folder of `path` that exists, `path` itself when it is one.
std::filesystem::path NearestExistingFolder(const std::filesystem::path& path);

}  // namespace drydock::platform
