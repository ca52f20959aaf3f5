#include "fileinstaller/loose_sorter.h"

#include <unordered_map>
#include <unordered_set>

#include "flow/dialogs.h"
#include "install/install_flow.h"
#include "install/mod_folder.h"
#include "library/game_folders.h"
#include "platform/file_ops.h"
#include "platform/links.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "platform/trash.h"
#include "platform/writer_lock.h"

namespace fs = std::filesystem;

namespace drydock::fileinstaller {

namespace {

// Rows of the type table.
enum Row : std::size_t {
  kBzn,
  kTextures,
  kTechtree,
  kSprites,
  kSodSoftware,
  kSod,
  kShips,
  kStations,
  kCommands,
  kPhasers,
  kPhotons,
  kPulse,
  kObjectives,
  kMissions,
  kAiAips,
  kAi,
  kAnimations,
  kShipImages,
};
constexpr std::array kBeforeOdf{kBzn, kTextures, kTechtree, kSprites, kSod, kSodSoftware};
constexpr std::array kOdfChain{kShips, kStations, kCommands, kPhasers, kPhotons, kPulse};
constexpr std::array kAfterOdf{kObjectives, kMissions, kAiAips, kAi, kAnimations};

constexpr char kTitle[] = "Install files";

fs::path TargetFolder(const fs::path& modFolder, std::size_t row, platform::DirCache& cache) {
  return platform::NativePath(modFolder, library::GameFolder(FileTypeRules()[row].targetFolder), &cache);
}

class Planner {
 public:
  Planner(const fs::path& modFolder, const ModScan& scan, const SortChoice& choice) : modFolder_(modFolder) {
    for (std::size_t row = 0; row < kFileTypeCount; ++row) {
      if (!choice.types[row]) continue;
      for (std::size_t k = 0; k < scan.files[row].size() && k < choice.files[row].size(); ++k) {
        if (choice.files[row][k]) ticked_[row].insert(scan.files[row][k].name);
      }
    }
  }

  SortPlan Plan() {
    const std::vector<std::string> rootFiles = platform::ListPlainFiles(modFolder_);
    for (const std::string& name : rootFiles) byUpperName_[platform::ToUpperAscii(name)].push_back(name);
    for (const std::string& name : rootFiles) {
      if (done_.contains(name)) continue;
      const RootFileFacts facts = FactsOf(name);
      for (const Row row : kBeforeOdf) Offer(facts, row);
      if (EndsWithSuffix(name, ".odf")) {
        // Every spelling of the picture's name is offered, so that a second one is told, not left behind.
        const auto partners = byUpperName_.find(platform::ToUpperAscii(name.substr(0, name.size() - 4) + ".bmp"));
        if (partners != byUpperName_.end()) {
          for (const std::string& partner : partners->second) Offer(FactsOf(partner), kShipImages);
        }
      }
      for (const Row row : kOdfChain) {
        if (Offer(facts, row)) break;
      }
      for (const Row row : kAfterOdf) Offer(facts, row);
    }
    return std::move(plan_);
  }

 private:
  // What the rules need to know of a root file as it lies now.
  RootFileFacts FactsOf(const std::string& name) const {
    RootFileFacts facts{.name = name};
    if (EndsWithSuffix(name, ".odf")) facts.odf = ClassifyOdfAll(modFolder_ / platform::PathFromUtf8(name));
    if (EndsWithSuffix(name, ".bmp")) {
      facts.hasOdfPartner = byUpperName_.contains(platform::ToUpperAscii(name.substr(0, name.size() - 4) + ".odf"));
    }
    return facts;
  }

