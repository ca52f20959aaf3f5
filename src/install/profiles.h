#pragma once
// Profiles: named, ordered lists of mods to have installed, so that a player
// switches between a campaign setup and a multiplayer setup in one step.
//
// A profile is the plain text file profiles/NAME.txt in the program folder,
// one ModPath a line ("Fleet Yards", "Borg\Addon\Cubes" for an addon), UTF-8;
// blank lines and lines starting with '#' are ignored, so players can write
// and share them by hand. The files are the player's: replacing or deleting
// one moves the old file to the trash.
//
// Applying one keeps the installed mods that form a prefix of the profile (in
// install order), uninstalls every other installed mod top of the stacks
// first, then installs the profile's remaining mods in the saved order, so
// that the game ends as installing the profile's mods in order on the
// unmodded game would leave it (ModInstaller::ApplyProfile).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_flow.h"

namespace drydock::install {

inline constexpr std::string_view kProfilesFolderName = "profiles";
inline constexpr std::string_view kProfileExtension = ".txt";

std::filesystem::path ProfilesDir(const std::filesystem::path& programDir);

// Why `name` cannot be a profile's name (empty, or a name a Windows file
// cannot hold), in a sentence for the user; "" when it can.
std::string ProfileNameProblem(std::string_view name);

// The profiles of the program folder, by name, sorted as the mod list sorts.
std::vector<std::string> ListProfiles(const std::filesystem::path& programDir);

// The ModPaths of a profile's text: one a line, CR LF or LF, a UTF-8 byte
// order mark dropped, blank lines and '#' comments skipped, spaces around a
// line trimmed, a ModPath named twice kept once.
std::vector<std::string> ParseProfile(std::string_view text);
// The text of a profile: a comment line, then one ModPath a line.
std::string ProfileText(const std::string& name, const std::vector<std::string>& mods);

// What a profile operation did: `error` is empty on success, else the message for the user.
struct ProfileResult {
  std::string error;
  std::vector<std::string> mods;  // ReadProfile: the profile's ModPaths
  explicit operator bool() const { return error.empty(); }
};
ProfileResult ReadProfile(const std::filesystem::path& programDir, const std::string& name);
bool ProfileExists(const std::filesystem::path& programDir, const std::string& name);
// Writes the profile; one of that name is replaced only with `replace`, and
// then the old file goes to the trash first.
ProfileResult SaveProfile(const std::filesystem::path& programDir, const std::string& name,
                          const std::vector<std::string>& mods, bool replace);
ProfileResult RenameProfile(const std::filesystem::path& programDir, const std::string& from, const std::string& to);
// Moves the profile's file to the trash.
ProfileResult DeleteProfile(const std::filesystem::path& programDir, const std::string& name);

// The ModPaths of the mods of `modsDir` installed into `gameDir`, in install
// order: what "save current" writes. Those installed without a place in the
// order (a Backup from before install records) follow in list order, and are
// named in `unplaced` too. Mods of other mods folders are not named.
std::vector<std::string> CurrentMods(const std::filesystem::path& modsDir, const std::filesystem::path& gameDir,
                                     std::vector<std::string>* unplaced = nullptr);
// "Blue Fleet has no recorded place in the install order, so it comes last." (one sentence for all).
std::string UnplacedText(const std::vector<std::string>& unplaced);

// What applying a profile would do to the game as it is now.
struct ProfilePlan {
  std::vector<std::string> missing;    // profile lines that name no mod of the mods folder
  std::vector<std::string> kept;       // the ModPaths of the installed mods that stay, in install order
  std::vector<Selection> uninstall;    // top of the stacks first
  std::vector<Selection> install;      // in the saved order
  std::vector<std::string> elsewhere;  // backups made for another game: left alone
  std::size_t Steps() const { return uninstall.size() + install.size(); }
};

// The plan told for people: what is uninstalled, what installed, what stays.
std::string ProfilePlanText(const ProfilePlan& plan);

}  // namespace drydock::install
