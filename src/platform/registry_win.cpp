// The registry on Windows: the real one, through the wide-character Win32 calls.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "platform/names.h"
#include "platform/reg_file_internal.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// A REG_SZ value from one view of the registry.
std::optional<std::string> QueryString(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                                       REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> result;
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  // The value may grow between the two calls; try again a few times.
  for (int attempt = 0; attempt < 4 && rc == ERROR_SUCCESS && type == REG_SZ; ++attempt) {
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (rc == ERROR_MORE_DATA) {
      size = bytes;
      rc = ERROR_SUCCESS;
      continue;
    }
    if (rc == ERROR_SUCCESS && type == REG_SZ) {
      buffer.resize(std::min<size_t>(buffer.size(), bytes / sizeof(wchar_t)));
      const size_t nul = buffer.find(L'\0');
      if (nul != std::wstring::npos) buffer.resize(nul);
      result = Narrow(buffer);
    }
    break;
  }
  RegCloseKey(key);
  return result;
}

}  // namespace

Registry Registry::ForThisSystem() { return Registry({}); }

Registry::Registry(std::vector<fs::path> winePrefixes) : prefixes_(std::move(winePrefixes)) {}

std::string Registry::ReadRegString(RegRoot root, std::string_view subkey, std::string_view valueName,
                                    std::string_view fallback) {
  const HKEY rootKey = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::wstring key = Widen(TrimBackslashes(subkey));
  const std::wstring name = valueName == "@" ? std::wstring() : Widen(valueName);
  // The game is a 32-bit program: its keys live in the 32-bit view.
  for (const REGSAM view : {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
    if (auto value = QueryString(rootKey, key, name, view)) return *value;
  }
  return std::string(fallback);
}

fs::path Registry::ToNativePath(std::string_view windowsPath) const { return PathFromUtf8(windowsPath); }

}  // namespace drydock::platform
