#include "archive/archive_add.h"

#include <cstdio>
#include <exception>
#include <random>
#include <unordered_set>

#include "archive/archive_reader.h"
#include "archive/archive_texts.h"
#include "platform/file_ops.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/volume.h"

namespace drydock::archive {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUnpackPrefix = ".drydock-add-";
constexpr std::size_t kUnpackSuffixLength = 8;
// More entries than any mod has; a bound on the plan's memory.
constexpr std::size_t kMaxEntries = 1'000'000;

std::string RandomSuffix() {
  static constexpr std::string_view kChars = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device device;
  std::uniform_int_distribution<std::size_t> pick(0, kChars.size() - 1);
  std::string suffix;
  for (std::size_t i = 0; i < kUnpackSuffixLength; ++i) suffix += kChars[pick(device)];
  return suffix;
}

// Counts the bytes of an entry whose size the archive does not declare, up to
// just past what the add allows.
std::optional<std::uint64_t> CountEntryBytes(ArchiveReader& reader) {
  std::uint64_t counted = 0;
  const ArchiveReader::Read read = reader.ReadData([&](const void*, std::size_t size) {
    counted += size;
    return counted <= kMaxUnpackedBytes;
  });
  if (read == ArchiveReader::Read::Failed) return std::nullopt;
  return counted;
}

// Writes the planned entries below `folder`; the caller removes it on failure.
class Unpacker {
 public:
  Unpacker(const fs::path& folder, const std::function<void(std::uint64_t)>& progress, const std::atomic<bool>* cancel)
      : folder_(folder), progress_(progress), cancel_(cancel) {}

  UnpackResult Run(const Survey& survey) {
    ArchiveReader reader;
    if (!reader.Open(survey.archive)) return Failed(texts::Damaged(reader.Error()));
    const std::vector<PlannedEntry>& planned = survey.plan.entries;
    std::size_t index = 0;
    RawEntry raw;
    for (;;) {
      const ArchiveReader::Next next = reader.NextEntry(&raw);
      if (next == ArchiveReader::Next::Failed) return Failed(texts::Damaged(reader.Error()));
      if (next == ArchiveReader::Next::End) break;
      if (index >= planned.size() || raw.path != planned[index].source) return Failed(texts::kChangedMeanwhile);
      const PlannedEntry& entry = planned[index++];
      if (entry.target.empty()) continue;
      UnpackResult written = entry.folder ? MakeFolders(entry.target) : WriteFile(reader, entry);
      if (written.status != UnpackResult::Status::Done) return written;
    }
    if (index != planned.size()) return Failed(texts::kChangedMeanwhile);
    return {UnpackResult::Status::Done, {}};
  }

 private:
  static UnpackResult Failed(std::string why) { return {UnpackResult::Status::Failed, std::move(why)}; }

  // Makes `target` and the folders above it that this run has not made yet.
  UnpackResult MakeFolders(const std::string& target) {
    for (std::size_t end = 0; end != std::string::npos;) {
      end = target.find('/', end + 1);
      const std::string folder = target.substr(0, end);
      if (!made_.insert(folder).second) continue;
      const platform::FsResult made = platform::MakeFolder(folder_ / platform::PathFromUtf8(folder));
      if (!made) return Failed(made.Message());
    }
    return {UnpackResult::Status::Done, {}};
  }

  UnpackResult WriteFile(ArchiveReader& reader, const PlannedEntry& entry) {
    if (const std::size_t slash = entry.target.rfind('/'); slash != std::string::npos) {
      UnpackResult parents = MakeFolders(entry.target.substr(0, slash));
      if (parents.status != UnpackResult::Status::Done) return parents;
    }
    platform::FileWriter file;
    platform::FsResult result = file.Open(folder_ / platform::PathFromUtf8(entry.target));
    if (!result) return Failed(result.Message());
    std::uint64_t written = 0;
    bool outgrown = false;
    bool cancelled = false;
    const ArchiveReader::Read read = reader.ReadData([&](const void* data, std::size_t size) {
      written += size;
      if (written > entry.size) return !(outgrown = true);
      if (cancel_ && cancel_->load()) return !(cancelled = true);
      result = file.Write(data, size);
      if (!result) return false;
      if (progress_) progress_(done_ + written);
      return true;
    });
    if (cancelled) return {UnpackResult::Status::Cancelled, {}};
    if (outgrown) return Failed(texts::kOutgrown);
    if (read == ArchiveReader::Read::Failed) return Failed(texts::Damaged(reader.Error()));
    if (!result) return Failed(result.Message());
    if (const platform::FsResult closed = file.Close(); !closed) return Failed(closed.Message());
    done_ += written;
    if (progress_) progress_(done_);
    return {UnpackResult::Status::Done, {}};
  }

