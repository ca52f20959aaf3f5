#include "archive_builder.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace drydock::test {

const char* FormatName(ArchiveFormat format) {
  switch (format) {
    case ArchiveFormat::Zip:
      return "zip";
    case ArchiveFormat::SevenZip:
      return "7z";
    case ArchiveFormat::TarGz:
      return "tar.gz";
  }
  return "";
}

bool BuildArchive(const std::filesystem::path& file, ArchiveFormat format, const std::vector<ArchiveItem>& items,
                  const std::string& options, const std::string& passphrase) {
  std::unique_ptr<struct archive, int (*)(struct archive*)> a(archive_write_new(), &archive_write_free);
  switch (format) {
    case ArchiveFormat::Zip:
      archive_write_set_format_zip(a.get());
      break;
    case ArchiveFormat::SevenZip:
      archive_write_set_format_7zip(a.get());
      break;
    case ArchiveFormat::TarGz:
      archive_write_set_format_pax_restricted(a.get());
      archive_write_add_filter_gzip(a.get());
      break;
  }
  if (!options.empty() && archive_write_set_options(a.get(), options.c_str()) < ARCHIVE_WARN) return false;
  if (!passphrase.empty() && archive_write_set_passphrase(a.get(), passphrase.c_str()) < ARCHIVE_WARN) return false;
  if (archive_write_open_filename(a.get(), file.c_str()) != ARCHIVE_OK) return false;
  for (const ArchiveItem& item : items) {
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> e(archive_entry_new(), &archive_entry_free);
    archive_entry_copy_pathname(e.get(), item.path.c_str());
    archive_entry_set_perm(e.get(), 0644);
    archive_entry_set_mtime(e.get(), 1700000000, 0);
    bool withData = false;
    switch (item.kind) {
      case ArchiveItem::Kind::File:
        archive_entry_set_filetype(e.get(), AE_IFREG);
        archive_entry_set_size(e.get(), static_cast<la_int64_t>(item.data.size()));
        withData = true;
        break;
      case ArchiveItem::Kind::Folder:
        archive_entry_set_filetype(e.get(), AE_IFDIR);
        archive_entry_set_perm(e.get(), 0755);
        break;
      case ArchiveItem::Kind::SymbolicLink:
        archive_entry_set_filetype(e.get(), AE_IFLNK);
        archive_entry_copy_symlink(e.get(), item.linkTarget.c_str());
        break;
      case ArchiveItem::Kind::HardLink:
        archive_entry_set_filetype(e.get(), AE_IFREG);
        archive_entry_copy_hardlink(e.get(), item.linkTarget.c_str());
        break;
      case ArchiveItem::Kind::Device:
        archive_entry_set_filetype(e.get(), AE_IFCHR);
        archive_entry_set_rdev(e.get(), 0x0103);  // /dev/null's numbers
        break;
    }
    if (archive_write_header(a.get(), e.get()) < ARCHIVE_WARN) return false;
    if (withData && !item.data.empty() &&
        archive_write_data(a.get(), item.data.data(), item.data.size()) != static_cast<la_ssize_t>(item.data.size())) {
      return false;
    }
  }
  return archive_write_close(a.get()) == ARCHIVE_OK;
}

}  // namespace drydock::test
