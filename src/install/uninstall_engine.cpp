// The uninstall's run: by the plan (uninstall_plan.cpp) it deletes what the
// install added, puts every kept file back, hands kept originals to the mods
// installed over this one, and retires the backup once all of it is done.
#include <set>

#include "install/engine_common.h"
#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/trash.h"

namespace fs = std::filesystem;
using drydock::platform::PathFromUtf8;

namespace drydock::install {

namespace {

using Target = UninstallPlan::Target;
using State = Target::State;
using Source = UninstallPlan::Source;

constexpr char kLeftOverName[] = "Backup (left over)";

// What the run does with each file: `replace` is the user's word on the
// files the install did not write (only for files a record lists: without
// one nothing says a file was ever the game's).
struct Rules {
  const UninstallPlan& plan;
  bool replace;
  bool MayReplace(const Target& t) const { return replace && t.recorded; }
  bool Acts(const Target& t) const { return t.state == State::Ours || (t.state == State::Changed && MayReplace(t)); }
  // Left in the backup, which a forced uninstall puts away as a whole.
  bool GoesWithTheBackup(const Target& t) const {
    return plan.forced && (t.state == State::Blocked || t.state == State::Unplaceable ||
                           (t.state == State::Changed && !MayReplace(t) && !t.kept.empty()));
  }
};

// Moves a file that no record accounts for out of the way before the run
// replaces or deletes it: into the trash, never away. False, with the
// failure reported, when the trash cannot take it; then the caller leaves
// both files as they are.
bool Trash(const fs::path& file, const std::string& shown, Report& report) {
  if (!platform::EntryExists(file)) return true;
  if (platform::FsResult r = platform::MoveToTrash(file); !r) {
    Fail(report, shown, r,
         "it is not what this mod's install wrote and could not be moved to the trash, so it was left as it was");
    return false;
  }
  return true;
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

// Hands the kept originals of the files that later mods replaced too to
// those mods. Each heir's record is rewritten first, saying what the file was
// before this mod (replaced, or added), and then the original moves into the
// heir's backup by one rename, so at every moment it lies in one of the two
// backups; a file this mod added leaves the heir nothing to keep. What an
// heir kept that this mod's install did not write goes to the trash first.
void HandOver(const Rules& rules, Report& report) {
  const UninstallPlan& plan = rules.plan;
  const auto acts = [&](const Target& t) {
    return t.heir >= 0 && (t.state == State::HandOver || (t.state == State::Changed && rules.MayReplace(t)));
  };
  std::vector<InstallRecord> records;
  std::vector<bool> rewrite(plan.heirs.size(), false);
  for (const UninstallPlan::Heir& heir : plan.heirs) records.push_back(heir.record);
  for (const Target& t : plan.targets) {
    if (!acts(t)) continue;
    const auto kind = t.kept.empty() ? RecordEntry::Kind::Added : RecordEntry::Kind::Replaced;
    InstallRecord& record = records[static_cast<std::size_t>(t.heir)];
    for (RecordEntry& e : record.entries) {
      // The kept original's size moves with the file.
      const auto keptSize = kind == RecordEntry::Kind::Replaced ? t.keptSize : std::nullopt;
      if (PathKey(e.path) != PathKey(t.recordPath) || (e.kind == kind && e.keptSize == keptSize)) continue;
      e.kind = kind;
      e.keptSize = keptSize;
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
    if (t.state == State::Changed && !Trash(t.heirKept, ShownPath(t.recordPath), report)) continue;
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

// A forced uninstall's end: what is left of the backup (originals that could
// not go back, files Drydock did not put there) goes to the trash as a whole,
// or, where there is none, to a folder beside it that is no backup.
void PutAwayBackup(const UninstallPlan& plan, Report& report) {
  if (platform::MoveToTrash(plan.backup)) {
    report.backupWentTo = "the trash";
    return;
  }
  for (int n = 1; n < 1000; ++n) {
    const std::string name = n == 1 ? kLeftOverName : std::string(kLeftOverName) + " " + std::to_string(n);
    const fs::path to = plan.modFolder / PathFromUtf8(name);
    if (platform::EntryExists(to)) continue;
    if (platform::FsResult r = platform::MoveWithinVolume(plan.backup, to); !r) {
      Fail(report, std::string(kBackupFolderName), r, "what is left of the backup could not be put away");
      return;
    }
    report.backupWentTo = platform::PathToUtf8(to);
    return;
  }
}

// The backup goes only after every file came back. The record first says
// so, so that a run killed while deleting kept files knows that the missing
// ones were restored; then the kept files, and the folder when nothing of
// anyone else's is left in it.
void Retire(const Rules& rules, const Callbacks& callbacks, Report& report) {
  const UninstallPlan& plan = rules.plan;
  EnterPhase(callbacks, Phase::DeletingBackup);
  InstallRecord retiring;
  retiring.state = InstallRecord::State::Retiring;
  retiring.game = plan.game;
  retiring.identity = IdentityOf(plan.gameDir);
  retiring.sequence = plan.sequence;
  // What a forced run leaves in the backup is not listed: a run killed before
  // the backup is put away must not take it for a restored original.
  for (const Target& t : plan.targets) {
    if (rules.GoesWithTheBackup(t)) continue;
    retiring.entries.push_back({t.kept.empty() ? RecordEntry::Kind::Added : RecordEntry::Kind::Replaced, t.recordPath,
                                t.written, t.fullStamp, t.keptSize});
  }
  if (platform::FsResult r = WriteRecord(plan.backup, retiring); !r) {
    Fail(report, std::string(kBackupFolderName), r, "the backup could not be retired");
    return;
  }
  HandOver(rules, report);
  if (!report.failures.empty()) return;
  const auto total = static_cast<std::int64_t>(std::max<std::size_t>(plan.targets.size(), 1));
  std::int64_t index = 0;
  for (const Target& t : plan.targets) {
    Progress(callbacks, total + index++, 2 * total);
    if (t.kept.empty() || rules.GoesWithTheBackup(t) || t.state == State::KeptMissing || !platform::EntryExists(t.kept))
      continue;
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
    if (t.kept.empty() || t.heir >= 0 || t.state == State::KeptMissing || rules.GoesWithTheBackup(t)) continue;
    if (const auto stamp = platform::StampOf(t.game)) note.restored.emplace_back(t.recordPath, *stamp);
  }
  (void)WriteUninstallNote(plan.modFolder, plan.gameDir, std::move(note));
  // The game's ledger lets go of the mod while its backup still counts, so
  // that a run killed in between finds it installed and finishes both. (A
  // retiring mod takes no part in the order of installs.)
  (void)ForgetInLedger(plan.gameDir, plan.modFolder);

  platform::FsResult removed;
  const std::vector<std::string> leftovers = RemoveSpentBackup(plan.modFolder, plan.backup, removed);
  if (!leftovers.empty() && plan.forced) {
    PutAwayBackup(plan, report);
  } else if (!leftovers.empty()) {
    // What is left is someone else's: it stays, under a record with nothing
    // more to undo, and the mod keeps counting as installed.
    (void)WriteRecord(plan.backup,
                      InstallRecord{InstallRecord::State::Complete, plan.game, retiring.identity, plan.sequence, {}});
    for (const std::string& rel : leftovers) {
      report.failures.push_back({ShownPath(std::string(kBackupFolderName) + "/" + rel),
                                 "Drydock did not put this in the backup folder, so the folder stays; move it out "
                                 "and uninstall again"});
    }
    report.stuck = true;
  } else if (!removed) {
    Fail(report, std::string(kBackupFolderName), removed, "the backup folder could not be removed");
  }
  Progress(callbacks, 2 * total, 2 * total);
}

// The files the install added, or without a backup the game files that hold
// the mod's bytes (those go to the trash: nothing says the install put them there).
void DeleteAdded(const Rules& rules, Report& report) {
  const UninstallPlan& plan = rules.plan;
  for (const Target& t : plan.targets) {
    if (!t.kept.empty() || t.heir >= 0) continue;
    const std::string shown = ShownPath(t.recordPath);
    if (t.state == State::Changed && !rules.Acts(t)) {
      // Without a record nothing says the install put a file there, so one
      // that does not hold the mod's bytes is simply not the mod's.
      if (!t.recorded) {
        report.leftAlone.push_back(shown);
      } else {
        report.failures.push_back(
            {shown, "the game's file is not what this mod's install wrote, so it was left as it was"});
      }
    }
    if (!rules.Acts(t)) continue;
    if (plan.source == Source::NoBackup || t.state == State::Changed) {
      if (Trash(t.game, shown, report)) ++report.filesHandled;
      continue;
    }
    (void)platform::ResetAttributes(t.game);
    if (platform::FsResult r = platform::DeleteFile(t.game); !r) {
      Fail(report, shown, r, "could not be deleted");
    } else {
      ++report.filesHandled;
    }
  }
}

// Every kept game file back in its place: the first half of the bar. A game
// file the install did not write goes to the trash before its original
// takes its place.
void Restore(const Rules& rules, const Callbacks& callbacks, Report& report) {
  const UninstallPlan& plan = rules.plan;
  const auto total = static_cast<std::int64_t>(std::max<std::size_t>(plan.targets.size(), 1));
  std::int64_t index = 0;
  for (const Target& t : plan.targets) {
    Progress(callbacks, index++, 2 * total);
    if (t.kept.empty() || t.state == State::Done || t.heir >= 0) continue;
    const std::string shown = ShownPath(t.recordPath);
    if (plan.forced && t.state == State::KeptMissing) {
      report.keptMissing.push_back(shown);
      continue;
    }
    if (rules.GoesWithTheBackup(t)) continue;
    if (!rules.Acts(t)) {
      report.failures.push_back({shown, WhyLeft(t)});
      continue;
    }
    if (t.state == State::Changed && !Trash(t.game, shown, report)) continue;
    platform::FsResult r = platform::MakeFolderTree(t.game.parent_path());
    if (r && platform::EntryExists(t.game)) (void)platform::ResetAttributes(t.game);
    if (r) r = platform::LinkOrCopy(t.kept, t.game);
    if (!r) {
      Fail(report, shown, r, "could not be restored; its backup copy was kept");
      continue;
    }
    ++report.filesHandled;
  }
}

}  // namespace

Report UninstallModFiles(const platform::WriterLock& /*held*/, const UninstallPlan& plan, ChangedFiles changed,
                         const Callbacks& callbacks) {
  if (plan.refusal.refused) return plan.refusal;
  if (!plan.movedFrom.empty()) return Refuse(InstalledIntoText("The mod", plan.movedFrom));
  Report report;
  const Rules rules{plan, changed == ChangedFiles::Replace || plan.forced};
  RemoveTemporaries(plan);
  // Files a later mod replaced too stay in the game; their originals go to
  // that mod when the backup is retired, unless something stands in the way.
  for (const Target& t : plan.targets) {
    if (t.heir < 0 || t.state == State::Done || t.state == State::HandOver || rules.Acts(t)) continue;
    if (plan.forced && t.state == State::KeptMissing) {
      report.keptMissing.push_back(ShownPath(t.recordPath));
    } else if (!rules.GoesWithTheBackup(t)) {
      report.failures.push_back({ShownPath(t.recordPath), WhyLeft(t)});
    }
  }

  EnterPhase(callbacks, Phase::DeletingFiles);
  DeleteAdded(rules, report);
  EnterPhase(callbacks, Phase::RestoringBackup);
  Restore(rules, callbacks, report);
  if (plan.source == Source::NoBackup || !report.failures.empty()) {
    report.stuck = report.stuck || !plan.Stuck().empty();
    // An install killed before its backup counted may have named the mod in the game's ledger already.
    if (plan.source == Source::NoBackup && report.failures.empty()) (void)ForgetInLedger(plan.gameDir, plan.modFolder);
    return report;
  }

  // Only now, with every file back and on disk, the backup is retired.
  if (platform::FsResult r = platform::SyncVolume(plan.gameDir); !r) {
    Fail(report, std::string(kBackupFolderName), r, "the restored files could not be flushed, so the backup was kept");
    return report;
  }
  Retire(rules, callbacks, report);
  return report;
}

}  // namespace drydock::install
