// The uninstall's plan: which game the backup belongs to, and how each game
// file the mod's install touched stands now (by the record's stamps, or by
// contents where there is no stamp to trust), before anything changes.
#include <map>
#include <set>

#include "install/engine_common.h"
#include "install/install_engine.h"
#include "install/install_plan.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/game_folders.h"
#include "platform/file_ops.h"
#include "platform/links.h"
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
using Source = UninstallPlan::Source;

// Whether `file` (the game's file, or a later mod's kept copy of it) still
// holds what this mod's install wrote: by the record's stamp without reading
// it, else by the mod's own bytes. A stamp of size and time alone (an older
// record's) proves nothing, as a tool may keep both across an edit.
bool HoldsWhatWasWritten(const Target& t, const fs::path& file, const platform::FileStamp& stamp) {
  if (t.written && t.fullStamp && stamp.Unchanged(*t.written)) return true;
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
    if (!t.recorded || plan.recordState != InstallRecord::State::Complete) return State::Done;
    return game && HoldsWhatWasWritten(t, *game) ? State::KeptMissing : State::Done;
  }
  // Without a record, nothing says that a kept file was ever the game's: it
  // goes back only over the mod's own file.
  if (!gameExists) return t.recorded ? State::Ours : State::Unplaceable;
  if (!game) return State::Blocked;
  if (game->SameFile(*kept)) return State::Done;
  if (HoldsWhatWasWritten(t, *game)) {
    // An install that found the game holding its bytes wrote nothing and kept
    // a copy: the game has its file already, untouched.
    return kept->size == game->size && platform::SameContents(t.kept, t.game) ? State::Done : State::Ours;
  }
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
// that replaced it too, when there is one. A game file that is still exactly
// what this mod's install wrote says that no mod above touched it, whatever
// the numbers say; two mods with one number (installed from two mods folders
// by an earlier version) are told apart by which kept the other's file.
void FindHeirs(UninstallPlan& plan) {
  std::vector<StackedMod> above = InstalledStack(ModsDirOf(plan.modFolder), plan.gameDir);
  std::erase_if(above, [&](const StackedMod& m) {
    return m.record.sequence < plan.sequence ||
           platform::SamePathText(CanonicalText(m.modFolder), CanonicalText(plan.modFolder));
  });
  std::map<std::size_t, int> heirOf;  // index in `above` -> index in plan.heirs
  for (Target& t : plan.targets) {
    const auto game = platform::StampOf(t.game);
    const bool untouched = game && t.written && t.fullStamp && game->Unchanged(*t.written);
    const std::string key = PathKey(t.recordPath);
    for (std::size_t i = 0; i < above.size(); ++i) {
      const RecordEntry* entry = above[i].Entry(key);
      if (!entry) continue;
      // Untouched since this mod wrote it, the file can still belong to a mod
      // above: one that found these very bytes there, wrote nothing, and
      // recorded the file as it found it (and kept a copy of it).
      if (untouched && !(entry->written && entry->fullStamp && game->Unchanged(*entry->written))) continue;
      const fs::path heirKept = above[i].backup / PathFromUtf8(entry->path);
      if (above[i].record.sequence == plan.sequence) {
        const auto stamp = platform::StampOf(heirKept);
        if (!stamp || !HoldsWhatWasWritten(t, heirKept, *stamp)) continue;
      }
      auto [it, added] = heirOf.emplace(i, static_cast<int>(plan.heirs.size()));
      if (added) plan.heirs.push_back({above[i].backup, above[i].record});
      t.heir = it->second;
      t.heirKept = heirKept;
      t.heirKind = entry->kind;
      break;
    }
  }
}

void PlanFromRecord(UninstallPlan& plan, const InstallRecord& record, const std::map<std::string, fs::path>& mod) {
  plan.source = Source::Record;
  plan.recordState = record.state;
  platform::DirCache gameCache;
  for (const RecordEntry& e : record.entries) {
    Target t;
    t.recordPath = e.path;
    t.game = platform::NativePath(plan.gameDir, e.path, &gameCache);
    if (e.kind == RecordEntry::Kind::Replaced) t.kept = plan.backup / PathFromUtf8(e.path);
    t.modFile = Lookup(mod, e.path);
    t.written = e.written;
    t.fullStamp = e.fullStamp;
    t.keptSize = e.keptSize;
    plan.targets.push_back(std::move(t));
  }
  plan.game = record.game;
  plan.sequence = record.sequence;
}

