#pragma once
// A mod's files as the game sees them: the plain files of the mod folder's
// copies of the game folder table, and the case-blind keys that match them
// with game files, kept copies and other mods' files.
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace drydock::library {

// The mod's information file, which belongs to the mod and never to the game.
inline constexpr std::string_view kModInfoFileName = "ModInfo.txt";

// The files that describe a mod: its information file and its banner. An
// install copies the pictures like any file of the mod's root, but two mods
// that each carry one do not conflict by it, and one never covers the other by
// it (the compatibility check and the installed mods' stack agree on that).
inline constexpr std::array<std::string_view, 3> kModDescriptionFiles = {kModInfoFileName, "ModPic.bmp", "ModPic.jpg"};
// True when the file `name` (its name alone, exactly) is one of them.
bool IsModDescriptionFile(std::string_view name);

// One file of a mod: the game folder it lies in and its name there.
struct ModFile {
  int folder;                    // GameFolderList number, 1..79
  std::string name;              // as the mod folder lists it
  std::filesystem::path source;  // the file in the mod folder
  std::string Relative() const;  // as the game writes it: "odf\ships\fed.odf"
  std::string Shown() const;     // for a message: native separators, the name readable
  std::string Key() const;       // PathKey(folder, name)
};

// The mod's files in table order, then listing order. A file named exactly
// ModInfo.txt is not one of them. Folders that differ from a table folder
// only in letter case ("ODF\Ships" beside "odf\ships") all count, as the
// game would see them as one; links inside the mod are never followed.
std::vector<ModFile> ListModFiles(const std::filesystem::path& modFolder);
// The same files in the same order without a path made for each:
// `visit(folder, dir, name)` with the GameFolderList number, the folder of the
// mod that holds the file and its name there (the visitor may keep the name).
void ForEachModFile(const std::filesystem::path& modFolder,
                    const std::function<void(int, const std::filesystem::path&, std::string&&)>& visit);

// The case-blind key of a relative path ("ODF\Ships\x" and "odf/ships/x" meet).
std::string PathKey(std::string_view relative);
// The same for a file `name` in the table folder `folder`, where the name is
// taken whole: a name holding a backslash is not a path.
std::string PathKey(std::string_view folder, std::string_view name);

// A relative path ('/' or '\' between its parts) as a user reads it in a
// message: the platform's separators, control characters and bytes that are
// not UTF-8 written as \xHH.
std::string ShownPath(std::string_view relative);

}  // namespace drydock::library
