#pragma once
// A real temporary folder for one test, removed afterwards, with helpers to
// lay out game directories and mods folders.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Opens a test that cannot do without symbolic links; a test that only has a part about them
// runs that part `if (drydock::test::LinksCanBeMade())`.
#define DRYDOCK_SKIP_WITHOUT_LINKS()     \
  if (drydock::test::LinksCanBeMade()) { \
  } else                                 \
    GTEST_SKIP() << "makes symbolic links, which MinGW's std::filesystem cannot create on Windows"

// Opens a test whose checks hold on Linux only, saying why it cannot run on Windows.
#ifdef _WIN32
#define DRYDOCK_SKIP_ON_WINDOWS(reason) GTEST_SKIP() << reason
#else
#define DRYDOCK_SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

namespace drydock::test {

// True when a folder without write permission keeps this process from making
// files in it: not for root, and never on Windows, where a folder's read-only
// attribute does not stop that.
bool FolderPermissionsBind();

// True when this process can make symbolic links: not where MinGW's std::filesystem runs, which
// cannot create them (under Wine the call it would need reports success and makes nothing).
bool LinksCanBeMade();

// Rows of names as this system tells them apart: unchanged on Linux; on Windows, whose file system
// ignores letter case, upper-cased and sorted again, since there a folder keeps the spelling of
// whoever made it first and a path may come back in the spelling it was asked for.
std::vector<std::string> CaseBlind(std::vector<std::string> rows);

// A game folder's snapshot (TempTree::Snapshot) without the ledger in which the game keeps the mod folders
// installed into it: for comparing a game while mods are installed. Once the last mod is out, the ledger is gone
// too, and the whole snapshot compares.
std::vector<std::string> GameSnapshot(const std::filesystem::path& gameDir);

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // Path below the root; `relative` may use '/' or '\'.
  std::filesystem::path operator/(std::string_view relative) const;

  // Writes a file (making its folders) and returns its path. Here and in
  // MakeDir a name starting with '.' is hidden on every system (on Windows by
  // the hidden attribute).
  std::filesystem::path Write(std::string_view relative, std::string_view contents = "x");
  std::filesystem::path MakeDir(std::string_view relative);
  std::filesystem::path Link(std::string_view relative, const std::filesystem::path& target);
  void MakeReadOnly(std::string_view relative);

  // Every regular file below `dir`, as "relative/path=contents" ('/' on every system), sorted; links
  // are listed as "relative/path->target". For comparing whole trees.
  static std::vector<std::string> Snapshot(const std::filesystem::path& dir);
  // Every folder below `dir` (links not followed), relative ('/' on every system), sorted: the tree
  // without its files.
  static std::vector<std::string> Folders(const std::filesystem::path& dir);
  static std::string Read(const std::filesystem::path& file);

 private:
  std::filesystem::path root_;
};

}  // namespace drydock::test
