#pragma once
// What launching the game and installing the map editor tell the user.
#include <string>

namespace drydock::launch::texts {

inline constexpr char kLaunchTitle[] = "Launch Armada II";
inline constexpr char kMapEditorTitle[] = "Install map editor";
inline constexpr char kNoGameDirTitle[] = "Armada II directory not found";
inline constexpr char kNoGameDir[] =
    "The Armada II directory is not set or no longer exists. Choose it with \"Change A2 Directory\" in the Manager "
    "menu first.";
inline constexpr char kNoWineTitle[] = "Wine not found";
inline constexpr char kNoWine[] =
    "Armada II runs through Wine, and Wine was not found, so the game was not started. Install Wine (the package "
    "\"wine\" of your distribution) so that the \"wine\" command is on your PATH, then launch again.";
inline constexpr char kInstallCompleteTitle[] = "Installation complete";
inline constexpr char kInstallComplete[] = "Installation complete. Would you like to launch Armada II now?";

inline std::string NoGameExe(const std::string& gameDir) {
  return "Armada2.exe was not found in the Armada II directory (" + gameDir +
         "), so the game was not started. Choose the folder that holds the game with \"Change A2 Directory\" in the "
         "Manager menu.";
}

inline std::string BatchNotOurs(const std::string& batchFile) {
  return "\"" + batchFile +
         "\" was not written by Drydock, so it was left alone and the game was not started. Rename it or move it "
         "away, then launch again.";
}

// `link` as platform::DescribeLink tells it: "Drydock Launch A2.bat is a link to /elsewhere/x.bat".
inline std::string BatchThroughLink(const std::string& link) {
  return "In the Armada II directory, " + link +
         ". Drydock writes nothing through a link, so the launch file was not written and the game was not started. "
         "Remove the link or move it away, then launch again.";
}

inline std::string BatchNotWritten(const std::string& reason) {
  return "Drydock could not write the launch file into the Armada II directory (" + reason +
         "), so the game was not started.";
}

inline std::string PathNotInCodePage(const std::string& gameDir) {
  return "The path of the Armada II directory (" + gameDir +
         ") holds characters that the launch file cannot hold, so the game was not started. Move the game to a "
         "folder whose path uses only the letters of your system's language.";
}

inline std::string WineNotStarted(const std::string& wine) {
  return "Wine (" + wine + ") could not be started, so Armada II was not started.";
}

inline std::string MarkerIsNotAFile(const std::string& marker) {
  return "\"" + marker +
         "\" is a folder or a link to nothing, so the map editor was not installed. Drydock leaves it alone: move it "
         "away, then install the map editor again.";
}

inline std::string MarkerThroughLink(const std::string& link) {
  return "In the Armada II directory, " + link +
         ". Drydock writes nothing through a link, so the map editor was not installed. Remove the link or move it "
         "away, then install the map editor again.";
}

inline std::string MarkerNotWritten(const std::string& reason) {
  return "The map editor could not be installed: " + reason + ".";
}

inline constexpr char kNotOpenedTitle[] = "Could not open";

inline std::string NotOpened(const std::string& pathOrAddress, const std::string& reason) {
  return "Drydock could not open this:\n\n" + pathOrAddress +
         "\n\nOpen it by hand: copy it from here into your file manager or web browser.\n\nWhy: " + reason;
}

// `command` as the user would type it ("wine Armada2.exe"), `end` as platform::DescribeEnd tells it.
inline std::string GameEndedAtOnce(const std::string& command, const std::string& end, const std::string& errors) {
  std::string text = "Armada II did not start: " + command + " ended within seconds, with " + end + ".";
  if (!errors.empty()) text += "\n\nWhat it wrote last:\n" + errors;
  return text;
}

}  // namespace drydock::launch::texts