// A backup without a record, or what a damaged record no longer lists
// (`listed`: the case-blind paths it does): every plain file in it (in any
// letter-case variant of a table folder) is a kept original, and every mod
// file without one was added by the install.
void PlanFromBackupFiles(UninstallPlan& plan, const std::vector<ModFile>& files,
                         const std::map<std::string, fs::path>& mod, const std::set<std::string>& listed) {
  platform::DirCache gameCache, backupCache;
  std::set<std::string> keptKeys;
  for (int i = 1; i <= library::kGameFolderCount; ++i) {
    for (const fs::path& folder : platform::AllCaseVariants(plan.backup, library::GameFolder(i), &backupCache)) {
      for (const std::string& name : platform::ListPlainFiles(folder)) {
        if (i == library::kGameFolderCount && (name == kOldAddedListName || name == kRecordName)) continue;
        // Such a name cannot be put back where it came from; it stays in the backup.
        if (platform::WindowsNameProblem(name)) continue;
        const std::string key = PathKey(library::GameFolder(i), name);
        if (listed.count(key)) continue;
        Target t;
        t.recorded = false;
        t.kept = folder / PathFromUtf8(name);
        t.recordPath = RelativeRecordPath(plan.backup, t.kept);
        t.game = platform::NativePath(plan.gameDir, t.recordPath, &gameCache);
        t.modFile = Lookup(mod, std::string(library::GameFolder(i)) + name);
        (keptKeys.insert(key).second ? plan.targets : plan.extraKept).push_back(std::move(t));
      }
    }
  }
  // An earlier version listed the files it added; a name there that is not
  // one of the mod's files is no business of this uninstall.
  std::optional<std::set<std::string>> added;
  const fs::path addedList = plan.backup / PathFromUtf8(kOldAddedListName);
  if (platform::IsFile(addedList)) {
    added.emplace();
    for (const std::string& line : platform::ReadTextLines(addedList, {.maxBytes = 64u << 20})) {
      added->insert(PathKey(line));
    }
  }
  for (const ModFile& f : files) {
    const std::string key = f.Key();
    if (keptKeys.count(key) || listed.count(key) || (added && !added->count(key)) ||
        platform::WindowsNameProblem(f.name)) {
      continue;
    }
    Target t;
    t.recorded = false;
    t.game = platform::NativePath(plan.gameDir, f.Relative(), &gameCache);
    t.recordPath = RelativeRecordPath(plan.gameDir, t.game);
    t.modFile = f.source;
    plan.targets.push_back(std::move(t));
  }
}

void PlanWithoutBackup(UninstallPlan& plan, const std::vector<ModFile>& files) {
  plan.source = Source::NoBackup;
  // The originals the last uninstall put back are the game's, whatever they hold.
  std::map<std::string, platform::FileStamp> restored;
  if (const auto note = ReadUninstallNote(plan.modFolder, plan.gameDir)) {
    for (const auto& [path, stamp] : note->restored) restored.emplace(PathKey(path), stamp);
  }
  platform::DirCache gameCache;
  for (const ModFile& f : files) {
    if (platform::WindowsNameProblem(f.name)) continue;
    Target t;
    t.recorded = false;
    t.game = platform::NativePath(plan.gameDir, f.Relative(), &gameCache);
    t.recordPath = RelativeRecordPath(plan.gameDir, t.game);
    t.modFile = f.source;
    const auto original = restored.find(PathKey(t.recordPath));
    const auto now = platform::StampOf(t.game);
    if (original != restored.end() && now && now->SameSizeAndTime(original->second)) continue;
    plan.targets.push_back(std::move(t));
  }
}

// Whether the game in the plan's folder is the one the record names at a
// place that is gone: the game still holds what the install wrote there.
// With what identified the game it is enough that one file does; a record
// too old to have kept that must find every file it wrote.
bool HoldsTheMovedInstall(const UninstallPlan& plan, const InstallRecord& record) {
  std::size_t written = 0, holding = 0;
  for (const Target& t : plan.targets) {
    if (!t.written) continue;
    ++written;
    const auto game = platform::StampOf(t.game);
    if (game && HoldsWhatWasWritten(t, *game)) ++holding;
  }
  if (written == 0) return true;
  return record.identity.Known() ? holding > 0 : holding == written;
}

// The first link on the way to a file the run would change: in the game, in
// this mod's backup, or in the backup of a mod that takes over a kept original.
std::optional<std::string> LinkInTheWay(const UninstallPlan& plan) {
  platform::LinkGuard game(plan.gameDir), mod(plan.modFolder);
  for (const Target& t : plan.targets) {
    if (auto link = game.Find(t.game)) return ThroughLinkText(plan.gameDir, *link);
    if (t.kept.empty()) continue;
    if (auto link = mod.Find(t.kept)) return ThroughLinkText(plan.modFolder, *link, "the mod's");
    if (t.heir < 0) continue;
    const fs::path heirMod = plan.heirs[static_cast<std::size_t>(t.heir)].backup.parent_path();
    if (auto link = platform::FirstLinkBelow(heirMod, t.heirKept)) {
      return ThroughLinkText(heirMod, *link, "the mod's");
    }
  }
  return std::nullopt;
}

}  // namespace

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
      return "a folder stands where its kept original goes back";
    case State::Unplaceable:
      return "the game has no such file holding the mod's, so nothing says this kept file is the game's; it stays in "
             "the backup";
    default:
      return "";
  }
}

std::string InstalledIntoText(const std::string& name, const std::string& game) {
  const std::string shown = platform::PrintableName(game);
  if (platform::IsFolder(PathFromUtf8(game))) {
    return name + " was installed into " + shown + ". Choose that folder to uninstall it.";
  }
  return name + " was installed into " + shown +
         ", which is no longer there, and this game folder does not hold what that install wrote, so nothing was "
         "changed.";
}

