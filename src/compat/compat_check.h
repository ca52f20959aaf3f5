#pragma once
// src/compat: the compatibility check of two mods, or of a mod and the game, and its window.
// See README.md.
//
// The compatibility check: the files that two mods, or a mod and the game
// folder, both provide at the same relative path. Whichever is installed
// second overwrites the other's copy of each.
#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/mod_files.h"
#include "library/mod_library.h"

namespace drydock::compat {

// The entry that stands for the game folder, first in both lists.
inline constexpr std::string_view kGameEntry = "(Armada II Directory)";

enum class Side { First, Second };

using ListFiles = std::function<std::vector<library::ModFile>(const std::filesystem::path&)>;

// The folder behind a list entry's ModPath, or the game folder for kGameEntry;
// nothing when the game folder is unknown or the ModPath is empty.
std::optional<std::filesystem::path> SideFolder(const std::filesystem::path& modsDir,
                                                const std::optional<std::filesystem::path>& gameDir,
                                                std::string_view modPathOrGame);

// One side's files through the library's mod-file listing (`list`, which
// tests may replace), in its order; the second side without the mod description files (library::IsModDescriptionFile).
// A missing folder has no files.
std::vector<library::ModFile> SideFiles(const std::optional<std::filesystem::path>& folder, Side side,
                                        const ListFiles& list = library::ListModFiles);

// A path of the result as the first side has it: the game's folder spelling and the file's own name.
std::string ShownConflict(const library::ModFile& file);

// Every path of `first` that `second` also holds, letter case ignored, in the
// order of `first` and each once. `progress` gets the percent of `first`
// done whenever it grows. Linear in the two lengths.
std::vector<std::string> Conflicts(const std::vector<library::ModFile>& first,
                                   const std::vector<library::ModFile>& second,
                                   const std::function<void(int percent)>& progress = {});

// Runs `step` and turns a failure inside it into the error message's text:
// "Error: Out of memory. Please select ..." or "Error: <what failed>.".
std::optional<std::string> Guarded(const std::function<void()>& step) noexcept;

// The whole check of two sides, as the command line runs it.
struct CheckResult {
  std::vector<std::string> conflicts;
  std::optional<std::string> error;  // the error message's text when the check failed
};
CheckResult Check(const std::optional<std::filesystem::path>& first,
                  const std::optional<std::filesystem::path>& second);

}  // namespace drydock::compat
