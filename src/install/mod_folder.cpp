#include "install/mod_folder.h"

#include "library/game_folders.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/trash.h"

namespace fs = std::filesystem;

namespace drydock::install {

namespace {
// The game's folders, without the root (entry 79).
constexpr int kSubfolderCount = library::kGameFolderCount - 1;
}  // namespace

const char* NewModNameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name stands for a folder that is already there";
  if (name.front() == ' ') return "the name starts with a space";
  return platform::WindowsNameProblem(name);
}

NewFolder MakeNewModFolder(const fs::path& modsDir, const std::string& name, std::string* error) {
  if (NewModNameProblem(name)) return NewFolder::Invalid;
  if (!platform::FindEntryIgnoreCase(modsDir, name).empty()) return NewFolder::Exists;
  const platform::FsResult made = platform::MakeFolder(modsDir / platform::PathFromUtf8(name));
  if (!made) {
    if (error) *error = made.code().message();
    return NewFolder::Failed;
  }
  return platform::IsFolder(modsDir / platform::PathFromUtf8(name)) ? NewFolder::Made : NewFolder::Failed;
}

int MakeModSubfolders(const fs::path& modFolder) {
  if (!platform::IsFolder(modFolder)) return 0;
  platform::DirCache cache;
  int made = 0;
  // Parents come before their children in the table, so every level exists
  // (in whatever case it was found) before the next is resolved.
  for (int i = 1; i <= kSubfolderCount; ++i) {
    const std::string_view relative = library::GameFolder(i);
    const fs::path folder = platform::NativePath(modFolder, relative, &cache);
    if (platform::IsFolder(folder)) continue;
    if (platform::EntryExists(folder) || !platform::MakeFolder(folder)) continue;
    cache.Forget(folder.parent_path());
    ++made;
  }
  return made;
}

int RemoveModSubfolders(const fs::path& modFolder) {
  if (!platform::IsFolder(modFolder)) return 0;
  platform::DirCache cache;
  int removed = 0;
  for (int i = kSubfolderCount; i >= 1; --i) {
    for (const fs::path& folder : platform::AllCaseVariants(modFolder, library::GameFolder(i), &cache)) {
      if (platform::IsLink(folder)) continue;  // the system removes only an empty folder
      if (!platform::RemoveEmptyFolder(folder)) continue;
      cache.Forget(folder.parent_path());
      ++removed;
    }
  }
  return removed;
}

bool MoveModToTrash(const fs::path& modFolder, std::string* error) {
  const platform::FsResult moved = platform::MoveToTrash(modFolder);
  if (!moved && error) *error = moved.code().message();
  return moved.ok();
}

}  // namespace drydock::install
