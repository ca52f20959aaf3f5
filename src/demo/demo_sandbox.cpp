// The demo sandbox: a small fake Armada II folder and a mods folder holding
// the kinds of mods players collect (with and without ModInfo.txt, pictures,
// addons, loose files, conflicting files, tech trees). Every byte is made by
// code, here and by the writers of demo_formats.h; nothing is copied from
// anywhere.
//
// Every write goes through SandboxWriter, which keeps it below the sandbox
// root and never follows a link.
#include "demo/demo_sandbox.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "demo/demo_formats.h"
#include "library/game_search.h"
#include "platform/environment.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::demo {

namespace {

// Relative to the root, written with '/'. They match DemoPathsIn.
constexpr std::string_view kGameRel = "Armada II";
constexpr std::string_view kModsRel = "Drydock/mods";
constexpr std::string_view kGameExe = library::kGameExeName;

using demo::Bmp24;
using demo::Jpeg;
using demo::Junk;
using demo::Lines;
using demo::Painter;
using demo::Rgb;
using demo::Tga24;
using demo::Wav;

// ---- Writing below the root only ------------------------------------------

class SandboxWriter {
 public:
  explicit SandboxWriter(fs::path root) : root_(std::move(root)) {}

  bool Dir(std::string_view relative) {
    const auto parts = Split(relative);
    return parts && Folders(*parts, parts->size()).has_value();
  }

  // Writes a file unless something already stands at its place, so that
  // completing a half-made sandbox never overwrites what the user put there.
  // The bytes go to a temporary name first: a crash leaves no half file.
  void File(std::string_view relative, std::string_view bytes) {
    const auto parts = Split(relative);
    if (!parts) return;
    const auto folder = Folders(*parts, parts->size() - 1);
    if (!folder) return;
    if (platform::WriteFileAtomic(*folder / platform::PathFromUtf8(parts->back()), bytes, /*replace=*/false)) {
      made_ = true;
    }
  }

  bool madeAnything() const { return made_; }

 private:
  // Plain names only: no empty, "." or ".." part and no separator or drive
  // letter inside a part, so that joining them can never leave the root.
  static std::optional<std::vector<std::string>> Split(std::string_view relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
      size_t end = relative.find('/', start);
      if (end == std::string_view::npos) end = relative.size();
      const std::string_view part = relative.substr(start, end - start);
      if (part.empty() || part == "." || part == ".." || part.find_first_of("\\:") != std::string_view::npos) {
        return std::nullopt;
      }
      parts.emplace_back(part);
      start = end + 1;
    }
    return parts;
  }

  // The folder made of the first `count` parts, each one made when missing.
  // An existing link or non-folder on the way stops it: following a link is
  // how a write would end up outside the root.
  std::optional<fs::path> Folders(const std::vector<std::string>& parts, size_t count) {
    fs::path current = root_;
    for (size_t i = 0; i < count; ++i) {
      current /= platform::PathFromUtf8(parts[i]);
      if (platform::IsLink(current)) return std::nullopt;
      if (platform::EntryExists(current)) {
        if (!platform::IsFolder(current)) return std::nullopt;
        continue;
      }
      if (!platform::MakeFolder(current)) return std::nullopt;
      made_ = true;
    }
    return current;
  }

  fs::path root_;
  bool made_ = false;
};

std::string Join(std::string_view a, std::string_view b) {
  std::string out(a);
  out += '/';
  out += b;
  return out;
}

// ---- Game text files -------------------------------------------------------

struct Unit {
  std::string_view include;  // the base .odf that makes it a ship or station
  std::string_view unitName;
  std::string_view race;
  std::string_view classLabel;
  int buildTime, officerCost, crewCost, dilithiumCost, metalCost, latinumCost, maxHealth, shieldRate;
};

