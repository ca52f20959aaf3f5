// The least work that undoes an install, as the baseline for the uninstall in
// bench/install_bench.sh.
//
//   build/bench/uninstall_baseline GAME_DIR MOD_DIR
//
// Every kept file in MOD_DIR/Backup (names starting with ".drydock-" are the
// engine's own) is linked to a temporary name beside its game file and renamed
// over it; the game files the install added (the mod's files without a kept
// copy) are deleted; then Backup and the game's ledger of installs go and the
// disk is flushed.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_set>

namespace fs = std::filesystem;

namespace {

constexpr char kEnginePrefix[] = ".drydock-";
constexpr char kTemporaryName[] = ".uninstall-baseline.tmp";

bool Fail(const char* what, const fs::path& path, int error) {
  std::fprintf(stderr, "uninstall_baseline: %s %s: %s\n", what, path.c_str(), std::strerror(error));
  return false;
}

bool IsRegularFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.symlink_status(ec).type() == fs::file_type::regular;
}

// Puts every kept file back over its game file and collects the relative
// paths it put back.
bool LinkBack(const fs::path& game, const fs::path& backup, std::unordered_set<std::string>& keptFiles) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(backup, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsRegularFile(*it) || it->path().filename().native().starts_with(kEnginePrefix)) continue;
    const fs::path relative = it->path().lexically_relative(backup);
    const fs::path target = game / relative;
    const fs::path temporary = target.parent_path() / kTemporaryName;
    if (::link(it->path().c_str(), temporary.c_str()) != 0) return Fail("cannot link", temporary, errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) return Fail("cannot rename onto", target, errno);
    keptFiles.insert(relative.native());
  }
  return !ec || Fail("cannot list", backup, ec.value());
}

// Deletes the game's copies of the mod's files that had no kept copy.
bool DeleteAdded(const fs::path& game, const fs::path& mod, const std::unordered_set<std::string>& keptFiles) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(mod, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string& name = it->path().filename().native();
    if (it.depth() == 0 && (name == "Backup" || name == "Addon")) {
      it.disable_recursion_pending();
      continue;
    }
    if (!IsRegularFile(*it) || (it.depth() == 0 && name == "ModInfo.txt")) continue;
    const fs::path relative = it->path().lexically_relative(mod);
    if (keptFiles.contains(relative.native())) continue;
    if (::unlink((game / relative).c_str()) != 0) return Fail("cannot delete", game / relative, errno);
  }
  return !ec || Fail("cannot list", mod, ec.value());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s GAME_DIR MOD_DIR\n", argv[0]);
    return 2;
  }
  const fs::path game = argv[1];
  const fs::path mod = argv[2];
  const fs::path backup = mod / "Backup";
  std::unordered_set<std::string> keptFiles;
  if (!LinkBack(game, backup, keptFiles) || !DeleteAdded(game, mod, keptFiles)) return 1;
  std::error_code ec;
  fs::remove_all(backup, ec);
  if (!ec) fs::remove(game / ".drydock-installs", ec);
  if (ec) {
    Fail("cannot delete", backup, ec.value());
    return 1;
  }
  ::sync();
  return 0;
}
