#pragma once
// src/analyzer: the analyzer, a tree of each mod's game folders with the unit values of its .odf
// files and a few file operations, and its window. See README.md.
//
// The analyzer's tree: every top-level mod of the mod list and, below it,
// those of the game's 78 folders that the mod holds, each under its parent.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "library/mod_library.h"

namespace drydock::analyzer {

inline constexpr int kAnalyzerFolderCount = 78;  // the game folders without the root

struct AnalyzerFolderRow {
  std::string_view entry;  // the game folder's entry, "odf\ships\"
  std::string text;        // the node's text: the last component ("buttons" and "logs" in lower case)
  int parent = 0;          // the parent row's number (1..78), 0 for a folder right below the mod
};

// Rows 1..78 of the game folder table, in its order; Row(n) with the table's numbers.
const std::array<AnalyzerFolderRow, kAnalyzerFolderCount>& AnalyzerFolderTable();
inline const AnalyzerFolderRow& AnalyzerRow(int number) {
  return AnalyzerFolderTable().at(static_cast<std::size_t>(number - 1));
}

// The key that a folder node of the mod at list position `entryIndex` gets:
// the row's entry without its backslash, then the position ("odf\ships2").
std::string FolderKey(int row, int entryIndex);

struct TreeFolder {
  int row = 0;                   // 1..78
  std::filesystem::path folder;  // the folder on disk, in the letter case it has there
};

struct TreeMod {
  int entryIndex = 0;               // the position of the entry in the mod list, addons counted
  std::string entry;                // the entry, which is the node's text
  std::filesystem::path folder;     // the mod's folder
  std::vector<TreeFolder> folders;  // the rows the mod holds, in table order (a parent before its children)
};

// Every top-level mod of `list` with the folders of the table that it holds,
// found ignoring letter case; addons have no node but count for entryIndex.
// Linked folders inside a mod are not followed. Empty for an empty list.
std::vector<TreeMod> AnalyzerTree(const std::filesystem::path& modsDir, const library::ModList& list);

}  // namespace drydock::analyzer
