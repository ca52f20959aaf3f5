// Wine's system.reg/user.reg reader and Steam's libraryfolders.vdf list.
// The input's first line is the key asked for, its second the value name,
// the rest the file's text; the keys Drydock asks for are tried as well.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/reg_file.h"
#include "platform/wine_prefixes.h"

using namespace drydock;

namespace {

std::string_view TakeLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

void Ask(std::string_view regText, std::string_view subkey, std::string_view value) {
  if (const auto found = platform::FindWineRegString(regText, subkey, value)) {
    DRYDOCK_FUZZ_CHECK(found->size() <= regText.size() * 4);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view whole = fuzz::AsText(data, size);
  std::string_view rest = whole;
  const std::string_view subkey = TakeLine(rest);
  const std::string_view value = TakeLine(rest);

  Ask(rest, subkey, value);
  Ask(whole, "Software\\Activision\\Star Trek Armada II\\v1.0", "Armada2 Directory");
  Ask(whole, "Software\\Wine\\Drives", "c:");
  Ask(whole, "Software\\Valve\\Steam", "@");

  for (const std::string& path : platform::LibraryFolderPaths(whole)) {
    DRYDOCK_FUZZ_CHECK(path.size() <= whole.size());
  }
  return 0;
}
