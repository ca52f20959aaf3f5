#include "modinfo/mod_info_writer.h"

#include <array>
#include <chrono>
#include <system_error>

#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/text_file.h"
#include "platform/trash.h"
#include "platform/writer_lock.h"

namespace fs = std::filesystem;

namespace drydock::modinfo {

namespace {
constexpr std::string_view kCrLf = "\r\n";
// As the details panel reads the file: to its end, unless it would stall the window.
constexpr platform::TextLimits kReadLimits{.maxBytes = std::size_t{1} << 30, .maxTime = std::chrono::seconds(3)};

fs::path StoredModInfo(const fs::path& modFolder) {
  const std::string stored = platform::FindEntryIgnoreCase(modFolder, kModInfoFileName);
  if (stored.empty()) return {};
  fs::path file = modFolder / platform::PathFromUtf8(stored);
  return platform::IsFile(file) ? file : fs::path();
}
}  // namespace

ModInfoTexts ReadModInfoValues(const fs::path& modFolder) {
  ModInfoTexts values;
  const fs::path file = StoredModInfo(modFolder);
  if (file.empty()) return values;
  // "Other Heading: x" does not start with "Other: ", so the fields never mix.
  const std::array<std::pair<std::string_view, std::string ModInfoTexts::*>, 5> keys = {{
      {kKeyAuthor, &ModInfoTexts::author},
      {kKeyDescription, &ModInfoTexts::description},
      {kKeyVersion, &ModInfoTexts::version},
      {kKeyOtherHeading, &ModInfoTexts::otherHeading},
      {kKeyOther, &ModInfoTexts::other},
  }};
  (void)platform::ForEachTextLine(file, kReadLimits, [&](std::string_view line) {
    for (const auto& [key, target] : keys) {
      if (line.starts_with(key)) values.*target = std::string(line.substr(key.size()));
    }
  });
  return values;
}

bool HasModInfo(const fs::path& modFolder) { return !StoredModInfo(modFolder).empty(); }

std::string SingleLine(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const auto byte = static_cast<unsigned char>(value[i]);
    if (byte == '\r' || byte == '\n') {
      // CR LF is one break, one space.
      if (byte == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out.push_back(' ');
    } else if (byte == 0xC2 && i + 1 < value.size() && static_cast<unsigned char>(value[i + 1]) == 0x85) {
      ++i;  // NEL
      out.push_back(' ');
    } else if (byte == 0xE2 && i + 2 < value.size() && static_cast<unsigned char>(value[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(value[i + 2]) & 0xFE) == 0xA8) {
      i += 2;  // LINE SEPARATOR, PARAGRAPH SEPARATOR
      out.push_back(' ');
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

std::string ModInfoFileText(const ModInfoTexts& values) {
  const std::array<std::pair<std::string_view, const std::string*>, 5> lines = {{
      {kKeyAuthor, &values.author},
      {kKeyDescription, &values.description},
      {kKeyVersion, &values.version},
      {kKeyOtherHeading, &values.otherHeading},
      {kKeyOther, &values.other},
  }};
  std::string text;
  for (const auto& [key, value] : lines) {
    if (!text.empty()) text += kCrLf;  // the empty line between two fields
    text += key;
    text += SingleLine(*value);
    text += kCrLf;
  }
  return text;
}

std::string ModInfoFileBytes(const ModInfoTexts& values) {
  const std::string text = ModInfoFileText(values);
  const std::optional<std::string> narrow = platform::EncodeWindows1252(text);
  if (!narrow) return text;
  // A reader takes a line that is valid UTF-8 as UTF-8, so Windows-1252 bytes
  // that happen to form UTF-8 ("Ã©" as C3 A9) would read back as another text.
  std::string readBack;
  for (size_t start = 0, end; (end = narrow->find(kCrLf, start)) != std::string::npos; start = end + kCrLf.size()) {
    readBack += platform::DecodeText(std::string_view(*narrow).substr(start, end - start));
    readBack += kCrLf;
  }
  return readBack == text ? *narrow : text;
}

std::string PreviewText(std::string_view typed, std::string_view shown) {
  if (typed.find_first_not_of(' ') == std::string_view::npos) return std::string(shown);
  return StripMnemonics(SingleLine(typed));
}

platform::FsResult WriteModInfo(const fs::path& modFolder, const ModInfoTexts& values, const platform::WriterLock&) {
  if (!platform::IsFolder(modFolder)) {
    return platform::FsResult::Fail(std::make_error_code(std::errc::no_such_file_or_directory), modFolder);
  }
  const std::string stored = platform::FindEntryIgnoreCase(modFolder, kModInfoFileName);
  const fs::path target = modFolder / platform::PathFromUtf8(stored.empty() ? kModInfoFileName : stored);
  // A read-only file is the player's way of keeping it; a rename would replace it regardless.
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(target, ec);
  if (!ec && fs::is_regular_file(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
    return platform::FsResult::Fail(std::make_error_code(std::errc::permission_denied), target);
  }
  const std::string bytes = ModInfoFileBytes(values);
  // The file it replaces is the player's (nothing records what wrote it): it goes to the trash, never away.
  if (fs::is_regular_file(status) && platform::ReadFileBytes(target, bytes.size() + 1) != bytes) {
    if (platform::FsResult trashed = platform::MoveToTrash(target); !trashed) return trashed;
  }
  return platform::WriteFileAtomic(target, bytes, /*replace=*/true);
}

}  // namespace drydock::modinfo
