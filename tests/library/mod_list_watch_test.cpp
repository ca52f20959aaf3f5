// The auto refresh's watch on real temporary folders: after every change it
// must tell a change exactly when a full listing differs, and hold that list.
#include <gtest/gtest.h>

#include <fstream>

#include "library/mod_list_watch.h"
#include "support/temp_tree.h"
#include "support/wait.h"

namespace fs = std::filesystem;
using namespace drydock::library;
using namespace std::chrono_literals;
using drydock::test::TempTree;

namespace {

// Folder stamps moved back by `back`, then cut to whole `grain`.
ModListWatch::StampReader Shifted(std::chrono::nanoseconds back, std::chrono::nanoseconds grain) {
  return [back = back.count(), grain = grain.count()](const fs::path& folder) {
    auto stamp = drydock::platform::FolderStampOf(folder);
    if (stamp) {
      for (std::int64_t* ns : {&stamp->modifiedNs, &stamp->changedNs}) *ns -= back + (*ns - back) % grain;
    }
    return stamp;
  };
}

// Waits until the file system's clock has moved on: until a file written again gets another modification time
// than one written first. So the change after it cannot share a time with anything done before.
bool ClockMovedOn(const fs::path& probe) {
  const auto stamp = [&] {
    std::ofstream(probe, std::ios::trunc) << "tick";
    return fs::last_write_time(probe);
  };
  const fs::file_time_type before = stamp();
  return drydock::test::WaitUntil([&] { return stamp() != before; });
}

// Each mode leaves the watch one way to see a change: with times an hour old
// no folder lies in the window, so only a moved stamp tells, and changes are
// spaced (two within one step of the kernel's coarse clock could share a time;
// ticks are a second apart in use); with times cut to two seconds (as FAT keeps
// them) a change right after a listing keeps the stamp, so only the window tells.
const std::tuple<const char*, ModListWatch::StampReader, bool> kReaders[] = {
    {"times as read", drydock::platform::FolderStampOf, false},
    {"times an hour old", Shifted(1h, 1ns), true},  // true: outside the window
    {"times in whole two seconds", Shifted(0s, 2s), false},
};

}  // namespace

TEST(ModListWatch, ReportsAChangeExactlyWhenAFullListingDiffersAndHoldsThatList) {
  for (const auto& [name, read, outsideTheWindow] : kReaders) {
    SCOPED_TRACE(name);
    TempTree t;
    const fs::path prog = t / "prog";
    for (const char* dir : {"prog/mods/Alpha/Addon/A", "prog/mods/Alpha/Addon/B", "prog/mods/beta",
                            "prog/mods/Gamma/addon/One", "elsewhere/Linked/Addon/L"}) {
      t.MakeDir(dir);
    }
    if (drydock::test::LinksCanBeMade()) t.Link("prog/mods/Linked", t / "elsewhere/Linked");
    const auto move = [&](const char* from, const char* to) { fs::rename(t / from, t / to); };
    const auto remove = [&](const char* relative) { fs::remove_all(t / relative); };

    const std::pair<const char*, std::function<void()>> steps[] = {
        {"nothing changed", [] {}},
        {"mod added", [&] { t.MakeDir("prog/mods/Delta"); }},
        {"mod removed", [&] { remove("prog/mods/beta"); }},
        {"mod renamed to another case", [&] { move("prog/mods/Alpha", "prog/mods/ALPHA"); }},
        {"addon added", [&] { t.MakeDir("prog/mods/ALPHA/Addon/C"); }},
        {"addon renamed", [&] { move("prog/mods/ALPHA/Addon/C", "prog/mods/ALPHA/Addon/D"); }},
        {"addon removed", [&] { remove("prog/mods/ALPHA/Addon/A"); }},
        {"file in an Addon folder", [&] { t.Write("prog/mods/ALPHA/Addon/readme.txt"); }},
        {"Addon folder made", [&] { t.MakeDir("prog/mods/Delta/Addon/New"); }},
        {"Addon folder removed", [&] { remove("prog/mods/Delta/Addon"); }},
        {"Addon folder renamed to another case", [&] { move("prog/mods/ALPHA/Addon", "prog/mods/ALPHA/ADDON"); }},
        {"exact Addon made beside a case variant", [&] { t.MakeDir("prog/mods/Gamma/Addon/Two"); }},
        {"file beside the Addon folder", [&] { t.Write("prog/mods/Gamma/notes.txt"); }},
        {"mod added and removed between ticks", [&] { fs::remove_all(t.MakeDir("prog/mods/Brief")); }},
        {"linked mod's target gone", [&] { move("elsewhere/Linked", "elsewhere/Gone"); }},
        {"linked mod's target back", [&] { move("elsewhere/Gone", "elsewhere/Linked"); }},
        {"mods folder removed", [&] { remove("prog/mods"); }},
        {"mods folder removed and made again",
         [&] {
           remove("prog/mods");
           t.MakeDir("prog/mods/Zed/Addon/Z");
         }},
        {"mods folder renamed to Mods", [&] { move("prog/mods", "prog/Mods"); }},
    };

    ModListWatch watch(read);
    ModList shown = FillModList(ModsDir(prog));  // as the start-up refresh left it
    for (const auto& [what, change] : steps) {
      SCOPED_TRACE(what);
      if (outsideTheWindow) {
        ASSERT_TRUE(ClockMovedOn(t / "clock"));
      }
      change();
      const bool changed = watch.Changed(prog, shown);
      EXPECT_TRUE(fs::is_directory(prog / "mods")) << "the mods folder is there under its lower-case name";
      const ModList full = FillModList(ModsDir(prog));
      EXPECT_EQ(changed, full != shown);
      EXPECT_EQ(watch.List(), full);
      shown = full;  // the window refreshes
      EXPECT_FALSE(watch.Changed(prog, shown)) << "the tick after the refresh";
    }
  }
}
