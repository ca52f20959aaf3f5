#include "library/mod_filter.h"

#include "library/mod_files.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;

namespace drydock::library {

namespace {

// The lower case of a code point that UTF-8 writes in two bytes, when it has
// one of the same length; otherwise the code point itself.
char32_t LowerTwoByte(char32_t c) {
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
    return c + 0x20;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  // Latin Extended-A pairs upper and lower case side by side; U+0130 and U+0131 have no such partner.
  if ((c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c == 0x178) return 0xFF;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  return c;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + ('a' - 'A'));
    } else if ((b & 0xE0) == 0xC0 && i + 1 < out.size() && IsContinuation(static_cast<unsigned char>(out[i + 1]))) {
      const char32_t c = (char32_t{b} & 0x1F) << 6 | (static_cast<unsigned char>(out[i + 1]) & 0x3F);
      const char32_t lower = c >= 0x80 ? LowerTwoByte(c) : c;  // an overlong form stays as it is
      out[i] = static_cast<char>(0xC0 | (lower >> 6));
      out[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
      ++i;
    }
  }
  return out;
}

ModAuthors::ModAuthors(Reader read) : read_(std::move(read)) {}

void ModAuthors::Update(const fs::path& modsDir, const ModList& list) {
  std::unordered_map<std::string, Known> now;
  now.reserve(list.size());
  byIndex_.assign(list.size(), nullptr);
  fs::path addonFolder;  // the Addon folder of the last mod, found once for all its addons
  for (size_t i = 0; i < list.size(); ++i) {
    fs::path folder;
    if (!IsAddonEntry(list[i])) {
      folder = EntryFolder(modsDir, list, static_cast<int>(i));
      const std::string addonName =
          folder.empty() ? std::string() : platform::FindEntryIgnoreCase(folder, kAddonFolderName);
      addonFolder = addonName.empty() ? fs::path() : folder / platform::PathFromUtf8(addonName);
    } else if (!addonFolder.empty()) {
      folder = addonFolder / platform::PathFromUtf8(list[i].substr(kAddonIndent.size()));
    }
    if (folder.empty()) continue;
    std::string key = folder.string();
    Known known;
    if (auto old = byFolder_.find(key); old != byFolder_.end()) known = std::move(old->second);
    const auto folderStamp = platform::FolderStampOf(folder);
    // A file added, removed or renamed moves the folder's stamp: the ModInfo.txt of any letter case is looked for
    // again.
    const bool folderMoved = !known.folder || folderStamp != known.folder;
    if (folderMoved) {
      const std::string name = platform::FindEntryIgnoreCase(folder, kModInfoFileName);
      known.modInfoPath = name.empty() ? fs::path() : folder / platform::PathFromUtf8(name);
    }
    const auto modInfoStamp = known.modInfoPath.empty() ? std::nullopt : platform::StampOf(known.modInfoPath);
    const bool modInfoMoved =
        modInfoStamp.has_value() != known.modInfo.has_value() ||
        (modInfoStamp && (!modInfoStamp->SameSizeAndTime(*known.modInfo) || modInfoStamp->id != known.modInfo->id));
    if (folderMoved || modInfoMoved) {
      known.folded = modInfoStamp ? FoldCase(read_(folder)) : std::string();
      if (modInfoStamp) ++reads_;
    }
    known.folder = folderStamp;
    known.modInfo = modInfoStamp;
    auto [at, inserted] = now.insert_or_assign(std::move(key), std::move(known));
    (void)inserted;
    byIndex_[i] = &at->second.folded;
  }
  byFolder_ = std::move(now);  // moving the map keeps its elements where they are
}

std::string_view ModAuthors::FoldedOf(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= byIndex_.size() || !byIndex_[static_cast<size_t>(index)]) return {};
  return *byIndex_[static_cast<size_t>(index)];
}

std::vector<bool> FilterModList(const ModList& list, std::string_view text,
                                const std::function<std::string_view(int)>& foldedAuthorOf) {
  std::vector<bool> shown(list.size(), text.empty());
  if (text.empty()) return shown;
  const std::string part = FoldCase(text);
  const auto matches = [&](size_t i) {
    std::string_view name = list[i];
    if (name == kNoModsFound) return false;
    if (IsAddonEntry(name)) name.remove_prefix(kAddonIndent.size());
    if (FoldCase(name).find(part) != std::string::npos) return true;
    return foldedAuthorOf && foldedAuthorOf(static_cast<int>(i)).find(part) != std::string_view::npos;
  };
  for (size_t i = 0; i < list.size();) {
    // One mod and the addons listed below it.
    size_t end = i + 1;
    while (end < list.size() && IsAddonEntry(list[end])) ++end;
    const bool parentMatches = !IsAddonEntry(list[i]) && matches(i);
    bool anyAddon = false;
    for (size_t a = IsAddonEntry(list[i]) ? i : i + 1; a < end; ++a) {
      shown[a] = parentMatches || matches(a);
      anyAddon = anyAddon || shown[a];
    }
    if (!IsAddonEntry(list[i])) shown[i] = parentMatches || anyAddon;
    i = end;
  }
  return shown;
}

}  // namespace drydock::library
