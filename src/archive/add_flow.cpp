#include "archive/add_flow.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "archive/archive_add.h"
#include "archive/archive_texts.h"
#include "flow/dialogs.h"
#include "install/mod_folder.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/volume.h"

namespace drydock::archive {

namespace fs = std::filesystem;
using flow::Buttons;
using flow::Icon;
using install::Outcome;

namespace {
constexpr std::size_t kListedEntries = 10;

// Runs a step of long work; what an exception that ended it says (a worker's,
// handed on by the host), or nothing when it ran to its end.
std::optional<std::string> Caught(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    return texts::WorkFailed(e.what());
  }
  return std::nullopt;
}

// Why `name` cannot be the new mod's folder name, as the user is told; null when it can.
const char* NameRefusal(const fs::path& modsDir, const std::string& name) {
  if (install::NewModNameProblem(name)) return install::kInvalidNameText;
  if (!platform::FindEntryIgnoreCase(modsDir, name).empty()) return install::kFolderExistsText;
  return nullptr;
}
}  // namespace

std::string ClosingNotes(const ArchivePlan& plan) {
  std::string notes;
  auto add = [&](const std::string& part) { notes += (notes.empty() ? "" : "\n\n") + part; };
  if (!plan.rootFound) add(texts::kLooseFiles);
  if (!plan.skipped.empty()) add(texts::kSkippedHeading + install::FirstFew(plan.skipped, kListedEntries));
  if (!plan.merged.empty()) add(texts::kMergedHeading + install::FirstFew(plan.merged, kListedEntries));
  return notes;
}

AddOutcome AddModFromArchive(flow::Dialogs& dialogs, install::InstallHost& host, UnpackProgress& progress,
                             const fs::path& modsDir, const AddRequest& request) {
  const std::string file = platform::PrintableName(platform::PathToUtf8(request.archive.filename()));
  auto refuse = [&](const std::string& why) {
    dialogs.Ask(texts::CannotAdd(file, why), texts::kTitle, Buttons::Ok, Icon::Exclamation);
    return AddOutcome{};
  };

  std::optional<Survey> survey;
  std::string why;
  host.SetBusy(true);
  const std::optional<std::string> surveyStopped =
      Caught([&] { host.RunLong([&] { survey = SurveyArchive(request.archive, &why); }); });
  host.SetBusy(false);
  if (surveyStopped) return refuse(*surveyStopped);
  if (!survey) return refuse(why);
  const std::vector<PlannedEntry>& entries = survey->plan.entries;
  if (std::none_of(entries.begin(), entries.end(), [](const PlannedEntry& e) { return !e.target.empty(); })) {
    return refuse(texts::kNothingToUnpack + install::FirstFew(survey->plan.skipped, kListedEntries));
  }
  if (std::string limit = LimitProblem(*survey, platform::FreeBytes(UnpackParent(modsDir))); !limit.empty()) {
    return refuse(limit);
  }

  std::string name = request.name.value_or(survey->plan.proposedName);
  const bool fixedName = request.name || !request.ask;
  for (;;) {
    if (!fixedName) {
      const std::optional<std::string> answer = dialogs.Input(texts::kNamePrompt, texts::kTitle, name);
      if (!answer || answer->empty()) return {Outcome::Cancelled, {}};
      name = *answer;
    }
    if (const char* refusal = NameRefusal(modsDir, name)) {
      dialogs.Ask(refusal, flow::kDefaultTitle, Buttons::Ok, Icon::None);
      if (fixedName) return {};
      continue;
    }
    std::optional<platform::WriterLock> lock;
    if (const auto stopped = Caught([&] { lock = flow::LockForChanges(dialogs, host, {modsDir}, texts::kTitle); })) {
      host.SetBusy(false);
      return refuse(*stopped);
    }
    if (!lock) return {};
    if (const platform::FsResult made = platform::MakeFolder(modsDir); !made) return refuse(made.Message());
    UnpackResult unpacked;
    progress.Begin(file, survey->plan.unpackedBytes);
    const std::optional<std::string> unpackStopped = Caught([&] {
      host.RunLong([&] {
        unpacked = UnpackNewMod(
            *survey, modsDir, name, *lock, [&](std::uint64_t done) { progress.Advance(done); }, progress.CancelFlag());
      });
    });
    progress.End();
    // Whatever a stopped work left is a leftover of this add, and goes while the lock is still held.
    if (unpackStopped) (void)RemoveAddLeftovers(modsDir, *lock);
    lock.reset();
    if (unpackStopped) return refuse(*unpackStopped);
    switch (unpacked.status) {
      case UnpackResult::Status::Done:
        break;
      case UnpackResult::Status::NameTaken:  // made by someone else since the check
        dialogs.Ask(install::kFolderExistsText, flow::kDefaultTitle, Buttons::Ok, Icon::None);
        if (fixedName) return {};
        continue;
      case UnpackResult::Status::Cancelled:
        return {Outcome::Cancelled, {}};
      case UnpackResult::Status::Failed:
        return refuse(unpacked.error);
    }
    break;
  }
  host.RefreshFully();
  if (const std::string notes = ClosingNotes(survey->plan); !notes.empty()) {
    dialogs.Ask(texts::Added(name, file) + "\n\n" + notes, texts::kTitle, Buttons::Ok, Icon::Information);
  }
  return {Outcome::Done, name};
}

}  // namespace drydock::archive
