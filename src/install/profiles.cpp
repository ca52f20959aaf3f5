#include "install/profiles.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "flow/locking.h"
#include "install/backup_folder.h"
#include "install/mod_stack.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/text_file.h"
#include "platform/trash.h"
#include "platform/writer_lock.h"

namespace fs = std::filesystem;

namespace drydock::install {

namespace {

constexpr std::size_t kMaxProfileBytes = 1 << 20;

ProfileResult Failed(std::string why) { return {std::move(why), {}}; }

std::string Quoted(std::string_view name) { return "\"" + platform::PrintableName(name) + "\""; }

// The profile's file as it lies in the folder, of any letter case; empty when there is none.
fs::path FindProfile(const fs::path& programDir, const std::string& name) {
  const fs::path dir = ProfilesDir(programDir);
  const std::string wanted = name + std::string(kProfileExtension);
  fs::path found;
  for (const std::string& file : platform::ListPlainFiles(dir)) {
    if (file == wanted) return dir / platform::PathFromUtf8(file);
    if (found.empty() && platform::EqualsIgnoreCase(file, wanted)) found = dir / platform::PathFromUtf8(file);
  }
  return found;
}

fs::path ProfileFile(const fs::path& programDir, const std::string& name) {
  return ProfilesDir(programDir) / platform::PathFromUtf8(name + std::string(kProfileExtension));
}

// The writer lock of the profiles folder, or why not.
std::optional<platform::WriterLock> LockProfiles(const fs::path& programDir, std::string& why) {
  std::error_code failure;
  fs::path busy;
  std::optional<platform::WriterLock> lock =
      platform::WriterLock::Acquire({ProfilesDir(programDir)}, platform::WriterLock::kDefaultWait, &failure, &busy);
  if (!lock) why = flow::LockFailureText(failure, busy);
  return lock;
}

std::string Trimmed(std::string_view line) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!line.empty() && space(line.front())) line.remove_prefix(1);
  while (!line.empty() && space(line.back())) line.remove_suffix(1);
  return std::string(line);
}

}  // namespace

fs::path ProfilesDir(const fs::path& programDir) { return programDir / platform::PathFromUtf8(kProfilesFolderName); }

std::string ProfileNameProblem(std::string_view name) {
  if (Trimmed(name).empty()) return "Type a name for the profile.";
  const char* problem = platform::WindowsNameProblem(name);
  if (!problem) problem = platform::WindowsNameProblem(std::string(name) + std::string(kProfileExtension));
  if (problem) {
    return "A profile cannot be named " + Quoted(name) + ": " + problem + ".";
  }
  return {};
}

std::vector<std::string> ListProfiles(const fs::path& programDir) {
  std::vector<std::string> names;
  for (const std::string& file : platform::ListPlainFiles(ProfilesDir(programDir))) {
    if (file.size() <= kProfileExtension.size()) continue;
    const std::string_view ext = std::string_view(file).substr(file.size() - kProfileExtension.size());
    if (platform::EqualsIgnoreCase(ext, kProfileExtension)) names.push_back(file.substr(0, file.size() - ext.size()));
  }
  std::sort(names.begin(), names.end(), platform::NameLess);
  return names;
}

std::vector<std::string> ParseProfile(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> mods;
  std::set<std::string> seen;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (seen.insert(platform::ToLowerAscii(line)).second) mods.push_back(line);
  }
  return mods;
}

std::string ProfileText(const std::string& name, const std::vector<std::string>& mods) {
  std::string text = "# Drydock profile " + name + ": the mods to have installed, in install order\n";
  for (const std::string& mod : mods) text += mod + "\n";
  return text;
}

bool ProfileExists(const fs::path& programDir, const std::string& name) {
  return !FindProfile(programDir, name).empty();
}

ProfileResult ReadProfile(const fs::path& programDir, const std::string& name) {
  const fs::path file = FindProfile(programDir, name);
  if (file.empty()) return Failed("There is no profile named " + Quoted(name) + ".");
  const std::string bytes = platform::ReadFileBytes(file, kMaxProfileBytes + 1);
  if (bytes.size() > kMaxProfileBytes) return Failed("The profile " + Quoted(name) + " is too large to be a profile.");
  if (!platform::IsValidUtf8(bytes)) return Failed("The profile " + Quoted(name) + " is not UTF-8 text.");
  return {{}, ParseProfile(bytes)};
}

