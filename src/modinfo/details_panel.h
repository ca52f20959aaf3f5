#pragma once
// What the details panel shows for one mod. Shared by the main window and the
// `info` command so that both always agree; only the window decodes the
// picture (details_picture.h), so this part needs no Qt Gui.
#include <filesystem>
#include <string>
#include <string_view>

#include "modinfo/mod_info.h"

namespace drydock::modinfo {

// The captions of the count and size labels, before their values.
inline constexpr std::string_view kModNumOfFilesPrefix = "Number of files in current mod: ";
inline constexpr std::string_view kModSizePrefix = "Size of current mod: ";

enum class PictureState { None, Valid, Invalid };

struct DetailsView {
  // Label captions; the value captions keep their '&' markers (see StripMnemonics).
  std::string modNumOfFiles;  // kModNumOfFilesPrefix + "12"
  std::string modSize;        // kModSizePrefix + "1.02 MB"
  ModInfoTexts info;
  bool readmeEnabled = false;
  PictureState picture = PictureState::None;  // Valid: a whole bitmap or JPEG (CheckPicture)
  std::string pictureFile;                    // "ModPic.bmp" or "ModPic.jpg" when there is one
  std::filesystem::path picturePath;
};

// Builds the view of `details`; `decimalPoint` is the locale's.
DetailsView MakeDetailsView(const ModDetails& details, char decimalPoint);

// The locale's decimal separator, for sizes.
char LocaleDecimalPoint();

}  // namespace drydock::modinfo
