// Searching folder trees for the game's executable, the places searched, and the check of a folder chosen by the
// user; all on real temporary trees.
#include "library/game_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <string>

#include "library/mod_library.h"
#include "platform/names.h"
#include "platform/system.h"
#include "platform/volume.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock::library;
using drydock::test::TempTree;
namespace platform = drydock::platform;
using Clock = std::chrono::steady_clock;

namespace {

fs::path Search(const std::vector<fs::path>& roots, const TreeSearchLimits& limits = {}) {
  std::atomic<bool> stop{false};
  return SearchTreesForFile(roots, kGameExeName, stop, limits);
}

std::string Text(const fs::path& p) { return platform::PathToUtf8(p); }

}  // namespace

TEST(GameSearch, FindsTheFileInAnyCaseDepthFirstWithinItsLimitsFollowingNoLinksRootsInOrder) {
  TempTree t;
  for (const char* rel :
       {"drive/Armada2.exe.bak", "drive/b/Armada2.exe", "drive/A/1/2/3/armada2.EXE", "near/b/Armada2.exe",
        "near/A/1/2/3/armada2.EXE", "near/A/1/ARMADA2.exe", "elsewhere/Armada2.exe", "links/.cache/Armada2.exe",
        "links/.wine/drive_c/Games/Armada2.exe", "target/Games/Armada2.exe", "disk/a/Armada2.exe", "disk/b/Armada2.exe",
        "deep/1/2/3/4/Armada2.exe"}) {
    t.Write(rel);
  }
  t.MakeDir("drive/Armada2.exe");  // a folder of that name is no match
  const bool links = drydock::test::LinksCanBeMade();
  if (links) {
    t.Link("links/linked", t / "elsewhere");
    t.Link("links/loop", t / "links");  // a loop back to the root
    t.Link("links/sub/Armada2.exe", t / "elsewhere/Armada2.exe");
    t.Link("root-link", t / "target");
  }
  using Case = std::tuple<std::vector<fs::path>, TreeSearchLimits, fs::path>;
  const Case cases[] = {
      // Depth-first: everything below "A" comes before "b" (listing order ignores case), files before subfolders;
      // a root that is a file holds nothing.
      Case({t / "drive"}, {}, t / "drive/A/1/2/3/armada2.EXE"), Case({t / "near"}, {}, t / "near/A/1/ARMADA2.exe"),
      Case({t / "drive/b/Armada2.exe"}, {}, {}), Case({t / "missing"}, {}, {}),
      // No links followed, no hidden folders entered; but a root may be a link, or a hidden folder.
      Case({t / "links"}, {}, {}), Case({t / "root-link"}, {}, t / "root-link/Games/Armada2.exe"),
      Case({t / "links/.wine/drive_c"}, {}, t / "links/.wine/drive_c/Games/Armada2.exe"),
      // Roots in order; "a", first in the walk of "disk", is a root of its own that follows, so that walk passes it.
      Case({t / "disk/b", t / "disk"}, {}, t / "disk/b/Armada2.exe"),
      Case({t / "disk", t / "disk/a"}, {}, t / "disk/b/Armada2.exe"),
      Case({t / "disk/", t / "disk/a/"}, {}, t / "disk/b/Armada2.exe"),
      Case({t / "nothing-here", t / "disk/a"}, {}, t / "disk/a/Armada2.exe"),
      // Depth and folder limits end the search.
      Case({t / "deep"}, {4, 100}, t / "deep/1/2/3/4/Armada2.exe"), Case({t / "deep"}, {3, 100}, {}),
      Case({t / "deep"}, {64, 5}, t / "deep/1/2/3/4/Armada2.exe"), Case({t / "deep"}, {64, 4}, {})};
  const auto start = Clock::now();
  for (const auto& [roots, limits, expected] : cases) {
    if (!links && roots.front() == t / "root-link") continue;
    EXPECT_EQ(Search(roots, limits), expected) << roots.front();
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << "the link loop ends";
}

#ifndef _WIN32
// A root that is a link to another volume (a home folder under a linked /home) is searched on the volume of its
// target. /dev/shm is the only other volume a test can write to without privileges.
TEST(GameSearch, ARootLinkedToAnotherVolumeIsSearchedOnThatVolume) {
  TempTree t;
  std::error_code ec;
  const fs::path shm = "/dev/shm", other = shm / t.root().filename();
  if (!fs::is_directory(shm, ec) || platform::VolumeId(shm) == platform::VolumeId(t.root())) {
    GTEST_SKIP() << "no second writable volume";
  }
  ASSERT_TRUE(fs::create_directories(other / "Games", ec)) << ec.message();
  std::ofstream(other / "Games" / "Armada2.exe") << "x";
  t.Link("home", other);
  const fs::path found = Search({t / "home"});
  fs::remove_all(other, ec);
  EXPECT_EQ(found, t / "home/Games/Armada2.exe");
}
#endif

TEST(GameSearch, AStopRequestEndsTheSearchWithoutAResult) {
  // A tree whose only match is the last folder in listing order.
  TempTree big;
  for (int i = 0; i < 60; ++i) {
    for (int j = 0; j < 60; ++j) big.MakeDir("r/d" + std::to_string(100 + i) + "/e" + std::to_string(100 + j));
  }
  big.Write("r/zz/Armada2.exe");
  std::atomic<bool> stop{true};
  EXPECT_EQ(SearchTreesForFile({big / "r"}, kGameExeName, stop), fs::path()) << "stop is checked before reading";
  auto fullRun = Clock::duration::max();
  for (int run = 0; run < 2; ++run) {
    const auto start = Clock::now();
    ASSERT_EQ(Search({big / "r"}), big / "r/zz/Armada2.exe");
    fullRun = std::min(fullRun, Clock::now() - start);
  }

  stop = false;
  auto searching = std::async(std::launch::async, [&] { return SearchTreesForFile({big / "r"}, kGameExeName, stop); });
  ASSERT_EQ(searching.wait_for(fullRun / 4), std::future_status::timeout) << "the search ended before it was stopped";
  const auto stopAt = Clock::now();
  stop = true;
  const fs::path found = searching.get();
  const auto latency = Clock::now() - stopAt;
  EXPECT_EQ(found, fs::path()) << "the search ran to its end although stopped after a quarter of its time";
  EXPECT_LT(latency, std::chrono::milliseconds(200));
}

#ifndef _WIN32
TEST(GameSearchRoots, WinePrefixesFirstWithTheirUsualInstallFoldersThenHomeThenTheProgramsVolume) {
  TempTree t;
  const fs::path home = t.MakeDir("home");
  t.Write("home/.wine/system.reg", "WINE REGISTRY Version 2\n");
  t.MakeDir("home/.wine/drive_c/program files");  // letter case of the prefix's folders is ignored
  t.MakeDir("home/.wine/drive_c/GOG Games");
  t.Write("custom/system.reg", "WINE REGISTRY Version 2\n");
  t.MakeDir("custom/drive_c");
  t.Write("home/Games/broken/system.reg", "WINE REGISTRY Version 2\n");  // a prefix without drive_c adds nothing
  const fs::path programDir = t.MakeDir("home/drydock");

  const std::vector<fs::path> roots = GameSearchRoots({Text(t / "custom"), home}, home, programDir);

  ASSERT_EQ(roots.size(), 6u);
  EXPECT_EQ(std::vector<fs::path>(roots.begin(), roots.begin() + 5),
            (std::vector<fs::path>{t / "custom/drive_c", t / "home/.wine/drive_c/program files",
                                   t / "home/.wine/drive_c/GOG Games", t / "home/.wine/drive_c", home}));
  // The last is the mount point of the volume that holds the program.
  const fs::path& volume = roots[5];
  EXPECT_EQ(Text(programDir).rfind(Text(volume), 0), 0u) << Text(volume);
  EXPECT_EQ(platform::VolumeId(volume), platform::VolumeId(programDir));
  if (volume != volume.parent_path()) {
    EXPECT_NE(platform::VolumeId(volume.parent_path()), platform::VolumeId(volume));
  }

  // Without prefixes and program folder only home is left; a missing home adds nothing.
  EXPECT_EQ(GameSearchRoots({}, home, {}), std::vector<fs::path>{home});
  EXPECT_TRUE(GameSearchRoots({}, t / "no-home", {}).empty());
  // A home folder that is the volume's top folder appears once.
  EXPECT_EQ(GameSearchRoots({}, volume, programDir), std::vector<fs::path>{volume});
}
#endif

// How the dialog reads what the user typed: spaces, quotes, "~", "." and "..", doubled and trailing separators.
TEST(GameSearchCandidate, CleansTheTypedPathAsTheUserMeantIt) {
  const fs::path home = "/home/player";
  const std::pair<const char*, const char*> cases[] = {
#ifndef _WIN32
      {"  /games/Armada II/  ", "/games/Armada II"},
      {"\"/games/Armada II\"", "/games/Armada II"},
      {"' /games/Armada II/ '", "/games/Armada II"},
      {"/games//Armada II//", "/games/Armada II"},
      {"/games/x/../Armada II/.", "/games/Armada II"},
      {"~", "/home/player"},
      {"~/Games/", "/home/player/Games"},
      {"~other/Games", "~other/Games"},  // another user's home is not guessed
      {"Games/x/", "Games/x"},           // relative: left for the check to refuse
      {"/", ""},
      {"\"/games", "\"/games"},  // a lone quote is part of the text
#else
      {"  C:\\Games\\Armada II\\  ", "C:\\Games\\Armada II"},
      {"\"C:/Games/Armada II/\"", "C:\\Games\\Armada II"},
      {"C:\\", "C:"},
#endif
  };
  for (const auto& [typed, meant] : cases) EXPECT_EQ(CleanTypedPath(typed, home), meant) << typed;
}

TEST(GameSearchCandidate, TellsAGameFolderFromAFolderWithoutTheGameAFileAMissingPathAndTextThatNamesNoPath) {
  TempTree t;
  t.Write("Games/Armada II/ARMADA2.EXE");
  t.Write("Games/Hidden/.Armada2.exe");  // a hidden file is not the one the launch would start
  t.Write("Games/Odd/Armada2.exe/x");    // nor is a folder of that name
  t.MakeDir("Games/Empty");
  t.Write("Games/notes.txt");
  const std::string sep(1, platform::kPathSeparator), games = Text(t / "Games"), game = Text(t / "Games/Armada II");
  const fs::path home = t / "Games";
  struct Case {
    std::string typed;
    GameDirKind kind;
    std::string caseTwin = {};
  };
  const Case cases[] = {
      {game, GameDirKind::GameFolder},
      {"  " + game + sep + sep, GameDirKind::GameFolder},
      {game + sep + "ARMADA2.EXE", GameDirKind::NotAFolder},
      {games + sep + "notes.txt", GameDirKind::NotAFolder},
      {games + sep + "Empty", GameDirKind::NoGameExe},
      {games + sep + "Hidden", GameDirKind::NoGameExe},
      {games + sep + "Odd", GameDirKind::NoGameExe},
      {games + sep + "Gone", GameDirKind::Missing},
      {games + sep + "armada ii", GameDirKind::Missing, game},  // the last component's letter case counts
      {games + sep + "Gone" + sep + "Armada II", GameDirKind::Missing},
      {"Armada II", GameDirKind::NoSeparator},
      {sep, GameDirKind::NoSeparator},
      {"", GameDirKind::NoSeparator},
#ifndef _WIN32
      {"~/Armada II", GameDirKind::GameFolder},
      {"Games/Armada II", GameDirKind::NotFullPath},
#else
      {"C:\\", GameDirKind::NoSeparator},  // a drive root cannot be the game folder
      {"Games\\Armada II", GameDirKind::NotFullPath},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const GameDirCandidate candidate = CheckGameDirCandidate(c.typed, game, home);
    EXPECT_EQ(candidate.kind, c.kind);
    EXPECT_EQ(candidate.caseTwin, c.caseTwin);
    if (c.kind == GameDirKind::GameFolder) {
      EXPECT_EQ(candidate.text, game);
    }
    EXPECT_EQ(candidate.isNew, c.kind != GameDirKind::GameFolder && c.kind != GameDirKind::NoSeparator);
  }
#ifndef _WIN32
  // The parent of a folder directly below "/" is "/" itself.
  EXPECT_EQ(CheckGameDirCandidate(Text(fs::path("/") / *(++t.root().begin())), "", home).kind, GameDirKind::NoGameExe);
#endif
}
