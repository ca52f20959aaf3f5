#pragma once
// The analyzer window's texts.
#include <string_view>

namespace drydock::analyzer::texts {

inline constexpr std::string_view kCaption = "Analyze Mod Files";
inline constexpr std::string_view kSelectFolder = "Please select a mod/folder to display a list of files in it.";
inline constexpr std::string_view kInvalidPic = "File is not a valid bitmap or it is corrupted.";
inline constexpr std::string_view kRootKey = "Mods";
inline constexpr std::string_view kRootText = "mods";
inline constexpr std::string_view kNoFilesFound = "(No files found.)";

inline constexpr std::string_view kMenuOpen = "&Open";
inline constexpr std::string_view kMenuRemove = "&Remove";
inline constexpr std::string_view kMenuCopy = "&Copy";
inline constexpr std::string_view kMenuPaste = "&Paste";
inline constexpr std::string_view kMenuCopyPicture = "&Copy to clipboard";
inline constexpr std::string_view kMenuFullWindow = "Full &window";
inline constexpr std::string_view kMenuNormalWindow = "Normal &window";
inline constexpr std::string_view kMenuCenter = "C&enter";

inline constexpr std::string_view kFileExists = "File already exists.";
inline constexpr std::string_view kFileExistsTitle = "File exists";
inline constexpr std::string_view kPasteFailedTitle = "Paste failed";
inline constexpr std::string_view kRemoveTitle = "Remove file";
inline constexpr std::string_view kRemoveFailedTitle = "Remove failed";

// The status line: "Could not play NAME: reason", "Could not open NAME: reason".
inline constexpr std::string_view kCouldNotPlay = "Could not play ";
inline constexpr std::string_view kWaveUnreadable = "the file cannot be read";
inline constexpr std::string_view kWaveNotWave = "it is not a wave file";
inline constexpr std::string_view kWaveCutShort = "the file is cut short";
inline constexpr std::string_view kWaveFormat = "it is not a PCM wave, the kind the program plays";

// The way back from the picture's full-window mode.
inline constexpr std::string_view kNormalWindowButton = "Back (Esc or double click)";

}  // namespace drydock::analyzer::texts
