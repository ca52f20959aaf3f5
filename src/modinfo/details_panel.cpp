#include "modinfo/details_panel.h"

#include <QLocale>

#include "modinfo/picture_check.h"
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

char LocaleDecimalPoint() {
  const QString point = QLocale::system().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

}  // namespace drydock::modinfo