std::string UnitOdf(std::string_view title, const Unit& u, std::string_view tail = {}) {
  std::string out;
  const auto line = [&out](std::string_view text) {
    out += text;
    out += "\r\n";
  };
  const auto value = [&line](std::string_view key, auto v) {
    if constexpr (std::is_integral_v<decltype(v)>) {
      line(std::string(key) + " = " + std::to_string(v));
    } else {
      line(std::string(key) + " = \"" + std::string(v) + "\"");
    }
  };
  line("// " + std::string(title));
  line("#include \"" + std::string(u.include) + "\"");
  line("");
  line("[GameObjectClass]");
  value("unitName", u.unitName);
  value("race", u.race);
  value("classLabel", u.classLabel);
  value("buildTime", u.buildTime);
  value("officerCost", u.officerCost);
  value("crewCost", u.crewCost);
  value("dilithiumCost", u.dilithiumCost);
  value("metalCost", u.metalCost);
  value("latinumCost", u.latinumCost);
  value("maxHealth", u.maxHealth);
  value("shieldRate", u.shieldRate);
  value("sensorRange", 1000 + u.maxHealth / 4);
  out += tail;
  return out;
}

std::string WeaponOdf(std::string_view title, std::string_view classLabel, int damage, int range) {
  return Lines({"// " + std::string(title), "[WeaponClass]", "classLabel = \"" + std::string(classLabel) + "\"",
                "damage = " + std::to_string(damage), "range = " + std::to_string(range), "reloadTime = 2.5"});
}

std::string BaseOdf(std::string_view what, std::string_view classLabel, int maxSpeed) {
  return Lines({"// Base values for " + std::string(what) + "; unit files include this one.", "[GameObjectClass]",
                "classLabel = \"" + std::string(classLabel) + "\"", "maxSpeed = " + std::to_string(maxSpeed),
                "sensorRange = 1000", "canCloak = 0"});
}

std::string TechTree(std::string_view title, int super, int science, int special, int startLevel) {
  return Lines({"// " + std::string(title), "[TechTree]", "allowSuperWeapons = " + std::to_string(super),
                "allowScienceShips = " + std::to_string(science), "allowSpecialWeapons = " + std::to_string(special),
                "startTechLevel = " + std::to_string(startLevel)});
}

std::string Sprite(std::string_view name) {
  const std::string n(name);
  return Lines({"// sprite table for " + n, "SPRITES", n + "_icon   " + n + ".tga   0  0 64 64",
                n + "_wire   " + n + ".tga  64  0 64 64", "END"});
}

// ---- Pictures -----------------------------------------------------------------

constexpr int kModPicWidth = 457;  // the details panel's picture area
constexpr int kModPicHeight = 89;

// Borg green: a grid over a dark gradient, two bright bands and a cube.
Rgb BorgBanner(int x, int y) {
  int g = 30 + x * 90 / kModPicWidth;
  int r = 5;
  int b = 10;
  if (x % 23 == 0 || y % 11 == 0) g -= 20;
  if ((y >= 18 && y < 22) || (y >= 58 && y < 60)) g = 200, r = 60, b = 60;
  if (x >= 24 && x < 88 && y >= 12 && y < 78) {
    g = ((x - 24) / 8 + (y - 12) / 8) % 2 ? 150 : 95;
    r = 20;
    b = 25;
  }
  return {r, g, b};
}

// Starfleet blue: a night sky, gold stripes and a saucer on the right.
Rgb FederationBanner(int x, int y) {
  Rgb c{5, 10, 40 + (kModPicHeight - y) * 110 / kModPicHeight};
  if ((x * 7919 + y * 104729) % 173 == 0) c = {230, 230, 255};
  if ((y >= 74 && y < 77) || (y >= 80 && y < 82)) c = {215, 170, 40};
  const double dx = (x - 360) / 70.0;
  const double dy = (y - 40) / 18.0;
  if (dx * dx + dy * dy < 1.0) c = {170 + static_cast<int>(40 * dy), 175, 190};
  return c;
}

Painter Shade(Rgb base) {
  return [base](int x, int y) { return Rgb{base.r + x * 2 - y, base.g + (x ^ y) % 16, base.b + y * 2}; };
}

const Rgb kFed{60, 90, 160};
const Rgb kKlingon{140, 60, 40};
const Rgb kRomulan{50, 120, 70};
const Rgb kBorg{40, 110, 40};
const Rgb kDominion{110, 80, 140};

