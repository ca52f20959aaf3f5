// The file installer's .odf classifier and the analyzer's unit values.
#include <cstddef>
#include <cstdint>

#include "analyzer/odf_stats.h"
#include "fileinstaller/file_types.h"
#include "fuzz_support.h"
#include "platform/text_file.h"

using namespace drydock;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto file = fuzz::WriteScratchFile("unit.odf", fuzz::AsText(data, size));

  // One reading for all kinds must agree with reading once per kind.
  const auto all = fileinstaller::ClassifyOdfAll(file);
  for (std::size_t k = 0; k < fileinstaller::kOdfKindCount; ++k) {
    DRYDOCK_FUZZ_CHECK(all[k] == fileinstaller::ClassifyOdf(file, static_cast<fileinstaller::OdfKind>(k)));
  }

  const analyzer::OdfCaptions captions = analyzer::ReadOdfStats(file);
  for (int i = 0; i < analyzer::kOdfStatCount; ++i) {
    const analyzer::OdfStat& stat = analyzer::kOdfStats[static_cast<std::size_t>(i)];
    const std::string& caption = captions[static_cast<std::size_t>(i)];
    DRYDOCK_FUZZ_CHECK(caption.starts_with(std::string(stat.key) + " ="));
    DRYDOCK_FUZZ_CHECK(platform::IsValidUtf8(caption));
  }
  return 0;
}
