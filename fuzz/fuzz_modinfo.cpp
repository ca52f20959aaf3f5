// ModInfo.txt reading and the text decoding under it: any bytes give five
// texts in valid UTF-8, and the decoder keeps valid UTF-8 as it is.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "modinfo/mod_info.h"
#include "platform/text_file.h"

using namespace drydock;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::AsText(data, size);

  const std::string decoded = platform::DecodeText(bytes);
  DRYDOCK_FUZZ_CHECK(platform::IsValidUtf8(decoded));
  if (platform::IsValidUtf8(bytes)) DRYDOCK_FUZZ_CHECK(decoded == bytes);
  // Windows-1252 text decodes and encodes back to the same bytes when every
  // byte has a character (five of them, 0x81 0x8D 0x8F 0x90 0x9D, have none).
  if (const auto encoded = platform::EncodeWindows1252(decoded); encoded && !platform::IsValidUtf8(bytes)) {
    DRYDOCK_FUZZ_CHECK(*encoded == bytes);
  }

  const auto file = fuzz::WriteScratchFile("mod/ModInfo.txt", bytes);
  const modinfo::ModInfoTexts texts = modinfo::ReadModInfo(file.parent_path());
  for (const std::string* text :
       {&texts.author, &texts.description, &texts.version, &texts.other, &texts.otherHeading}) {
    DRYDOCK_FUZZ_CHECK(platform::IsValidUtf8(*text));
    DRYDOCK_FUZZ_CHECK(platform::IsValidUtf8(modinfo::StripMnemonics(*text)));
  }

  // Small limits so that cut lines and an early stop are reached too.
  std::size_t total = 0;
  platform::ForEachTextLine(file, {.maxBytes = 300, .maxLineBytes = 7}, [&total](std::string_view line) {
    DRYDOCK_FUZZ_CHECK(platform::IsValidUtf8(line));
    total += line.size();
  });
  DRYDOCK_FUZZ_CHECK(total <= 300 * 3);  // a Windows-1252 byte takes at most three bytes in UTF-8
  return 0;
}
