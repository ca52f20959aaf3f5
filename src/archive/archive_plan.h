#pragma once
// Where each entry of an archive goes inside a new mod folder, decided from
// the entries' names and kinds alone, before a byte is unpacked: which entries
// are refused (they could lead outside the mod folder, or a Windows game
// cannot hold their names), which folder of the archive is the mod's root,
// which names fold into one in a game that ignores letter case, and the name
// proposed for the mod.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_reader.h"

namespace drydock::archive {

// One entry in archive order; `target` (components, '/'-joined) is where it
// goes below the mod folder, empty when it is not unpacked.
struct PlannedEntry {
  std::string source;  // the archive's own name, for matching the second read
  std::string target;
  bool folder = false;
  std::uint64_t size = 0;
};

struct ArchivePlan {
  std::vector<PlannedEntry> entries;
  std::string root;        // the archive folder that became the mod's root ("" for its top)
  bool rootFound = false;  // a game folder or a game root file marked it
  std::string proposedName;
  std::uint64_t unpackedBytes = 0;   // the declared sizes of the files unpacked
  std::vector<std::string> skipped;  // "name (why)", printable
  std::vector<std::string> merged;   // "a = b", names that became one
};

// Plans `entries` for the archive file `archive` (whose name the proposal
// falls back on).
ArchivePlan PlanArchive(const std::filesystem::path& archive, const std::vector<RawEntry>& entries);

// The archive's file name without its archive extensions ("Fleet.tar.gz" -> "Fleet").
std::string NameWithoutArchiveExtensions(const std::string& fileName);

// True for the file names the add accepts (by extension, any letter case).
bool HasArchiveExtension(const std::filesystem::path& file);

}  // namespace drydock::archive
