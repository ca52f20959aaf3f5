#include "fileinstaller/file_types.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

#include "library/mod_library.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/text_file.h"

namespace drydock::fileinstaller {

namespace {

using platform::ToLowerAscii;

bool BeginsWithA2(std::string_view name) { return name.size() >= 2 && ToLowerAscii(name.substr(0, 2)) == "a2"; }

bool IsOneOf(std::string_view name, const auto& names) {
  const std::string lowered = ToLowerAscii(name);
  return std::find(names.begin(), names.end(), lowered) != names.end();
}

bool IsSoftwareModel(std::string_view name) { return IsOneOf(name, kSoftwareModels); }

bool IsOdfOf(const RootFileFacts& f, OdfKind kind) {
  return EndsWithSuffix(f.name, ".odf") && f.odf[static_cast<std::size_t>(kind)];
}

bool OdfNameContains(const RootFileFacts& f, std::initializer_list<std::string_view> parts) {
  if (!EndsWithSuffix(f.name, ".odf")) return false;
  return std::any_of(parts.begin(), parts.end(),
                     [&](std::string_view part) { return library::TextContains(f.name, part); });
}

constexpr std::string_view kOdfHelp = "Files included: *.odf with '#included \"(various things)\"'";

const std::array<FileTypeRule, kFileTypeCount> kRules{{
    {"Bzn", 41, "Files included: *.bzn", "Copied to: bzn",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".bzn"); }},
    {"Textures\\Rgb", 78, "Files included: *.tga", "Copied to: Textures\\rgb",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".tga"); }},
    {"Techtree", 75, "Files included: *.tt", "Copied to: Techtree",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".tt"); }},
    {"Sprites", 74, "Files included: *.spr", "Copied to: Sprites",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".spr"); }},
    {"Sod\\Software", 67, "Files included: Mnebula1-5.sod, wcorbrfr.sod, wshldadd.sod, wstoptim.sod",
     "Copied to: Sod\\Software", [](const RootFileFacts& f) { return IsSoftwareModel(f.name); }},
    {"Sod", 66, "Files included: *.sod (Other than the Sod\\Software ones)", "Copied to: Sod",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".sod") && !IsSoftwareModel(f.name); }},
    {"Odf\\Ships", 57, kOdfHelp, "Copied to: odf\\Ships",
     [](const RootFileFacts& f) { return IsOdfOf(f, OdfKind::Ship); }},
    {"Odf\\Stations", 59, kOdfHelp, "Copied to: odf\\Stations",
     [](const RootFileFacts& f) { return IsOdfOf(f, OdfKind::Station); }},
    {"Odf\\Commands", 55, kOdfHelp, "Copied to: odf\\Commands",
     [](const RootFileFacts& f) { return IsOdfOf(f, OdfKind::Command); }},
    {"Odf\\Weapons\\Phasers", 61, "Files included: *phas*.odf", "Copied to: odf\\Weapons\\Phasers",
     [](const RootFileFacts& f) { return OdfNameContains(f, {"phas"}); }},
    {"Odf\\Weapons\\Photons", 62, "Files included: *phot*.odf or *artil*.odf or *plas*.odf",
     "Copied to: odf\\Weapons\\Photons",
     [](const RootFileFacts& f) {
       return OdfNameContains(f, {"phot", "artil", "plas"});
     }},
    {"Odf\\Weapons\\Pulse", 63, "Files included: *pulse*.odf", "Copied to: odf\\Weapons\\Pulse",
     [](const RootFileFacts& f) { return OdfNameContains(f, {"pulse"}); }},
    {"Objectives", 53, "Files included: a2*.txt", "Copied to: Objectives",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".txt") && BeginsWithA2(f.name); }},
    {"Missions", 52, "Files included: *.drl, *.dsl", "Copied to: Missions",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".drl") || EndsWithSuffix(f.name, ".dsl"); }},
    {"Ai\\Aips", 4, "Files included: *.aip", "Copied to: Ai\\Aips",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".aip"); }},
    {"Ai", 3, "Files included: strategic_AI_config.txt", "Copied to: Ai",
     [](const RootFileFacts& f) { return ToLowerAscii(f.name) == "strategic_ai_config.txt"; }},
    {"Animations", 2, "Files included: a2*.bik, Intro.bik, other intros", "Copied to: Animations",
     [](const RootFileFacts& f) {
       return (EndsWithSuffix(f.name, ".bik") && BeginsWithA2(f.name)) ||
              std::find(kIntroNames.begin(), kIntroNames.end(), f.name) != kIntroNames.end();
     }},
    {"ShipImages", 13, "Files included: (filename).bmp when (filename).odf exists",
     "Copied to: bitmaps\\AdmiralsLog\\ShipImages",
     [](const RootFileFacts& f) { return EndsWithSuffix(f.name, ".bmp") && f.hasOdfPartner; }},
}};