  // Plans the move of the file to `row`'s folder when it is offered there.
  bool Offer(const RootFileFacts& facts, Row row) {
    const std::string name(facts.name);
    if (done_.contains(name) || !ticked_[row].contains(name) || !FileTypeRules()[row].matches(facts)) return false;
    done_.insert(name);
    if (const char* problem = platform::WindowsNameProblem(name)) {
      plan_.refused.push_back(
          {platform::PrintableName(name), std::string(problem) + ", which a Windows game cannot hold"});
      return true;
    }
    // Two loose files whose names differ only in case would take one place in the game.
    const fs::path folder = TargetFolder(modFolder_, row, cache_);
    const std::string key = platform::PathToUtf8(folder) + '\n' + platform::ToUpperAscii(name);
    if (const auto [first, added] = targets_.try_emplace(key, name); !added) {
      plan_.refused.push_back({platform::PrintableName(name), platform::PrintableName(first->second) +
                                                                  ", its name in other letter case, goes to the same "
                                                                  "folder"});
      return true;
    }
    LooseMove move{.name = name, .row = row, .replacesOther = false, .caseVariants = {}};
    const fs::path source = modFolder_ / platform::PathFromUtf8(name);
    if (platform::IsFolder(folder)) {
      for (const std::string& entry : cache_.Names(folder)) {
        if (!platform::EqualsIgnoreCase(entry, name)) continue;
        const fs::path there = folder / platform::PathFromUtf8(entry);
        if (entry != name) move.caseVariants.push_back(entry);
        if (platform::IsFile(there) && !platform::IsLink(there) && !platform::SameContents(source, there)) {
          move.replacesOther = true;
        }
      }
    }
    plan_.moves.push_back(std::move(move));
    return true;
  }

