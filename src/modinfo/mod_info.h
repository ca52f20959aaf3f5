#pragma once
// src/modinfo: a mod's description (ModInfo.txt read and written, the details panel, the picture
// check) and its editor window. See README.md.
//
// ModInfo.txt and the numbers of the details panel.
//
// ModInfo.txt lies in a mod's root and holds up to five fields, one per line,
// each line starting with its key exactly ("Author: ", "Description: ",
// "Version: ", "Other Heading: ", "Other: "). Lines may stand in any order;
// when a key appears twice the last line wins.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include "library/mod_files.h"

namespace drydock::modinfo {

using library::kModInfoFileName;  // its one home is the mod's files

inline constexpr std::string_view kKeyAuthor = "Author: ";
inline constexpr std::string_view kKeyDescription = "Description: ";
inline constexpr std::string_view kKeyVersion = "Version: ";
inline constexpr std::string_view kKeyOther = "Other: ";
inline constexpr std::string_view kKeyOtherHeading = "Other Heading: ";

// Texts shown in place of a value.
inline constexpr std::string_view kNoFile = "(File 'ModInfo.txt' not found)";
inline constexpr std::string_view kNoModSelected = "(No mod selected)";
inline constexpr std::string_view kDefaultOtherHeading = "Other: ";

// The five texts the details panel shows for one mod, fallbacks applied.
// They are label captions: a single '&' marks a mnemonic, "&&" stands for '&'.
struct ModInfoTexts {
  std::string author;
  std::string description;
  std::string version;
  std::string other;
  std::string otherHeading;
  bool operator==(const ModInfoTexts&) const = default;
};

// Reads the ModInfo.txt of `modFolder` (its name matched ignoring case) and
// applies the fallback texts for a missing file, a missing line and an empty
// value. Reads the file to its end line by line (an overlong line is cut),
// within a budget of time and size so that any file gives an answer promptly.
ModInfoTexts ReadModInfo(const std::filesystem::path& modFolder);

// The author of the mod in `modFolder` as a player reads it (mnemonics
// stripped); empty when its ModInfo.txt is missing or names none.
std::string ReadModAuthor(const std::filesystem::path& modFolder);

// The text a label shows for a caption: "&&" becomes '&', a single '&' vanishes.
std::string StripMnemonics(std::string_view caption);

enum class PictureKind { None, Bitmap, Jpeg };

// What the details panel shows about one mod besides ModInfo.txt.
struct ModDetails {
  ModInfoTexts info;
  long fileCount = 0;           // plain files in the 79 game folders of the mod
  std::uint64_t sizeBytes = 0;  // the whole folder tree, Backup and Addon included
  std::string readme;           // the first plain file in the root whose name contains "readme"
  PictureKind picture = PictureKind::None;
  std::filesystem::path picturePath;
};

// The first plain file directly in `modFolder`, in listing order, whose name
// contains "readme" in any letter case; empty when there is none.
std::string FindReadme(const std::filesystem::path& modFolder);

// `modFolder` need not exist: a vanished mod shows 0 files, 0 KB and the
// not-found texts.
ModDetails ReadModDetails(const std::filesystem::path& modFolder);

// The size as the panel writes it after "Size of current mod: ": up to 100 KB
// in KB, above that in MB of 1000 KB, rounded half up to two decimals, in the
// shortest form ("100 KB", "1.02 MB", "0.5 KB"), with `decimalPoint`.
std::string FormatModSize(std::uint64_t bytes, char decimalPoint = '.');

}  // namespace drydock::modinfo
