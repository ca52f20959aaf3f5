// The install record and the uninstall note: a mod published with its Backup
// brings someone else's, so they are files other people make. A record read
// whole is written back to the same text's meaning, and salvaging never reads
// more entries than the text has lines, nor fails where the strict read worked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "install/backup_folder.h"

using namespace drydock;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  const auto strict = install::ParseRecord(text);
  const auto salvaged = install::SalvageRecord(text);
  if (strict) {
    DRYDOCK_FUZZ_CHECK(salvaged && salvaged->entries.size() == strict->entries.size());
    const std::string written = install::FormatRecord(*strict);
    const auto again = install::ParseRecord(written);
    DRYDOCK_FUZZ_CHECK(again && install::FormatRecord(*again) == written);
    DRYDOCK_FUZZ_CHECK(again->game == strict->game && again->sequence == strict->sequence);
  }
  if (salvaged) DRYDOCK_FUZZ_CHECK(salvaged->entries.size() <= size / 2);
  if (const auto note = install::ParseUninstallNote(text)) {
    DRYDOCK_FUZZ_CHECK(install::ParseUninstallNote(install::FormatUninstallNote(*note)).has_value());
  }
  return 0;
}
