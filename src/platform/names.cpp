#include "platform/names.h"

#include <algorithm>
#include <array>

#include "platform/text_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace drydock::platform {

namespace {
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), UpperAscii);
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

int CompareNames(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
    const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int bytes = a.compare(b);
  return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

namespace {
// Device names Windows gives to every folder; "NUL.txt" is the device too.
constexpr std::array<std::string_view, 32> kDeviceNames = {
    "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "COM0", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT0", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
    // COM and LPT with a superscript 1, 2 or 3 (UTF-8).
    "COM\xC2\xB9", "COM\xC2\xB2", "COM\xC2\xB3", "LPT\xC2\xB9", "LPT\xC2\xB2", "LPT\xC2\xB3"};

bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  return std::any_of(kDeviceNames.begin(), kDeviceNames.end(),
                     [stem](std::string_view device) { return EqualsIgnoreCase(stem, device); });
}
}  // namespace

const char* WindowsNameProblem(std::string_view name) {
  if (!IsValidUtf8(name)) return "its name is not valid UTF-8";
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return "its name holds a control character";
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return "its name holds one of \\ / : * ? \" < > |";
    }
  }
  if (name.empty() || name.back() == '.' || name.back() == ' ') return "its name ends in a dot or a space";
  if (IsDeviceName(name)) return "its name is a Windows device name";
  return nullptr;
}

std::string PrintableName(std::string_view name) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < name.size();) {
    // One character at a time: a whole UTF-8 sequence when it is one.
    const auto lead = static_cast<unsigned char>(name[i]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const std::string_view one = name.substr(i, length);
    // C1 control characters (U+0080..U+009F, "\xC2\x80".."\xC2\x9F") are escaped as well: U+0085 breaks lines.
    const bool c1Control = lead == 0xC2 && one.size() == 2 && static_cast<unsigned char>(one[1]) < 0xA0;
    if (one.size() == length && IsValidUtf8(one) && lead >= 0x20 && lead != 0x7F && !c1Control) {
      out += one;
      i += length;
      continue;
    }
    out += "\\x";
    out += hex[lead >> 4];
    out += hex[lead & 0xF];
    ++i;
  }
  return out;
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
#ifdef _WIN32
  std::u8string u8(utf8.begin(), utf8.end());
  return std::filesystem::path(u8);
#else
  return std::filesystem::path(std::string(utf8));
#endif
}

bool SamePathText(std::string_view a, std::string_view b) {
#ifdef _WIN32
  const std::wstring wa = PathFromUtf8(a).wstring(), wb = PathFromUtf8(b).wstring();
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()), TRUE) ==
         CSTR_EQUAL;
#else
  return a == b;
#endif
}

std::string PathToUtf8(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
#else
  return path.string();
#endif
}

}  // namespace drydock::platform
