#pragma once
// Reading values from the text of a Wine registry file (system.reg, user.reg).
#include <optional>
#include <string>
#include <string_view>

namespace drydock::platform {

// Finds a REG_SZ value in the text of a Wine registry file. `subkey` is written
// with single backslashes ("Software\\Activision\\..."); key and value names
// compare ignoring case; "@" or "" names the key's default value. Returns
// nothing when the key or value is missing or the value is not a plain string.
std::optional<std::string> FindWineRegString(std::string_view regFileText, std::string_view subkey,
                                             std::string_view valueName);

}  // namespace drydock::platform
