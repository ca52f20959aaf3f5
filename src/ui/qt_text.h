#pragma once
// UTF-8 text of the engines to and from Qt's strings, at the window boundary.
#include <QString>
#include <string>
#include <string_view>

namespace drydock::ui {

inline QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
inline std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace drydock::ui
