#include "platform/game_processes.h"

#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::platform {

namespace {
// The real path as text in upper case: two spellings of one folder compare equal.
std::string Key(const fs::path& path) {
  std::error_code ec;
  fs::path real = fs::weakly_canonical(path, ec);
  if (ec) real = path.lexically_normal();
  if (!real.has_filename() && real != real.root_path()) real = real.parent_path();  // trailing separator
  return ToUpperAscii(PathToUtf8(real));
}
}  // namespace

bool IsGameProgram(const fs::path& program, const fs::path& gameDir) {
  if (program.empty() || gameDir.empty()) return false;
  if (!EqualsIgnoreCase(PathToUtf8(program.filename()), kGameProgramName)) return false;
  return Key(program.parent_path()) == Key(gameDir);
}

std::string DescribeGameProcesses(const std::vector<GameProcess>& processes) {
  std::string text;
  for (const GameProcess& p : processes) {
    if (!text.empty()) text += '\n';
    text += PrintableName(PathToUtf8(p.program.filename())) + " (process " + std::to_string(p.pid) +
            "): " + PrintableName(PathToUtf8(p.program));
  }
  return text;
}

}  // namespace drydock::platform
