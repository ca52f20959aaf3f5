// The install's plan, made by reading alone, and the description of an
// install's or an uninstall's plan, file by file.
#include "install/install_plan.h"

#include <cstdio>
#include <map>

#include "install/engine_common.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "platform/file_ops.h"
#include "platform/links.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"

namespace fs = std::filesystem;

namespace drydock::install {

namespace {

using Action = InstallPlan::Action;
using State = UninstallPlan::Target::State;

// Refuses when the mod is installed already, or when something that is not
// a folder stands where its Backup folder goes (a file "backup" a mod ships).
std::optional<Report> CheckBackupSpot(const fs::path& modFolder) {
  if (!FindBackupFolder(modFolder).empty()) return Refuse("The mod is installed already; uninstall it first.");
  const std::string inTheWay = platform::FindEntryIgnoreCase(modFolder, kBackupFolderName);
  if (inTheWay.empty()) return std::nullopt;
  return Refuse("The mod's folder holds \"" + platform::PrintableName(inTheWay) +
                "\", which is not a folder, where Drydock keeps the game files the mod replaces, so nothing was "
                "changed. Rename or remove it, then install again.");
}

// The folder that a file at `target` is written into: its own folder, or
// where that is missing the nearest one that exists (the install makes the rest).
fs::path ExistingFolderOf(const fs::path& gameDir, const fs::path& target) {
  fs::path folder = target.parent_path();
  while (folder != gameDir && !folder.empty() && !platform::EntryExists(folder)) folder = folder.parent_path();
  return folder;
}

std::string ShownFolder(const fs::path& gameDir, const fs::path& folder) {
  if (folder == gameDir) return "the game folder";
  return ShownPath(RelativeRecordPath(gameDir, folder));
}

// The topmost installed mod whose record lists each path, by case-blind key.
std::map<std::string, std::string> TopmostOwners(const fs::path& gameDir, const fs::path& modFolder) {
  std::map<std::string, std::string> owners;
  for (const StackedMod& mod : InstalledStack(ModsDirOf(modFolder), gameDir)) {
    if (platform::SamePathText(CanonicalText(mod.modFolder), CanonicalText(modFolder))) continue;
    for (const RecordEntry& e : mod.record.entries) owners[PathKey(e.path)] = mod.name;  // later installs win
  }
  return owners;
}

}  // namespace

InstallPlan PlanInstall(const fs::path& gameDir, const fs::path& modFolder) {
  InstallPlan plan;
  plan.gameDir = gameDir;
  plan.modFolder = modFolder;
  if (auto refusal = CheckFolders(gameDir, modFolder)) {
    plan.refusal = *refusal;
    return plan;
  }
  if (auto refusal = CheckBackupSpot(modFolder)) {
    plan.refusal = *refusal;
    return plan;
  }
  const std::vector<ModFile> files = ListModFiles(modFolder);
  const std::map<std::string, std::string> owners = TopmostOwners(gameDir, modFolder);
  platform::DirCache gameCache;
  platform::LinkGuard links(gameDir);
  std::map<fs::path, bool> writable;
  for (const ModFile& f : files) {
    const std::string shown = f.Shown();
    if (const char* problem = platform::WindowsNameProblem(f.name)) {
      plan.keptOut.push_back({shown, std::string(problem) + ", which a Windows game cannot hold"});
      continue;
    }
    InstallPlan::File file;
    file.file = f;
    file.game = platform::NativePath(gameDir, f.Relative(), &gameCache);
    // A link on the way (a game folder linked to one shared with another copy
    // of the game) refuses the whole install.
    if (const auto link = links.Find(file.game)) {
      plan = {};
      plan.refusal = Refuse(ThroughLinkText(gameDir, *link));
      return plan;
    }
    file.recordPath = RelativeRecordPath(gameDir, file.game);
    const auto source = platform::StampOf(f.source);
    file.size = source ? source->size : 0;
    const fs::path folder = ExistingFolderOf(gameDir, file.game);
    auto [known, added] = writable.emplace(folder, false);
    if (added) {
      known->second = platform::IsWritableFolder(folder);
      if (!known->second && platform::IsFolder(folder)) {
        plan.blockers.push_back({ShownFolder(gameDir, folder), "this folder of the game cannot be written"});
      } else if (!known->second) {
        plan.blockers.push_back({ShownFolder(gameDir, folder), "a file stands in the game where this folder goes"});
      }
    }
    const auto game = platform::StampOf(file.game);
    if (!game && platform::EntryExists(file.game)) {
      plan.blockers.push_back({shown, "a folder stands in the game where this file goes"});
      continue;
    }
    const auto owner = owners.find(PathKey(file.recordPath));
    if (game) file.overMod = owner == owners.end() ? std::string() : owner->second;
    if (!game) {
      file.action = Action::Adds;
    } else if (source && source->size == game->size && platform::SameContents(f.source, file.game)) {
      file.action = Action::SameBytes;
    } else {
      file.action = file.overMod.empty() ? Action::ReplacesGame : Action::ReplacesMod;
    }
    if (file.action != Action::SameBytes) plan.bytesToWrite += file.size;
    // A kept original is a hard link on the mod folder's volume; the game's
    // file where it holds the mod's bytes already is kept as a copy.
    if (file.action == Action::SameBytes ||
        (game && source && file.action != Action::Adds && game->volume != source->volume)) {
      plan.bytesToBackup += game->size;
    }
    plan.files.push_back(std::move(file));
  }
  return plan;
}

std::string InstallPlan::BlockerText() const {
  if (blockers.empty()) return {};
  std::string text = "The mod cannot be installed, so nothing was changed:";
  for (const FileFailure& b : blockers) text += "\n    " + b.relativePath + " (" + b.reason + ")";
  return text + "\nMake it writable, or move the folder away, then install again.";
}

std::string ByteCount(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(units)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

namespace {

// Groups in their fixed order; empty ones are dropped at the end.
class Grouper {
 public:
  void Add(const std::string& kind, const std::string& heading) { groups_.push_back({kind, heading, {}}); }
  void Put(const std::string& kind, PlanLine line) {
    for (PlanGroup& g : groups_) {
      if (g.kind == kind) g.files.push_back(std::move(line));
    }
  }
  std::size_t Count(const std::string& kind) const {
    for (const PlanGroup& g : groups_) {
      if (g.kind == kind) return g.files.size();
    }
    return 0;
  }
  std::vector<PlanGroup> Take() {
    std::erase_if(groups_, [](const PlanGroup& g) { return g.files.empty(); });
    return std::move(groups_);
  }

 private:
  std::vector<PlanGroup> groups_;
};

// "3 replace the game's files, 1 new" from (count, words) pairs, leaving out the zeros.
std::string Counts(const std::vector<std::pair<std::size_t, std::string>>& counts) {
  std::string text;
  for (const auto& [n, words] : counts) {
    if (n == 0) continue;
    text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + words;
  }
  return text.empty() ? "no files" : text;
}

}  // namespace

PlanDescription Describe(const InstallPlan& plan) {
  PlanDescription d;
  if (plan.refusal.refused) {
    d.refusal = plan.refusal.refusal;
    return d;
  }
  Grouper g;
  g.Add("blocked", "Stops the install before anything changes");
  g.Add("replaces-game", "Replaces the game's own file (kept in the Backup)");
  g.Add("replaces-mod", "Replaces the file of an installed mod (which stays installed beneath)");
  g.Add("adds", "Adds a new file");
  g.Add("same-bytes", "Already holds the same bytes (nothing written, not a conflict)");
  g.Add("kept-out", "Kept out (a name a Windows game cannot hold)");
  for (const FileFailure& b : plan.blockers) g.Put("blocked", {b.relativePath, {}, b.reason});
  for (const InstallPlan::File& f : plan.files) {
    const std::string shown = ShownPath(f.recordPath);
    switch (f.action) {
      case Action::ReplacesGame:
        g.Put("replaces-game", {shown, {}, {}});
        break;
      case Action::ReplacesMod:
        g.Put("replaces-mod", {shown, f.overMod, {}});
        break;
      case Action::Adds:
        g.Put("adds", {shown, {}, {}});
        break;
      case Action::SameBytes:
        g.Put("same-bytes", {shown, f.overMod, {}});
        break;
    }
  }
  for (const FileFailure& k : plan.keptOut) g.Put("kept-out", {k.relativePath, {}, k.reason});
  d.bytesToWrite = plan.bytesToWrite;
  d.bytesToBackup = plan.bytesToBackup;
  d.summary = "Summary: " +
              Counts({{g.Count("replaces-game"), "replacing the game's"},
                      {g.Count("replaces-mod"), "replacing installed mods'"},
                      {g.Count("adds"), "new"},
                      {g.Count("same-bytes"), "already the same"},
                      {g.Count("kept-out"), "kept out"},
                      {g.Count("blocked"), "in the way"}}) +
              "; " + ByteCount(plan.bytesToWrite) + " to write, " + ByteCount(plan.bytesToBackup) + " for the Backup.";
  d.groups = g.Take();
  return d;
}

PlanDescription Describe(const UninstallPlan& plan) {
  PlanDescription d;
  if (plan.refusal.refused) {
    d.refusal = plan.refusal.refusal;
    return d;
  }
  Grouper g;
  const bool none = plan.source == UninstallPlan::Source::NoBackup;
  g.Add("restores", "Restores the original");
  g.Add("hands-over", "Hands the original to the mod installed over it (its file stays in the game)");
  g.Add("deletes", "Deletes a file the install added");
  g.Add("trash", "Moves to the trash (holds the mod's file; there is no backup to tell it from the game's own)");
  g.Add("changed", "Changed since the install (asked about first; on Yes the file as it is goes to the trash)");
  g.Add("left-alone", "Left alone (does not hold the mod's file)");
  g.Add("stuck", "Left as it is, keeping the backup");
  g.Add("done", "Nothing to do (the game holds it as it was already)");
  for (const UninstallPlan::Target& t : plan.targets) {
    const std::string shown = ShownPath(t.recordPath);
    const std::string heir =
        t.heir >= 0 ? platform::PathToUtf8(plan.heirs[static_cast<std::size_t>(t.heir)].backup.parent_path().filename())
                    : std::string();
    switch (t.state) {
      case State::Ours:
        if (none) {
          g.Put("trash", {shown, {}, {}});
        } else {
          g.Put(t.kept.empty() ? "deletes" : "restores", {shown, {}, {}});
          if (!t.kept.empty()) d.bytesToWrite += platform::StampOf(t.kept) ? platform::StampOf(t.kept)->size : 0;
        }
        break;
      case State::HandOver:
        g.Put("hands-over", {shown, heir, {}});
        break;
      case State::Changed:
        if (plan.source == UninstallPlan::Source::Record && t.recorded) {
          g.Put("changed", {shown, heir, {}});
        } else if (t.kept.empty()) {
          g.Put("left-alone", {shown, {}, {}});
        } else {
          g.Put("stuck", {shown, {}, WhyLeft(t)});
        }
        break;
      case State::KeptMissing:
      case State::Blocked:
      case State::Unplaceable:
        g.Put("stuck", {shown, {}, WhyLeft(t)});
        break;
      case State::Done:
        if (!none) g.Put("done", {shown, {}, {}});
        break;
    }
  }
  d.summary = "Summary: " +
              Counts({{g.Count("restores"), "restored"},
                      {g.Count("hands-over"), "handed over"},
                      {g.Count("deletes"), "deleted"},
                      {g.Count("trash"), "to the trash"},
                      {g.Count("changed"), "changed since the install"},
                      {g.Count("left-alone"), "left alone"},
                      {g.Count("stuck"), "stuck"},
                      {g.Count("done"), "back already"}}) +
              "; " + ByteCount(d.bytesToWrite) + " to write.";
  if (!plan.movedFrom.empty()) {
    d.summary += " The backup was made for this game at " + platform::PrintableName(plan.movedFrom) +
                 ", which is gone: the uninstall asks first to take this folder for it.";
  }
  d.groups = g.Take();
  return d;
}

std::string DescriptionText(const PlanDescription& description) {
  if (!description.refusal.empty()) return description.refusal + "\n";
  std::string text;
  for (const PlanGroup& group : description.groups) {
    text += group.heading + ":\n";
    for (const PlanLine& line : group.files) {
      text += "    " + line.path;
      if (!line.mod.empty()) text += " (" + platform::PrintableName(line.mod) + ")";
      if (!line.note.empty()) text += " (" + line.note + ")";
      text += '\n';
    }
  }
  return text + description.summary + "\n";
}

}  // namespace drydock::install
