#include "install/mod_stack.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>

#include "install/installed_mods.h"
#include "library/mod_files.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace drydock::install {

namespace {

constexpr std::string_view kLedgerHeader = "drydock installs 1";

// What a mod folder is called in messages, by the folder's own name (an addon's without its parent).
std::string FolderName(const fs::path& modFolder) { return platform::PathToUtf8(modFolder.filename()); }

// Every installed mod of `gameDir` with a numbered record, retiring ones
// included when asked, in install order: those of `modsDir` first, then those
// of other mods folders that the game's ledger names.
std::vector<StackedMod> ReadStack(const fs::path& modsDir, const fs::path& gameDir, bool withRetiring) {
  std::vector<StackedMod> stack;
  std::set<std::string> seen;
  const auto consider = [&](const fs::path& modFolder, std::string name) {
    if (modFolder.empty() || !seen.insert(CanonicalText(modFolder)).second) return;
    StackedMod mod;
    mod.modFolder = modFolder;
    mod.backup = FindBackupFolder(mod.modFolder);
    if (mod.backup.empty() || ReadRecord(mod.backup, mod.record) != RecordStatus::Read) return;
    if (mod.record.sequence == 0) return;
    const GameMatch match = MatchGame(mod.record, gameDir);
    if (match == GameMatch::Other || (match == GameMatch::Moved && !mod.record.identity.Known())) return;
    if (!withRetiring && mod.record.state == InstallRecord::State::Retiring) return;
    mod.name = std::move(name);
    stack.push_back(std::move(mod));
  };
  const library::ModList list = library::FillModList(modsDir);
  for (int i = 0; i < static_cast<int>(list.size()); ++i) {
    const std::string& entry = list[static_cast<size_t>(i)];
    consider(library::EntryFolder(modsDir, list, i),
             library::IsAddonEntry(entry) ? entry.substr(library::kAddonIndent.size()) : entry);
  }
  for (const fs::path& modFolder : ReadLedger(gameDir).modFolders) {
    if (platform::IsFolder(modFolder)) consider(modFolder, FolderName(modFolder));
  }
  std::stable_sort(stack.begin(), stack.end(),
                   [](const StackedMod& a, const StackedMod& b) { return a.record.sequence < b.record.sequence; });
  return stack;
}

fs::path LedgerFile(const fs::path& gameDir) { return gameDir / platform::PathFromUtf8(kLedgerName); }

// The made folders that still hold something, after removing those that are
// empty again (deepest first, so that a parent emptied by its child goes too).
// A link is never followed nor removed.
std::vector<std::string> PruneMadeFolders(const fs::path& gameDir, std::vector<std::string> made) {
  std::sort(made.begin(), made.end(), [](const std::string& a, const std::string& b) {
    const auto depth = [](const std::string& p) { return std::count(p.begin(), p.end(), '/'); };
    return depth(a) != depth(b) ? depth(a) > depth(b) : a < b;
  });
  made.erase(std::unique(made.begin(), made.end()), made.end());
  std::vector<std::string> kept;
  for (const std::string& rel : made) {
    const fs::path folder = gameDir / platform::PathFromUtf8(rel);
    if (platform::IsLink(folder) || !platform::IsFolder(folder)) continue;
    if (platform::ListAllNames(folder).empty() && platform::RemoveEmptyFolder(folder)) continue;
    kept.push_back(rel);
  }
  return kept;
}

// Writes the ledger with `modFolder` in it or not (nothing: as it is), keeping
// only the other lines whose mod still has a record of this game, and the
// made folders that still hold something.
platform::FsResult RewriteLedger(const fs::path& gameDir, const std::optional<fs::path>& modFolder,
                                 std::optional<std::uint64_t> sequence,
                                 const std::vector<std::string>& newFolders = {}) {
  platform::RemoveOwnTemporaries(gameDir);  // of a ledger whose writing was cut short
  GameLedger ledger = ReadLedger(gameDir);
  const std::string self = modFolder ? CanonicalText(*modFolder) : std::string();
  std::vector<fs::path> kept;
  for (const fs::path& folder : ledger.modFolders) {
    if (modFolder && CanonicalText(folder) == self) continue;
    InstallRecord record;
    const fs::path backup = FindBackupFolder(folder);
    if (backup.empty() || ReadRecord(backup, record) != RecordStatus::Read || record.sequence == 0 ||
        MatchGame(record, gameDir) == GameMatch::Other) {
      continue;
    }
    kept.push_back(folder);
  }
  if (modFolder && sequence) {
    kept.push_back(platform::PathFromUtf8(self));
    ledger.lastSequence = std::max(ledger.lastSequence, *sequence);
  }
  // Folders about to be made are not there yet: they are kept as they are.
  std::vector<std::string> folders = PruneMadeFolders(gameDir, ledger.madeFolders);
  folders.insert(folders.end(), newFolders.begin(), newFolders.end());
  const fs::path file = LedgerFile(gameDir);
  if (kept.empty()) return platform::EntryExists(file) ? platform::DeleteFile(file) : platform::FsResult();
  std::string text = std::string(kLedgerHeader) + "\nlast " + std::to_string(ledger.lastSequence) + "\n";
  for (const fs::path& folder : kept) text += "mod " + EscapeRecordText(platform::PathToUtf8(folder)) + "\n";
  for (const std::string& folder : folders) text += "folder " + EscapeRecordText(folder) + "\n";
  return platform::WriteFileAtomic(file, text, /*replace=*/true, {.sync = true});
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

GameLedger ReadLedger(const fs::path& gameDir) {
  GameLedger ledger;
  const fs::path file = LedgerFile(gameDir);
  if (!platform::IsFile(file) || platform::IsLink(file)) return ledger;
  const std::vector<std::string> lines = platform::ReadTextLines(file, {.maxBytes = 16u << 20});
  if (lines.empty() || lines.front() != kLedgerHeader) return ledger;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.starts_with("last ")) {
      const std::string_view number = line.substr(5);
      std::uint64_t value = 0;
      const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
      if (ec == std::errc() && end == number.data() + number.size()) ledger.lastSequence = value;
    } else if (line.starts_with("mod ")) {
      if (auto folder = UnescapeRecordText(line.substr(4)); folder && !folder->empty()) {
        ledger.modFolders.push_back(platform::PathFromUtf8(*folder));
      }
    } else if (line.starts_with("folder ")) {
      // Only a path inside the game folder is taken: the ledger is a file anyone may edit.
      if (auto folder = UnescapeRecordText(line.substr(7)); folder && platform::IsContainedRelative(*folder)) {
        ledger.madeFolders.push_back(*folder);
      }
    }
  }
  return ledger;
}

