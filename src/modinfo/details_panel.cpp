#include "modinfo/details_panel.h"

#include "modinfo/picture_check.h"
#include "platform/environment.h"
#include "platform/names.h"

namespace drydock::modinfo {

DetailsView MakeDetailsView(const ModDetails& details, char decimalPoint) {
  DetailsView view;
  view.modNumOfFiles = std::string(kModNumOfFilesPrefix) + std::to_string(details.fileCount);
  view.modSize = std::string(kModSizePrefix) + FormatModSize(details.sizeBytes, decimalPoint);
  view.info = details.info;
  view.readmeEnabled = !details.readme.empty();
  if (details.picture != PictureKind::None) {
    view.pictureFile = platform::PathToUtf8(details.picturePath.filename());
    view.picturePath = details.picturePath;
    view.picture = CheckPictureFile(details.picturePath) ? PictureState::Valid : PictureState::Invalid;
  }
  return view;
}

char LocaleDecimalPoint() { return platform::UserDecimalPoint(); }

}  // namespace drydock::modinfo
