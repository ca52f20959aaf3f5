#pragma once
// The texts of adding a mod from an archive, in one place.
#include <cstdint>
#include <string>

#include "install/install_plan.h"

namespace drydock::archive::texts {

inline constexpr const char* kMenuAddFromArchive = "Add mod from a&rchive...";
inline constexpr const char* kTitle = "Add mod from archive";
inline constexpr const char* kFileFilter =
    "Archives (*.zip *.7z *.rar *.tar *.tar.gz *.tgz *.tar.bz2 *.tbz *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst);;"
    "All files (*)";
inline constexpr const char* kNamePrompt = "Name of the new mod:";
inline constexpr const char* kUnpacking = "Unpacking ";
inline constexpr const char* kCancel = "Cancel";

// Why an archive cannot be added; each follows "Cannot add a mod from FILE: ".
inline constexpr const char* kNotAFile = "it is not a file that can be read";
inline constexpr const char* kEncrypted = "it is encrypted, and Drydock cannot unpack encrypted archives";
inline constexpr const char* kTooManyEntries = "it holds more entries than any mod could";
inline constexpr const char* kChangedMeanwhile = "the archive changed while it was being unpacked";
inline constexpr const char* kOutgrown = "it unpacks to more bytes than it declares, as an archive bomb does";
inline constexpr const char* kNothingToUnpack = "nothing in it can be unpacked into a mod folder";
// An exception that ended the work (out of memory, say), with what it said.
inline std::string WorkFailed(const std::string& what) { return "an error stopped the work (" + what + ")"; }
inline std::string Unreadable(const std::string& why) { return "it is not an archive Drydock can read (" + why + ")"; }
inline std::string Damaged(const std::string& why) { return "it is damaged or cut short (" + why + ")"; }

// A size as a person reads it: "512 bytes", "3.4 MB".
inline std::string Bytes(std::uint64_t bytes) { return install::ByteCount(bytes); }
inline std::string Figures(std::uint64_t unpacked, std::uint64_t packed) {
  return "it would unpack to " + Bytes(unpacked) + " from " + Bytes(packed);
}
inline std::string TooLarge(std::uint64_t unpacked, std::uint64_t packed, std::uint64_t most) {
  return Figures(unpacked, packed) + ", more than the " + Bytes(most) + " Drydock unpacks";
}
inline std::string NoRoom(std::uint64_t unpacked, std::uint64_t packed, std::uint64_t free) {
  return Figures(unpacked, packed) + ", and the disk of the mods folder has only " + Bytes(free) + " free";
}
inline std::string TooPacked(std::uint64_t unpacked, std::uint64_t packed) {
  return Figures(unpacked, packed) + ", " + std::to_string(unpacked / packed) +
         " times its size, as only an archive bomb does";
}

inline std::string CannotAdd(const std::string& file, const std::string& why) {
  return "Cannot add a mod from " + file + ": " + why + ".";
}
inline std::string CancelledNote(const std::string& file) {
  return "Adding a mod from " + file + " was cancelled. Nothing was left behind.";
}

// The closing message's parts.
inline std::string Added(const std::string& name, const std::string& file) {
  return "The mod " + name + " was added from " + file + ".";
}
inline constexpr const char* kLooseFiles =
    "No game folder was found in the archive, so its content is the mod's root as it was packed. "
    "The file installer can sort loose files into the game's folders.";
inline constexpr const char* kSkippedHeading =
    "These entries were skipped: they could lead outside the mod folder, a Windows game cannot hold them, or they "
    "come from an install on the computer the mod was packed on:";
// Why an entry of those is skipped, after its name.
inline constexpr const char* kForeignBackup =
    "the Backup folder of an install on the computer the mod was packed on: it holds that computer's game files, not "
    "your game's";
inline constexpr const char* kDrydockOwn = "Drydock's own record of an install on the computer the mod was packed on";
inline constexpr const char* kMergedHeading =
    "These names differ only in letter case, which the game ignores, so each pair was unpacked as one (the later "
    "file kept):";

}  // namespace drydock::archive::texts
