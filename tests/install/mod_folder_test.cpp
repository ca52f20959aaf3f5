// Work on a mod's own folder, on real temporary folders.
#include "install/mod_folder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "library/game_folders.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using install::NewFolder;
using test::TempTree;

TEST(ModFolder, NewFolderNamesStayOneFolderInsideTheModsFolderThatWindowsCanHold) {
  TempTree t;
  t.MakeDir("prog/mods/Fleet");
  t.Write("prog/mods/notes.txt");
  const fs::path mods = t / "prog/mods";
  const struct {
    const char* name;
    NewFolder result;
  } cases[] = {
      {"New Mod", NewFolder::Made},           {"Ünïcode", NewFolder::Made}, {"fleet", NewFolder::Exists},
      {"NOTES.TXT", NewFolder::Exists},       {".", NewFolder::Invalid},    {"..", NewFolder::Invalid},
      {"../outside", NewFolder::Invalid},     {"a\\b", NewFolder::Invalid}, {"CON", NewFolder::Invalid},
      {"nul.txt", NewFolder::Invalid},        {"dot.", NewFolder::Invalid}, {"space ", NewFolder::Invalid},
      {"    Addon look", NewFolder::Invalid}, {"a:b", NewFolder::Invalid},  {"what?", NewFolder::Invalid},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(install::MakeNewModFolder(mods, c.name), c.result) << c.name;
  }
  EXPECT_EQ(TempTree::Snapshot(t.root()), (std::vector<std::string>{"prog/mods/Fleet/", "prog/mods/New Mod/",
                                                                    "prog/mods/notes.txt=x", "prog/mods/Ünïcode/"}));

  std::string why;
  const auto gone = t / "gone/mods";
  EXPECT_EQ(install::MakeNewModFolder(gone, "Fleet", &why), NewFolder::Failed);
  EXPECT_FALSE(why.empty());
}

TEST(ModFolder, SubfoldersAreMadeWhereMissingAndOnlyEmptyOnesAreRemoved) {
  TempTree t;
  t.MakeDir("mod/ODF");             // the game's "odf\" in another letter case
  t.Write("mod/sounds", "a file");  // a file where a folder would go
  int expected = 0;                 // all but "odf\", which is there, and "sounds\" with what lies below it
  for (int i = 1; i < library::kGameFolderCount; ++i) {
    const std::string_view folder = library::GameFolder(i);
    expected += folder != "odf\\" && !folder.starts_with("sounds\\");
  }
  EXPECT_EQ(install::MakeModSubfolders(t / "mod"), expected);
  EXPECT_EQ(std::ranges::count(platform::ListAllNames(t / "mod"), "odf"), 0) << "no odf beside ODF";
  EXPECT_TRUE(fs::is_directory(t / "mod/ODF/ships"));
  EXPECT_EQ(test::TempTree::Read(t / "mod/sounds"), "a file");
  EXPECT_EQ(install::MakeModSubfolders(t / "mod"), 0) << "a second run finds every folder there";

  t.Write("mod/ODF/ships/fed.odf");
  t.Write("mod/textures/.keep", "");
  t.MakeDir("mod/elsewhere");
  fs::remove(t / "mod/bmp");
  std::vector<std::string> kept{"ODF/ships/fed.odf=x", "elsewhere/", "sounds=a file", "textures/.keep="};
  if (test::LinksCanBeMade()) {
    t.Link("mod/bmp", t / "mod/elsewhere");
    kept.insert(kept.begin() + 1, "bmp->" + (t / "mod/elsewhere").string());
  }
  t.MakeDir("mod/Bzn");
  install::RemoveModSubfolders(t / "mod");
  EXPECT_EQ(test::CaseBlind(TempTree::Snapshot(t / "mod")), test::CaseBlind(kept));
  EXPECT_EQ(install::MakeModSubfolders(t / "nothing"), 0);
}

TEST(ModFolder, AModGoesToTheTrashUnderItsOwnNameOrANumberedOne) {
  DRYDOCK_SKIP_ON_WINDOWS("checks the folders of the freedesktop trash; on Windows a mod goes to the recycle bin");
  TempTree t;
  t.Write("mods/Fleet/odf/fed.odf", "mod");
  t.MakeDir("home/data");  // the trash of the volume that holds the home folder
  const test::ScopedEnv home("HOME", (t / "home").string());
  const test::ScopedEnv data("XDG_DATA_HOME", (t / "home/data").string());
  ASSERT_TRUE(install::MoveModToTrash(t / "mods/Fleet"));
  EXPECT_FALSE(fs::exists(t / "mods/Fleet"));
  EXPECT_EQ(TempTree::Read(t / "home/data/Trash/files/Fleet/odf/fed.odf"), "mod");
  EXPECT_NE(TempTree::Read(t / "home/data/Trash/info/Fleet.trashinfo").find("\nPath=" + (t / "mods/Fleet").string()),
            std::string::npos);
  t.Write("mods/Fleet/odf/fed.odf", "second");  // a second mod of that name keeps the first in the trash
  ASSERT_TRUE(install::MoveModToTrash(t / "mods/Fleet"));
  EXPECT_EQ(TempTree::Read(t / "home/data/Trash/files/Fleet/odf/fed.odf"), "mod");
  EXPECT_EQ(TempTree::Read(t / "home/data/Trash/files/Fleet.2/odf/fed.odf"), "second");
  // A name that is not UTF-8 is recorded byte for byte, so that it comes back under the same name.
  fs::create_directories(t / "mods" / "bad\xff");
  ASSERT_TRUE(install::MoveModToTrash(t / "mods" / "bad\xff"));
  EXPECT_NE(TempTree::Read(t / "home/data/Trash/info" / "bad\xff.trashinfo").find("/mods/bad%FF\n"), std::string::npos);
  // Without a trash the window asks before deleting for good: its test covers that path.
}
