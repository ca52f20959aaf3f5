#include "modinfo/mod_info.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>

#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace drydock::modinfo {

namespace {

struct Field {
  std::string_view key;
  std::string_view noFile;
  std::string_view noLine;
  std::string_view emptyValue;
  std::string ModInfoTexts::*target;
};

const std::array<Field, 5> kFields = {{
    {kKeyAuthor, kNoFile, "(File does not contain author)", "(File does not contain author)", &ModInfoTexts::author},
    {kKeyDescription, kNoFile, "(File does not contain description)", "(File does not contain description)",
     &ModInfoTexts::description},
    {kKeyVersion, kNoFile, "(File does not contain version number)", "(File does not contain version number)",
     &ModInfoTexts::version},
    {kKeyOther, kNoFile, "(File does not contain 'other')", "(File does not contain Other)", &ModInfoTexts::other},
    {kKeyOtherHeading, kDefaultOtherHeading, kDefaultOtherHeading, "(File does not contain OtherHeading)",
     &ModInfoTexts::otherHeading},
}};

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// The whole file is read, however long, unless it is so large or slow that
// the window would seem to hang.
constexpr platform::TextLimits kModInfoLimits{.maxBytes = std::size_t{1} << 30, .maxTime = std::chrono::seconds(3)};

}  // namespace

ModInfoTexts ReadModInfo(const fs::path& modFolder) {
  ModInfoTexts texts;
  const std::string stored = platform::FindEntryIgnoreCase(modFolder, kModInfoFileName);
  const bool exists = !stored.empty() && platform::IsFile(modFolder / platform::PathFromUtf8(stored));
  for (const Field& f : kFields) texts.*f.target = std::string(exists ? f.noLine : f.noFile);
  if (!exists) return texts;

  const auto setFields = [&texts](std::string_view line) {
    for (const Field& f : kFields) {
      // "Other Heading: x" does not start with "Other: ", so the fields never mix.
      if (!line.starts_with(f.key)) continue;
      const std::string_view value = line.substr(f.key.size());
      texts.*f.target = IsBlank(value) ? std::string(f.emptyValue) : std::string(value);
    }
  };
  (void)platform::ForEachTextLine(modFolder / platform::PathFromUtf8(stored), kModInfoLimits, setFields);
  return texts;
}

std::string ReadModAuthor(const fs::path& modFolder) {
  const std::string author = ReadModInfo(modFolder).author;
  const Field& field = kFields[0];
  if (author == field.noFile || author == field.noLine || author == field.emptyValue) return {};
  return StripMnemonics(author);
}

std::string StripMnemonics(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out.push_back('&');
        ++i;
      }
      continue;
    }
    out.push_back(caption[i]);
  }
  return out;
}

std::string FindReadme(const fs::path& modFolder) {
  for (const std::string& name : platform::ListPlainFiles(modFolder)) {
    if (library::TextContains(name, "readme")) return name;
  }
  return {};
}

ModDetails ReadModDetails(const fs::path& modFolder) {
  ModDetails d;
  d.info = ReadModInfo(modFolder);
  d.sizeBytes = platform::FolderTreeSize(modFolder);
  d.fileCount = library::CountFolderListFiles(modFolder);
  for (const std::string& name : platform::ListPlainFiles(modFolder)) {
    if (d.readme.empty() && library::TextContains(name, "readme")) d.readme = name;
    // The picture's name is exact; the bitmap wins when both are there.
    if (name == "ModPic.bmp") {
      d.picture = PictureKind::Bitmap;
      d.picturePath = modFolder / "ModPic.bmp";
    } else if (name == "ModPic.jpg" && d.picture == PictureKind::None) {
      d.picture = PictureKind::Jpeg;
      d.picturePath = modFolder / "ModPic.jpg";
    }
  }
  return d;
}

std::string FormatModSize(std::uint64_t bytes, char decimalPoint) {
  const double kb = static_cast<double>(bytes) / 1024.0;
  const bool inKb = kb <= 100.0;
  const double value = library::RoundTo(inKb ? kb : kb / 1000.0, 2);
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2).ptr;
  std::string text(buffer, end);  // to_chars ignores the C locale: the point is always a dot
  // Shortest form: no trailing zeros, no lone decimal point.
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  for (char& c : text) {
    if (c == '.') c = decimalPoint;
  }
  return text + (inKb ? " KB" : " MB");
}

}  // namespace drydock::modinfo
