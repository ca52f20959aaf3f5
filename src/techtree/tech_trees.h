#pragma once
// src/techtree: the tech tree choices a mod provides, and the window that shows them.
// See README.md.
//
// Which of the game's six tech tree choices a mod provides. A choice is one
// file in the game's "techtree" folder; a mod that ships that file in its own
// "techtree" folder makes the choice its own.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::techtree {

struct TechTreeChoice {
  std::string_view name;                  // as the window shows it
  std::array<std::string_view, 2> files;  // either one provides the choice; the second may be empty
};

// The six choices in display order.
inline constexpr std::array<TechTreeChoice, 6> kTechTreeChoices = {{
    {"Standard Tech", {"tech1.tt", ""}},
    {"No Super Weapons", {"nosuper.tt", ""}},
    {"No Science Ships", {"nosci.tt", ""}},
    {"No Special Weapons", {"nospweap.tt", ""}},
    {"Early Upgrades", {"earlytech.tt", ""}},
    {"Free Tech", {"fulltech.tt", "freetech.tt"}},
}};

// The names of the provided and of the missing choices, each in display
// order; together they hold all six once.
struct TechTrees {
  std::vector<std::string> available;
  std::vector<std::string> unavailable;
};

// The choices of the mod at `modPath` (a ModPath: "Name" or
// "Parent\Addon\Child"), found among the plain files of the mod's "techtree"
// folder with letter case ignored in the folder's and the files' names, as
// the game ignores it. A missing mod or folder, or an empty `modPath`,
// provides nothing.
TechTrees ModTechTrees(const std::filesystem::path& modsDir, std::string_view modPath);

// Each name followed by a line break, as the window's two lists show them.
std::string LinesOf(const std::vector<std::string>& names);

}  // namespace drydock::techtree
