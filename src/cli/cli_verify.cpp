#include "cli/cli_verify.h"

#include <algorithm>
#include <ostream>

#include "cli/json.h"
#include "install/install_engine.h"
#include "install/installed_mods.h"
#include "install/verify.h"
#include "library/mod_library.h"
#include "platform/file_ops.h"
#include "platform/names.h"

namespace fs = std::filesystem;

namespace drydock::cli {

namespace {

using install::FileVerdict;
using install::KeptVerdict;
using install::ModCheck;

constexpr const char* StatusName(ModCheck::Status status) {
  switch (status) {
    case ModCheck::Status::Checked:
      return "checked";
    case ModCheck::Status::NoRecord:
      return "no-record";
    case ModCheck::Status::Unreadable:
      return "record-unreadable";
    case ModCheck::Status::OtherGame:
      return "other-game";
    case ModCheck::Status::InstallCut:
      return "install-unfinished";
    case ModCheck::Status::UninstallCut:
      return "uninstall-unfinished";
  }
  return "";
}

constexpr const char* StateName(FileVerdict::State state) {
  switch (state) {
    case FileVerdict::State::AsInstalled:
      return "as-installed";
    case FileVerdict::State::Changed:
      return "changed";
    case FileVerdict::State::Missing:
      return "missing";
  }
  return "";
}

constexpr const char* StateName(KeptVerdict::State state) {
  switch (state) {
    case KeptVerdict::State::Whole:
      return "whole";
    case KeptVerdict::State::Present:
      return "present";
    case KeptVerdict::State::NotWhole:
      return "not-whole";
    case KeptVerdict::State::Missing:
      return "missing";
  }
  return "";
}

// The summary line, then each file and kept original that is not as installed.
void PrintText(const ModCheck& check, std::ostream& out) {
  out << install::SummaryLine(check) << '\n';
  for (const FileVerdict& f : check.files) {
    if (f.state == FileVerdict::State::AsInstalled) continue;
    out << "  " << install::StateText(f.state) << ": " << library::ShownPath(f.path);
    if (!f.coveredBy.empty()) out << " (the file of " << f.coveredBy << ", installed later)";
    out << '\n';
  }
  for (const KeptVerdict& k : check.kept) {
    if (k.state == KeptVerdict::State::Whole || k.state == KeptVerdict::State::Present) continue;
    out << "  kept original " << install::StateText(k.state) << ": " << library::ShownPath(k.path);
    if (k.state == KeptVerdict::State::NotWhole && k.recordedSize) {
      out << " (" << k.size << " bytes of " << *k.recordedSize << ')';
    }
    out << '\n';
  }
}

Json ToJson(const ModCheck& check) {
  Json files = Json::MakeArray(), kept = Json::MakeArray();
  for (const FileVerdict& f : check.files) {
    Json file = Json::MakeObject();
    file.Set("path", f.path).Set("state", StateName(f.state));
    if (!f.coveredBy.empty()) file.Set("coveredBy", f.coveredBy);
    files.Push(std::move(file));
  }
  for (const KeptVerdict& k : check.kept) {
    Json entry = Json::MakeObject();
    entry.Set("path", k.path).Set("state", StateName(k.state));
    if (k.state != KeptVerdict::State::Missing) entry.Set("size", k.size);
    entry.Set("recordedSize", k.recordedSize ? Json(*k.recordedSize) : Json());
    kept.Push(std::move(entry));
  }
  Json mod = Json::MakeObject();
  mod.Set("name", check.name).Set("status", StatusName(check.status)).Set("asInstalled", check.AsInstalled());
  if (!check.game.empty()) mod.Set("installedInto", check.game);
  return mod.Set("summary", install::SummaryLine(check)).Set("files", std::move(files)).Set("kept", std::move(kept));
}

}  // namespace

int CmdVerify(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  std::vector<std::string> names;
  bool json = false;
  for (const std::string& a : cl.args) {
    if (a == "--json") {
      json = true;
    } else {
      names.push_back(a);
    }
  }
  if (names.size() > 1) {
    err << "verify takes at most one MOD (a mod folder's name, or Parent\\Addon\\Child for an addon) and --json\n";
    return kExitUsage;
  }
  const Folders folders = ResolveFolders(cl);
  if (!folders.gameDir || !platform::IsFolder(*folders.gameDir)) {
    err << install::kNoGameDirText << '\n';
    return kExitFailed;
  }
  const fs::path modsDir = library::ModsDir(folders.programDir);
  const library::ModList list = library::FillModList(modsDir);
  std::vector<ModCheck> checks;
  if (names.empty()) {
    checks = install::VerifyInstalled(modsDir, list, *folders.gameDir);
  } else {
    const int index = library::FindModEntry(list, names[0]);
    if (index < 0) {
      err << "no mod \"" << names[0] << "\" in " << platform::PathToUtf8(modsDir) << '\n';
      return kExitFailed;
    }
    const fs::path folder = library::EntryFolder(modsDir, list, index);
    if (!install::IsInstalled(folder)) {
      err << names[0] << " is not installed\n";
      return kExitFailed;
    }
    checks.push_back(install::VerifyMod(modsDir, *folders.gameDir, folder, platform::PathToUtf8(folder.filename())));
  }
  const bool asInstalled = std::all_of(checks.begin(), checks.end(), [](const ModCheck& c) { return c.AsInstalled(); });
  if (json) {
    Json mods = Json::MakeArray();
    for (const ModCheck& check : checks) mods.Push(ToJson(check));
    Json document = Json::MakeObject();
    document.Set("game", platform::PathToUtf8(*folders.gameDir))
        .Set("asInstalled", asInstalled)
        .Set("mods", std::move(mods));
    document.Write(out);
  } else {
    if (checks.empty()) out << "No mod is installed.\n";
    for (const ModCheck& check : checks) PrintText(check, out);
  }
  return asInstalled ? kExitOk : kExitFailed;
}

}  // namespace drydock::cli
