#pragma once
// UTF-8 text of the engines to and from Qt's strings, at the window boundary.
#include <QFile>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>
#include "platform/system.h"

namespace drydock::ui {

inline QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
inline std::string Utf8(const QString& text) { return text.toStdString(); }
// A file name from a dialog or a drop as the system's own path: its bytes on
// Linux (which need not be UTF-8), its UTF-16 on Windows.
inline std::filesystem::path NativePathOf(const QString& file) {
  return platform::PathFromToolkitName(file.toStdU16String(), QFile::encodeName(file).toStdString());
}

}  // namespace drydock::ui
