#pragma once
// The checks a flow makes before it touches the first file: the game is not
// running, every disk written to has room for what goes there, and no target
// is read-only or blocked by an entry of the wrong kind. A refusal names
// what to do; nothing was changed when it comes.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace drydock::flow {

class Dialogs;

inline constexpr char kGameRunningText[] = "Armada II is running. Close it before changing its files.";

// One file (or folder) a run is about to write: in the game, a mod folder or
// a Backup. `bytes` is what the write adds to its disk (a rename within a
// volume adds nothing); a plan of writes is handed over as it stands.
struct PlannedWrite {
  std::filesystem::path target;
  std::uint64_t bytes = 0;
  bool folder = false;  // a folder to be made: one that is there already is fine
};

// The room a disk must have free for `bytes`: 5% more and 16 MiB beside, for
// the folders, the temporary copies and what others write meanwhile.
std::uint64_t WithMargin(std::uint64_t bytes);

// "17,825,792 bytes (17.0 MiB)"; "900 bytes" below a KiB.
std::string DescribeBytes(std::uint64_t bytes);

struct Refusal {
  std::string text;     // what the user is told
  std::string details;  // what lies under it (the running processes), may be empty
};

// Nothing when the run may go on, else why not. With a `gameDir`, a running
// game refuses first (kGameRunningText); an empty one skips that check, for a
// run that changes nothing the game holds. Then each target: a folder where
// a file goes, a file where a folder goes (the target or one of its
// parents), a read-only file, or a folder Drydock may not write in. Then each
// disk written to: the sum of its writes, with the margin, against its free
// space. Looks only; writes nothing.
std::optional<Refusal> Preflight(const std::filesystem::path& gameDir, const std::vector<PlannedWrite>& writes);

// Preflight, telling a refusal under `title` (details folded under it); true when the run may go on.
bool CheckBeforeChanges(Dialogs& dialogs, const std::string& title, const std::filesystem::path& gameDir,
                        const std::vector<PlannedWrite>& writes);

}  // namespace drydock::flow
