#pragma once
// src/fileinstaller: the file installer, which sorts the loose files of a mod's root into the
// game folders of their types: its rules, the sorter and the window. See README.md.
//
// The file installer's rules: the 18 file types that loose files in a mod's
// root folder can belong to, the .odf classifier that tells ships, stations
// and commands apart by their include lines, and the scan of one mod root.
// Everything here only reads; nothing is moved, made or deleted.
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::fileinstaller {

enum class OdfKind { Ship, Station, Command };
inline constexpr std::size_t kOdfKindCount = 3;

// What a rule needs to know of one root file besides its name. The scan
// fills it: `odf` only for names ending in ".odf" (indexed by OdfKind),
// `hasOdfPartner` only for names ending in ".bmp".
struct RootFileFacts {
  std::string_view name;
  std::array<bool, kOdfKindCount> odf{};
  bool hasOdfPartner = false;
};

// One row of the type table.
struct FileTypeRule {
  std::string_view name;   // shown in the lists; identifies the type ignoring case
  int targetFolder;        // GameFolderList number (1..78) the files are moved into
  std::string_view help1;  // "Files included: ..."
  std::string_view help2;  // "Copied to: ..."
  bool (*matches)(const RootFileFacts& file);
};

inline constexpr std::size_t kFileTypeCount = 18;

// The table in its fixed order: the order of the type list, the help combo
// box and every scan result.
const std::array<FileTypeRule, kFileTypeCount>& FileTypeRules();

// The row whose name equals `text` ignoring letter case, or null.
const FileTypeRule* TypeByName(std::string_view text);

// The eight software models ("Sod\Software") and the four intro names
// ("Animations"; these are compared with letter case).
extern const std::array<std::string_view, 8> kSoftwareModels;
extern const std::array<std::string_view, 4> kIntroNames;

// The include lines of one kind, in lower case, as a whole line must read.
const std::vector<std::string_view>& IncludeLines(OdfKind kind);

// Whether `name`'s last characters, lowered, are `suffix`; a name shorter
// than the suffix does not end in it.
bool EndsWithSuffix(std::string_view name, std::string_view suffix);

// True when a line of the file, with its leading and trailing spaces (only
// spaces) removed and lowered, equals one of the kind's include lines. The
// file is read line by line to its end within fixed bounds; a file that
// cannot be read matches nothing.
bool ClassifyOdf(const std::filesystem::path& file, OdfKind kind);
// All three kinds from one reading of the file, indexed by OdfKind.
std::array<bool, kOdfKindCount> ClassifyOdfAll(const std::filesystem::path& file);

// One root file recorded under a type.
struct ScanEntry {
  std::string name;      // as the folder listing returned it
  std::size_t position;  // in RootFiles, counting from 1
};

struct ModScan {
  std::vector<std::string> rootFiles;                        // listing order
  std::array<std::vector<ScanEntry>, kFileTypeCount> files;  // per table row
  std::vector<std::size_t> foundTypes;                       // rows with files, table order
};

// Lists the plain files of `modFolder` and puts each into every type whose
// rule it satisfies. There is no limit on the number of files.
ModScan ScanModRoot(const std::filesystem::path& modFolder);

}  // namespace drydock::fileinstaller
