#include "help/readme_topics.h"

#include <array>

#include "platform/names.h"

namespace drydock::help {

namespace {

constexpr std::string_view kHeading = "Select a topic below.";
constexpr std::string_view kAddonsTitle = "Addons";

// ---- Texts ------------------------------------------------------------------

constexpr std::string_view kIntroduction =
    "Drydock installs and uninstalls mods for Star Trek: Armada II without any extra files: a mod needs no "
    "installer, batch file or archive of its own.\n\n"
    "Every mod is a folder inside the mods folder beside Drydock, named after the mod. The folder holds the mod's "
    "files in the same folders that they occupy in the Armada II directory, so Drydock knows where each file "
    "belongs.\n\n"
    "Choose a topic from the list to read more.";

constexpr std::string_view kPuttingAModIn =
    "Say you have downloaded a mod called Fleet Ops that adds a ship made of three files: fleetship.odf, "
    "fleetship.sod and fleetship.tga.\n\n"
    "1. Make a folder called Fleet Ops inside the mods folder.\n"
    "2. Inside Fleet Ops, make the game's folders that the files belong in: a folder odf with a folder ships inside "
    "it, a folder Sod, and a folder Textures with a folder Rgb inside it. \"Make subfolders\" in the Current Mod "
    "menu makes every game folder at once.\n"
    "3. Put each file where Armada II expects it: fleetship.odf into ships (inside odf), fleetship.sod into Sod "
    "and fleetship.tga into Rgb (inside Textures).\n\n"
    "Fleet Ops now shows in Drydock's mod list, ready to install. The mod's own readme can stay in the root of its "
    "folder.";

constexpr std::string_view kInstalling =
    "To install a mod, select it in the list and click Install Mod, or right-click it and choose Install Mod from "
    "the menu that opens.\n\n"
    "Before Drydock replaces a file of the game, it saves the game's file in the mod's Backup folder, so nothing is "
    "lost. An installed mod is listed in the installed mods window (\"Check currently installed mods\" in the "
    "Manager menu). Installing a mod that is already installed asks you first whether to install it again.\n\n"
    "If a mod comes with an installer of its own, point that installer at the mod's folder inside the mods folder "
    "instead of the Armada II directory, then install the mod with Drydock.";
constexpr std::string_view kInstallingWine =
    "To install a mod, select it in the list and click Install Mod, or right-click it and choose Install Mod from "
    "the menu that opens.\n\n"
    "Before Drydock replaces a file of the game, it saves the game's file in the mod's Backup folder, so nothing is "
    "lost. An installed mod is listed in the installed mods window (\"Check currently installed mods\" in the "
    "Manager menu). Installing a mod that is already installed asks you first whether to install it again.\n\n"
    "If a mod comes with an installer of its own, run that installer with Wine and point it at the mod's folder "
    "inside the mods folder instead of the Armada II directory (Wine shows your own folders under drive Z:), then "
    "install the mod with Drydock.";

constexpr std::string_view kUninstalling =
    "To uninstall a mod, select it and click Uninstall Mod, or right-click it and choose Uninstall Mod.\n\n"
    "Drydock deletes the files that the mod put into the Armada II directory and puts the game's own files back "
    "from the mod's Backup folder. If the mod is not installed, Drydock warns you first.\n\n"
    "If several mods are installed, uninstall them in the reverse order of installing them: the mod installed last "
    "comes out first. Otherwise an earlier mod could put back files that a later mod had replaced.";

constexpr std::string_view kRemoving =
    "To remove a mod from your hard drive, select it and press the Del key, or choose Remove mod from the Current "
    "Mod menu or from the menu that opens when you right-click the mod. Drydock asks you first, then moves the "
    "mod's folder to the trash, from where you can still restore it.\n\n"
    "Uninstall a mod before you remove it: its Backup folder holds the game files that it replaced.";

constexpr std::string_view kAddonsStart =
    "Addons are small mods made for another mod, such as a map pack or an extra ship. They live in a folder called "
    "Addon inside the mod's own folder, one folder per addon, and each addon is laid out exactly like a mod. Drydock "
    "lists an addon indented below its mod and installs and uninstalls it on its own.\n\n"
    "For example, take a mod called Fleet Ops and a map pack made for it called Map Pack. You put the Map pack in "
    "this directory: ";
constexpr std::string_view kAddonsEnd =
    "\n\nAn addon usually changes files of its mod, so install the mod before the addon and uninstall the addon "
    "before the mod.";

constexpr std::string_view kFolderSelection =
    "Drydock finds the Armada II directory by itself: it reads where the game's installer registered it, and when "
    "that is not known it searches the drive that holds Drydock for Armada2.exe.\n\n"
    "Choose another directory with \"Change A2 Directory\" in the Manager menu only when the one found is wrong, or "
    "when you want mods installed into another copy of Armada II. A folder that does not hold Armada2.exe is taken "
    "only once you have confirmed it.";
constexpr std::string_view kFolderSelectionWine =
    "Drydock finds the Armada II directory by itself: it reads where the game's installer registered it in your "
    "Wine prefixes ($WINEPREFIX, ~/.wine, and those of Steam, Lutris, Heroic and Bottles), and when that is not "
    "known it searches those prefixes, your home folder and the disk that holds Drydock for Armada2.exe.\n\n"
    "Choose another directory with \"Change A2 Directory\" in the Manager menu only when the one found is wrong, or "
    "when you want mods installed into another copy of Armada II. A folder that does not hold Armada2.exe is taken "
    "only once you have confirmed it.";

constexpr std::string_view kInstalledMods =
    "\"Check currently installed mods\" in the Manager menu opens a window that lists every mod and addon that is "
    "installed. When none is installed, it shows \"(No mods found.)\".";

constexpr std::string_view kFileInstaller =
    "Some mods come as a handful of loose files instead of a folder laid out like the game. Put those files into "
    "the root of the mod's folder and open the file installer from the Manager menu. It sorts the loose files by "
    "type into the game folders inside that same mod folder; tick the types and files you want moved. The file "
    "installer never touches the Armada II directory: install the mod as usual afterwards.";

constexpr std::string_view kMapEditor =
    "Armada II has a map editor built in that is hidden. \"Install map editor\" in the Manager menu switches it on "
    "by putting two empty marker files into the Armada II directory.\n\n"
    "To use it, start a single player game and press Ctrl+A. The command is greyed out while the two files are in "
    "place.";

constexpr std::string_view kAutoRefresh =
    "Drydock looks at the mods folder for changes once every second, and once every 10 seconds while its window is "
    "minimized. When a mod or addon is added, removed or renamed, the mod list refreshes by itself without showing "
    "progress.\n\n"
    "Switch this off or on again with \"Disable auto refresh\" or \"Enable auto refresh\" in the Manager menu.";

constexpr std::string_view kLaunchMenu =
    "The Launch menu, inside the Manager menu, has six entries: Armada II starts the game (through a small batch "
    "file in the game's directory); Armada II Directory and Drydock Directory open those folders; Armada Universe, "
    "Armada Fleet Command and ModCentral open those community web pages.";
constexpr std::string_view kLaunchMenuWine =
    "The Launch menu, inside the Manager menu, has six entries: Armada II starts the game (Drydock runs Armada2.exe "
    "in the game's directory with Wine, in the Wine prefix that holds the game, so Wine must be installed); Armada "
    "II Directory and Drydock Directory open those folders; Armada Universe, Armada Fleet Command and ModCentral "
    "open those community web pages.";

constexpr std::string_view kCompatibility =
    "\"Check Compatability\" in the Mod menu compares two mods, or a mod and the Armada II directory. Choose the two "
    "and start the check: the result lists every file that both provide. Two mods that provide the same file "
    "cannot both keep their own version of it.";

constexpr std::string_view kEditModInfo =
    "\"Edit ModInfo.txt file\" in the Mod menu opens an editor for the information shown about a mod. Choose the "
    "mod, fill in the fields and watch the preview show what Drydock will display. A field left empty, or holding "
    "only spaces, previews its default text. Saving writes the mod's ModInfo.txt file.";

constexpr std::string_view kModInfoFile =
    "ModInfo.txt sits in the root of a mod's folder and holds up to five fields: Author, Description, Version, "
    "Other and Other Heading. Write one field per line, in any order, as the field name, a colon and a space, then "
    "the value, for example:\n\n"
    "Author: Jane Doe\n"
    "Version: 1.2\n\n"
    "To show an \"&\" in a value, type it as \"&&\". The file is not needed: a mod without it simply shows no "
    "information.";

constexpr std::string_view kModPic =
    "A mod can carry a picture, like a banner: a file called ModPic.bmp or ModPic.jpg in the root of its folder, "
    "457 pixels wide by 89 high. Drydock shows it above the mod's information. Without a picture the panel "
    "shrinks; a picture that cannot be read shows a message in its place.";

constexpr std::string_view kAnalyzer =
    "\"Analyze Mod Files\" in the Mod menu opens the analyzer. It shows the mods and their game folders as a tree "
    "and the files of the folder you select. Select a file and press Ctrl+C to copy it. Double-clicking a mod's "
    "ModInfo.txt opens it in the ModInfo.txt editor.";

constexpr std::string_view kAnalyzerMenu =
    "Right-click a file in the analyzer for its menu:\n\n"
    "Copy: copies the file's path.\n"
    "Paste: puts a copy of the copied file into the folder selected now.\n"
    "Remove: moves the file to the trash, from where you can still restore it.\n"
    "Open: opens the file with the program your system uses for it.";

constexpr std::string_view kTechTrees =
    "\"View Available Tech Trees\" in the Mod menu lists which of the game's six tech trees, Early Upgrades "
    "included, the selected mod provides and which it lacks.";

constexpr std::string_view kReadmeFile =
    "\"View mod's readme\" in the Current Mod menu opens the readme file in the root of the mod's folder with your "
    "default text editor. The command is greyed out when the mod has no readme.";

constexpr std::string_view kSubfolders =
    "\"Make subfolders\" in the Current Mod menu creates every game folder, empty, inside the selected mod's folder, "
    "so you can drop each file where it belongs. \"Remove subfolders\" deletes those that are still empty; folders "
    "holding files stay.";

constexpr std::string_view kReport =
    "Found a problem, or have an idea that would make Drydock better? Send an e-mail to the address below.\n\n"
    "For a problem, please say:\n"
    "- what you were doing when it happened,\n"
    "- what happened, and any message that Drydock showed,\n"
    "- whether it happens again when you do the same thing.";

// -----------------------------------------------------------------------------

constexpr std::array<ReadmeTopic, 25> kTopics{{
    {kFirstTopic, kIntroduction},
    {"    Putting a mod into Drydock", kPuttingAModIn},
    {"    Installing", kInstalling, kInstallingWine},
    {"    Uninstalling", kUninstalling},
    {"    Removing", kRemoving},
    {"    Addons", {}},
    {"Manager menu", kHeading},
    {"    A2 Folder selection", kFolderSelection, kFolderSelectionWine},
    {"    'Check currently installed mods' command", kInstalledMods},
    {"    File installer", kFileInstaller},
    {"    Install Map Editor", kMapEditor},
    {"    Auto refresh", kAutoRefresh},
    {"    Launch menu", kLaunchMenu, kLaunchMenuWine},
    {"Mod menu", kHeading},
    {"    'Compatability checker'", kCompatibility},
    {"    'Edit ModInfo.txt file' command", kEditModInfo},
    {"        ModInfo.txt file", kModInfoFile},
    {"        ModPic.bmp/jpg file", kModPic},
    {"    'Analyze Mod Files' command", kAnalyzer},
    {"        Right click menu in analyzer", kAnalyzerMenu},
    {"    'View Available Tech Trees' command", kTechTrees},
    {"    Current Mod menu", kHeading},
    {"        Readme file", kReadmeFile},
    {"        'Make/Remove subfolders' command", kSubfolders},
    {kContactTopic, kReport},
}};

std::string_view Title(std::string_view entry) { return entry.substr(entry.find_first_not_of(' ')); }

// The example addon folder below ProgramDir, in the system's own separators.
std::string AddonsText(const std::filesystem::path& programDir) {
  const std::filesystem::path tail = std::filesystem::path("mods") / "Fleet Ops" / "Addon" / "Map Pack";
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  return std::string(kAddonsStart) + platform::PathToUtf8(programDir) + separator + platform::PathToUtf8(tail) +
         separator + "(put files here)" + std::string(kAddonsEnd);
}

}  // namespace

std::span<const ReadmeTopic> ReadmeTopics() { return kTopics; }

std::optional<std::string> TopicText(std::string_view title, const std::filesystem::path& programDir,
                                     platform::GameHost host) {
  for (const ReadmeTopic& topic : kTopics) {
    if (Title(topic.entry) != title) continue;
    if (title == kAddonsTitle) return AddonsText(programDir);
    if (host == platform::GameHost::Wine && !topic.wineText.empty()) return std::string(topic.wineText);
    return std::string(topic.text);
  }
  return std::nullopt;
}

}  // namespace drydock::help
