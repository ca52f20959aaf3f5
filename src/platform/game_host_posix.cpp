// Away from Windows the game runs through Wine, and paths have no short form.
#include "platform/game_host.h"

#include "platform/text_file.h"

namespace drydock::platform {

GameHost ThisSystemsGameHost() { return GameHost::Wine; }

std::optional<std::string> ShortPathName(const std::filesystem::path& /*path*/) { return std::nullopt; }

std::optional<std::string> ToSystemCodePage(std::string_view text) { return EncodeWindows1252(text); }

}  // namespace drydock::platform
