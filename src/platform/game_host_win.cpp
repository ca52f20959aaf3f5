// On Windows the game runs natively; short names and the ANSI code page come
// from the Win32 calls.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/game_host.h"

namespace drydock::platform {

namespace {

std::optional<std::string> FromWide(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int wideLength = static_cast<int>(wide.size());
  // The ANSI code page may replace a character it cannot hold; UTF-8 holds every one.
  BOOL replaced = FALSE;
  BOOL* const replacedFlag = codePage == CP_UTF8 ? nullptr : &replaced;
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, replacedFlag);
  if (length <= 0 || replaced) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), wideLength, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace

GameHost ThisSystemsGameHost() { return GameHost::Native; }

std::optional<std::string> ShortPathName(const std::filesystem::path& path) {
  const std::wstring longPath = path.wstring();
  const DWORD needed = GetShortPathNameW(longPath.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring shortPath(needed, L'\0');
  const DWORD written = GetShortPathNameW(longPath.c_str(), shortPath.data(), needed);
  if (written == 0 || written >= needed) return std::nullopt;
  shortPath.resize(written);
  return FromWide(shortPath, CP_UTF8);
}

std::optional<std::string> ToSystemCodePage(std::string_view text) {
  if (text.empty()) return std::string();
  const int textLength = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), textLength, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), textLength, wide.data(), length);
  return FromWide(wide, CP_ACP);
}

}  // namespace drydock::platform
