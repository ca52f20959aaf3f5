#include "install/backup_folder.h"

#include <algorithm>
#include <charconv>

#include "install/installed_mods.h"
#include "library/game_search.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;
using drydock::platform::PathFromUtf8;

namespace drydock::install {

namespace {

constexpr std::string_view kHeaderV1 = "drydock install record 1";
// Version 2 adds the game and the sequence number, which version 1 refuses to read.
constexpr std::string_view kHeaderV2 = "drydock install record 2";
// Version 3 adds what identifies the game, and each stamp's change time and file ID.
constexpr std::string_view kHeaderV3 = "drydock install record 3";
// Version 4 adds the size of each kept original.
constexpr std::string_view kHeader = "drydock install record 4";
constexpr std::string_view kNoteHeader = "drydock uninstall note 1";
constexpr std::size_t kMaxRecordBytes = 256u << 20;

constexpr std::string_view StateName(InstallRecord::State state) {
  switch (state) {
    case InstallRecord::State::Pending:
      return "pending";
    case InstallRecord::State::Complete:
      return "complete";
    case InstallRecord::State::Retiring:
      return "retiring";
  }
  return "";
}

}  // namespace

// Every byte that could break a line or a field, and every byte that is not
// plain ASCII, as %XX: the record stays one entry a line whatever a name holds.
std::string EscapeRecordText(std::string_view raw) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(raw.size());
  for (char c : raw) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == '%' || u >= 0x7F) {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> UnescapeRecordText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    unsigned value = 0;
    if (i + 2 >= text.size()) return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
    if (ec != std::errc() || end != text.data() + i + 3) return std::nullopt;
    out += static_cast<char>(value);
    i += 2;
  }
  return out;
}

namespace {

constexpr auto Escape = EscapeRecordText;
constexpr auto Unescape = UnescapeRecordText;

// A path the record may hold: relative, every component a plain name.
bool IsRecordPath(std::string_view path) {
  if (path.empty() || path.front() == '/') return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string_view::npos ||
        part.find('\0') != std::string_view::npos) {
      return false;
    }
    if (end == path.size()) return true;
    start = end + 1;
  }
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start <= line.size()) {
    const std::size_t end = std::min(line.find(' ', start), line.size());
    fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// The lines of a text that ends with a line break; nothing of one cut short,
// or with `partial` the whole lines before the cut.
std::vector<std::string_view> Lines(std::string_view text, bool partial = false) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return partial ? lines : std::vector<std::string_view>{};  // cut short
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Deletes temporaries and empty folders below `dir`, collecting everything
// else that is not the record in `leftovers`.
void SweepBackup(const fs::path& backup, const fs::path& dir, std::vector<std::string>& leftovers) {
  for (const std::string& name : platform::ListAllNames(dir)) {
    const fs::path entry = dir / PathFromUtf8(name);
    if (!platform::IsLink(entry) && platform::IsFolder(entry)) {
      SweepBackup(backup, entry, leftovers);
      if (platform::ListAllNames(entry).empty()) (void)platform::RemoveEmptyFolder(entry);
    } else if (platform::IsOwnTemporaryName(name) && platform::IsFile(entry) && !platform::IsLink(entry)) {
      (void)platform::DeleteFile(entry);
    } else if (!(dir == backup && name == kRecordName)) {
      leftovers.push_back(RelativeRecordPath(backup, entry));
    }
  }
}

}  // namespace

std::string FormatRecord(const InstallRecord& record) {
  const auto identity = [](const std::optional<FileIdentity>& id) {
    return id ? std::to_string(id->volume) + " " + std::to_string(id->id) : std::string("- -");
  };
  std::string text = std::string(kHeader) + "\nstate " + std::string(StateName(record.state)) + "\ngame " +
                     Escape(record.game) + "\nidentity " + identity(record.identity.folder) + " " +
                     identity(record.identity.exe) + "\nseq " + std::to_string(record.sequence) + "\n";
  for (const RecordEntry& e : record.entries) {
    text += e.kind == RecordEntry::Kind::Replaced ? "replaced " : "added ";
    if (!e.written) {
      text += "- - - -";
    } else {
      const platform::FileStamp& w = *e.written;
      text += std::to_string(w.size) + " " + std::to_string(w.modified) + " " +
              (e.fullStamp ? std::to_string(w.changed) + " " + std::to_string(w.id) : std::string("- -"));
    }
    const bool sized = e.keptSize && e.kind == RecordEntry::Kind::Replaced;
    text += " " + (sized ? std::to_string(*e.keptSize) : std::string("-"));
    text += " " + Escape(e.path) + "\n";
  }
  return text;
}

