#include "flow/locking.h"

#include "flow/dialogs.h"
#include "flow/work_host.h"
#include "platform/names.h"

namespace drydock::flow {

namespace fs = std::filesystem;

namespace {
constexpr char kAnotherWriter[] = "Another Drydock is changing this game's files. Try again when it has finished.";
}  // namespace

std::string LockFailureText(const std::error_code& failure, const fs::path& busy) {
  if (failure) {
    return "Drydock could not take the lock that keeps two runs from changing these files at once (" +
           failure.message() + "), so nothing was changed.";
  }
  if (busy.empty()) return kAnotherWriter;
  return "Another Drydock is changing the files in " + platform::PrintableName(platform::PathToUtf8(busy)) +
         ". Try again when it has finished.";
}

std::optional<platform::WriterLock> LockForChanges(Dialogs& dialogs, WorkHost& host,
                                                   const std::vector<fs::path>& folders, const std::string& title,
                                                   const fs::path& gameDir) {
  std::error_code failure;
  fs::path busy;
  host.SetBusy(true);  // the wait for another run can take a moment
  std::optional<platform::WriterLock> lock;
  host.RunLong(
      [&] { lock = platform::WriterLock::Acquire(folders, platform::WriterLock::kDefaultWait, &failure, &busy); });
  host.SetBusy(false);
  if (!lock) {
    const bool game = busy.empty() || (!gameDir.empty() && busy == gameDir);
    dialogs.Ask(LockFailureText(failure, game ? fs::path() : busy), title, Buttons::Ok, Icon::Exclamation);
  }
  return lock;
}

}  // namespace drydock::flow
