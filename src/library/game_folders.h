#pragma once
// The game's 78 known folders and the root: the only folders that install,
// uninstall, counting and the analyzer look at. Entries are relative, end in
// a backslash, and list every parent before its subfolders; entry 79 is the
// empty text and stands for the root itself.
#include <array>
#include <string_view>

namespace drydock::library {

inline constexpr int kGameFolderCount = 79;

// Zero-based storage; use GameFolder(i) with the table's own numbers 1..79.
extern const std::array<std::string_view, kGameFolderCount> kGameFolderList;

inline std::string_view GameFolder(int number) { return kGameFolderList.at(static_cast<size_t>(number - 1)); }

}  // namespace drydock::library
