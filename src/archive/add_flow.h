#pragma once
// Adding a mod from an archive as the user meets it: the name question, the
// refusals, the progress and the closing message around the engine. The main
// window and `drydock add` run the same flow, each with its own Dialogs,
// InstallHost and UnpackProgress.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "archive/archive_plan.h"
#include "install/install_flow.h"

namespace drydock::flow {
class Dialogs;
}

namespace drydock::archive {

// What shows the unpacking. Begin and End come from the flow's thread,
// Advance and the cancel flag are used by the worker.
class UnpackProgress {
 public:
  virtual ~UnpackProgress() = default;
  virtual void Begin(const std::string& /*archiveName*/, std::uint64_t /*totalBytes*/) {}
  virtual void Advance(std::uint64_t /*doneBytes*/) {}
  virtual void End() {}
  // Set when the user asks to stop; nothing when nobody can.
  virtual const std::atomic<bool>* CancelFlag() const { return nullptr; }
};

struct AddRequest {
  std::filesystem::path archive;
  // Given: the mod's name, used without a question; a refused one ends the add.
  // Absent: the user is asked, with the proposed name filled in, or without
  // `ask` the proposed name is taken as it is.
  std::optional<std::string> name;
  bool ask = true;
};

struct AddOutcome {
  install::Outcome outcome = install::Outcome::Refused;
  std::string modName;  // Done: the new mod's folder name
};

AddOutcome AddModFromArchive(flow::Dialogs& dialogs, install::InstallHost& host, UnpackProgress& progress,
                             const std::filesystem::path& modsDir, const AddRequest& request);

// The message that ends a successful add: what was skipped, what became one,
// and whether the archive had a game folder; empty when there is nothing to say.
std::string ClosingNotes(const ArchivePlan& plan);

}  // namespace drydock::archive
