// The uninstall: a plan that judges every game file the mod's install touched
// (by the record's stamps, or by contents where there is no stamp), then the
// run that deletes, restores and retires by that plan.
#include <map>
#include <set>

#include "install/engine_common.h"
#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/game_folders.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using drydock::platform::PathFromUtf8;

namespace drydock::install {

namespace {

using Target = UninstallPlan::Target;
using State = Target::State;

// Whether `file` (the game's file, or a later mod's kept copy of it) still
// holds what this mod's install wrote: by the record's stamp without reading
// it (a kept copy is a link to what the game held, or a copy with its time),
// else by the mod's own bytes.
bool HoldsWhatWasWritten(const Target& t, const fs::path& file, const platform::FileStamp& stamp) {
  if (t.written && stamp.SameSizeAndTime(*t.written)) return true;
  return !t.modFile.empty() && platform::SameContents(t.modFile, file);
}
bool HoldsWhatWasWritten(const Target& t, const platform::FileStamp& game) {
  return HoldsWhatWasWritten(t, t.game, game);
}

// A file a later mod replaced too: the game's file is left to the stack, and
// what matters is whether the heir kept what this mod wrote. Anything else
// there was put by something that is not an installed mod (a hand edit, a
// game update) and is asked about.
State JudgeHandOver(const Target& t, const UninstallPlan& plan) {
  const auto heirKept = platform::StampOf(t.heirKept);
  if (!heirKept && platform::EntryExists(t.heirKept)) return State::Blocked;
  if (t.kept.empty()) {
    if (!heirKept) return t.heirKind == RecordEntry::Kind::Added ? State::Done : State::HandOver;
    return HoldsWhatWasWritten(t, t.heirKept, *heirKept) ? State::HandOver : State::Changed;
  }
  const auto kept = platform::StampOf(t.kept);
  if (!kept) {
    // Once the uninstall retires the backup, a kept original is missing only
    // because it was handed over (the heir's record was rewritten first).
    return plan.recordState == InstallRecord::State::Complete ? State::KeptMissing : State::Done;
  }
  // The heir's record already says so: killed between its record and the move.
  if (!heirKept) return t.heirKind == RecordEntry::Kind::Replaced ? State::HandOver : State::Changed;
  if (heirKept->SameFile(*kept) || platform::SameContents(t.kept, t.heirKept)) return State::Done;
  return HoldsWhatWasWritten(t, t.heirKept, *heirKept) ? State::HandOver : State::Changed;
}

State Judge(const Target& t, const UninstallPlan& plan) {
  if (t.heir >= 0) return JudgeHandOver(t, plan);
  const auto game = platform::StampOf(t.game);
  const bool gameExists = game || platform::EntryExists(t.game);
  if (t.kept.empty()) {
    // Something that is not a plain file holds nothing of the mod's.
    if (!game) return State::Done;
    return HoldsWhatWasWritten(t, *game) ? State::Ours : State::Changed;
  }
  const auto kept = platform::StampOf(t.kept);
  if (!kept) {
    // While an install or a retirement was under way, a kept file goes only
    // once the game holds the original again.
    if (plan.source != UninstallPlan::Source::Record || plan.recordState != InstallRecord::State::Complete) {
      return State::Done;
    }
    return game && HoldsWhatWasWritten(t, *game) ? State::KeptMissing : State::Done;
  }
  if (!gameExists) return State::Ours;
  if (!game) return State::Blocked;
  if (game->SameFile(*kept)) return State::Done;
  if (HoldsWhatWasWritten(t, *game)) return State::Ours;
  if (platform::SameContents(t.kept, t.game)) return State::Done;
  return State::Changed;
}

// The mod's own files that a Windows game can hold, by case-blind path.
std::map<std::string, fs::path> ModFilesByKey(const std::vector<ModFile>& files) {
  std::map<std::string, fs::path> byKey;
  for (const ModFile& f : files) {
    if (!platform::WindowsNameProblem(f.name)) byKey.emplace(f.Key(), f.source);
  }
  return byKey;
}

fs::path Lookup(const std::map<std::string, fs::path>& byKey, std::string_view relative) {
  const auto it = byKey.find(PathKey(relative));
  return it == byKey.end() ? fs::path() : it->second;
}

// For each file, the next mod above this one in the game's order of installs
// that replaced it too, when there is one.
void FindHeirs(UninstallPlan& plan) {
  std::vector<StackedMod> above = InstalledStack(ModsDirOf(plan.modFolder), plan.gameDir);
  std::erase_if(above, [&](const StackedMod& m) { return m.record.sequence <= plan.sequence; });
  std::map<std::size_t, int> heirOf;  // index in `above` -> index in plan.heirs
  for (Target& t : plan.targets) {
    const std::string key = PathKey(t.recordPath);
    for (std::size_t i = 0; i < above.size(); ++i) {
      const RecordEntry* entry = above[i].Entry(key);
      if (!entry) continue;
      auto [it, added] = heirOf.emplace(i, static_cast<int>(plan.heirs.size()));
      if (added) plan.heirs.push_back({above[i].backup, above[i].record});
      t.heir = it->second;
      t.heirKept = above[i].backup / PathFromUtf8(entry->path);
      t.heirKind = entry->kind;
      break;
    }
  }
}

void PlanFromRecord(UninstallPlan& plan, const InstallRecord& record, const std::map<std::string, fs::path>& mod) {
  plan.source = UninstallPlan::Source::Record;
  plan.recordState = record.state;
  platform::DirCache gameCache;
  for (const RecordEntry& e : record.entries) {
    Target t;
    t.recordPath = e.path;
    t.game = platform::NativePath(plan.gameDir, e.path, &gameCache);
    if (e.kind == RecordEntry::Kind::Replaced) t.kept = plan.backup / PathFromUtf8(e.path);
    t.modFile = Lookup(mod, e.path);
    t.written = e.written;
    plan.targets.push_back(std::move(t));
  }
  plan.game = record.game;
  plan.sequence = record.sequence;
  if (record.sequence != 0 && platform::SamePathText(record.game, CanonicalGame(plan.gameDir))) FindHeirs(plan);
}

// A backup without a record: every plain file in it (in any letter-case
// variant of a table folder) is a kept original, and every mod file without
// one was added by the install.
void PlanFromOldBackup(UninstallPlan& plan, const std::vector<ModFile>& files,
                       const std::map<std::string, fs::path>& mod) {
  plan.source = UninstallPlan::Source::OldBackup;
  platform::DirCache gameCache, backupCache;
  std::set<std::string> keptKeys;
  for (int i = 1; i <= library::kGameFolderCount; ++i) {
    for (const fs::path& folder : platform::AllCaseVariants(plan.backup, library::GameFolder(i), &backupCache)) {
      for (const std::string& name : platform::ListPlainFiles(folder)) {
        if (i == library::kGameFolderCount && (name == kOldAddedListName || name == kRecordName)) continue;
        // Such a name cannot be put back where it came from; it stays in the backup.
        if (platform::WindowsNameProblem(name)) continue;
        const std::string relative = std::string(library::GameFolder(i)) + name;
        Target t;
        t.kept = folder / PathFromUtf8(name);
        t.recordPath = RelativeRecordPath(plan.backup, t.kept);
        t.game = platform::NativePath(plan.gameDir, t.recordPath, &gameCache);
        t.modFile = Lookup(mod, relative);
        (keptKeys.insert(PathKey(library::GameFolder(i), name)).second ? plan.targets : plan.extraKept)
            .push_back(std::move(t));
      }
    }
  }
  // An earlier version listed the files it added; a name there that is not
  // one of the mod's files is no business of this uninstall.
  std::optional<std::set<std::string>> listed;
  const fs::path addedList = plan.backup / PathFromUtf8(kOldAddedListName);
  if (platform::IsFile(addedList)) {
    listed.emplace();
    for (const std::string& line : platform::ReadTextLines(addedList, {.maxBytes = 64u << 20})) {
      listed->insert(PathKey(line));
    }
  }
  for (const ModFile& f : files) {
    const std::string key = f.Key();
    if (keptKeys.count(key) || (listed && !listed->count(key)) || platform::WindowsNameProblem(f.name)) continue;
    Target t;
    t.game = platform::NativePath(plan.gameDir, f.Relative(), &gameCache);
    t.recordPath = RelativeRecordPath(plan.gameDir, t.game);
    t.modFile = f.source;
    plan.targets.push_back(std::move(t));
  }
}

void PlanWithoutBackup(UninstallPlan& plan, const std::vector<ModFile>& files) {
  plan.source = UninstallPlan::Source::NoBackup;
  // The originals the last uninstall put back are the game's, whatever they hold.
  std::map<std::string, platform::FileStamp> restored;
  if (const auto note = ReadUninstallNote(plan.modFolder, plan.gameDir)) {
    for (const auto& [path, stamp] : note->restored) restored.emplace(PathKey(path), stamp);
  }
  platform::DirCache gameCache;
  for (const ModFile& f : files) {
    if (platform::WindowsNameProblem(f.name)) continue;
    Target t;
    t.game = platform::NativePath(plan.gameDir, f.Relative(), &gameCache);
    t.recordPath = RelativeRecordPath(plan.gameDir, t.game);
    t.modFile = f.source;
    const auto original = restored.find(PathKey(t.recordPath));
    const auto now = platform::StampOf(t.game);
    if (original != restored.end() && now && now->SameSizeAndTime(original->second)) continue;
    plan.targets.push_back(std::move(t));
  }
}

// Takes away the temporary files of killed runs from every folder the run
// will change.
void RemoveTemporaries(const UninstallPlan& plan) {
  std::set<fs::path> folders;
  for (const Target& t : plan.targets) {
    folders.insert(t.game.parent_path());
    if (!t.kept.empty()) folders.insert(t.kept.parent_path());
  }
  for (const fs::path& folder : folders) {
    if (platform::IsFolder(folder)) platform::RemoveOwnTemporaries(folder);
  }
}

const char* WhyLeft(const Target& t) {
  if (t.heir >= 0 && t.state == State::Changed) {
    return "the copy that a mod installed later kept of it is not what this mod's install wrote, so both were left "
           "as they are";
  }
  switch (t.state) {
    case State::Changed:
      return "the game's file is neither what this mod's install wrote nor its backup copy, so both were left as "
             "they are";
    case State::KeptMissing:
      return "its kept original is missing from the backup, so the game's file was left as it was";
    case State::Blocked:
      return "a folder or a link stands where its kept original goes back";
    default:
      return "";
  }
}

// Hands the kept originals of the files that later mods replaced too to
// those mods. Each heir's record is rewritten first, saying what the file was
// before this mod (replaced, or added), and then the original moves into the
// heir's backup by one rename, so at every moment it lies in one of the two
// backups; a file this mod added leaves the heir nothing to keep.
void HandOver(const UninstallPlan& plan, bool mayReplace, Report& report) {
  const auto acts = [&](const Target& t) {
    return t.heir >= 0 && (t.state == State::HandOver || (t.state == State::Changed && mayReplace));
  };
  std::vector<InstallRecord> records;
  std::vector<bool> rewrite(plan.heirs.size(), false);
  for (const UninstallPlan::Heir& heir : plan.heirs) records.push_back(heir.record);
  for (const Target& t : plan.targets) {
    if (!acts(t)) continue;
    const auto kind = t.kept.empty() ? RecordEntry::Kind::Added : RecordEntry::Kind::Replaced;
    InstallRecord& record = records[static_cast<std::size_t>(t.heir)];
    for (RecordEntry& e : record.entries) {
      if (PathKey(e.path) != PathKey(t.recordPath) || e.kind == kind) continue;
      e.kind = kind;
      rewrite[static_cast<std::size_t>(t.heir)] = true;
    }
  }
  for (std::size_t i = 0; i < plan.heirs.size(); ++i) {
    if (!rewrite[i]) continue;
    if (platform::FsResult r = WriteRecord(plan.heirs[i].backup, records[i]); !r) {
      Fail(report, std::string(kBackupFolderName), r, "the record of a mod installed later could not be rewritten");
      return;
    }
  }
  for (const Target& t : plan.targets) {
    if (!acts(t)) continue;
    platform::FsResult r;
    if (t.kept.empty()) {
      if (platform::EntryExists(t.heirKept)) r = platform::DeleteFile(t.heirKept);
    } else {
      r = platform::MakeFolderTree(t.heirKept.parent_path());
      if (r) r = platform::MoveWithinVolume(t.kept, t.heirKept, /*replace=*/true);
      // A mod folder linked from another disk: a copy, and the original goes with this backup once it is retired.
      if (!r && r.code() == std::errc::cross_device_link)
        r = platform::CopyFileReplace(t.kept, t.heirKept, {.sync = true});
    }
    if (!r) Fail(report, ShownPath(t.recordPath), r, "could not be handed to the mod installed over it; it was kept");
  }
  if (!plan.heirs.empty() && report.failures.empty()) {
    if (platform::FsResult r = platform::SyncVolume(plan.backup); !r) {
      Fail(report, std::string(kBackupFolderName), r, "the handed-over files could not be flushed");
    }
  }
}

// The backup goes only after every file came back. The record first says
// so, so that a run killed while deleting kept files knows that the missing
// ones were restored; then the kept files, and the folder when nothing of
// anyone else's is left in it.
void Retire(const UninstallPlan& plan, bool mayReplace, const Callbacks& callbacks, Report& report) {
  EnterPhase(callbacks, Phase::DeletingBackup);
  InstallRecord retiring;
  retiring.state = InstallRecord::State::Retiring;
  retiring.game = plan.game;
  retiring.sequence = plan.sequence;
  for (const Target& t : plan.targets) {
    retiring.entries.push_back(
        {t.kept.empty() ? RecordEntry::Kind::Added : RecordEntry::Kind::Replaced, t.recordPath, t.written});
  }
  if (platform::FsResult r = WriteRecord(plan.backup, retiring); !r) {
    Fail(report, std::string(kBackupFolderName), r, "the backup could not be retired");
    return;
  }
  HandOver(plan, mayReplace, report);
  if (!report.failures.empty()) return;
  const auto total = static_cast<std::int64_t>(std::max<std::size_t>(plan.targets.size(), 1));
  std::int64_t index = 0;
  for (const Target& t : plan.targets) {
    Progress(callbacks, total + index++, 2 * total);
    if (t.kept.empty() || !platform::EntryExists(t.kept)) continue;
    if (platform::FsResult r = platform::DeleteFile(t.kept); !r) {
      Fail(report, ShownPath(std::string(kBackupFolderName) + "/" + t.recordPath), r, "could not be deleted");
    }
  }
  for (const Target& extra : plan.extraKept) {
    if (platform::SameContents(extra.kept, extra.game)) (void)platform::DeleteFile(extra.kept);
  }
  const fs::path oldAddedList = plan.backup / PathFromUtf8(kOldAddedListName);
  if (platform::IsFile(oldAddedList)) (void)platform::DeleteFile(oldAddedList);
  if (!report.failures.empty()) return;

  // Before the mod stops counting as installed, a note of what came back: a
  // later "uninstall anyway" leaves those originals alone even where they
  // hold the mod's very bytes.
  UninstallNote note;
  for (const Target& t : plan.targets) {
    if (t.kept.empty() || t.heir >= 0) continue;
    if (const auto stamp = platform::StampOf(t.game)) note.restored.emplace_back(t.recordPath, *stamp);
  }
  (void)WriteUninstallNote(plan.modFolder, plan.gameDir, std::move(note));

  platform::FsResult removed;
  const std::vector<std::string> leftovers = RemoveSpentBackup(plan.modFolder, plan.backup, removed);
  if (!leftovers.empty()) {
    // What is left is someone else's: it stays, under a record with nothing
    // more to undo, and the mod keeps counting as installed.
    (void)WriteRecord(plan.backup, InstallRecord{InstallRecord::State::Complete, plan.game, plan.sequence, {}});
    for (const std::string& rel : leftovers) {
      report.failures.push_back({ShownPath(std::string(kBackupFolderName) + "/" + rel),
                                 "Drydock did not put this in the backup folder, so the folder stays; move it out "
                                 "and uninstall again"});
    }
  } else if (!removed) {
    Fail(report, std::string(kBackupFolderName), removed, "the backup folder could not be removed");
  }
  Progress(callbacks, 2 * total, 2 * total);
}

}  // namespace

std::vector<std::string> UninstallPlan::Changed() const {
  std::vector<std::string> changed;
  if (source != Source::Record) return changed;
  for (const Target& t : targets) {
    if (t.state == State::Changed) changed.push_back(ShownPath(t.recordPath));
  }
  return changed;
}

std::vector<std::string> UninstallPlan::Deletions() const {
  std::vector<std::string> deleted;
  if (source != Source::NoBackup) return deleted;
  for (const Target& t : targets) {
    if (t.state == State::Ours) deleted.push_back(ShownPath(t.recordPath));
  }
  return deleted;
}

UninstallPlan PlanUninstall(const platform::WriterLock& /*held*/, const fs::path& gameDir, const fs::path& modFolder) {
  UninstallPlan plan;
  plan.gameDir = gameDir;
  plan.modFolder = modFolder;
  if (auto refusal = CheckFolders(gameDir, modFolder)) {
    plan.refusal = *refusal;
    return plan;
  }
  CleanLeftovers(modFolder);
  plan.backup = FindBackupFolder(modFolder);
  const std::vector<ModFile> files = ListModFiles(modFolder);
  const std::map<std::string, fs::path> mod = ModFilesByKey(files);
  InstallRecord record;
  if (plan.backup.empty()) {
    PlanWithoutBackup(plan, files);
  } else if (const RecordStatus status = ReadRecord(plan.backup, record); status == RecordStatus::Read) {
    PlanFromRecord(plan, record, mod);
  } else if (status == RecordStatus::Unreadable) {
    plan.refusal = Refuse(
        "The install record in the mod's Backup folder cannot be read (it may come from a later version of "
        "Drydock), so nothing was changed.");
    return plan;
  } else {
    PlanFromOldBackup(plan, files, mod);
  }
  for (Target& t : plan.targets) t.state = Judge(t, plan);
  return plan;
}

Report UninstallModFiles(const platform::WriterLock& /*held*/, const UninstallPlan& plan, ChangedFiles changed,
                         const Callbacks& callbacks) {
  if (plan.refusal.refused) return plan.refusal;
  Report report;
  // Without a record there is no telling what changed a file since; such a
  // file is never overwritten, whatever the answer (a mod may ship a Backup
  // folder of its own that was never this game's).
  const bool mayReplace = changed == ChangedFiles::Replace && plan.source == UninstallPlan::Source::Record;
  const auto acts = [mayReplace](const Target& t) {
    return t.state == State::Ours || (t.state == State::Changed && mayReplace);
  };
  RemoveTemporaries(plan);
  // Files a later mod replaced too stay in the game; their originals go to
  // that mod when the backup is retired, unless something stands in the way.
  for (const Target& t : plan.targets) {
    if (t.heir < 0 || t.state == State::Done || t.state == State::HandOver || acts(t)) continue;
    report.failures.push_back({ShownPath(t.recordPath), WhyLeft(t)});
  }

  // 1. The files the install added.
  EnterPhase(callbacks, Phase::DeletingFiles);
  for (const Target& t : plan.targets) {
    if (!t.kept.empty() || t.heir >= 0) continue;
    if (t.state == State::Changed && !acts(t)) {
      // Without a record nothing says the install put a file there, so one
      // that does not hold the mod's bytes is simply not the mod's.
      if (plan.source != UninstallPlan::Source::Record) {
        report.leftAlone.push_back(ShownPath(t.recordPath));
      } else {
        report.failures.push_back({ShownPath(t.recordPath),
                                   "the game's file is not what this mod's install wrote, so it was left as it was"});
      }
    }
    if (!acts(t)) continue;
    (void)platform::ResetAttributes(t.game);
    if (platform::FsResult r = platform::DeleteFile(t.game); !r) {
      Fail(report, ShownPath(t.recordPath), r, "could not be deleted");
    } else {
      ++report.filesHandled;
    }
  }

  // 2. Every kept game file back in its place: the first half of the bar.
  EnterPhase(callbacks, Phase::RestoringBackup);
  const auto total = static_cast<std::int64_t>(std::max<std::size_t>(plan.targets.size(), 1));
  std::int64_t index = 0;
  for (const Target& t : plan.targets) {
    Progress(callbacks, index++, 2 * total);
    if (t.kept.empty() || t.state == State::Done || t.heir >= 0) continue;
    if (!acts(t)) {
      report.failures.push_back({ShownPath(t.recordPath), WhyLeft(t)});
      continue;
    }
    platform::FsResult r = platform::MakeFolderTree(t.game.parent_path());
    if (r && platform::EntryExists(t.game)) (void)platform::ResetAttributes(t.game);
    if (r) r = platform::LinkOrCopy(t.kept, t.game);
    if (!r) {
      Fail(report, ShownPath(t.recordPath), r, "could not be restored; its backup copy was kept");
      continue;
    }
    ++report.filesHandled;
  }
  if (plan.source == UninstallPlan::Source::NoBackup || !report.failures.empty()) return report;

  // 3. Only now, with every file back and on disk, the backup is retired.
  if (platform::FsResult r = platform::SyncVolume(plan.gameDir); !r) {
    Fail(report, std::string(kBackupFolderName), r, "the restored files could not be flushed, so the backup was kept");
    return report;
  }
  Retire(plan, mayReplace, callbacks, report);
  return report;
}

}  // namespace drydock::install
