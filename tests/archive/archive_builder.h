#pragma once
// Builds the archives the tests add, with libarchive's own writer.
#include <filesystem>
#include <string>
#include <vector>

namespace drydock::test {

enum class ArchiveFormat { Zip, SevenZip, TarGz };

struct ArchiveItem {
  enum class Kind { File, Folder, SymbolicLink, HardLink, Device };
  std::string path;  // bytes as stored
  std::string data = "x";
  Kind kind = Kind::File;
  std::string linkTarget = {};
};

// Writes `items` in order as the archive `file`, with the writer's `options`
// ("zip:compression=store"); false when the writer refuses.
bool BuildArchive(const std::filesystem::path& file, ArchiveFormat format, const std::vector<ArchiveItem>& items,
                  const std::string& options = {}, const std::string& passphrase = {});

const char* FormatName(ArchiveFormat format);

}  // namespace drydock::test
