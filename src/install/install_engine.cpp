#include "install/install_engine.h"

#include <algorithm>
#include <set>

#include "install/engine_common.h"
#include "install/install_plan.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/game_folders.h"
#include "modinfo/mod_info.h"
#include "platform/file_ops.h"
#include "platform/links.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;
using drydock::platform::PathFromUtf8;

namespace drydock::install {

namespace {

// One mod file on its way into the game, as the plan has it.
struct Copy {
  const InstallPlan::File* file;
  RecordEntry entry;
  bool copied = false;
  bool Replaces() const { return entry.kind == RecordEntry::Kind::Replaced; }
  // The game holds the mod's bytes already: nothing is written, and a copy of
  // the game's file is kept, so that the mod below (or the game) still gets
  // its file back whichever of the two is uninstalled first.
  bool SameBytes() const { return file->action == InstallPlan::Action::SameBytes; }
  const fs::path& Game() const { return file->game; }
  std::string Shown() const { return file->file.Shown(); }
};

// Makes the missing folders of `folder` one by one, remembering those it
// made (deepest last) so that they can go again if they stay empty.
void MakeFoldersRemembering(const fs::path& root, const fs::path& folder, std::vector<fs::path>& made) {
  std::vector<fs::path> missing;
  for (fs::path p = folder; p != root && !p.empty() && !platform::EntryExists(p); p = p.parent_path()) {
    missing.push_back(p);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!platform::MakeFolder(*it)) return;
    made.push_back(*it);
  }
}

std::vector<Copy> CopiesOf(const InstallPlan& plan) {
  std::vector<Copy> copies;
  copies.reserve(plan.files.size());
  for (const InstallPlan::File& f : plan.files) {
    Copy copy{&f, {}};
    copy.entry.kind = f.action == InstallPlan::Action::Adds ? RecordEntry::Kind::Added : RecordEntry::Kind::Replaced;
    copy.entry.path = f.recordPath;
    copies.push_back(std::move(copy));
  }
  return copies;
}

// Keeps every game file the mod replaces below `building`; a file that could
// not be kept drops out of the install.
void BuildBackup(const fs::path& building, std::vector<Copy>& copies, Report& report) {
  std::set<fs::path> folders;
  std::erase_if(copies, [&](Copy& copy) {
    if (!copy.Replaces()) return false;
    // The original keeps its attributes: a read-only file comes back read-only.
    const fs::path kept = building / PathFromUtf8(copy.entry.path);
    platform::FsResult r;
    if (folders.insert(kept.parent_path()).second) r = platform::MakeFolderTree(kept.parent_path());
    if (r && copy.SameBytes()) {
      // A copy, not a link: the kept file must not share the game file's inode.
      platform::FileStamp ignored;
      r = platform::CopyFileReplace(copy.Game(), kept, {.replace = false}, &ignored);
      // What "the install wrote" is the game's file as it lies, untouched.
      const auto now = platform::StampOf(copy.Game());
      if (r && !now)
        r = platform::FsResult::Fail(std::make_error_code(std::errc::no_such_file_or_directory), copy.Game());
      if (r) {
        copy.entry.written = *now;
        copy.entry.fullStamp = true;
      }
    } else if (r) {
      r = platform::LinkOrCopy(copy.Game(), kept, {.replace = false});
    }
    if (r) return false;
    Fail(report, copy.Shown(), r, "the game's file could not be backed up, so it was left as it was");
    return true;
  });
  // The size of each kept original goes into the record, so that a check can tell one cut short.
  for (Copy& copy : copies) {
    if (const auto kept = platform::StampOf(building / PathFromUtf8(copy.entry.path)); kept && copy.Replaces())
      copy.entry.keptSize = kept->size;
  }
}

// Records what the install is about to do, flushes the backup and makes it
// the installed marker. Only after this may a game file change.
platform::FsResult CommitBackup(const fs::path& building, const fs::path& backup, const std::vector<Copy>& copies,
                                InstallRecord record) {
  for (const Copy& copy : copies) record.entries.push_back(copy.entry);
  platform::FsResult r = WriteRecord(building, record);
  if (r) r = platform::SyncVolume(building);
  if (r) r = platform::MoveWithinVolume(building, backup);
  return r;
}

void CopyFiles(const fs::path& gameDir, std::vector<Copy>& copies, const Callbacks& callbacks, Report& report) {
  std::set<fs::path> touched;
  for (const Copy& copy : copies) {
    if (copy.SameBytes()) continue;
    if (touched.insert(copy.Game().parent_path()).second) platform::RemoveOwnTemporaries(copy.Game().parent_path());
  }
  // The folders this install makes for its new files are noted in the game's
  // ledger before they are made, so that the last uninstall takes them away.
  std::set<std::string> missing;
  for (const Copy& copy : copies) {
    if (copy.Replaces() || copy.SameBytes()) continue;
    for (fs::path p = copy.Game().parent_path(); p != gameDir && !p.empty() && !platform::EntryExists(p);
         p = p.parent_path()) {
      missing.insert(RelativeRecordPath(gameDir, p));
    }
  }
  (void)NoteMadeFolders(gameDir, {missing.begin(), missing.end()});
  std::vector<fs::path> madeFolders;
  const auto total = static_cast<std::int64_t>(copies.size());
  std::int64_t index = 0;
  for (Copy& copy : copies) {
    Progress(callbacks, index++, total);
    if (copy.SameBytes()) {
      copy.copied = true;
      ++report.filesHandled;
      ++report.sameBytes;
      continue;
    }
    const fs::path& source = copy.file->file.source;
    (void)platform::ResetAttributes(source);
    if (!copy.Replaces()) MakeFoldersRemembering(gameDir, copy.Game().parent_path(), madeFolders);
    platform::FileStamp written;
    const platform::FsResult r = platform::CopyFileReplace(source, copy.Game(), {.replace = copy.Replaces()}, &written);
    if (!r) {
      Fail(report, copy.Shown(), r,
           copy.Replaces() ? "the mod's file could not be copied; the game's file was left as it was"
                           : "the mod's file could not be copied");
      continue;
    }
    copy.copied = true;
    copy.entry.written = written;
    copy.entry.fullStamp = true;
    ++report.filesHandled;
    if (copy.Replaces()) ++report.originalsKept;
  }
  Progress(callbacks, index, total);
  // Folders this install made for files that could not be copied go again.
  for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) {
    if (platform::ListAllNames(*it).empty()) (void)platform::RemoveEmptyFolder(*it);
  }
}

