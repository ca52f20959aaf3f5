#include "analyzer/odf_stats.h"

#include <algorithm>

#include "platform/names.h"
#include "platform/text_file.h"

namespace drydock::analyzer {

std::string FallbackCaption(const OdfStat& stat) {
  return std::string(stat.key) + " = (File does not contain '" + std::string(stat.key) + "')";
}

OdfCaptions ReadOdfStats(const std::filesystem::path& file) {
  OdfCaptions captions;
  for (int i = 0; i < kOdfStatCount; ++i) captions.at(i) = FallbackCaption(kOdfStats.at(i));
  // Unit files are small; a huge or endless file is read only up to the reader's bounds.
  (void)platform::ForEachTextLine(file, platform::TextLimits{}, [&](std::string_view line) {
    for (int i = 0; i < kOdfStatCount; ++i) {
      const std::string_view key = kOdfStats.at(i).key;
      const std::size_t prefix = key.size() + 2;  // the key, one space and "="
      if (line.size() < prefix || !line.starts_with(key) || line.substr(key.size(), 2) != " =") continue;
      // The character after "=" (normally a space) is skipped, whatever it is: all
      // of its UTF-8 bytes, so that a no-break space or "é" leaves no half behind.
      std::size_t start = std::min(prefix + 1, line.size());
      while (start < line.size() && (static_cast<unsigned char>(line[start]) & 0xC0) == 0x80) ++start;
      const std::string_view value = line.substr(start);
      captions.at(i) = std::string(key) + " = " + std::string(value);
    }
  });
  return captions;
}

std::string_view LastFour(std::string_view name) { return name.size() > 4 ? name.substr(name.size() - 4) : name; }

FileView ViewFor(std::string_view entry, std::string_view folderText) {
  const std::string_view ext = LastFour(entry);
  const std::string lowered = platform::ToLowerAscii(ext);
  const bool unitFolder = folderText == "ships" || folderText == "stations";
  FileView view;
  view.stats = ext == ".odf" && unitFolder;
  view.picture = lowered == ".bmp" || lowered == ".jpg" || lowered == ".gif";
  view.tallList = !view.picture && ext != ".odf" && !unitFolder;
  return view;
}

}  // namespace drydock::analyzer
