#pragma once
// Links on the way into a tree. Drydock never writes through a symbolic link
// (or, on Windows, a junction or another reparse point) below the folder it
// works on: a player who links a game's "textures" folder to a shared one
// would otherwise have files changed in a folder outside the game.
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

namespace drydock::platform {

struct LinkOnPath {
  std::filesystem::path link;    // the component that is a link
  std::filesystem::path target;  // where it leads; empty when that cannot be told
};

// True for a symbolic link, and on Windows for any reparse point (junctions,
// mount points), whatever it points to; false for a missing entry.
bool IsLinkEntry(const std::filesystem::path& path);

// The first component of `path` below `root` that is a link, `path` itself
// included and `root` excluded (the root may be a link: a game folder kept
// on another disk). Nothing when there is none, when a component does not
// exist (nothing beyond it can be a link yet), or when `path` does not lie
// below `root`.
std::optional<LinkOnPath> FirstLinkBelow(const std::filesystem::path& root, const std::filesystem::path& path);

// "textures/rgb is a link to /shared/rgb", the link shown below `root`.
std::string DescribeLink(const std::filesystem::path& root, const LinkOnPath& link);

// FirstLinkBelow for many paths below one root, each folder looked at once.
class LinkGuard {
 public:
  explicit LinkGuard(std::filesystem::path root) : root_(std::move(root)) {}
  std::optional<LinkOnPath> Find(const std::filesystem::path& path);
  const std::filesystem::path& root() const { return root_; }

 private:
  std::optional<LinkOnPath> FindFolder(const std::filesystem::path& folder);
  std::filesystem::path root_;
  std::unordered_map<std::string, std::optional<LinkOnPath>> folders_;  // by native path
};

}  // namespace drydock::platform
