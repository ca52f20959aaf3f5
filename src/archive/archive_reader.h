#pragma once
// The one place that talks to libarchive: opens an archive of the kinds a
// mod comes in (zip, 7z, rar, tar with any compression) and walks its
// entries and their bytes. Formats that read files from the disk by
// reference (mtree) are never enabled.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

struct archive;

namespace drydock::archive {

enum class EntryKind { File, Folder, SymbolicLink, HardLink, Other };

struct RawEntry {
  std::string path;  // as stored: UTF-8 when it converts, else the archive's own bytes
  EntryKind kind = EntryKind::File;
  std::uint64_t size = 0;
  bool sizeKnown = false;
  bool encrypted = false;
};

class ArchiveReader {
 public:
  ArchiveReader();
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // False with Error() when the file cannot be opened or is no archive of a known kind.
  bool Open(const std::filesystem::path& file);
  enum class Next { Entry, End, Failed };
  Next NextEntry(RawEntry* entry);
  // Hands the current entry's bytes to `sink` block by block; Stopped when
  // `sink` returns false, Failed (see Error) when the archive cannot give them.
  enum class Read { Done, Stopped, Failed };
  Read ReadData(const std::function<bool(const void* data, std::size_t size)>& sink);
  // Why the last call failed, in the library's words.
  std::string Error() const;
  // True when the last failure came from a file of no known archive kind,
  // rather than from damage to one.
  bool UnknownFormat() const;
  // True once the archive said that it holds encrypted data.
  bool HasEncryptedEntries() const;

 private:
  struct Closer {
    void operator()(struct ::archive* a) const;
  };
  std::unique_ptr<struct ::archive, Closer> archive_;
};

}  // namespace drydock::archive
