// The details panel's picture: the byte check, then Qt's decoding of what
// passed it (offscreen), as the main window does.
#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "modinfo/details_picture.h"
#include "modinfo/picture_check.h"

using namespace drydock;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::AsText(data, size);
  const auto header = modinfo::CheckPicture(bytes);
  if (!header) return 0;
  DRYDOCK_FUZZ_CHECK(header->width > 0 && header->width <= modinfo::kMaxPictureSide);
  DRYDOCK_FUZZ_CHECK(header->height > 0 && header->height <= modinfo::kMaxPictureSide);

  modinfo::DetailsView view;
  view.picture = modinfo::PictureState::Valid;
  view.picturePath =
      fuzz::WriteScratchFile(header->format == modinfo::PictureFormat::Bitmap ? "ModPic.bmp" : "ModPic.jpg", bytes);
  const QImage image = modinfo::DecodeDetailsPicture(view);
  // Whatever Qt made of it, its size is the one the check read.
  if (!image.isNull()) {
    DRYDOCK_FUZZ_CHECK(image.width() == header->width && image.height() == header->height);
  }
  return 0;
}
