#pragma once
// The writer lock as every flow takes it: waited for through the host's long
// work, and a refusal worded the same way everywhere.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/writer_lock.h"

namespace drydock::flow {

class Dialogs;
class WorkHost;

// Why the writer lock was not taken: another run holds it (`failure` clear),
// the game's folder or `busy`, or it could not be taken at all.
std::string LockFailureText(const std::error_code& failure, const std::filesystem::path& busy = {});

// Takes the writer lock of `folders` (waiting a while for another run), or
// tells why not under `title` and returns nothing. Every change to the
// files in a game or a mod folder holds it. A folder other than `gameDir`
// that another run holds is named in the refusal. What the host's long work
// throws reaches the caller.
std::optional<platform::WriterLock> LockForChanges(Dialogs& dialogs, WorkHost& host,
                                                   const std::vector<std::filesystem::path>& folders,
                                                   const std::string& title, const std::filesystem::path& gameDir = {});

}  // namespace drydock::flow