// ---- The game folder --------------------------------------------------------------

void WriteGame(SandboxWriter& w) {
  const auto game = [&w](std::string_view relative, std::string_view bytes) {
    w.File(Join(kGameRel, relative), bytes);
  };

  game("Armada II 1.1 Patch Readme.txt",
       Lines({"Star Trek: Armada II - Patch 1.1", "", "This patch fixes multiplayer synchronisation problems,",
              "balances several units and adds two skirmish maps.", "", "Install it over an existing Armada II."}));

  // Base files included by unit files.
  game("odf/cruise1.odf", BaseOdf("cruisers", "starship", 14));
  game("odf/battle1.odf", BaseOdf("battleships", "starship", 10));
  game("odf/frigate.odf", BaseOdf("frigates", "starship", 18));
  game("odf/scoutbase.odf", BaseOdf("scouts", "starship", 22));
  game("odf/station.odf", BaseOdf("starbases", "starbase", 0));
  game("odf/research.odf", BaseOdf("research stations", "research", 0));
  game("odf/turret.odf", BaseOdf("turrets", "turret", 0));
  game("odf/button.odf", Lines({"// Base values for command buttons", "[ButtonClass]", "hotKey = 0"}));

  game("odf/ships/fedcruiser.odf",
       UnitOdf("Akira class heavy cruiser",
               {"cruise1.odf", "Akira", "federation", "starship", 45, 4, 150, 550, 900, 0, 1200, 12}));
  game("odf/ships/fedsovereign.odf",
       UnitOdf("Sovereign class battleship",
               {"battle1.odf", "Sovereign", "federation", "starship", 90, 8, 300, 1100, 1400, 0, 2400, 20}));
  game("odf/ships/klingbop.odf",
       UnitOdf("Bird of Prey", {"frigate.odf", "Bird of Prey", "klingon", "starship", 20, 2, 60, 150, 300, 0, 500, 6}));
  game("odf/ships/romwarbird.odf",
       UnitOdf("D'deridex class warbird",
               {"battle1.odf", "D'deridex Warbird", "romulan", "starship", 95, 8, 320, 1200, 1300, 0, 2600, 18}));
  game("odf/ships/borgcube.odf",
       UnitOdf("Borg cube", {"battle1.odf", "Borg Cube", "borg", "starship", 120, 10, 400, 1500, 1800, 0, 4000, 25}));
  game("odf/ships/cardgalor.odf", UnitOdf("Galor class cruiser", {"cruise1.odf", "Galor", "cardassian", "starship", 40,
                                                                  4, 140, 500, 850, 0, 1100, 11}));
  game("odf/stations/fedstarbase.odf",
       UnitOdf("Federation starbase",
               {"station.odf", "Federation Starbase", "federation", "starbase", 120, 0, 0, 0, 1500, 0, 5000, 30}));
  game("odf/stations/fedresearch.odf",
       UnitOdf("Federation research facility",
               {"research.odf", "Research Facility", "federation", "research", 60, 0, 0, 0, 800, 0, 1500, 10}));
  game("odf/stations/klingstarbase.odf", UnitOdf("Klingon starbase", {"station.odf", "Klingon Starbase", "klingon",
                                                                      "starbase", 120, 0, 0, 0, 1450, 0, 5200, 28}));
  game("odf/stations/borgturret.odf",
       UnitOdf("Borg turret", {"turret.odf", "Borg Turret", "borg", "turret", 30, 0, 0, 150, 400, 0, 900, 8}));
  game("odf/weapons/Phasers/fedphaser1.odf", WeaponOdf("Type X phaser", "phaser", 30, 900));
  game("odf/weapons/Photons/fedphoton.odf", WeaponOdf("Photon torpedo", "torpedo", 60, 1200));
  game("odf/weapons/Photons/romplasma.odf", WeaponOdf("Plasma torpedo", "torpedo", 75, 1100));
  game("odf/weapons/Pulse/klingpulse.odf", WeaponOdf("Pulse disruptor", "pulse", 22, 800));
  game("odf/commands/attack.odf", Lines({"#include \"button.odf\"", "[ButtonClass]", "hotKey = 65"}));
  game("odf/commands/stop.odf", Lines({"#include \"button.odf\"", "[ButtonClass]", "hotKey = 83"}));

  // The six tech tree choices.
  game("techtree/tech1.tt", TechTree("Standard tech tree", 1, 1, 1, 1));
  game("techtree/nosuper.tt", TechTree("No super weapons", 0, 1, 1, 1));
  game("techtree/nosci.tt", TechTree("No science ships", 1, 0, 1, 1));
  game("techtree/nospweap.tt", TechTree("No special weapons", 1, 1, 0, 1));
  game("techtree/earlytech.tt", TechTree("Early upgrades", 1, 1, 1, 2));
  game("techtree/fulltech.tt", TechTree("Everything researched", 1, 1, 1, 5));

  game("bitmaps/AdmiralsLog/ShipImages/fedcruiser.bmp", Bmp24(48, 32, Shade(kFed)));
  game("bitmaps/AdmiralsLog/ShipImages/klingbop.bmp", Bmp24(48, 32, Shade(kKlingon)));
  game("bitmaps/AdmiralsLog/ShipImages/borgcube.bmp", Bmp24(48, 32, Shade(kBorg)));
  game("bitmaps/main/mainmenu.tga", Tga24(32, 16, Shade({20, 20, 60})));
  game("sounds/effects/phaser1.wav", Wav(880, 120));
  game("sounds/effects/torpedo1.wav", Wav(220, 150));
  game("sounds/effects/explode1.wav", Wav(70, 200));
  game("sounds/voiceover/ingame/fedack1.wav", Wav(440, 100));

  // The real game's folders do not all follow the letter case of Drydock's
  // folder table; a few differ here so that the case-blind look-ups show.
  game("sprites/fedcruiser.spr", Sprite("fedcruiser"));
  game("sprites/klingbop.spr", Sprite("klingbop"));
  game("textures/rgb/fedcruiser.tga", Tga24(16, 16, Shade(kFed)));
  game("textures/rgb/klingbop.tga", Tga24(16, 16, Shade(kKlingon)));
  game("textures/rgb/borgcube.tga", Tga24(16, 16, Shade(kBorg)));
  game("AI/AIPs/fed_standard.aip", Lines({"// Federation standard build plan", "[Start]", "build fedcruiser 2"}));
  game("AI/strategic_ai_config.txt", Lines({"aggression = 3", "expansion = 2"}));

  game("Sod/fedcruiser.sod", Junk("Storm3D_SW", 11, 700));
  game("Sod/klingbop.sod", Junk("Storm3D_SW", 12, 500));
  game("Sod/borgcube.sod", Junk("Storm3D_SW", 13, 900));
  game("Sod/Software/mnebula1.sod", Junk("Storm3D_SW", 14, 300));
  game("bzn/a2_coop1.bzn", Junk("BZN", 21, 800));
  game("bzn/a2_skirmish4.bzn", Junk("BZN", 22, 600));
  game("objectives/a2_fed01.txt", Lines({"Protect the starbase.", "Destroy the Borg cube."}));
  game("missions/fed01.dsl", Lines({"// mission script", "mission fed01", "end"}));
  game("animations/intro.bik", Junk("BIKi", 31, 1000));
  game("save/quicksave.sav", Junk("A2SAVE", 41, 400));
  w.Dir(Join(kGameRel, "Logs"));
}

