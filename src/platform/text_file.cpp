#include "platform/text_file.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

namespace drydock::platform {

namespace {

// Windows-1252 code points for 0x80..0x9F; the rest of the high half maps to
// the same Unicode code point (Latin-1).
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

FilePtr OpenForReading(const std::filesystem::path& file) {
#ifdef _WIN32
  return FilePtr(_wfopen(file.c_str(), L"rb"), &fclose);
#else
  return FilePtr(std::fopen(file.c_str(), "rb"), &fclose);
#endif
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > bytes.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = Utf8SequenceLength(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string DecodeText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else if (c < 0xA0) {
      AppendUtf8(out, kCp1252High[c - 0x80]);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::optional<std::string> EncodeWindows1252(std::string_view text) {
  if (!IsValidUtf8(text)) return std::nullopt;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const auto* high = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    if (high == std::end(kCp1252High)) return std::nullopt;
    out.push_back(static_cast<char>(0x80 + (high - std::begin(kCp1252High))));
  }
  return out;
}

std::string ReadFileBytes(const std::filesystem::path& file, std::size_t maxBytes) {
  const FilePtr f = OpenForReading(file);
  if (!f) return {};
  std::string data;
  char buffer[64 * 1024];
  while (data.size() < maxBytes) {
    const size_t want = std::min(sizeof buffer, maxBytes - data.size());
    const size_t got = std::fread(buffer, 1, want, f.get());
    data.append(buffer, got);
    if (got < want) break;
  }
  return data;
}

namespace {

// A cut can split the last character of a UTF-8 line: that piece is dropped
// rather than the whole line being read as Windows-1252.
std::string DecodeCutLine(std::string_view line) {
  size_t lead = line.size();  // just past the last byte that is not a continuation byte
  while (lead > 0 && line.size() - lead < 3 && (static_cast<unsigned char>(line[lead - 1]) & 0xC0) == 0x80) --lead;
  if (lead > 0 && static_cast<unsigned char>(line[lead - 1]) >= 0xC0 && IsValidUtf8(line.substr(0, lead - 1))) {
    return std::string(line.substr(0, lead - 1));
  }
  return DecodeText(line);
}

// One line being gathered from the chunks: bytes past the limit are dropped.
class LineBuffer {
 public:
  explicit LineBuffer(size_t maxBytes) : maxBytes_(maxBytes) {}
  void Append(std::string_view bytes) {
    open_ = true;
    const size_t room = maxBytes_ - bytes_.size();
    cut_ = cut_ || bytes.size() > room;
    bytes_.append(bytes.substr(0, room));
  }
  void Emit(const std::function<void(std::string_view)>& onLine) {
    if (IsValidUtf8(bytes_)) {
      onLine(bytes_);
    } else {
      onLine(cut_ ? DecodeCutLine(bytes_) : DecodeText(bytes_));
    }
    bytes_.clear();
    open_ = cut_ = false;
  }
  bool open() const { return open_; }

 private:
  size_t maxBytes_;
  std::string bytes_;
  bool open_ = false;  // a byte of this line was read, so it counts even without an end
  bool cut_ = false;
};

}  // namespace

bool ForEachTextLine(const std::filesystem::path& file, const TextLimits& limits,
                     const std::function<void(std::string_view line)>& onLine) {
  const FilePtr f = OpenForReading(file);
  if (!f) return true;
  const auto start = std::chrono::steady_clock::now();
  std::vector<char> chunk(64 * 1024);
  LineBuffer line(limits.maxLineBytes);
  size_t total = 0;
  bool afterCr = false;  // a CR ended the last chunk: an LF opening the next one belongs to it
  bool complete = true;
  for (;;) {
    const bool late = limits.maxTime.count() > 0 && std::chrono::steady_clock::now() - start > limits.maxTime;
    if (total >= limits.maxBytes || late) {
      complete = false;
      break;
    }
    const size_t got = std::fread(chunk.data(), 1, std::min(chunk.size(), limits.maxBytes - total), f.get());
    if (got == 0) break;
    total += got;
    const std::string_view bytes(chunk.data(), got);
    size_t i = afterCr && bytes[0] == '\n' ? 1 : 0;
    afterCr = false;
    while (i < bytes.size()) {
      // A plain loop: find_first_of calls memchr once per byte here.
      size_t end = i;
      while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
      if (end == bytes.size()) {
        line.Append(bytes.substr(i));
        break;
      }
      line.Append(bytes.substr(i, end - i));
      line.Emit(onLine);
      i = end + 1;
      if (bytes[end] == '\r') {
        if (i == bytes.size()) afterCr = true;
        if (i < bytes.size() && bytes[i] == '\n') ++i;
      }
    }
  }
  if (line.open()) line.Emit(onLine);
  return complete;
}

std::vector<std::string> ReadTextLines(const std::filesystem::path& file, TextLimits limits) {
  std::vector<std::string> lines;
  (void)ForEachTextLine(file, limits, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

}  // namespace drydock::platform