// Writes the final record. A game file that could not be replaced keeps no
// kept copy; when nothing was installed at all, no backup stays.
void FinishBackup(const fs::path& gameDir, const fs::path& modFolder, const fs::path& backup,
                  const std::vector<Copy>& copies, InstallRecord record) {
  record.state = InstallRecord::State::Complete;
  for (const Copy& copy : copies) {
    if (copy.copied) {
      record.entries.push_back(copy.entry);
      continue;
    }
    if (!copy.Replaces()) continue;
    const fs::path kept = backup / PathFromUtf8(copy.entry.path);
    const auto keptStamp = platform::StampOf(kept), gameStamp = platform::StampOf(copy.Game());
    const bool gameHoldsIt =
        keptStamp && gameStamp && (keptStamp->SameFile(*gameStamp) || platform::SameContents(kept, copy.Game()));
    if (!gameHoldsIt || !platform::DeleteFile(kept)) {
      record.entries.push_back(copy.entry);
      continue;
    }
    for (fs::path folder = kept.parent_path(); folder != backup && platform::ListAllNames(folder).empty();
         folder = folder.parent_path()) {
      if (!platform::RemoveEmptyFolder(folder)) break;
    }
  }
  if (record.entries.empty()) {
    platform::FsResult removed;
    if (RemoveSpentBackup(modFolder, backup, removed).empty() && removed) {
      (void)ForgetInLedger(gameDir, modFolder);
      return;
    }
  }
  // Should this fail, the record stays "pending", which the uninstall reads
  // just as safely, by contents instead of stamps.
  (void)WriteRecord(backup, record);
}

}  // namespace

