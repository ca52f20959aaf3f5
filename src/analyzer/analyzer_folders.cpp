#include "analyzer/analyzer_folders.h"

#include <system_error>

#include "library/game_folders.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;

namespace drydock::analyzer {

namespace {

std::string_view WithoutBackslash(std::string_view entry) {
  return entry.ends_with('\\') ? entry.substr(0, entry.size() - 1) : entry;
}

std::array<AnalyzerFolderRow, kAnalyzerFolderCount> MakeTable() {
  std::array<AnalyzerFolderRow, kAnalyzerFolderCount> rows;
  for (int n = 1; n <= kAnalyzerFolderCount; ++n) {
    AnalyzerFolderRow& row = rows.at(static_cast<std::size_t>(n - 1));
    row.entry = library::GameFolder(n);
    const std::string_view path = WithoutBackslash(row.entry);
    const std::size_t cut = path.rfind('\\');
    row.text = std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
    if (n == 9) row.text = "buttons";  // bitmaps\AdmiralsLog\Buttons\ is shown in lower case, as is Logs\ .
    if (n == 50) row.text = "logs";
    if (cut == std::string_view::npos) continue;
    const std::string_view parentEntry = row.entry.substr(0, cut + 1);
    for (int p = 1; p < n; ++p) {
      if (library::GameFolder(p) == parentEntry) row.parent = p;
    }
  }
  return rows;
}

// A real folder, not a link to one: the tree never leads out of the mod.
bool IsOwnFolder(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() == fs::file_type::directory;
}

}  // namespace

const std::array<AnalyzerFolderRow, kAnalyzerFolderCount>& AnalyzerFolderTable() {
  static const auto table = MakeTable();
  return table;
}

std::string FolderKey(int row, int entryIndex) {
  return std::string(WithoutBackslash(AnalyzerRow(row).entry)) + std::to_string(entryIndex);
}

std::vector<TreeMod> AnalyzerTree(const fs::path& modsDir, const library::ModList& list) {
  std::vector<TreeMod> mods;
  platform::DirCache cache;
  for (int j = 0; j < static_cast<int>(list.size()); ++j) {
    if (library::IsAddonEntry(list[static_cast<std::size_t>(j)])) continue;
    TreeMod mod{j, list[static_cast<std::size_t>(j)], library::EntryFolder(modsDir, list, j), {}};
    std::array<bool, kAnalyzerFolderCount + 1> present{};
    for (int row = 1; row <= kAnalyzerFolderCount; ++row) {
      const int parent = AnalyzerRow(row).parent;
      if (parent != 0 && !present.at(static_cast<std::size_t>(parent))) continue;  // no parent, no child
      // On Linux a mod may hold odf and ODF, which the game sees as one folder: the first that holds the row shows.
      for (fs::path& folder : platform::AllCaseVariants(mod.folder, AnalyzerRow(row).entry, &cache)) {
        if (!IsOwnFolder(folder)) continue;
        present.at(static_cast<std::size_t>(row)) = true;
        mod.folders.push_back({row, std::move(folder)});
        break;
      }
    }
    mods.push_back(std::move(mod));
  }
  return mods;
}

}  // namespace drydock::analyzer
