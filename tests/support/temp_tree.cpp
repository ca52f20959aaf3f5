#include "support/temp_tree.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace drydock::test {

namespace {
fs::path Relative(std::string_view relative) {
  std::string s(relative);
  std::replace(s.begin(), s.end(), '\\', '/');
  // The system's own separator, so that paths compare equal as text too (Windows: '\\').
  return platform::PathFromUtf8(s).make_preferred();
}

// A name starting with '.' means a hidden entry on every system: Linux hides
// it by its name, Windows by its attribute, which is given here.
void HideDotNames([[maybe_unused]] const fs::path& root, [[maybe_unused]] std::string_view relative) {
#ifdef _WIN32
  fs::path path = root;
  for (const fs::path& part : Relative(relative)) {
    path /= part;
    if (part.native().starts_with(L".") && part != "." && part != "..") {
      SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_HIDDEN);
    }
  }
#endif
}
}  // namespace

bool FolderPermissionsBind() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() != 0;
#endif
}

bool LinksCanBeMade() {
  static const bool can = [] {
    const TempTree t;
    std::error_code ec;
    fs::create_symlink(t / "target", t / "link", ec);
    return !ec && fs::is_symlink(fs::symlink_status(t / "link", ec));
  }();
  return can;
}

std::vector<std::string> CaseBlind(std::vector<std::string> rows) {
#ifdef _WIN32
  for (std::string& row : rows) row = platform::ToUpperAscii(row);
  std::sort(rows.begin(), rows.end());
#endif
  return rows;
}

TempTree::TempTree() {
  std::random_device rd;
  const auto base = fs::temp_directory_path();
  for (;;) {
    root_ = base / ("drydock-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(root_, ec)) break;
  }
}

TempTree::~TempTree() {
  std::error_code ec;
  // Read-only files and folders must become writable before they can go.
  for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(root_, ec);
}

fs::path TempTree::operator/(std::string_view relative) const { return root_ / Relative(relative); }

fs::path TempTree::Write(std::string_view relative, std::string_view contents) {
  const fs::path p = *this / relative;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << contents;
  HideDotNames(root_, relative);
  return p;
}

fs::path TempTree::MakeDir(std::string_view relative) {
  const fs::path p = *this / relative;
  fs::create_directories(p);
  HideDotNames(root_, relative);
  return p;
}

fs::path TempTree::Link(std::string_view relative, const fs::path& target) {
  const fs::path p = *this / relative;
  fs::create_directories(p.parent_path());
  fs::create_symlink(target, p);
  return p;
}

void TempTree::MakeReadOnly(std::string_view relative) {
  fs::permissions(*this / relative, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

std::vector<std::string> TempTree::Snapshot(const fs::path& dir) {
  std::vector<std::string> rows;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    // A link by its own name; '/' between the names on every system.
    const std::u8string generic = it->path().lexically_relative(dir).generic_u8string();
    const std::string rel(generic.begin(), generic.end());
    if (it->is_symlink()) {
      rows.push_back(rel + "->" + platform::PathToUtf8(fs::read_symlink(it->path())));
    } else if (it->is_regular_file()) {
      rows.push_back(rel + "=" + Read(it->path()));
    } else if (it->is_directory() && fs::is_empty(it->path())) {
      rows.push_back(rel + "/");
    }
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::string> TempTree::Folders(const fs::path& dir) {
  std::vector<std::string> folders;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_directory() && !entry.is_symlink())
      folders.push_back(fs::relative(entry.path(), dir).generic_string());
  }
  std::sort(folders.begin(), folders.end());
  return folders;
}

std::string TempTree::Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> GameSnapshot(const fs::path& gameDir) {
  std::vector<std::string> rows = TempTree::Snapshot(gameDir);
  std::erase_if(rows, [](const std::string& row) { return row.starts_with(".drydock-installs="); });
  return rows;
}

}  // namespace drydock::test