platform::FsResult NoteInLedger(const fs::path& gameDir, const fs::path& modFolder, std::uint64_t sequence) {
  return RewriteLedger(gameDir, modFolder, sequence);
}

platform::FsResult ForgetInLedger(const fs::path& gameDir, const fs::path& modFolder) {
  return RewriteLedger(gameDir, modFolder, std::nullopt);
}

platform::FsResult NoteMadeFolders(const fs::path& gameDir, const std::vector<std::string>& folders) {
  if (folders.empty()) return {};
  return RewriteLedger(gameDir, std::nullopt, std::nullopt, folders);
}

std::vector<StackedMod> InstalledStack(const fs::path& modsDir, const fs::path& gameDir) {
  return ReadStack(modsDir, gameDir, /*withRetiring=*/false);
}

std::uint64_t NextSequence(const fs::path& modsDir, const fs::path& gameDir) {
  const std::vector<StackedMod> stack = ReadStack(modsDir, gameDir, /*withRetiring=*/true);
  const std::uint64_t last =
      std::max(stack.empty() ? 0 : stack.back().record.sequence, ReadLedger(gameDir).lastSequence);
  return last + 1;
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
    // A banner both mods carry is no file of the game that one mod hides from the other.
    const bool shares =
        std::any_of(self->record.entries.begin(), self->record.entries.end(), [&](const RecordEntry& e) {
          const std::string_view name = std::string_view(e.path).substr(e.path.find_last_of("\\/") + 1);
          return !library::IsModDescriptionFile(name) && above->Entry(PathKey(e.path)) != nullptr;
        });
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