  const fs::path& modFolder_;
  std::array<std::unordered_set<std::string>, kFileTypeCount> ticked_;
  std::unordered_map<std::string, std::vector<std::string>> byUpperName_;  // root files by name ignoring case
  std::unordered_set<std::string> done_;
  std::unordered_map<std::string, std::string> targets_;  // the loose file that goes to each place
  platform::DirCache cache_;
  SortPlan plan_;
};

// Moves the loose file `source` into `folder` by one replacing rename. A file
// in its place under its name in any letter case that holds other bytes goes
// to the trash first; when the trash cannot take one, the loose file stays
// and the reason is returned. Other-case names holding the same bytes go once
// the move is done, since the moved file keeps those bytes; what cannot go is
// added to `notRemoved`.
std::optional<std::string> MoveInto(const fs::path& folder, const LooseMove& move, const fs::path& source,
                                    std::vector<std::string>& notRemoved) {
  std::vector<std::string> names{move.name};
  names.insert(names.end(), move.caseVariants.begin(), move.caseVariants.end());
  std::vector<std::string> afterwards;
  for (const std::string& name : names) {
    const fs::path there = folder / platform::PathFromUtf8(name);
    const bool variant = name != move.name;
    if (!platform::IsFile(there) || platform::IsLink(there) || platform::SameContents(source, there)) {
      if (variant && platform::EntryExists(there)) afterwards.push_back(name);
      continue;
    }
    if (const platform::FsResult trashed = platform::MoveToTrash(there); !trashed) {
      return TargetText(move.row, name) +
             ", which it would replace, could not be moved to the trash: " + trashed.code().message();
    }
  }
  // One rename: until it happens the file is in the root, afterwards in its folder.
  const platform::FsResult moved =
      platform::MoveWithinVolume(source, folder / platform::PathFromUtf8(move.name), /*replace=*/true);
  if (!moved) return moved.code().message();
  for (const std::string& name : afterwards) {
    const fs::path there = folder / platform::PathFromUtf8(name);
    if (!platform::IsFile(there) || platform::IsLink(there) || !platform::DeleteFile(there)) {
      notRemoved.push_back(TargetText(move.row, name));
    }
  }
  return std::nullopt;
}

// Makes the move of one loose file into its folder; why it stayed, or nothing when it moved.
std::optional<std::string> MakeMove(const fs::path& modFolder, const LooseMove& move, platform::DirCache& cache,
                                    std::vector<std::string>& notRemoved) {
  const fs::path folder = TargetFolder(modFolder, move.row, cache);
  if (const auto link = platform::FirstLinkBelow(modFolder, folder / platform::PathFromUtf8(move.name))) {
    return platform::DescribeLink(modFolder, *link) + ", which may lead out of the mod folder";
  }
  if (!platform::IsFolder(folder)) return "its folder could not be made inside the mod folder";
  const fs::path source = modFolder / platform::PathFromUtf8(move.name);
  if (!platform::IsFile(source) || platform::IsLink(source)) return "it is no longer in the mod's root folder";
  return MoveInto(folder, move, source, notRemoved);
}

}  // namespace

SortChoice TickEverything(const ModScan& scan) {
  SortChoice choice;
  for (const std::size_t row : scan.foundTypes) {
    choice.types[row] = true;
    choice.files[row].assign(scan.files[row].size(), true);
  }
  return choice;
}

SortPlan PlanLooseFiles(const fs::path& modFolder, const ModScan& scan, const SortChoice& choice) {
  return Planner(modFolder, scan, choice).Plan();
}

std::string TargetText(std::size_t row, const std::string& name) {
  return std::string(library::GameFolder(FileTypeRules()[row].targetFolder)) + platform::PrintableName(name);
}

std::vector<flow::PlannedWrite> PlannedWrites(const fs::path& modFolder, const SortPlan& plan) {
  std::vector<flow::PlannedWrite> writes{{.target = modFolder, .bytes = 0, .folder = true}};
  platform::DirCache cache;
  for (const LooseMove& move : plan.moves) {
    writes.push_back({.target = TargetFolder(modFolder, move.row, cache) / platform::PathFromUtf8(move.name),
                      .bytes = 0,
                      .folder = false});
  }
  return writes;
}

std::vector<std::string> Replacements(const SortPlan& plan) {
  std::vector<std::string> targets;
  for (const LooseMove& move : plan.moves) {
    if (move.replacesOther) targets.push_back(TargetText(move.row, move.name));
  }
  return targets;
}

SortReport InstallLooseFiles(const platform::WriterLock& /*lock*/, const fs::path& modFolder, const SortPlan& plan,
                             bool replaceOthers) {
  SortReport report;
  report.failures = plan.refused;
  install::MakeModSubfolders(modFolder);
  try {
    platform::DirCache cache;
    for (const LooseMove& move : plan.moves) {
      if (move.replacesOther && !replaceOthers) {
        report.kept.push_back(platform::PrintableName(move.name));
      } else if (std::optional<std::string> why = MakeMove(modFolder, move, cache, report.notRemoved)) {
        report.failures.push_back({TargetText(move.row, move.name), std::move(*why)});
      } else {
        ++report.moved;
      }
    }
  } catch (...) {
    install::RemoveModSubfolders(modFolder);  // the folders made for the run go before the error is told
    throw;
  }
  install::RemoveModSubfolders(modFolder);
  return report;
}

std::string SortMessage(const SortReport& report) {
  std::string text = report.moved == 0   ? std::string("No files installed.")
                     : report.moved == 1 ? std::string("1 file installed.")
                                         : std::to_string(report.moved) + " files installed.";
  if (!report.failures.empty()) {
    text += "\n\nThese files stayed in the mod's root folder:" + install::DescribeFailures(report.failures);
  }
  if (!report.kept.empty()) {
    text +=
        "\n\nThese loose files stayed in the mod's root folder, so that the files they would have replaced "
        "are kept:" +
        install::FirstFew(report.kept);
  }
  if (!report.notRemoved.empty()) {
    text +=
        "\n\nThese files could not be removed after a loose file of the same name in other letter case took their "
        "place, so the game may see either:" +
        install::FirstFew(report.notRemoved);
  }
  return text;
}

std::optional<SortReport> SortLooseFiles(flow::Dialogs& dialogs, install::InstallHost& host, const fs::path& modsDir,
                                         const fs::path& modFolder, const ModScan& scan, const SortChoice& choice,
                                         const fs::path& gameDir) {
  const std::optional<platform::WriterLock> lock = flow::LockForChanges(dialogs, host, {modsDir}, kTitle);
  if (!lock) return std::nullopt;
  const SortPlan plan = PlanLooseFiles(modFolder, scan, choice);
  // The sort changes only the mod's folder, but like every change of a mod's or the game's files it
  // waits for the game to close: the next step after a sort is an install, and a player who sorts
  // while he plays is better stopped before his work than in the middle of it.
  if (!flow::CheckBeforeChanges(dialogs, kTitle, gameDir, PlannedWrites(modFolder, plan))) {
    return std::nullopt;
  }
  bool replaceOthers = true;
  if (const std::vector<std::string> others = Replacements(plan); !others.empty()) {
    const flow::Answer answer = dialogs.AskDestructive(
        "These files in the mod's folders hold other contents than the loose files that go there:" +
            install::FirstFew(others, 20) +
            "\n\nReplace them? The files replaced go to the trash. With No, those loose files stay in the mod's root "
            "folder and the files are kept.",
        kTitle, flow::Buttons::YesNoCancel, flow::Icon::Question);
    if (answer == flow::Answer::Cancel) return std::nullopt;
    replaceOthers = answer == flow::Answer::Yes;
  }
  SortReport report;
  host.SetBusy(true);
  host.RunLong([&] { report = InstallLooseFiles(*lock, modFolder, plan, replaceOthers); });
  host.SetBusy(false);
  report.message = SortMessage(report);
  return report;
}

}  // namespace drydock::fileinstaller
