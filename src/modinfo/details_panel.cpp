#include "modinfo/details_panel.h"

#include <QImageReader>
#include <QLocale>

#include "platform/names.h"

namespace drydock::modinfo {

DetailsView MakeDetailsView(const ModDetails& details, char decimalPoint) {
  DetailsView view;
  view.modNumOfFiles = "Number of files in current mod: " + std::to_string(details.fileCount);
  view.modSize = "Size of current mod: " + FormatModSize(details.sizeBytes, decimalPoint);
  view.info = details.info;
  view.readmeEnabled = !details.readme.empty();
  if (details.picture != PictureKind::None) {
    view.pictureFile = platform::PathToUtf8(details.picturePath.filename());
    // The reader trusts the file's contents, not its name, and refuses what it cannot decode.
    QImageReader reader(QString::fromStdString(platform::PathToUtf8(details.picturePath)));
    reader.setDecideFormatFromContent(true);
    view.image = reader.read();
    view.picture = view.image.isNull() ? PictureState::Invalid : PictureState::Shown;
  }
  return view;
}

char LocaleDecimalPoint() {
  const QString point = QLocale::system().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

}  // namespace drydock::modinfo
