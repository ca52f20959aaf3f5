#include "archive/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <type_traits>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace drydock::archive {

namespace {
constexpr std::size_t kBlockBytes = 1 << 20;
}

void ArchiveReader::Closer::operator()(struct ::archive* a) const { archive_read_free(a); }

ArchiveReader::ArchiveReader() : archive_(archive_read_new()) {
  struct ::archive* a = archive_.get();
  archive_read_support_filter_all(a);
  archive_read_support_format_zip(a);
  archive_read_support_format_7zip(a);
  archive_read_support_format_rar(a);
  archive_read_support_format_rar5(a);
  archive_read_support_format_tar(a);
  archive_read_support_format_gnutar(a);
}

ArchiveReader::~ArchiveReader() = default;

namespace {
// Opens by the path's own characters: wide on Windows, the file system's bytes elsewhere.
template <typename Char>
int OpenByName(struct archive* a, const Char* name, std::size_t blockBytes) {
  if constexpr (std::is_same_v<Char, wchar_t>) {
    return archive_read_open_filename_w(a, name, blockBytes);
  } else {
    return archive_read_open_filename(a, name, blockBytes);
  }
}
}  // namespace

bool ArchiveReader::Open(const std::filesystem::path& file) {
  return OpenByName(archive_.get(), file.c_str(), kBlockBytes) == ARCHIVE_OK;
}

ArchiveReader::Next ArchiveReader::NextEntry(RawEntry* entry) {
  struct archive_entry* header = nullptr;
  const int status = archive_read_next_header(archive_.get(), &header);
  if (status == ARCHIVE_EOF) return Next::End;
  if (status < ARCHIVE_WARN) return Next::Failed;
  const char* utf8 = archive_entry_pathname_utf8(header);
  const char* raw = utf8 ? utf8 : archive_entry_pathname(header);
  entry->path = raw ? raw : "";
  entry->sizeKnown = archive_entry_size_is_set(header) != 0;
  entry->size = entry->sizeKnown ? static_cast<std::uint64_t>(archive_entry_size(header)) : 0;
  entry->encrypted = archive_entry_is_encrypted(header) != 0;
  if (archive_entry_hardlink(header)) {
    entry->kind = EntryKind::HardLink;
  } else {
    switch (archive_entry_filetype(header)) {
      case AE_IFREG:
        entry->kind = EntryKind::File;
        break;
      case AE_IFDIR:
        entry->kind = EntryKind::Folder;
        break;
      case AE_IFLNK:
        entry->kind = EntryKind::SymbolicLink;
        break;
      default:
        entry->kind = EntryKind::Other;
        break;
    }
  }
  return Next::Entry;
}

ArchiveReader::Read ArchiveReader::ReadData(const std::function<bool(const void*, std::size_t)>& sink) {
  static const std::vector<char> zeros(64 * 1024, 0);
  std::uint64_t position = 0;
  for (;;) {
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    const int status = archive_read_data_block(archive_.get(), &block, &size, &offset);
    if (status == ARCHIVE_EOF) return Read::Done;
    if (status != ARCHIVE_OK) return Read::Failed;  // a warning here is a bad checksum
    // The holes of a sparse entry come as gaps between blocks; they read as zeros.
    while (offset >= 0 && static_cast<std::uint64_t>(offset) > position) {
      const std::size_t gap = static_cast<std::size_t>(
          std::min<std::uint64_t>(static_cast<std::uint64_t>(offset) - position, zeros.size()));
      if (!sink(zeros.data(), gap)) return Read::Stopped;
      position += gap;
    }
    if (size > 0 && !sink(block, size)) return Read::Stopped;
    position += size;
  }
}

std::string ArchiveReader::Error() const {
  const char* text = archive_error_string(archive_.get());
  std::string error = text ? text : "unknown error";
  while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
  return error;
}

bool ArchiveReader::UnknownFormat() const {
  // libarchive's number for "no format recognised", which its public header leaves out.
#ifdef EFTYPE
  return archive_errno(archive_.get()) == EFTYPE;
#else
  return archive_errno(archive_.get()) == EILSEQ;
#endif
}

bool ArchiveReader::HasEncryptedEntries() const { return archive_read_has_encrypted_entries(archive_.get()) > 0; }

}  // namespace drydock::archive
