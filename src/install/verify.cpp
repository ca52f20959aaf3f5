#include "install/verify.h"

#include <algorithm>
#include <map>

#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/mod_files.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;
using drydock::platform::PathFromUtf8;

namespace drydock::install {

namespace {

// The mods' own files by case-blind path, listed once per mod folder and only
// when a stamp does not settle a file.
class ModFiles {
 public:
  fs::path Find(const fs::path& modFolder, const std::string& key) {
    auto [it, added] = byMod_.try_emplace(CanonicalText(modFolder));
    if (added) {
      for (const library::ModFile& f : library::ListModFiles(modFolder)) {
        if (!platform::WindowsNameProblem(f.name)) it->second.emplace(f.Key(), f.source);
      }
    }
    const auto found = it->second.find(key);
    return found == it->second.end() ? fs::path() : found->second;
  }

 private:
  std::map<std::string, std::map<std::string, fs::path>> byMod_;
};

bool StampHolds(const RecordEntry& e, const platform::FileStamp& now) {
  return e.written && e.fullStamp && now.Unchanged(*e.written);
}

// The uninstall's test of "ours": the record's full stamp without reading the
// file, else the bytes of the mod's own file.
FileVerdict::State Judge(const RecordEntry& e, const fs::path& modFolder, const fs::path& game, ModFiles& mods) {
  const auto now = platform::StampOf(game);
  if (!now) return platform::EntryExists(game) ? FileVerdict::State::Changed : FileVerdict::State::Missing;
  if (StampHolds(e, *now)) return FileVerdict::State::AsInstalled;
  const fs::path own = mods.Find(modFolder, PathKey(e.path));
  return !own.empty() && platform::SameContents(own, game) ? FileVerdict::State::AsInstalled
                                                           : FileVerdict::State::Changed;
}

// The topmost mod above `self` in the game's order that replaced the file too.
const StackedMod* TopAbove(const std::vector<StackedMod>& stack, const InstallRecord& self, const std::string& selfText,
                           const std::string& key, const RecordEntry** entry) {
  if (self.sequence == 0) return nullptr;  // a record of an earlier version takes no part in the order
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (it->record.sequence < self.sequence || CanonicalText(it->modFolder) == selfText) continue;
    if (const RecordEntry* e = it->Entry(key)) {
      *entry = e;
      return &*it;
    }
  }
  return nullptr;
}

KeptVerdict JudgeKept(const RecordEntry& e, const fs::path& backup) {
  KeptVerdict v{e.path, KeptVerdict::State::Missing, 0, e.keptSize};
  const auto kept = platform::StampOf(backup / PathFromUtf8(e.path));
  if (!kept) return v;
  v.size = kept->size;
  v.state = !e.keptSize                 ? KeptVerdict::State::Present
            : kept->size == *e.keptSize ? KeptVerdict::State::Whole
                                        : KeptVerdict::State::NotWhole;
  return v;
}

ModCheck Check(const std::vector<StackedMod>& stack, const fs::path& gameDir, const fs::path& modFolder,
               const std::string& name, ModFiles& mods) {
  ModCheck check;
  check.name = name;
  const fs::path backup = FindBackupFolder(modFolder);
  InstallRecord record;
  const RecordStatus status = backup.empty() ? RecordStatus::Missing : ReadRecord(backup, record);
  if (status != RecordStatus::Read) {
    check.status = status == RecordStatus::Missing ? ModCheck::Status::NoRecord : ModCheck::Status::Unreadable;
    return check;
  }
  if (MatchGame(record, gameDir) == GameMatch::Other) {
    check.status = ModCheck::Status::OtherGame;
    check.game = record.game;
    return check;
  }
  if (record.state != InstallRecord::State::Complete) {
    check.status =
        record.state == InstallRecord::State::Pending ? ModCheck::Status::InstallCut : ModCheck::Status::UninstallCut;
    return check;
  }
  const std::string selfText = CanonicalText(modFolder);
  platform::DirCache gameCache;
  for (const RecordEntry& e : record.entries) {
    FileVerdict v{e.path, FileVerdict::State::AsInstalled, {}};
    const fs::path game = platform::NativePath(gameDir, e.path, &gameCache);
    const auto now = platform::StampOf(game);
    // A file still exactly as this install wrote it says no mod above touched it.
    if (!now || !StampHolds(e, *now)) {
      const RecordEntry* topEntry = nullptr;
      if (const StackedMod* top = TopAbove(stack, record, selfText, PathKey(e.path), &topEntry)) {
        v.coveredBy = top->name;
        v.state = Judge(*topEntry, top->modFolder, game, mods);
      } else {
        v.state = Judge(e, modFolder, game, mods);
      }
    }
    check.files.push_back(std::move(v));
    if (e.kind == RecordEntry::Kind::Replaced) check.kept.push_back(JudgeKept(e, backup));
  }
  return check;
}

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// ", 1 changed since install, 1 missing" and the like: the counts that are not nought.
std::string NonZero(const ModCheck& check, bool withKept, bool& first, const char* one, const char* many) {
  std::string text;
  const auto add = [&](std::size_t n, const std::string& what) {
    if (n == 0) return;
    text += (first ? "" : ", ") + (first ? Counted(n, one, many) : std::to_string(n)) + " " + what;
    first = false;
  };
  if (!withKept) {
    add(check.Count(FileVerdict::State::Changed), StateText(FileVerdict::State::Changed));
    add(check.Count(FileVerdict::State::Missing), StateText(FileVerdict::State::Missing));
  } else {
    add(check.Count(KeptVerdict::State::NotWhole), StateText(KeptVerdict::State::NotWhole));
    add(check.Count(KeptVerdict::State::Missing), StateText(KeptVerdict::State::Missing));
  }
  return text;
}

std::string StatusText(const ModCheck& check) {
  switch (check.status) {
    case ModCheck::Status::NoRecord:
      return "its Backup folder has no install record (it was made by an earlier version or another tool), so "
             "there is nothing to check its files against";
    case ModCheck::Status::Unreadable:
      return "the install record in its Backup folder cannot be read (it is damaged, or comes from a later "
             "version of Drydock)";
    case ModCheck::Status::OtherGame:
      return "it was installed into " + platform::PrintableName(check.game) + ", not into this game folder";
    case ModCheck::Status::InstallCut:
      return "its install was stopped before it finished; uninstall it to put the game's files back";
    case ModCheck::Status::UninstallCut:
      return "its uninstall was stopped before it finished; uninstall it again to finish";
    case ModCheck::Status::Checked:
      break;
  }
  return {};
}

}  // namespace

