#pragma once
// The fixed texts of the help windows and the about box, in one place.
#include <array>
#include <string_view>

namespace drydock::help::texts {

inline constexpr const char* kReadmeCaption = "View Readme";
inline constexpr const char* kChangesCaption = "Changes from last release";
inline constexpr const char* kAboutCaption = "About Drydock";
inline constexpr const char* kOK = "OK";

// Where problem reports and suggestions go; the readme's last topic shows it.
inline constexpr const char* kContactAddress = "drydock-feedback@example.org";

inline constexpr const char* kAboutTitle = "Name: Drydock";
inline constexpr const char* kAboutDescription =
    "Drydock is a program that allows you to install, uninstall, and compare compatability of mods for Star Trek: "
    "Armada II, without any extra files. Information can be passed on by including a file called ModInfo.txt, but "
    "it is not needed. A picture can also be included in the mod (like a banner) although that isn't needed "
    "either.";

// What changed in this release, one line per label.
inline constexpr std::array<std::string_view, 20> kChanges{
    "- Added support for root directory of harddrive.",
    "- Added an automatic refresh to the mod list if it changes. See readme.",
    "- Updated readme with auto refresh.",
    "- Added disable\\enable auto refresh in the Manager menu.",
    "- Fixed a small visual bug when you have no mods installed.",
    "- Added alphabetical sorting.",
    "- Improved Readme check. Now finds files in root dir that have 'readme' in them.",
    "- Added Install Map Editor command in manager menu. See readme.",
    "- Added Install Map Editor to readme.",
    "- Added View Available Tech Trees command in mod menu. See readme.",
    "- Added View Available Tech Trees command to readme.",
    "- Added Right click menu in analyzer to readme.",
    "- Redid readme structure. Now it is far more organized.",
    "- More than doubled the ennumeration rate when you start Drydock.",
    "- The Install Map Editor no longer need the A2 CD to run.",
    "- Added 'Current version of Armada II installed' to About window (patched or not).",
    "- Added jpeg support to the ModPic file.",
    "- Updated the invalid picture error message to reflect more generic support.",
    "- Added addon support. See readme.",
    "- Updated readme with addon topic.",
};

}  // namespace drydock::help::texts
