// Where an archive's entries go: the root finding and the name checks.
// The input's first line is the archive's file name; every further line is
// one entry, its first character the kind (f file, d folder, l link, h hard
// link, anything else another kind), the rest its name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_plan.h"
#include "fuzz_support.h"
#include "platform/names.h"
#include "platform/text_file.h"

namespace drydock {
namespace {

archive::EntryKind KindOf(char c) {
  switch (c) {
    case 'f':
      return archive::EntryKind::File;
    case 'd':
      return archive::EntryKind::Folder;
    case 'l':
      return archive::EntryKind::SymbolicLink;
    case 'h':
      return archive::EntryKind::HardLink;
    default:
      return archive::EntryKind::Other;
  }
}

}  // namespace

int PlanOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = fuzz::AsText(data, size);
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  if (lines.empty()) return 0;
  const std::string archiveName(lines[0]);
  std::vector<archive::RawEntry> entries;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    entries.push_back({std::string(lines[i].substr(1)), KindOf(lines[i][0]), lines[i].size(), true, false});
  }

  (void)archive::HasArchiveExtension(platform::PathFromUtf8(archiveName));
  const archive::ArchivePlan plan = archive::PlanArchive(platform::PathFromUtf8("/archives/" + archiveName), entries);
  DRYDOCK_FUZZ_CHECK(plan.entries.size() == entries.size());
  for (const archive::PlannedEntry& e : plan.entries) {
    if (e.target.empty()) continue;
    // Every unpacked entry stays inside the mod folder under names a Windows game can hold.
    std::string_view rest = e.target;
    while (true) {
      const std::size_t slash = rest.find('/');
      const std::string_view part = rest.substr(0, slash);
      DRYDOCK_FUZZ_CHECK(!part.empty() && part != "." && part != "..");
      DRYDOCK_FUZZ_CHECK(platform::WindowsNameProblem(part) == nullptr);
      if (slash == std::string_view::npos) break;
      rest.remove_prefix(slash + 1);
    }
  }
  // Refused names are shown in a message: UTF-8 on one line, no control characters.
  for (const std::string& line : plan.skipped) {
    DRYDOCK_FUZZ_CHECK(platform::IsValidUtf8(line));
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      DRYDOCK_FUZZ_CHECK(c >= 0x20 && c != 0x7F);
      if (c == 0xC2 && i + 1 < line.size()) {
        DRYDOCK_FUZZ_CHECK(static_cast<unsigned char>(line[i + 1]) >= 0xA0);  // U+0080..U+009F
      }
    }
  }
  return 0;
}

}  // namespace drydock

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return drydock::PlanOneInput(data, size);
}
