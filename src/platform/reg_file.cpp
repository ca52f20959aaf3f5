// Wine's registry files: reading them whole, their logical lines, the escapes
// of key names, value names and strings, and the string values themselves.
#include "platform/reg_file.h"

#include <fstream>
#include <utility>

#include "platform/names.h"
#include "platform/reg_file_internal.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

// Collects the text of a quoted registry string as UTF-8. Escapes give UTF-16
// code units (a character outside the BMP arrives as two \x escapes); bytes
// written as they are pass through unchanged.
class Utf8Builder {
 public:
  void Byte(char c) {
    FlushHighSurrogate();
    out_.push_back(c);
  }

  void Unit(std::uint32_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      FlushHighSurrogate();
      high_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (high_ == 0) {
        Append(0xFFFD);
      } else {
        Append(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
      }
      return;
    }
    FlushHighSurrogate();
    Append(unit);
  }

  std::string Finish() {
    FlushHighSurrogate();
    return std::move(out_);
  }

 private:
  void FlushHighSurrogate() {
    if (high_ != 0) Append(0xFFFD);
    high_ = 0;
  }

  void Append(std::uint32_t cp) {
    if (cp < 0x80) {
      out_.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out_.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out_.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out_.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  std::string out_;
  std::uint32_t high_ = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// C's one-letter escapes (\a \b \t \n \v \f \r) and \e, as Wine writes them.
std::optional<std::uint32_t> LetterEscape(char letter) {
  constexpr std::string_view kLetters = "abtnvfre";
  constexpr std::uint32_t kUnits[] = {0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x1B};
  const size_t at = kLetters.find(letter);
  if (at == std::string_view::npos) return std::nullopt;
  return kUnits[at];
}

// Decodes the escape whose letter `e` came just after a backslash; `pos` is
// after `e` and is moved past any digits that belong to it.
void DecodeEscape(std::string_view line, size_t& pos, char e, Utf8Builder& out) {
  if (const std::optional<std::uint32_t> control = LetterEscape(e)) {
    out.Unit(*control);
  } else if (e == 'x') {
    std::uint32_t unit = 0;
    int digits = 0;
    while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
      unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
      ++digits;
    }
    if (digits == 0) {
      out.Byte('x');
    } else {
      out.Unit(unit);
    }
  } else if (IsOctalDigit(e)) {
    std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
    for (int digits = 1; digits < 3 && pos < line.size() && IsOctalDigit(line[pos]); ++digits) {
      unit = unit * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
    }
    out.Unit(unit);
  } else {
    out.Byte(e);  // \\, \", \[, \] and anything unknown stand for the character itself
  }
}

// Reads an escaped string as Wine writes key and value names and string data,
// starting at `pos` (just after the opening delimiter) and ending at the first
// unescaped `end`. Leaves `pos` after that delimiter. Nothing when the line
// ends first.
std::optional<std::string> ParseEscaped(std::string_view line, size_t& pos, char end) {
  Utf8Builder out;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == end) return out.Finish();
    if (c != '\\') {
      out.Byte(c);
      continue;
    }
    if (pos >= line.size()) break;
    const char e = line[pos++];
    DecodeEscape(line, pos, e, out);
  }
  return std::nullopt;
}

void SkipBlanks(std::string_view line, size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

// The string held by the data part of a value line ("..." or str:"..."), or
// nothing when the data is of another type or malformed. `isString` tells the
// two apart: a value of another type hides an earlier string of the same name.
std::optional<std::string> ParseStringData(std::string_view data, bool& isString) {
  size_t pos = 0;
  if (!data.empty() && data.front() == '"') {
    pos = 1;
  } else if (StartsWithIgnoreCase(data, "str:\"")) {
    pos = 5;
  } else if (StartsWithIgnoreCase(data, "str(1):\"")) {
    pos = 8;
  } else {
    isString = false;
    return std::nullopt;
  }
  isString = true;
  std::optional<std::string> text = ParseEscaped(data, pos, '"');
  // Programs see a REG_SZ value up to its first NUL.
  if (text) {
    const size_t nul = text->find('\0');
    if (nul != std::string::npos) text->resize(nul);
  }
  return text;
}

}  // namespace

std::optional<std::string> ReadFileCapped(const fs::path& file, std::uintmax_t maxBytes) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size > maxBytes) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  // The file may have shrunk since its size was taken.
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

std::string_view TrimBackslashes(std::string_view text) {
  while (!text.empty() && text.front() == '\\') text.remove_prefix(1);
  while (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool RegLines::Next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  const std::string_view physical = NextPhysical();
  if (physical.empty() || physical.back() != '\\') {
    line = physical;
    return true;
  }
  joined_.assign(physical.substr(0, physical.size() - 1));
  while (pos_ < text_.size()) {
    std::string_view more = NextPhysical();
    while (!more.empty() && (more.front() == ' ' || more.front() == '\t')) more.remove_prefix(1);
    if (!more.empty() && more.back() == '\\') {
      joined_.append(more.substr(0, more.size() - 1));
      continue;
    }
    joined_.append(more);
    break;
  }
  line = joined_;
  return true;
}

std::string_view RegLines::NextPhysical() {
  const size_t start = pos_;
  const size_t end = text_.find_first_of("\r\n", pos_);
  if (end == std::string_view::npos) {
    pos_ = text_.size();
    return text_.substr(start);
  }
  pos_ = end + 1;
  if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return text_.substr(start, end - start);
}

std::optional<std::string> FindWineRegString(std::string_view regFileText, std::string_view subkey,
                                             std::string_view valueName) {
  const std::string_view wantedKey = TrimBackslashes(subkey);
  const bool wantDefault = valueName.empty() || valueName == "@";
  // Later lines win, as when Wine loads the file.
  std::optional<std::string> found;
  bool inKey = false;
  RegLines lines(regFileText);
  std::string_view line;
  while (lines.Next(line)) {
    size_t pos = 0;
    SkipBlanks(line, pos);
    if (pos >= line.size()) continue;
    const char first = line[pos++];
    if (first == '[') {
      const std::optional<std::string> key = ParseEscaped(line, pos, ']');
      inKey = key && EqualsIgnoreCase(TrimBackslashes(*key), wantedKey);
      continue;
    }
    if (!inKey) continue;
    if (first == '@') {
      if (!wantDefault) continue;
    } else if (first == '"') {
      const std::optional<std::string> name = ParseEscaped(line, pos, '"');
      if (!name) continue;
      if (wantDefault ? !name->empty() : !EqualsIgnoreCase(*name, valueName)) continue;
    } else {
      continue;  // comments, #time=/#class= options, header lines
    }
    SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    SkipBlanks(line, pos);
    bool isString = false;
    std::optional<std::string> text = ParseStringData(line.substr(pos), isString);
    if (text) {
      found = std::move(text);
    } else if (!isString) {
      found.reset();
    }
  }
  return found;
}

}  // namespace drydock::platform
