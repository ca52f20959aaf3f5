#include "flow/preflight.h"

#include <cstdio>
#include <map>

#include "flow/dialogs.h"
#include "platform/file_ops.h"
#include "platform/game_processes.h"
#include "platform/names.h"
#include "platform/volume.h"

namespace drydock::flow {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kMarginFixed = 16 * kMiB;
constexpr std::size_t kFirstProblemsShown = 5;

std::string Shown(const fs::path& path) { return platform::PrintableName(platform::PathToUtf8(path)); }

std::string WithThousands(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
  return digits;
}

std::string NotWritable(const fs::path& folder) {
  return "Drydock may not write in " + Shown(folder) + ": allow writing there, or mount its disk for writing";
}

// Why `write` cannot be made as it stands, or nothing.
std::optional<std::string> TargetProblem(const PlannedWrite& write) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(write.target, ec);
  if (fs::exists(status)) {
    if (!write.folder && fs::is_directory(status)) {
      return "a folder stands where the file " + Shown(write.target) + " goes: move or rename that folder";
    }
    if (write.folder && !fs::is_directory(fs::status(write.target, ec))) {
      return "a file stands where the folder " + Shown(write.target) + " goes: move or rename that file";
    }
    if (!write.folder && (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
      return Shown(write.target) + " is read-only: allow writing to it in its properties";
    }
    if (write.folder) {
      if (platform::IsWritableFolder(write.target)) return std::nullopt;
      return NotWritable(write.target);
    }
  }
  // The first parent that exists must be a folder Drydock may write in.
  fs::path parent = write.target.parent_path();
  while (!parent.empty() && !fs::exists(fs::symlink_status(parent, ec)) && parent != parent.parent_path()) {
    parent = parent.parent_path();
  }
  if (parent.empty()) return std::nullopt;
  if (!fs::is_directory(fs::status(parent, ec))) {
    return "a file stands where the folder " + Shown(parent) + " goes: move or rename that file";
  }
  if (!platform::IsWritableFolder(parent)) return NotWritable(parent);
  return std::nullopt;
}

// Each disk's writes against its free space.
std::vector<std::string> SpaceProblems(const std::vector<PlannedWrite>& writes) {
  struct Disk {
    fs::path firstFolder;
    std::uint64_t bytes = 0;
  };
  std::map<std::string, Disk> disks;
  for (const PlannedWrite& write : writes) {
    Disk& disk = disks[platform::DiskKey(write.target)];
    if (disk.firstFolder.empty()) disk.firstFolder = platform::NearestExistingFolder(write.target);
    disk.bytes += write.bytes;
  }
  std::vector<std::string> problems;
  for (const auto& [key, disk] : disks) {
    const std::optional<std::uint64_t> free = platform::FreeBytes(disk.firstFolder);
    const std::uint64_t needed = WithMargin(disk.bytes);
    if (!free || *free >= needed) continue;  // a disk that cannot tell is not refused on a guess
    const fs::path root = platform::VolumeRoot(disk.firstFolder);
    problems.push_back("There is not enough free space on the disk of " + Shown(disk.firstFolder) +
                       (root.empty() || root == disk.firstFolder ? std::string() : " (" + Shown(root) + ")") + ": " +
                       DescribeBytes(needed) + " are needed, with a margin, and " + DescribeBytes(*free) +
                       " are free. Free some space there, then try again.");
  }
  return problems;
}

}  // namespace

std::uint64_t WithMargin(std::uint64_t bytes) { return bytes + bytes / 20 + kMarginFixed; }

std::string DescribeBytes(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  char size[32];
  if (bytes >= 1024 * kMiB) {
    std::snprintf(size, sizeof size, "%.1f GiB", static_cast<double>(bytes) / static_cast<double>(1024 * kMiB));
  } else if (bytes >= kMiB) {
    std::snprintf(size, sizeof size, "%.1f MiB", static_cast<double>(bytes) / static_cast<double>(kMiB));
  } else {
    std::snprintf(size, sizeof size, "%.1f KiB", static_cast<double>(bytes) / 1024.0);
  }
  return WithThousands(bytes) + " bytes (" + size + ")";
}

std::optional<Refusal> Preflight(const fs::path& gameDir, const std::vector<PlannedWrite>& writes) {
  if (!gameDir.empty()) {
    if (const auto running = platform::GameProcesses(gameDir); !running.empty()) {
      return Refusal{kGameRunningText, platform::DescribeGameProcesses(running)};
    }
  }
  std::vector<std::string> blocked;
  for (const PlannedWrite& write : writes) {
    if (std::optional<std::string> problem = TargetProblem(write)) blocked.push_back(std::move(*problem));
  }
  std::string text;
  if (!blocked.empty()) {
    text = "Nothing was changed, since these files cannot be written:";
    for (std::size_t i = 0; i < blocked.size() && i < kFirstProblemsShown; ++i) text += "\n" + blocked[i];
    if (blocked.size() > kFirstProblemsShown) {
      text += "\n(and " + std::to_string(blocked.size() - kFirstProblemsShown) + " more)";
    }
  }
  for (const std::string& problem : SpaceProblems(writes)) {
    if (text.empty()) text = "Nothing was changed.";
    text += "\n\n" + problem;
  }
  if (text.empty()) return std::nullopt;
  return Refusal{text, {}};
}

bool CheckBeforeChanges(Dialogs& dialogs, const std::string& title, const fs::path& gameDir,
                        const std::vector<PlannedWrite>& writes) {
  const std::optional<Refusal> refusal = Preflight(gameDir, writes);
  if (!refusal) return true;
  dialogs.Ask(refusal->text, title, Buttons::Ok, Icon::Exclamation, refusal->details);
  return false;
}

}  // namespace drydock::flow
