// The file type rules, the .odf classifier and the scan, on names and on real temporary folders.
#include "fileinstaller/file_types.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_tree.h"

using namespace drydock::fileinstaller;
using drydock::test::TempTree;
using Names = std::vector<std::string>;
using namespace std::string_literals;

// The types a file satisfies, from its name and what the scan would learn of it.
Names TypesOf(std::string_view name, std::array<bool, kOdfKindCount> odf = {}, bool partner = false) {
  Names types;
  for (const FileTypeRule& rule : FileTypeRules()) {
    if (rule.matches({name, odf, partner})) types.emplace_back(rule.name);
  }
  return types;
}

TEST(FileTypes, NameRules) {
  constexpr std::array<bool, 3> ship{true, false, false}, shipAndStation{true, true, false};
  const struct {
    const char* name;
    std::array<bool, 3> odf;
    bool partner;
    Names types;
  } cases[] = {
      {"MAP.BZN", {}, false, {"Bzn"}},
      {"a.tt", {}, false, {"Techtree"}},
      {"t", {}, false, {}},
      {".tt", {}, false, {"Techtree"}},
      {"Mnebula3.SOD", {}, false, {"Sod\\Software"}},
      {"mnebula6.sod", {}, false, {"Sod"}},
      {"ship.ODF", ship, false, {"Odf\\Ships"}},
      {"base.odf", shipAndStation, false, {"Odf\\Ships", "Odf\\Stations"}},
      {"phaser_plasma.odf", {}, false, {"Odf\\Weapons\\Phasers", "Odf\\Weapons\\Photons"}},
      {"PulsePhaser.odf", {}, false, {"Odf\\Weapons\\Phasers", "Odf\\Weapons\\Pulse"}},
      {"artillery.odf", {}, false, {"Odf\\Weapons\\Photons"}},
      {"photon_ship.odf", ship, false, {"Odf\\Ships", "Odf\\Weapons\\Photons"}},
      {"a2_mission.txt", {}, false, {"Objectives"}},
      {"readme.txt", {}, false, {}},
      {"Strategic_AI_Config.TXT", {}, false, {"Ai"}},
      {"A2Intro.bik", {}, false, {"Animations"}},
      {"Paramount.bik", {}, false, {"Animations"}},
      {"paramount.bik", {}, false, {}},
      {"Intro.bik", {}, false, {}},
      {"Fed_Cruiser.bmp", {}, true, {"ShipImages"}},
      {"Fed_Cruiser.bmp", {}, false, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(TypesOf(c.name, c.odf, c.partner), c.types) << c.name;
}

TEST(ClassifyOdf, WholeTrimmedLoweredLinesOnlyToTheEndOfTheFile) {
  TempTree t;
  const struct {
    std::string contents;
    std::array<bool, 3> kinds;  // Ship, Station, Command
  } cases[] = {
      {"a\r\nb\r\nc\r\n   #INCLUDE \"CRUISE1.ODF\"   \r\nd", {true, false, false}},
      {"#include \"station.odf\"\r#include \"cruise1.odf\"", {true, true, false}},
      {"x\n#include \"button.odf\"", {false, false, true}},  // no line end after it
      {"#include \"cruise1.odf\" // ship", {}},
      {"#include  \"cruise1.odf\"", {}},
      {"\t#include \"cruise1.odf\"", {}},
      {"#include 'cruise1.odf'", {}},
      {"#include \"cruise1.odf\"\xff\xfe", {}},
      {"\0\x01#include \"alert.odf\"\r\n\0\xff\r\n#include \"pod.odf\""s, {false, true, false}},
      {"", {}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const auto file = t.Write("f" + std::to_string(n++) + ".odf", c.contents);
    EXPECT_EQ(ClassifyOdfAll(file), c.kinds) << c.contents;
    EXPECT_EQ(ClassifyOdf(file, OdfKind::Ship), c.kinds[0]) << c.contents;
  }
  for (const auto kind : {OdfKind::Ship, OdfKind::Station, OdfKind::Command}) {
    EXPECT_FALSE(ClassifyOdf(t / "missing.odf", kind));
    EXPECT_FALSE(ClassifyOdf(t.MakeDir("folder.odf"), kind));
  }
}

TEST(ScanModRoot, EveryFileOfALargeRootInEveryTypeItSatisfies) {
  TempTree t;
  EXPECT_TRUE(ScanModRoot(t.MakeDir("empty")).foundTypes.empty());
  for (int i = 0; i < 1500; ++i) t.Write("mod/map" + std::to_string(10000 + i) + ".bzn");
  t.Write("mod/zz_ship.odf", "#include \"station.odf\"\r\n#include \"cruise1.odf\"\r\n");
  t.Write("mod/ZZ_SHIP.bmp");
  t.Write("mod/ModPic.bmp");
  t.Write("mod/zz_phaser_plasma.odf");
  t.Write("mod/readme.txt");
  t.Write("mod/.hidden.bzn");
  t.MakeDir("mod/sub.bzn");

  const ModScan scan = ScanModRoot(t / "mod");
  ASSERT_EQ(scan.rootFiles.size(), 1505u);
  const auto& bzn = scan.files[0];
  ASSERT_EQ(bzn.size(), 1500u);
  EXPECT_EQ(bzn.back().name, "map11499.bzn");
  EXPECT_EQ(scan.rootFiles[bzn.back().position - 1], "map11499.bzn");

  Names found;
  for (const std::size_t row : scan.foundTypes) {
    std::string line(FileTypeRules()[row].name);
    for (std::size_t k = 0; row != 0 && k < scan.files[row].size(); ++k) {
      const ScanEntry& e = scan.files[row][k];
      EXPECT_EQ(scan.rootFiles.at(e.position - 1), e.name);
      line += " " + e.name;
    }
    found.push_back(line);
  }
  EXPECT_EQ(found, (Names{"Bzn", "Odf\\Ships zz_ship.odf", "Odf\\Stations zz_ship.odf",
                          "Odf\\Weapons\\Phasers zz_phaser_plasma.odf", "Odf\\Weapons\\Photons zz_phaser_plasma.odf",
                          "ShipImages ZZ_SHIP.bmp"}));
}