InstallPlan PrepareInstall(const platform::WriterLock& /*held*/, const fs::path& gameDir, const fs::path& modFolder) {
  if (auto refusal = CheckFolders(gameDir, modFolder)) {
    InstallPlan refused;
    refused.refusal = *refusal;
    return refused;
  }
  CleanLeftovers(modFolder);
  return PlanInstall(gameDir, modFolder);
}

Report InstallModFiles(const platform::WriterLock& lock, const fs::path& gameDir, const fs::path& modFolder,
                       const Callbacks& callbacks) {
  return InstallPlannedFiles(lock, PrepareInstall(lock, gameDir, modFolder), callbacks);
}

// The one plan the dry run shows: this run does what it says, and what would
// stop it midway stops it before anything changes.
Report InstallPlannedFiles(const platform::WriterLock& /*held*/, const InstallPlan& plan, const Callbacks& callbacks) {
  if (plan.refusal.refused) return plan.refusal;
  if (!plan.blockers.empty()) return Refuse(plan.BlockerText());
  const fs::path& gameDir = plan.gameDir;
  const fs::path& modFolder = plan.modFolder;
  Report report;
  report.failures = plan.keptOut;
  std::vector<Copy> copies = CopiesOf(plan);
  if (copies.empty()) return report;

  EnterPhase(callbacks, Phase::CreatingBackup);
  const fs::path building = modFolder / PathFromUtf8(kBackupBuildingName);
  if (platform::FsResult r = platform::MakeFolder(building); !r) {
    return Refuse("The backup folder could not be made, so nothing was changed (" + r.Message() + ").");
  }
  BuildBackup(building, copies, report);
  const fs::path backup = modFolder / PathFromUtf8(kBackupFolderName);
  // This install's game and its place in the game's order of installs, which
  // the uninstall of a mod below it follows to hand its kept originals up.
  InstallRecord header;
  header.game = CanonicalText(gameDir);
  header.identity = IdentityOf(gameDir);
  header.sequence = NextSequence(ModsDirOf(modFolder), gameDir);
  platform::FsResult committed;
  // The game's ledger names this mod before its backup counts: a mod folder
  // elsewhere that installs into the game next sees it, and takes the next
  // number. It is only a pointer to the record, so a failure to note it stops nothing.
  if (!copies.empty()) (void)NoteInLedger(gameDir, modFolder, header.sequence);
  if (!copies.empty()) committed = CommitBackup(building, backup, copies, header);
  if (copies.empty() || !committed) {
    (void)platform::DeleteTree(building);
    if (!committed) {
      (void)ForgetInLedger(gameDir, modFolder);
      return Refuse("The backup could not be completed, so nothing was changed (" + committed.Message() + ").");
    }
    return report;
  }
  (void)platform::SyncPath(modFolder);
  // What an earlier uninstall noted no longer describes the game.
  const fs::path note = modFolder / PathFromUtf8(kUninstallNoteName);
  if (platform::IsFile(note)) (void)platform::DeleteFile(note);

  EnterPhase(callbacks, Phase::CopyingFiles);
  CopyFiles(gameDir, copies, callbacks, report);
  // Where every file that had to be written failed, the install changed
  // nothing, and the files the game held already do not make it installed.
  if (report.filesHandled == report.sameBytes && !report.failures.empty() &&
      std::any_of(copies.begin(), copies.end(), [](const Copy& c) { return !c.SameBytes(); })) {
    for (Copy& copy : copies) copy.copied = false;
    report.filesHandled = report.sameBytes = 0;
  }
  FinishBackup(gameDir, modFolder, backup, copies, header);
  (void)platform::SyncVolume(gameDir);
  return report;
}

}  // namespace drydock::install