// ---- The mods ----------------------------------------------------------------------

struct Field {
  std::string_view key;
  std::string_view value;
};

std::string ModInfo(std::initializer_list<Field> fields, std::string_view eol = "\r\n") {
  std::string out;
  for (const Field& f : fields) {
    out += f.key;
    out += f.value;
    out += eol;
  }
  return out;
}

constexpr std::string_view kAuthor = "Author: ";
constexpr std::string_view kDescription = "Description: ";
constexpr std::string_view kVersion = "Version: ";
constexpr std::string_view kOtherHeading = "Other Heading: ";
constexpr std::string_view kOther = "Other: ";

void WriteMods(SandboxWriter& w) {
  std::string mod;
  const auto file = [&w, &mod](std::string_view relative, std::string_view bytes) {
    w.File(Join(Join(kModsRel, mod), relative), bytes);
  };

  mod = "Borg Assimilation Pack";
  file("ModInfo.txt",
       ModInfo({{kAuthor, "Unimatrix Zero Modding Team"},
                {kDescription, "A Borg sphere, a tougher cube and faster turrets. Resistance is futile."},
                {kVersion, "2.1"},
                {kOtherHeading, "Requires:"},
                {kOther, "The Armada II 1.1 patch."}}));
  file("ModPic.bmp", Bmp24(kModPicWidth, kModPicHeight, BorgBanner));
  file("odf/ships/borgcube.odf",
       UnitOdf("Borg cube, reinforced hull",
               {"battle1.odf", "Borg Cube", "borg", "starship", 130, 10, 400, 1600, 1900, 0, 4800, 30},
               "maxHealth = 5000\t// one more plating layer\r\n"));
  file("odf/ships/borgsphere.odf",
       UnitOdf("Borg sphere", {"cruise1.odf", "Borg Sphere", "borg", "starship", 60, 5, 200, 700, 1000, 0, 2000, 15}));
  file("odf/stations/borgturret.odf",
       UnitOdf("Borg turret, faster regeneration",
               {"turret.odf", "Borg Turret", "borg", "turret", 30, 0, 0, 150, 400, 0, 900, 14}));
  file("Textures/Rgb/borgsphere.tga", Tga24(16, 16, Shade(kBorg)));
  file("bitmaps/AdmiralsLog/ShipImages/borgsphere.bmp", Bmp24(48, 32, Shade(kBorg)));
  file("Sod/borgsphere.sod", Junk("Storm3D_SW", 51, 800));
  file("sounds/effects/borgassim.wav", Wav(110, 250));
  file("Addon/Borg Tactical Cube/ModInfo.txt",
       ModInfo({{kAuthor, "Unimatrix Zero Modding Team"},
                {kDescription, "The tactical cube as a separate ship. Install after the main pack."},
                {kVersion, "1.0"}}));
  file("Addon/Borg Tactical Cube/odf/ships/borgtactical.odf",
       UnitOdf("Borg tactical cube",
               {"battle1.odf", "Tactical Cube", "borg", "starship", 150, 12, 450, 1900, 2200, 0, 5500, 32}));
  file("Addon/Borg Tactical Cube/Textures/Rgb/borgtactical.tga", Tga24(16, 16, Shade(kBorg)));
  file("Addon/borg_sounds/sounds/effects/borgvoice1.wav", Wav(95, 300));
  file("Addon/borg_sounds/sounds/effects/borgvoice2.wav", Wav(85, 300));
  file("Addon/Unimatrix Maps/bzn/unimatrix01.bzn", Junk("BZN", 52, 700));

  mod = "Dominion War";
  // An author's name in Windows-1252, as old Windows editors saved it.
  file("ModInfo.txt",
       ModInfo({{kAuthor,
                 "Ren\xE9"
                 "e Laforge"},
                {kDescription, "The Dominion comes through the wormhole: Jem'Hadar ships and a Dominion starbase."},
                {kVersion, ""}}));
  // Not a picture at all: the details panel says so.
  file("ModPic.jpg", Junk("", 61, 2048));
  file("odf/ships/jemhadar.odf", UnitOdf("Jem'Hadar attack ship", {"frigate.odf", "Jem'Hadar Attack Ship", "dominion",
                                                                   "starship", 25, 2, 70, 200, 350, 0, 650, 7}));
  file("odf/ships/domcruiser.odf",
       UnitOdf("Dominion battlecruiser",
               {"cruise1.odf", "Dominion Battlecruiser", "dominion", "starship", 70, 6, 250, 900, 1200, 0, 2100, 16}));
  file("odf/stations/domstarbase.odf", UnitOdf("Dominion starbase", {"station.odf", "Dominion Starbase", "dominion",
                                                                     "starbase", 120, 0, 0, 0, 1500, 0, 5100, 29}));
  file("Sod/jemhadar.sod", Junk("Storm3D_SW", 62, 600));
  file("Textures/Rgb/jemhadar.tga", Tga24(16, 16, Shade(kDominion)));
  file("bzn/a2_wormhole.bzn", Junk("BZN", 63, 900));

  mod = "Federation Fleet Yards";
  // "&&" shows as one ampersand in the details panel.
  file("ModInfo.txt",
       ModInfo({{kAuthor, "Starfleet Engineering Corps"},
                {kDescription, "Refitted Akira && Sovereign classes and a stronger Federation starbase."},
                {kVersion, "3.0 beta"},
                {kOtherHeading, "Credits:"},
                {kOther, "Models by the Utopia Planitia team && friends."}}));
  file("ModPic.jpg", Jpeg(kModPicWidth, kModPicHeight, FederationBanner));
  file("Readme.txt",
       Lines({"Federation Fleet Yards 3.0 beta", "", "Install with Drydock. Replaces the Akira, the",
              "Sovereign and the Federation starbase.", "", "Conflicts: sovereign_refit changes the same ships."}));
  file("odf/ships/fedcruiser.odf",
       UnitOdf("Akira class, Fleet Yards refit",
               {"cruise1.odf", "Akira-A", "federation", "starship", 50, 4, 160, 600, 950, 0, 1400, 14}));
  file("odf/ships/fedsovereign.odf",
       UnitOdf("Sovereign class, Fleet Yards refit",
               {"battle1.odf", "Sovereign-A", "federation", "starship", 95, 8, 320, 1200, 1500, 0, 2700, 22}));
  file("odf/stations/fedstarbase.odf",
       UnitOdf("Federation starbase, Fleet Yards refit",
               {"station.odf", "Starbase 375", "federation", "starbase", 130, 0, 0, 0, 1600, 0, 6000, 34}));
  file("Textures/Rgb/fedcruiser.tga", Tga24(16, 16, Shade({80, 110, 190})));
  file("bitmaps/AdmiralsLog/ShipImages/fedcruiser.bmp", Bmp24(48, 32, Shade({80, 110, 190})));
  file("sounds/effects/phaser1.wav", Wav(990, 120));

  mod = "klingon_refit";  // no ModInfo.txt, and its own letter case for the folders
  file("Odf/Ships/klingbop.odf", UnitOdf("Bird of Prey, refit", {"frigate.odf", "Bird of Prey", "klingon", "starship",
                                                                 18, 2, 60, 150, 300, 0, 560, 7}));
  file("Odf/Ships/klingvorcha.odf",
       UnitOdf("Vor'cha class attack cruiser",
               {"cruise1.odf", "Vor'cha", "klingon", "starship", 55, 5, 180, 650, 950, 0, 1500, 13}));
  file("Odf/Weapons/Pulse/klingpulse.odf", WeaponOdf("Pulse disruptor, refit", "pulse", 26, 820));
  file("Sprites/klingbop.spr", Sprite("klingbop"));
  file("Textures/Rgb/klingbop.tga", Tga24(16, 16, Shade({160, 50, 30})));

  mod = "Loose Files Pack";  // everything lies in the root: a job for the file installer
  file("ModInfo.txt",
       ModInfo({{kAuthor, "Tal Shiar Archives"},
                {kDescription, "A Romulan scout and outpost, shipped loose. Sort them with the file installer first."},
                {kVersion, "0.9"}}));
  file("romscout.odf", UnitOdf("Romulan scout", {"scoutbase.odf", "Romulan Scout", "romulan", "starship", 15, 1, 20,
                                                 100, 150, 0, 300, 5}));
  file("romoutpost.odf", UnitOdf("Romulan outpost", {"station.odf", "Romulan Outpost", "romulan", "starbase", 90, 0, 0,
                                                     0, 1100, 0, 3500, 22}));
  file("romplasma2.odf", WeaponOdf("Heavy plasma torpedo", "torpedo", 90, 1150));
  file("romphaser.odf", WeaponOdf("Romulan disruptor phaser", "phaser", 28, 880));
  file("romscout.tga", Tga24(16, 16, Shade(kRomulan)));
  file("romscout.bmp", Bmp24(48, 32, Shade(kRomulan)));
  file("romscout.spr", Sprite("romscout"));
  file("romscout.sod", Junk("Storm3D_SW", 71, 500));
  file("romcloak.wav", Wav(300, 200));
  file("romulan_space.bzn", Junk("BZN", 72, 700));
  file("a2_rom01.txt", Lines({"Scout the neutral zone.", "Build an outpost near the nebula."}));

  mod = "Romulan Star Empire";
  file("ModInfo.txt", ModInfo({{kAuthor, "Praetor Modworks"},
                               {kDescription, "A refitted warbird and a new Romulan starbase."},
                               {kVersion, "1.5"},
                               {kOtherHeading, "Note:"},
                               {kOther, "Saved on Linux: line feeds only."}},
                              "\n"));
  file("odf/ships/romwarbird.odf",
       UnitOdf("D'deridex class warbird, refit",
               {"battle1.odf", "D'deridex Warbird", "romulan", "starship", 90, 8, 320, 1250, 1300, 0, 2800, 19}));
  file("odf/stations/romstarbase.odf", UnitOdf("Romulan starbase", {"station.odf", "Romulan Starbase", "romulan",
                                                                    "starbase", 120, 0, 0, 0, 1400, 0, 5000, 27}));
  file("Textures/Rgb/romwarbird.tga", Tga24(16, 16, Shade(kRomulan)));

  mod = "sovereign_refit";  // changes the same ships as Federation Fleet Yards
  file("ModInfo.txt", ModInfo({{kAuthor, "E. Riker"}, {kVersion, "1.2"}}));
  file("odf/ships/fedsovereign.odf",
       UnitOdf("Sovereign class, Enterprise-E refit",
               {"battle1.odf", "Enterprise-E", "federation", "starship", 100, 9, 340, 1300, 1500, 0, 3000, 24}));
  file("odf/ships/fedcruiser.odf",
       UnitOdf("Akira class, faster build",
               {"cruise1.odf", "Akira", "federation", "starship", 38, 4, 150, 550, 900, 0, 1200, 12}));
  file("odf/weapons/Phasers/fedphaser1.odf", WeaponOdf("Type XII phaser", "phaser", 36, 950));
  file("textures/rgb/fedcruiser.tga", Tga24(16, 16, Shade({90, 90, 200})));

  mod = "Tech Tree Tweaks";
  file("ModInfo.txt", ModInfo({{kAuthor, "Armada Balance Council"},
                               {kDescription, "Rebalanced tech trees for skirmish and multiplayer."},
                               {kVersion, "1.0"},
                               {kOtherHeading, "Tech trees:"},
                               {kOther, "Standard, No Super Weapons, Early Upgrades, Free Tech"}}));
  file("techtree/tech1.tt", TechTree("Standard tech tree, rebalanced", 1, 1, 1, 1));
  file("techtree/NOSUPER.TT", TechTree("No super weapons, rebalanced", 0, 1, 1, 1));
  file("techtree/earlytech.tt", TechTree("Early upgrades, rebalanced", 1, 1, 1, 3));
  file("techtree/freetech.tt", TechTree("Free tech", 1, 1, 1, 5));
}

}  // namespace

std::filesystem::path DefaultDemoRoot() { return platform::UserDataDir() / "demo"; }

DemoPaths DemoPathsIn(const std::filesystem::path& root) {
  return {root, root / "Drydock", root / "Drydock" / "mods", root / "Armada II"};
}

DemoPaths EnsureDemoSandbox(const std::filesystem::path& root, bool* created) {
  if (created) *created = false;
  const DemoPaths paths = DemoPathsIn(root);
  // The game's executable is written last, so it marks a finished sandbox.
  if (platform::IsFile(paths.gameDir / kGameExe) && platform::IsFolder(paths.modsDir)) return paths;
  if (!platform::MakeFolderTree(root)) return paths;
  SandboxWriter writer(root);
  writer.Dir(kModsRel);
  WriteMods(writer);
  WriteGame(writer);
  writer.File(Join(kGameRel, kGameExe), {});
  if (created) *created = writer.madeAnything();
  return paths;
}

}  // namespace drydock::demo