std::size_t ModCheck::Count(FileVerdict::State state) const {
  return static_cast<std::size_t>(
      std::count_if(files.begin(), files.end(), [state](const FileVerdict& f) { return f.state == state; }));
}

std::size_t ModCheck::Count(KeptVerdict::State state) const {
  return static_cast<std::size_t>(
      std::count_if(kept.begin(), kept.end(), [state](const KeptVerdict& k) { return k.state == state; }));
}

bool ModCheck::AsInstalled() const {
  return status == Status::Checked && Count(FileVerdict::State::AsInstalled) == files.size() &&
         Count(KeptVerdict::State::NotWhole) == 0 && Count(KeptVerdict::State::Missing) == 0;
}

ModCheck VerifyMod(const fs::path& modsDir, const fs::path& gameDir, const fs::path& modFolder,
                   const std::string& name) {
  ModFiles mods;
  return Check(InstalledStack(modsDir, gameDir), gameDir, modFolder, name, mods);
}

std::vector<ModCheck> VerifyInstalled(const fs::path& modsDir, const library::ModList& list, const fs::path& gameDir) {
  const std::vector<StackedMod> stack = InstalledStack(modsDir, gameDir);
  ModFiles mods;
  std::vector<ModCheck> checks;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const fs::path folder = library::EntryFolder(modsDir, list, i);
    if (folder.empty() || !IsInstalled(folder)) continue;
    const std::string& entry = list[static_cast<std::size_t>(i)];
    const std::string name = library::IsAddonEntry(entry) ? entry.substr(library::kAddonIndent.size()) : entry;
    checks.push_back(Check(stack, gameDir, folder, name, mods));
    checks.back().entry = entry;
  }
  return checks;
}

std::string StateText(FileVerdict::State state) {
  switch (state) {
    case FileVerdict::State::AsInstalled:
      return "as installed";
    case FileVerdict::State::Changed:
      return "changed since install";
    case FileVerdict::State::Missing:
      return "missing";
  }
  return {};
}

std::string StateText(KeptVerdict::State state) {
  switch (state) {
    case KeptVerdict::State::Whole:
      return "whole";
    case KeptVerdict::State::Present:
      return "present (size not recorded)";
    case KeptVerdict::State::NotWhole:
      return "not whole";
    case KeptVerdict::State::Missing:
      return "missing";
  }
  return {};
}

std::string SummaryLine(const ModCheck& check) {
  if (check.status != ModCheck::Status::Checked) return check.name + ": " + StatusText(check);
  std::string text =
      check.name + ": " + Counted(check.Count(FileVerdict::State::AsInstalled), "file", "files") + " as installed";
  bool first = false;
  text += NonZero(check, /*withKept=*/false, first, "file", "files");
  if (check.kept.empty()) return text;
  // A record of an earlier version holds no sizes: its originals are only found present.
  const std::size_t whole = check.Count(KeptVerdict::State::Whole), present = check.Count(KeptVerdict::State::Present);
  if (whole > 0 || present == 0) {
    text += "; " + Counted(whole, "kept original", "kept originals") + " whole";
    if (present > 0) text += ", " + std::to_string(present) + " " + StateText(KeptVerdict::State::Present);
  } else {
    text += "; " + Counted(present, "kept original", "kept originals") + " " + StateText(KeptVerdict::State::Present);
  }
  text += NonZero(check, /*withKept=*/true, first, "kept original", "kept originals");
  return text;
}

std::string ShortSummary(const ModCheck& check) {
  switch (check.status) {
    case ModCheck::Status::NoRecord:
      return "no install record to check";
    case ModCheck::Status::Unreadable:
      return "install record cannot be read";
    case ModCheck::Status::OtherGame:
      return "installed into another game folder";
    case ModCheck::Status::InstallCut:
      return "install did not finish";
    case ModCheck::Status::UninstallCut:
      return "uninstall did not finish";
    case ModCheck::Status::Checked:
      break;
  }
  if (check.AsInstalled()) return "as installed";
  bool first = true;
  std::string text = NonZero(check, /*withKept=*/false, first, "file", "files");
  bool keptFirst = true;
  const std::string kept = NonZero(check, /*withKept=*/true, keptFirst, "kept original", "kept originals");
  if (!kept.empty()) text += (text.empty() ? "" : ", ") + kept;
  return text;
}

}  // namespace drydock::install