namespace {

// The lines of a record's head: its version, state, game, identity and
// place in the order of installs. Returns the index of the first entry line,
// or 0 when the head cannot be read.
std::size_t ParseHead(const std::vector<std::string_view>& lines, InstallRecord& record, int& version) {
  if (lines.size() < 2) return 0;
  version = lines[0] == kHeader     ? 4
            : lines[0] == kHeaderV3 ? 3
            : lines[0] == kHeaderV2 ? 2
            : lines[0] == kHeaderV1 ? 1
                                    : 0;
  if (version == 0) return 0;
  bool knownState = false;
  for (auto state : {InstallRecord::State::Pending, InstallRecord::State::Complete, InstallRecord::State::Retiring}) {
    if (lines[1] == "state " + std::string(StateName(state))) {
      record.state = state;
      knownState = true;
    }
  }
  if (!knownState) return 0;
  if (version == 1) return 2;
  const std::size_t seqLine = version >= 3 ? 4 : 3;
  if (lines.size() <= seqLine || !lines[2].starts_with("game ") || !lines[seqLine].starts_with("seq ")) return 0;
  auto game = Unescape(lines[2].substr(5));
  if (!game || !ParseNumber(lines[seqLine].substr(4), record.sequence)) return 0;
  if (version == 2 && record.sequence == 0) return 0;
  record.game = std::move(*game);
  if (version >= 3) {
    const std::vector<std::string_view> f = Fields(lines[3]);
    if (f.size() != 5 || f[0] != "identity") return 0;
    std::optional<FileIdentity>* ids[] = {&record.identity.folder, &record.identity.exe};
    for (int i = 0; i < 2; ++i) {
      const std::string_view volume = f[1 + 2 * i], id = f[2 + 2 * i];
      if (volume == "-" && id == "-") continue;
      FileIdentity value;
      if (!ParseNumber(volume, value.volume) || !ParseNumber(id, value.id)) return 0;
      *ids[i] = value;
    }
  }
  return seqLine + 1;
}

// One entry line of a record of `version`; nothing when it cannot be read.
std::optional<RecordEntry> ParseEntry(std::string_view line, int version) {
  const std::vector<std::string_view> f = Fields(line);
  const std::size_t stampFields = version >= 4 ? 5 : version == 3 ? 4 : 2;
  if (f.size() != stampFields + 2 || (f[0] != "replaced" && f[0] != "added")) return std::nullopt;
  RecordEntry entry;
  entry.kind = f[0] == "replaced" ? RecordEntry::Kind::Replaced : RecordEntry::Kind::Added;
  if (f[1] != "-" || f[2] != "-") {
    platform::FileStamp stamp;
    if (!ParseNumber(f[1], stamp.size) || !ParseNumber(f[2], stamp.modified)) return std::nullopt;
    if (version >= 3 && (f[3] != "-" || f[4] != "-")) {
      if (!ParseNumber(f[3], stamp.changed) || !ParseNumber(f[4], stamp.id)) return std::nullopt;
      entry.fullStamp = true;
    }
    entry.written = stamp;
  }
  if (version >= 4 && f[5] != "-") {
    std::uint64_t size = 0;
    if (entry.kind != RecordEntry::Kind::Replaced || !ParseNumber(f[5], size)) return std::nullopt;
    entry.keptSize = size;
  }
  auto path = Unescape(f.back());
  if (!path || !IsRecordPath(*path)) return std::nullopt;
  entry.path = std::move(*path);
  return entry;
}

// Reads a record; with `salvage`, what can be read of a damaged one.
std::optional<InstallRecord> Parse(std::string_view text, bool salvage) {
  std::vector<std::string_view> lines = Lines(text, salvage);
  InstallRecord record;
  int version = 0;
  const std::size_t first = ParseHead(lines, record, version);
  if (first == 0) return std::nullopt;
  for (std::size_t i = first; i < lines.size(); ++i) {
    std::optional<RecordEntry> entry = ParseEntry(lines[i], version);
    if (!entry) {
      if (salvage) break;
      return std::nullopt;
    }
    record.entries.push_back(std::move(*entry));
  }
  return record;
}

}  // namespace

std::optional<InstallRecord> ParseRecord(std::string_view text) { return Parse(text, /*salvage=*/false); }
std::optional<InstallRecord> SalvageRecord(std::string_view text) { return Parse(text, /*salvage=*/true); }

RecordStatus ReadRecord(const fs::path& backup, InstallRecord& record, bool salvage) {
  const fs::path file = backup / PathFromUtf8(kRecordName);
  if (!platform::EntryExists(file)) return RecordStatus::Missing;
  const auto stamp = platform::StampOf(file);
  if (!stamp || stamp->size > kMaxRecordBytes) return RecordStatus::Unreadable;
  const std::string text = platform::ReadFileBytes(file, kMaxRecordBytes);
  if (auto parsed = ParseRecord(text)) {
    record = std::move(*parsed);
    return RecordStatus::Read;
  }
  if (!salvage) return RecordStatus::Unreadable;
  auto salvaged = SalvageRecord(text);
  record = salvaged ? std::move(*salvaged) : InstallRecord{InstallRecord::State::Complete, {}, {}, 0, {}};
  return RecordStatus::Salvaged;
}

GameIdentity IdentityOf(const fs::path& gameDir) {
  GameIdentity identity;
  if (const auto folder = platform::FolderStampOf(gameDir)) identity.folder = FileIdentity{folder->volume, folder->id};
  if (const auto exe = platform::StampOf(platform::NativePath(gameDir, library::kGameExeName))) {
    identity.exe = FileIdentity{exe->volume, exe->id};
  }
  return identity;
}