std::optional<BackupGame> InstalledElsewhere(const fs::path& modFolder, const fs::path& gameDir) {
  const fs::path backup = FindBackupFolder(modFolder);
  InstallRecord record;
  if (backup.empty() || ReadRecord(backup, record) != RecordStatus::Read) return std::nullopt;
  const GameMatch match = MatchGame(record, gameDir);
  if (match == GameMatch::Same) return std::nullopt;
  return BackupGame{record.game, match};
}

std::vector<std::string> UninstallPlan::Changed() const {
  std::vector<std::string> changed;
  if (source != Source::Record) return changed;
  for (const Target& t : targets) {
    if (t.recorded && t.state == State::Changed) changed.push_back(ShownPath(t.recordPath));
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

std::vector<FileFailure> UninstallPlan::Stuck() const {
  std::vector<FileFailure> stuck;
  for (const Target& t : targets) {
    const bool left = t.state == State::KeptMissing || t.state == State::Blocked || t.state == State::Unplaceable ||
                      (!t.recorded && t.state == State::Changed && !t.kept.empty());
    if (left) stuck.push_back({ShownPath(t.recordPath), WhyLeft(t)});
  }
  return stuck;
}

namespace {

// The plan; `clearLeftovers` (under the writer lock only) first takes away
// what a killed run left in the mod folder.
UninstallPlan MakePlan(const fs::path& gameDir, const fs::path& modFolder, PlanOptions options, bool clearLeftovers) {
  UninstallPlan plan;
  plan.gameDir = gameDir;
  plan.modFolder = modFolder;
  plan.forced = options.force;
  if (auto refusal = CheckFolders(gameDir, modFolder)) {
    plan.refusal = *refusal;
    return plan;
  }
  if (clearLeftovers) CleanLeftovers(modFolder);
  plan.backup = FindBackupFolder(modFolder);
  const std::vector<ModFile> files = ListModFiles(modFolder);
  const std::map<std::string, fs::path> mod = ModFilesByKey(files);
  InstallRecord record;
  const RecordStatus status =
      plan.backup.empty() ? RecordStatus::Missing : ReadRecord(plan.backup, record, /*salvage=*/options.force);
  if (plan.backup.empty()) {
    PlanWithoutBackup(plan, files);
  } else if (status == RecordStatus::Unreadable) {
    plan.refusal = Refuse(
        "The install record in the mod's Backup folder cannot be read (it is damaged, or comes from a later version "
        "of Drydock), so nothing was changed.");
    plan.refusal.stuck = true;
    return plan;
  } else if (status == RecordStatus::Missing) {
    plan.source = Source::OldBackup;
    PlanFromBackupFiles(plan, files, mod, {});
  } else {
    const GameMatch match = MatchGame(record, gameDir);
    if (match == GameMatch::Other) {
      plan.installedInto = record.game;
      plan.refusal = Refuse(InstalledIntoText("The mod", record.game));
      return plan;
    }
    PlanFromRecord(plan, record, mod);
    if (status == RecordStatus::Salvaged) {
      // What the damaged record no longer tells is judged as in a backup without one.
      plan.salvaged = true;
      std::set<std::string> listed;
      for (const Target& t : plan.targets) listed.insert(PathKey(t.recordPath));
      PlanFromBackupFiles(plan, files, mod, listed);
    }
    if (match == GameMatch::Moved) {
      if (!HoldsTheMovedInstall(plan, record)) {
        plan.installedInto = record.game;
        plan.refusal = Refuse(InstalledIntoText("The mod", record.game));
        return plan;
      }
      plan.movedFrom = record.game;
    } else if (record.sequence != 0) {
      FindHeirs(plan);
    }
  }
  for (Target& t : plan.targets) t.state = Judge(t, plan);
  if (auto link = LinkInTheWay(plan)) plan.refusal = Refuse(*link);
  return plan;
}

}  // namespace

UninstallPlan PlanUninstall(const platform::WriterLock& /*held*/, const fs::path& gameDir, const fs::path& modFolder,
                            PlanOptions options) {
  return MakePlan(gameDir, modFolder, options, /*clearLeftovers=*/true);
}

UninstallPlan PreviewUninstall(const fs::path& gameDir, const fs::path& modFolder, PlanOptions options) {
  return MakePlan(gameDir, modFolder, options, /*clearLeftovers=*/false);
}

platform::FsResult AdoptMovedGame(const platform::WriterLock& /*held*/, const UninstallPlan& plan) {
  InstallRecord record;
  if (plan.movedFrom.empty() || ReadRecord(plan.backup, record, /*salvage=*/plan.forced) == RecordStatus::Missing) {
    return platform::FsResult::Fail(std::make_error_code(std::errc::invalid_argument), plan.backup);
  }
  record.game = CanonicalText(plan.gameDir);
  record.identity = IdentityOf(plan.gameDir);
  platform::FsResult r = WriteRecord(plan.backup, record);
  if (r) r = NoteInLedger(plan.gameDir, plan.modFolder, record.sequence);
  return r;
}

}  // namespace drydock::install
