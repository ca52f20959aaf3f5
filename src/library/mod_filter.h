#pragma once
// The filter over the mod list: which entries a player sees while typing in the
// main window's filter box. An entry matches when its name or its mod's author
// (from ModInfo.txt) contains the typed text, letter case ignored; an addon
// stays with a matching parent, and a matching addon brings its parent along.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/mod_library.h"
#include "platform/file_ops.h"

namespace drydock::library {

// `text` with letters folded to lower case: ASCII, and in UTF-8 the letters of
// Latin-1, Latin Extended-A, Greek and Cyrillic that have a one-to-one lower
// case of the same length. Other bytes stay as they are, so folding never
// breaks a sequence; letters outside those blocks match only in the same case.
std::string FoldCase(std::string_view text);

// The authors of the mods in a list, read once per mod and read again only
// when the mod's folder or its ModInfo.txt changed (stamps, not contents).
class ModAuthors {
 public:
  // The author of the mod in `modFolder` as its ModInfo.txt writes it; empty when none.
  using Reader = std::function<std::string(const std::filesystem::path& modFolder)>;
  explicit ModAuthors(Reader read);

  // Brings the authors up to `list`: a stat of each mod's folder and
  // ModInfo.txt, and a read of those whose stamps moved (or are new).
  void Update(const std::filesystem::path& modsDir, const ModList& list);

  // The folded author of the entry at `index` of the list given to the last
  // Update; empty when it has none or the index is out of range.
  std::string_view FoldedOf(int index) const;

  // How many ModInfo files were read so far.
  std::int64_t Reads() const { return reads_; }

 private:
  struct Known {
    std::optional<platform::FolderStamp> folder;
    std::optional<platform::FileStamp> modInfo;
    std::filesystem::path modInfoPath;
    std::string folded;
  };
  Reader read_;
  std::unordered_map<std::string, Known> byFolder_;  // by the mod folder's path
  std::vector<const std::string*> byIndex_;          // into byFolder_, one per entry of the list
  std::int64_t reads_ = 0;
};

// Which entries of `list` are shown for the filter `text`: one flag per entry.
// `foldedAuthorOf(index)`, when given, is the folded author of the entry
// there. Empty text shows every entry.
std::vector<bool> FilterModList(const ModList& list, std::string_view text,
                                const std::function<std::string_view(int)>& foldedAuthorOf = {});

}  // namespace drydock::library