const std::vector<std::string_view> kStationLines{
    "#include \"research.odf\"",
    "#include \"station.odf\"",
    "#include \"turret.odf\"",
    "#include \"pod.odf\"",
    "#include \"weaponupgradepod.odf\"",
    "#include \"weaponupgradepod2.odf\"",
    "#include \"shieldupgradepod.odf\"",
    "#include \"shieldupgradepod2.odf\"",
    "#include \"sensorupgradepod.odf\"",
    "#include \"sensorupgradepod2.odf\"",
    "#include \"engineupgradepod.odf\"",
    "#include \"engineupgradepod2.odf\"",
    "#include \"lifesupportupgradepod.odf\"",
    "#include \"lifesupportupgradepod2.odf\"",
};
const std::vector<std::string_view> kShipLines{
    "#include \"const.odf\"",   "#include \"battle1.odf\"",    "#include \"battle2.odf\"",
    "#include \"freight.odf\"", "#include \"cruise1.odf\"",    "#include \"cruise2.odf\"",
    "#include \"cruise3.odf\"", "#include \"fdestroy.odf\"",   "#include \"destroy.odf\"",
    "#include \"frigate.odf\"", "#include \"scoutbase.odf\"",  "#include \"craft.odf\"",
    "#include \"assault.odf\"", "#include \"colony.odf\"",     "#include \"fspecial.odf\"",
    "#include \"special.odf\"", "#include \"repairbase.odf\"", "#include \"saucer.odf\"",
    "#include \"super.odf\"",   "#include \"cargo.odf\"",
};
const std::vector<std::string_view> kCommandLines{
    "#include \"alert.odf\"",
    "#include \"button.odf\"",
    "#include \"formation.odf\"",
    "#include \"trade.odf\"",
};

// An .odf is a few kilobytes; these bounds only keep junk from stalling a scan.
// An include line is far shorter than the line cut, so a cut line never matches.
constexpr platform::TextLimits kOdfLimits{.maxBytes = std::size_t{1} << 30, .maxTime = std::chrono::seconds(3)};

std::string_view TrimSpaces(std::string_view line) {
  const auto first = line.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = line.find_last_not_of(' ');
  return line.substr(first, last - first + 1);
}

}  // namespace

const std::array<std::string_view, 8> kSoftwareModels{"mnebula1.sod", "mnebula2.sod", "mnebula3.sod", "mnebula4.sod",
                                                      "mnebula5.sod", "wcorbrfr.sod", "wshldadd.sod", "wstoptim.sod"};
const std::array<std::string_view, 4> kIntroNames{"intro.bik", "activision.bik", "MadDocSoftware.bik", "Paramount.bik"};

const std::array<FileTypeRule, kFileTypeCount>& FileTypeRules() { return kRules; }

const FileTypeRule* TypeByName(std::string_view text) {
  for (const FileTypeRule& rule : kRules) {
    if (platform::EqualsIgnoreCase(rule.name, text)) return &rule;
  }
  return nullptr;
}

const std::vector<std::string_view>& IncludeLines(OdfKind kind) {
  switch (kind) {
    case OdfKind::Ship:
      return kShipLines;
    case OdfKind::Station:
      return kStationLines;
    case OdfKind::Command:
      break;
  }
  return kCommandLines;
}

bool EndsWithSuffix(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && ToLowerAscii(name.substr(name.size() - suffix.size())) == suffix;
}

std::array<bool, kOdfKindCount> ClassifyOdfAll(const std::filesystem::path& file) {
  std::array<bool, kOdfKindCount> found{};
  constexpr std::array kinds{OdfKind::Ship, OdfKind::Station, OdfKind::Command};
  // Every line is looked at to the end of the file; the first match does not stop the reading.
  platform::ForEachTextLine(file, kOdfLimits, [&](std::string_view line) {
    const std::string lowered = ToLowerAscii(TrimSpaces(line));
    for (const OdfKind kind : kinds) {
      const auto& lines = IncludeLines(kind);
      if (std::find(lines.begin(), lines.end(), lowered) != lines.end()) found[static_cast<std::size_t>(kind)] = true;
    }
  });
  return found;
}

bool ClassifyOdf(const std::filesystem::path& file, OdfKind kind) {
  return ClassifyOdfAll(file)[static_cast<std::size_t>(kind)];
}

ModScan ScanModRoot(const std::filesystem::path& modFolder) {
  ModScan scan;
  scan.rootFiles = platform::ListPlainFiles(modFolder);
  // The partner look-up ignores letter case and sees only plain files, as the listing does.
  std::unordered_set<std::string> upperNames;
  for (const std::string& name : scan.rootFiles) upperNames.insert(platform::ToUpperAscii(name));

  for (std::size_t i = 0; i < scan.rootFiles.size(); ++i) {
    const std::string& name = scan.rootFiles[i];
    RootFileFacts facts{.name = name};
    if (EndsWithSuffix(name, ".odf")) facts.odf = ClassifyOdfAll(modFolder / platform::PathFromUtf8(name));
    if (EndsWithSuffix(name, ".bmp")) {
      const std::string partner = name.substr(0, name.size() - 4) + ".odf";
      facts.hasOdfPartner = upperNames.contains(platform::ToUpperAscii(partner));
    }
    for (std::size_t row = 0; row < kFileTypeCount; ++row) {
      if (kRules[row].matches(facts)) scan.files[row].push_back({name, i + 1});
    }
  }
  for (std::size_t row = 0; row < kFileTypeCount; ++row) {
    if (!scan.files[row].empty()) scan.foundTypes.push_back(row);
  }
  return scan;
}

}  // namespace drydock::fileinstaller
