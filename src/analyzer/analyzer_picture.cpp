#include "analyzer/analyzer_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "analyzer/gif_check.h"
#include "modinfo/picture_check.h"
#include "platform/text_file.h"

namespace drydock::analyzer {

QImage LoadAnalyzerPicture(const std::filesystem::path& file) {
  // Read from memory, so that a name that is not UTF-8 loads as well.
  const std::string bytes = platform::ReadFileBytes(file, modinfo::kMaxPictureBytes + 1);
  if (bytes.size() > modinfo::kMaxPictureBytes) return {};
  if (!IsWholeGif(bytes) && !modinfo::CheckPicture(bytes)) return {};
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > modinfo::kMaxPictureSide || size.height() > modinfo::kMaxPictureSide) return {};
  return reader.read();
}

}  // namespace drydock::analyzer