ProfileResult SaveProfile(const fs::path& programDir, const std::string& name, const std::vector<std::string>& mods,
                          bool replace) {
  if (std::string problem = ProfileNameProblem(name); !problem.empty()) return Failed(problem);
  // A profile holds one UTF-8 ModPath a line, so it could not give such a mod back.
  for (const std::string& mod : mods) {
    const bool breaks = mod.find_first_of("\r\n") != std::string::npos;
    if (breaks || !platform::IsValidUtf8(mod)) {
      return Failed("The mod " + Quoted(mod) + " cannot be kept in a profile, since its name " +
                    (breaks ? "holds a line break" : "is not UTF-8") +
                    ", so nothing was saved. Rename its folder, then save again.");
    }
  }
  std::string why;
  const auto lock = LockProfiles(programDir, why);
  if (!lock) return Failed(why);
  if (const platform::FsResult made = platform::MakeFolderTree(ProfilesDir(programDir)); !made) {
    return Failed("The profiles folder could not be made (" + made.Message() + ").");
  }
  fs::path target = ProfileFile(programDir, name);
  if (const fs::path old = FindProfile(programDir, name); !old.empty()) {
    if (!replace) return Failed("A profile named " + Quoted(name) + " exists already.");
    if (const platform::FsResult trashed = platform::MoveToTrash(old); !trashed) {
      return Failed("The profile " + Quoted(name) + " could not be moved to the trash, so it was kept (" +
                    trashed.Message() + ").");
    }
  }
  if (const platform::FsResult written = platform::WriteFileAtomic(target, ProfileText(name, mods), false); !written) {
    return Failed("The profile " + Quoted(name) + " could not be written (" + written.Message() + ").");
  }
  return {{}, mods};
}

ProfileResult RenameProfile(const fs::path& programDir, const std::string& from, const std::string& to) {
  if (std::string problem = ProfileNameProblem(to); !problem.empty()) return Failed(problem);
  std::string why;
  const auto lock = LockProfiles(programDir, why);
  if (!lock) return Failed(why);
  const fs::path old = FindProfile(programDir, from);
  if (old.empty()) return Failed("There is no profile named " + Quoted(from) + ".");
  const fs::path existing = FindProfile(programDir, to);
  // Only a change of letter case may land on the same file.
  if (!existing.empty() && existing != old) return Failed("A profile named " + Quoted(to) + " exists already.");
  if (const platform::FsResult moved = platform::MoveWithinVolume(old, ProfileFile(programDir, to)); !moved) {
    return Failed("The profile " + Quoted(from) + " could not be renamed (" + moved.Message() + ").");
  }
  return {};
}

ProfileResult DeleteProfile(const fs::path& programDir, const std::string& name) {
  std::string why;
  const auto lock = LockProfiles(programDir, why);
  if (!lock) return Failed(why);
  const fs::path file = FindProfile(programDir, name);
  if (file.empty()) return Failed("There is no profile named " + Quoted(name) + ".");
  if (const platform::FsResult trashed = platform::MoveToTrash(file); !trashed) {
    return Failed("The profile " + Quoted(name) + " could not be moved to the trash, so it was kept (" +
                  trashed.Message() + ").");
  }
  return {};
}

namespace {

// The ModPath of each mod folder of the list, by the folder's canonical path (each made once).
std::unordered_map<std::string, std::string> ModPathsByFolder(const fs::path& modsDir, const library::ModList& list) {
  std::unordered_map<std::string, std::string> paths;
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const fs::path folder = library::EntryFolder(modsDir, list, i);
    if (!folder.empty()) paths.emplace(CanonicalText(folder), library::ResolveModPath(list, i));
  }
  return paths;
}

}  // namespace