GameMatch MatchGame(const InstallRecord& record, const fs::path& gameDir) {
  if (record.sequence == 0 && record.game.empty()) return GameMatch::Same;  // an earlier version named no game
  if (platform::SamePathText(record.game, CanonicalText(gameDir))) return GameMatch::Same;
  const fs::path recorded = PathFromUtf8(record.game);
  const GameIdentity here = IdentityOf(gameDir);
  if (platform::IsFolder(recorded)) {
    // Another path to this very folder (a mount of it elsewhere); else another copy of the game.
    const GameIdentity there = IdentityOf(recorded);
    return there.folder && here.folder && *there.folder == *here.folder ? GameMatch::Same : GameMatch::Other;
  }
  if (!record.identity.Known()) return GameMatch::Moved;
  return record.identity.Matches(here) ? GameMatch::Moved : GameMatch::Other;
}

platform::FsResult WriteRecord(const fs::path& backup, const InstallRecord& record) {
  return platform::WriteFileAtomic(backup / PathFromUtf8(kRecordName), FormatRecord(record), /*replace=*/true,
                                   {.sync = true});
}

std::string FormatUninstallNote(const UninstallNote& note) {
  std::string text = std::string(kNoteHeader) + "\ngame " + Escape(note.game) + "\n";
  for (const auto& [path, stamp] : note.restored) {
    text += "restored " + std::to_string(stamp.size) + " " + std::to_string(stamp.modified) + " " + Escape(path) + "\n";
  }
  return text;
}

std::optional<UninstallNote> ParseUninstallNote(std::string_view text) {
  const std::vector<std::string_view> lines = Lines(text);
  if (lines.size() < 2 || lines[0] != kNoteHeader || !lines[1].starts_with("game ")) return std::nullopt;
  UninstallNote note;
  auto game = Unescape(lines[1].substr(5));
  if (!game) return std::nullopt;
  note.game = std::move(*game);
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::vector<std::string_view> f = Fields(lines[i]);
    platform::FileStamp stamp;
    if (f.size() != 4 || f[0] != "restored" || !ParseNumber(f[1], stamp.size) || !ParseNumber(f[2], stamp.modified)) {
      return std::nullopt;
    }
    auto path = Unescape(f[3]);
    if (!path || !IsRecordPath(*path)) return std::nullopt;
    note.restored.emplace_back(std::move(*path), stamp);
  }
  return note;
}

std::string CanonicalText(const fs::path& folder) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(folder, ec);
  return platform::PathToUtf8(ec ? folder : canonical);
}

std::optional<UninstallNote> ReadUninstallNote(const fs::path& modFolder, const fs::path& gameDir) {
  const fs::path file = modFolder / PathFromUtf8(kUninstallNoteName);
  const auto stamp = platform::StampOf(file);
  if (!stamp || stamp->size > kMaxRecordBytes) return std::nullopt;
  auto note = ParseUninstallNote(platform::ReadFileBytes(file, kMaxRecordBytes));
  if (!note || !platform::SamePathText(note->game, CanonicalText(gameDir))) return std::nullopt;
  return note;
}

platform::FsResult WriteUninstallNote(const fs::path& modFolder, const fs::path& gameDir, UninstallNote note) {
  note.game = CanonicalText(gameDir);
  return platform::WriteFileAtomic(modFolder / PathFromUtf8(kUninstallNoteName), FormatUninstallNote(note),
                                   /*replace=*/true, {.sync = true});
}

fs::path FindBackupFolder(const fs::path& modFolder) {
  const std::vector<fs::path> found = platform::AllCaseVariants(modFolder, kBackupFolderName);
  return found.empty() ? fs::path() : found.front();
}

void CleanLeftovers(const fs::path& modFolder) {
  for (std::string_view name : {kBackupBuildingName, kBackupRetiredName}) {
    const fs::path leftover = modFolder / PathFromUtf8(name);
    if (platform::EntryExists(leftover)) (void)platform::DeleteTree(leftover);
  }
  // A note being written when a run was killed.
  platform::RemoveOwnTemporaries(modFolder);
}

std::vector<std::string> RemoveSpentBackup(const fs::path& modFolder, const fs::path& backup,
                                           platform::FsResult& result) {
  std::vector<std::string> leftovers;
  SweepBackup(backup, backup, leftovers);
  if (!leftovers.empty()) return leftovers;
  const fs::path retired = modFolder / PathFromUtf8(kBackupRetiredName);
  result = platform::MoveWithinVolume(backup, retired);
  if (!result) return leftovers;
  (void)platform::SyncPath(modFolder);
  (void)platform::DeleteTree(retired);
  return leftovers;
}

std::string RelativeRecordPath(const fs::path& root, const fs::path& full) {
  std::string joined;
  for (const fs::path& part : full.lexically_relative(root)) {
    if (!joined.empty()) joined += '/';
    joined += platform::PathToUtf8(part);
  }
  return joined;
}

}  // namespace drydock::install
