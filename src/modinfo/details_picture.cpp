#include "modinfo/details_picture.h"

#include <QImageReader>

#include "platform/names.h"

namespace drydock::modinfo {

QImage DecodeDetailsPicture(const DetailsView& view) {
  if (view.picture != PictureState::Valid) return {};
  // The reader trusts the file's contents, not its name, as the check does.
  QImageReader reader(QString::fromStdString(platform::PathToUtf8(view.picturePath)));
  reader.setDecideFormatFromContent(true);
  return reader.read();
}

}  // namespace drydock::modinfo
