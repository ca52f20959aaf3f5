#pragma once
// The analyzer's file operations on disk: paste a copied file into a folder
// without ever replacing a file there, remove a file to the trash, and tell
// which files the program plays itself. Each change runs under the writer
// lock that the caller holds for the mods folder.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/file_ops.h"
#include "platform/writer_lock.h"

namespace drydock::analyzer {

// True while `file` is a plain file (a regular file, not a link), so that Paste can copy it.
bool CopiedFileExists(const std::filesystem::path& file);

enum class PasteOutcome { Pasted, Exists, Failed };
struct PasteResult {
  PasteOutcome outcome = PasteOutcome::Failed;
  std::string why;  // for Failed: the failing path and the reason
};

// Copies `source` into `folder` as `name`. A name that a Windows game
// cannot hold fails and is not copied. Any entry of the folder whose
// name equals `name` ignoring letter case (the game's file system ignores
// it, so a.odf would land on A.odf there), hidden files and subfolders
// included, makes it Exists and nothing is written. The copy goes through a
// temporary name and a rename that never replaces an entry.
PasteResult PasteFile(const std::filesystem::path& source, const std::filesystem::path& folder, std::string_view name,
                      const platform::WriterLock& lock);

enum class RemoveOutcome { Trashed, NoTrash, Failed };
struct RemoveResult {
  RemoveOutcome outcome = RemoveOutcome::Failed;
  std::string why;  // for NoTrash and Failed
};

// Moves `file` to the desktop's trash, from where the user can bring it
// back. NoTrash when its volume has none: then the file is still there and
// only DeleteForGood, on the user's word, removes it.
RemoveResult RemoveFile(const std::filesystem::path& file, const platform::WriterLock& lock);
platform::FsResult DeleteForGood(const std::filesystem::path& file, const platform::WriterLock& lock);

// True for a wave file that the program plays itself: a plain file whose
// name ends in ".wav" in any letter case. Other files open through the shell.
bool IsPlayedWave(const std::filesystem::path& file, std::string_view name);

}  // namespace drydock::analyzer
