#pragma once
// The analyzer's picture loading: bitmaps, JPEGs and GIFs, judged by their
// contents. A bitmap, JPEG or GIF cut short is never handed to Qt's readers,
// which would draw memory they never filled, or half a picture.
#include <QImage>
#include <filesystem>

namespace drydock::analyzer {

// The picture in `file`, or a null image when it is missing, unreadable,
// not a whole bitmap, JPEG or GIF, or larger than a picture can sensibly be.
QImage LoadAnalyzerPicture(const std::filesystem::path& file);

}  // namespace drydock::analyzer
