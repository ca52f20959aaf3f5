#pragma once
// The ten unit values the analyzer shows for a ship's or a station's .odf
// file, read line by line with the key written exactly at the line's start.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace drydock::analyzer {

struct OdfStat {
  std::string_view label;          // the statistics label's objectName
  std::string_view designCaption;  // shown until the first click on a file
  std::string_view toolTip;
  std::string_view key;  // the line starts with key + " =" ; the value starts one character later
};

inline constexpr int kOdfStatCount = 10;
inline constexpr std::array<OdfStat, kOdfStatCount> kOdfStats = {{
    {"lblOdfUnitName", "unitName =", "Name of unit", "unitName"},
    {"lblOdfRace", "race =", "Race unit is in", "race"},
    {"lblOdfBuildTime", "BuildTime =", "How long it takes to build this unit", "buildTime"},
    {"lblOdfOfficerCost", "officerCost =", "Number of officers that this unit uses", "officerCost"},
    {"lblOdfCrewCost", "crewCost =", "Number of crew this unit uses", "crewCost"},
    {"lblOdfDilithiumCost", "dilithiumCost =", "How much dilithium this unit takes to build", "dilithiumCost"},
    {"lblOdfMetalCost", "metalCost =", "How much metal this unit costs to build", "metalCost"},
    {"lblOdfLatinumCost", "latinumCost =", "How much latinum this unit costs to build", "latinumCost"},
    {"lblOdfMaxHealth", "maxHealth =", "The maximum shield hit points", "maxHealth"},
    {"lblOdfShieldRate", "shieldRate =", "How fast the shields recharge (points per second)", "shieldRate"},
}};

using OdfCaptions = std::array<std::string, kOdfStatCount>;

// "key = (File does not contain 'key')": the caption of a value the file lacks.
std::string FallbackCaption(const OdfStat& stat);

// The ten captions for `file`: for each key the last line that begins with
// key + " =" exactly (letter case and spacing as written, nothing trimmed)
// gives key + " = " + the line from the second character after "=" on, kept
// as it is (quotes and comments too). A key no line sets, and every key of a
// file that cannot be read, shows its fallback caption.
OdfCaptions ReadOdfStats(const std::filesystem::path& file);

// What a click on a file list entry shows, from its name and the text of
// the tree node selected (the folder).
struct FileView {
  bool stats = false;     // an ".odf" file (exact case) in "ships" or "stations" (exact case)
  bool picture = false;   // ".bmp", ".jpg" or ".gif" in any letter case
  bool tallList = false;  // neither of them, nor an .odf file, nor in ships or stations: the list grows back
};
FileView ViewFor(std::string_view entry, std::string_view folderText);

// The last four characters of a name (the whole name when shorter).
std::string_view LastFour(std::string_view name);

}  // namespace drydock::analyzer