  fs::path folder_;
  const std::function<void(std::uint64_t)>& progress_;
  const std::atomic<bool>* cancel_;
  std::unordered_set<std::string> made_;
  std::uint64_t done_ = 0;
};

// SurveyArchive but for what the standard library throws (out of memory, say).
std::optional<Survey> SurveyOrThrow(const fs::path& archive, std::string* error) {
  auto fail = [&](std::string why) -> std::optional<Survey> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  std::error_code ec;
  const std::uintmax_t packed = fs::file_size(archive, ec);
  if (ec || !platform::IsFile(archive)) return fail(texts::kNotAFile);
  ArchiveReader reader;
  if (!reader.Open(archive)) {
    return fail(reader.UnknownFormat() ? texts::Unreadable(reader.Error()) : texts::Damaged(reader.Error()));
  }
  std::vector<RawEntry> entries;
  for (;;) {
    RawEntry entry;
    const ArchiveReader::Next next = reader.NextEntry(&entry);
    if (next == ArchiveReader::Next::End) break;
    if (next == ArchiveReader::Next::Failed) {
      return fail(reader.UnknownFormat() ? texts::Unreadable(reader.Error()) : texts::Damaged(reader.Error()));
    }
    if (entry.encrypted || reader.HasEncryptedEntries()) return fail(texts::kEncrypted);
    if (entries.size() >= kMaxEntries) return fail(texts::kTooManyEntries);
    if (entry.kind == EntryKind::File && !entry.sizeKnown) {
      const std::optional<std::uint64_t> counted = CountEntryBytes(reader);
      if (!counted) return fail(texts::Damaged(reader.Error()));
      entry.size = *counted;
      entry.sizeKnown = true;
    }
    entries.push_back(std::move(entry));
  }
  if (reader.HasEncryptedEntries()) return fail(texts::kEncrypted);
  Survey survey{archive, static_cast<std::uint64_t>(packed), PlanArchive(archive, entries)};
  return survey;
}

fs::path RealModsDir(const fs::path& modsDir) {
  std::error_code ec;
  const fs::path real = fs::weakly_canonical(modsDir, ec);
  return ec ? modsDir : real;
}

}  // namespace

std::optional<Survey> SurveyArchive(const fs::path& archive, std::string* error) {
  try {
    return SurveyOrThrow(archive, error);
  } catch (const std::exception& e) {
    if (error) *error = texts::WorkFailed(e.what());
    return std::nullopt;
  }
}

std::string LimitProblem(const Survey& survey, std::optional<std::uint64_t> freeBytes) {
  const std::uint64_t unpacked = survey.plan.unpackedBytes;
  const std::uint64_t packed = std::max<std::uint64_t>(survey.packedBytes, 1);
  if (unpacked > kMaxUnpackedBytes) return texts::TooLarge(unpacked, packed, kMaxUnpackedBytes);
  if (freeBytes && unpacked > *freeBytes) return texts::NoRoom(unpacked, packed, *freeBytes);
  if (unpacked > kRatioCheckedFrom && unpacked / packed > kMaxRatio) return texts::TooPacked(unpacked, packed);
  return {};
}

fs::path UnpackParent(const fs::path& modsDir) {
  const fs::path mods = RealModsDir(modsDir);
  // A mods folder that is a mount of its own (another disk, a tmpfs) takes no rename from beside it.
  return platform::OnOneMount(mods.parent_path(), mods).value_or(true) ? mods.parent_path() : mods;
}

bool IsUnpackFolderName(const std::string& name) {
  if (name.size() != kUnpackPrefix.size() + kUnpackSuffixLength || !name.starts_with(kUnpackPrefix)) return false;
  for (std::size_t i = kUnpackPrefix.size(); i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

int RemoveAddLeftovers(const fs::path& modsDir, const platform::WriterLock& /*lock*/) {
  // Both places an add may have unpacked in: the mods folder was not always a mount of its own.
  const fs::path mods = RealModsDir(modsDir);
  int removed = 0;
  for (const fs::path& folder : {mods.parent_path(), mods}) {
    for (const std::string& name : platform::ListAllNames(folder)) {
      const fs::path leftover = folder / platform::PathFromUtf8(name);
      if (!IsUnpackFolderName(name) || platform::IsLink(leftover) || !platform::IsFolder(leftover)) continue;
      if (platform::DeleteTree(leftover)) ++removed;
    }
  }
  return removed;
}

UnpackResult UnpackNewMod(const Survey& survey, const fs::path& modsDir, const std::string& name,
                          const platform::WriterLock& lock, const std::function<void(std::uint64_t)>& progress,
                          const std::atomic<bool>* cancel) {
  if (!platform::FindEntryIgnoreCase(modsDir, name).empty()) return {UnpackResult::Status::NameTaken, {}};
  (void)RemoveAddLeftovers(modsDir, lock);
  const fs::path parent = UnpackParent(modsDir);
  fs::path folder;
  do {
    folder = parent / platform::PathFromUtf8(std::string(kUnpackPrefix) + RandomSuffix());
  } while (platform::EntryExists(folder));
  if (const platform::FsResult made = platform::MakeFolder(folder); !made) {
    return {UnpackResult::Status::Failed, made.Message()};
  }
  UnpackResult result;
  try {
    result = Unpacker(folder, progress, cancel).Run(survey);
  } catch (const std::exception& e) {  // out of memory, say, or thrown by whoever hears the progress
    result = {UnpackResult::Status::Failed, texts::WorkFailed(e.what())};
  }
  if (result.status == UnpackResult::Status::Done) {
    const platform::FsResult moved = platform::MoveWithinVolume(folder, modsDir / platform::PathFromUtf8(name));
    if (!moved) {
      result = moved.code() == std::errc::file_exists ? UnpackResult{UnpackResult::Status::NameTaken, {}}
                                                      : UnpackResult{UnpackResult::Status::Failed, moved.Message()};
    }
  }
  if (result.status != UnpackResult::Status::Done) (void)platform::DeleteTree(folder);
  return result;
}

}  // namespace drydock::archive
