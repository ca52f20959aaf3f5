#include "install/mod_stack.h"

#include <algorithm>

#include "install/installed_mods.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::install {

namespace {

// Every installed mod of `gameDir` with a numbered record, retiring ones
// included when asked, in install order.
std::vector<StackedMod> ReadStack(const fs::path& modsDir, const fs::path& gameDir, bool withRetiring) {
  std::vector<StackedMod> stack;
  const std::string game = CanonicalGame(gameDir);
  const library::ModList list = library::FillModList(modsDir);
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    StackedMod mod;
    mod.modFolder = library::EntryFolder(modsDir, list, i);
    if (mod.modFolder.empty()) continue;
    mod.backup = FindBackupFolder(mod.modFolder);
    if (mod.backup.empty() || ReadRecord(mod.backup, mod.record) != RecordStatus::Read) continue;
    if (mod.record.sequence == 0 || !platform::SamePathText(mod.record.game, game)) continue;
    if (!withRetiring && mod.record.state == InstallRecord::State::Retiring) continue;
    const std::string& entry = list[static_cast<size_t>(i)];
    mod.name = library::IsAddonEntry(entry) ? entry.substr(library::kAddonIndent.size()) : entry;
    stack.push_back(std::move(mod));
  }
  std::stable_sort(stack.begin(), stack.end(),
                   [](const StackedMod& a, const StackedMod& b) { return a.record.sequence < b.record.sequence; });
  return stack;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

const RecordEntry* StackedMod::Entry(const std::string& key) const {
  for (const RecordEntry& e : record.entries) {
    if (PathKey(e.path) == key) return &e;
  }
  return nullptr;
}

std::vector<StackedMod> InstalledStack(const fs::path& modsDir, const fs::path& gameDir) {
  return ReadStack(modsDir, gameDir, /*withRetiring=*/false);
}

std::uint64_t NextSequence(const fs::path& modsDir, const fs::path& gameDir) {
  const std::vector<StackedMod> stack = ReadStack(modsDir, gameDir, /*withRetiring=*/true);
  return stack.empty() ? 1 : stack.back().record.sequence + 1;
}

fs::path ModsDirOf(const fs::path& modFolder) {
  const fs::path parent = modFolder.parent_path();
  if (platform::EqualsIgnoreCase(platform::PathToUtf8(parent.filename()), library::kAddonFolderName)) {
    return parent.parent_path().parent_path();
  }
  return parent;
}

std::vector<std::string> CoveringMods(const fs::path& modsDir, const fs::path& gameDir, const fs::path& modFolder) {
  const std::vector<StackedMod> stack = InstalledStack(modsDir, gameDir);
  const auto self =
      std::find_if(stack.begin(), stack.end(), [&](const StackedMod& m) { return SameFolder(m.modFolder, modFolder); });
  std::vector<std::string> covering;
  if (self == stack.end()) return covering;
  for (auto above = self + 1; above != stack.end(); ++above) {
    const bool shares = std::any_of(self->record.entries.begin(), self->record.entries.end(),
                                    [&](const RecordEntry& e) { return above->Entry(PathKey(e.path)) != nullptr; });
    if (shares) covering.push_back(above->name);
  }
  return covering;
}

std::vector<StackLayer> FileStack(const fs::path& modsDir, const fs::path& gameDir, std::string_view relative) {
  std::vector<StackLayer> layers;
  const std::string key = PathKey(relative);
  for (const StackedMod& mod : InstalledStack(modsDir, gameDir)) {
    if (const RecordEntry* e = mod.Entry(key)) layers.push_back({mod.name, e->kind, mod.record.sequence});
  }
  return layers;
}

std::string CoveredByText(const std::vector<std::string>& covering) {
  if (covering.empty()) return {};
  std::string text = "Files of this mod are covered by: ";
  for (std::size_t i = 0; i < covering.size(); ++i) text += (i ? ", " : "") + covering[i];
  return text;
}

}  // namespace drydock::install
