#include "analyzer/analyzer_files.h"

#include "analyzer/odf_stats.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/trash.h"

namespace fs = std::filesystem;

namespace drydock::analyzer {

bool CopiedFileExists(const fs::path& file) {
  std::error_code ec;
  return fs::symlink_status(file, ec).type() == fs::file_type::regular;
}

PasteResult PasteFile(const fs::path& source, const fs::path& folder, std::string_view name,
                      const platform::WriterLock& /*lock*/) {
  if (!CopiedFileExists(source)) {
    return {PasteOutcome::Failed, platform::PrintableName(platform::PathToUtf8(source)) + ": the file is gone"};
  }
  if (const char* problem = platform::WindowsNameProblem(name)) {
    return {PasteOutcome::Failed, platform::PrintableName(name) + ": the game cannot hold this name (" + problem + ")"};
  }
  if (!platform::IsFolder(folder)) {
    return {PasteOutcome::Failed, platform::PrintableName(platform::PathToUtf8(folder)) + ": the folder is gone"};
  }
  for (const std::string& existing : platform::ListAllNames(folder)) {
    if (platform::EqualsIgnoreCase(existing, name)) return {PasteOutcome::Exists, {}};
  }
  platform::CopyOptions options;
  options.replace = false;  // a file made meanwhile under this name stays as it is
  const platform::FsResult copied = platform::CopyFileReplace(source, folder / platform::PathFromUtf8(name), options);
  if (copied) return {PasteOutcome::Pasted, {}};
  if (copied.code() == std::errc::file_exists) return {PasteOutcome::Exists, {}};
  return {PasteOutcome::Failed, copied.Message()};
}

RemoveResult RemoveFile(const fs::path& file, const platform::WriterLock& /*lock*/) {
  if (!CopiedFileExists(file)) {
    return {RemoveOutcome::Failed, platform::PrintableName(platform::PathToUtf8(file)) + ": the file is gone"};
  }
  const platform::FsResult trashed = platform::MoveToTrash(file);
  if (trashed) return {RemoveOutcome::Trashed, {}};
  return {RemoveOutcome::NoTrash, trashed.Message()};
}

platform::FsResult DeleteForGood(const fs::path& file, const platform::WriterLock& /*lock*/) {
  return platform::DeleteFile(file);
}

bool IsPlayedWave(const fs::path& file, std::string_view name) {
  return platform::ToLowerAscii(LastFour(name)) == ".wav" && CopiedFileExists(file);
}

}  // namespace drydock::analyzer