std::vector<std::string> CurrentMods(const fs::path& modsDir, const fs::path& gameDir,
                                     std::vector<std::string>* unplaced) {
  const auto listed = ModPathsByFolder(modsDir, library::FillModList(modsDir));
  const InstalledIntoGame installed = FindInstalledMods(modsDir, gameDir);
  std::vector<std::string> mods;
  // The stack in its order, then those without a place in list order. Left out: an uninstall cut short with
  // every original back, a backup made for another game, and mods of other mods folders.
  for (const auto* group : {&installed.stacked, &installed.unplaced}) {
    for (const Selection& mod : *group) {
      const auto m = listed.find(CanonicalText(mod.folder));
      if (m == listed.end()) continue;
      mods.push_back(m->second);
      if (unplaced && group == &installed.unplaced) unplaced->push_back(m->second);
    }
  }
  return mods;
}

std::string UnplacedText(const std::vector<std::string>& unplaced) {
  std::string names;
  for (std::size_t i = 0; i < unplaced.size(); ++i) {
    if (i > 0) names += i + 1 == unplaced.size() ? " and " : ", ";
    names += platform::PrintableName(unplaced[i]);
  }
  return names + (unplaced.size() == 1 ? " has" : " have") + " no recorded place in the install order, so " +
         (unplaced.size() == 1 ? "it comes" : "they come") + " last, in list order.";
}

ProfilePlan ModInstaller::PlanProfile(const std::vector<std::string>& profile) const {
  ProfilePlan plan;
  const library::ModList list = library::FillModList(modsDir_);
  std::vector<Selection> wanted;
  for (const std::string& modPath : profile) {
    const int index = library::FindModEntry(list, modPath);
    if (index < 0) {
      plan.missing.push_back(modPath);
      continue;
    }
    const std::string entry = list[static_cast<std::size_t>(index)];
    wanted.push_back({entry, library::ResolveModPath(list, index), library::EntryFolder(modsDir_, list, index)});
  }
  if (!plan.missing.empty()) return plan;
  const fs::path game = GameDir();
  // The installed mods that stay: those at the bottom of the order that the profile begins with.
  std::set<std::string> kept;
  const std::vector<StackedMod> stack = InstalledStack(modsDir_, game);
  std::size_t prefix = 0;
  // An install cut short (its record still pending) does not count: it is uninstalled and done again.
  while (prefix < stack.size() && prefix < wanted.size() &&
         stack[prefix].record.state == InstallRecord::State::Complete &&
         CanonicalText(stack[prefix].modFolder) == CanonicalText(wanted[prefix].folder)) {
    kept.insert(CanonicalText(stack[prefix].modFolder));
    plan.kept.push_back(wanted[prefix].modPath);
    ++prefix;
  }
  const auto listed = ModPathsByFolder(modsDir_, list);
  for (Selection& mod : InstalledHere(plan.elsewhere)) {
    const std::string folder = CanonicalText(mod.folder);
    if (kept.contains(folder)) continue;
    // Named by its ModPath where it is a mod of this list (an addon's includes its parent).
    if (const auto m = listed.find(folder); m != listed.end()) mod.modPath = m->second;
    plan.uninstall.push_back(std::move(mod));
  }
  plan.install.assign(wanted.begin() + static_cast<std::ptrdiff_t>(prefix), wanted.end());
  return plan;
}

std::string ProfilePlanText(const ProfilePlan& plan) {
  const auto name = [](const Selection& s) {
    return library::IsAddonEntry(s.entry) ? s.entry.substr(library::kAddonIndent.size()) : s.entry;
  };
  std::string text;
  const auto group = [&text](const std::string& heading, const std::vector<std::string>& names) {
    if (names.empty()) return;
    if (!text.empty()) text += "\n";
    text += heading;
    for (const std::string& n : names) text += "\n    " + n;
  };
  std::vector<std::string> out, in;
  for (const Selection& s : plan.uninstall) out.push_back(name(s));
  for (const Selection& s : plan.install) in.push_back(s.modPath);
  group("Uninstalled, in this order:", out);
  group("Installed, in this order:", in);
  group("Staying installed:", plan.kept);
  group("Left alone, since their backups were made for another game:", plan.elsewhere);
  if (text.empty()) text = "Nothing to change.";
  return text;
}

}  // namespace drydock::install
