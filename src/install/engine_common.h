#pragma once
// Small pieces the install and the uninstall engines share; not for callers.
#include <optional>
#include <string>

#include "install/install_engine.h"
#include "platform/file_ops.h"
#include "platform/links.h"

namespace drydock::install {

inline Report Refuse(std::string why) {
  Report r;
  r.refused = true;
  r.refusal = std::move(why);
  return r;
}

// Nothing when both folders exist; otherwise the refusal that says which is missing.
inline std::optional<Report> CheckFolders(const std::filesystem::path& gameDir,
                                          const std::filesystem::path& modFolder) {
  if (!platform::IsFolder(gameDir)) {
    return Refuse(std::string(kNoGameDirText));
  }
  if (!platform::IsFolder(modFolder)) return Refuse("The mod's folder no longer exists, so nothing was changed.");
  return std::nullopt;
}

// Why nothing was changed: a link below `root` (the game folder, or the
// mod's) on the way to a file the run would write.
inline std::string ThroughLinkText(const std::filesystem::path& root, const platform::LinkOnPath& link,
                                   std::string_view where = "the game") {
  return platform::DescribeLink(root, link) + " in " + std::string(where) +
         " folder. Drydock never writes through a link into a folder elsewhere, so nothing was changed.";
}

// Why a file was left as it was (uninstall_plan.cpp).
const char* WhyLeft(const UninstallPlan::Target& t);

inline void Fail(Report& r, std::string shown, const platform::FsResult& result, const std::string& what) {
  r.failures.push_back({std::move(shown), what + (result.ok() ? "" : ": " + result.code().message())});
}

inline void Progress(const Callbacks& cb, std::int64_t done, std::int64_t total) {
  if (cb.progress) cb.progress(done, total);
}

inline void EnterPhase(const Callbacks& cb, Phase phase) {
  if (cb.phase) cb.phase(phase);
}

}  // namespace drydock::install
