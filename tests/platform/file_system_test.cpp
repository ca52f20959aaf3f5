// Listings, case-insensitive paths and file operations on real folders.
#include <gtest/gtest.h>

#include "platform/file_ops.h"
#include "platform/links.h"
#include "platform/listing.h"
#include "platform/names.h"
#include "platform/native_path.h"
#include "support/temp_tree.h"

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile  // windows.h's macro would rename Drydock's
#endif

namespace fs = std::filesystem;
using namespace drydock::platform;
using drydock::test::TempTree;

using Names = std::vector<std::string>;

TEST(Listing, OrderFoldsToUpperCaseBreaksTiesByBytesAndPlainFilesSkipFoldersHiddenEntriesAndLinks) {
  // '_' sorts after the upper-case letters, as on the game's platform.
  const Names sorted = {"10", "9", "a", "A2X", "a2_", "Aa", "aA", "alpha", "B", "b", "m-1", "M1", "m_1", "Zeta", "_z"};
  Names shuffled(sorted.rbegin(), sorted.rend());
  std::swap(shuffled[2], shuffled[9]);
  TempTree t;
  for (const std::string& name : shuffled) t.MakeDir("d/" + name);
  Names made = sorted;
#ifdef _WIN32  // of two names that differ only in letter case a Windows folder holds the first made
  std::erase_if(made, [](const std::string& name) { return name == "aA" || name == "B"; });
#endif
  EXPECT_EQ(ListSubfolders(t / "d"), made);
  std::sort(shuffled.begin(), shuffled.end(), NameLess);
  EXPECT_EQ(shuffled, sorted);
  EXPECT_TRUE(EqualsIgnoreCase("ModInfo.TXT", "modinfo.txt"));
  EXPECT_FALSE(EqualsIgnoreCase("mods", "mod"));

  for (const char* rel : {"dir/b.odf", "dir/A.tga", "dir/.hidden", "dir/readonly.txt"}) t.Write(rel);
  t.Write("dir/sub/deeper/b", std::string(24, 'b'));
  t.MakeDir("dir/.git");
  std::size_t hidden = 2;
#ifdef _WIN32
  // Windows hides by attributes: a hidden or a system entry is left out as a dot-name is on Linux.
  // (Wine also gives every dot-name the hidden attribute.)
  for (const auto& [rel, attributes] : {std::pair("dir/hidden.odf", FILE_ATTRIBUTE_HIDDEN),
                                        {"dir/system.odf", FILE_ATTRIBUTE_SYSTEM},
                                        {"dir/hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY},
                                        {"dir/system", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY}}) {
    const fs::path entry = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? t.MakeDir(rel) : t.Write(rel, "");
    ASSERT_TRUE(SetFileAttributesW(entry.c_str(), attributes)) << rel;
    ++hidden;
  }
#endif
  const bool links = drydock::test::LinksCanBeMade();
  if (links) {
    t.Write("outside/secret.txt", std::string(5000, 's'));
    t.Link("dir/link.odf", t / "outside/secret.txt");
    t.Link("dir/linkdir", t / "outside");
  }
  t.MakeReadOnly("dir/readonly.txt");
  EXPECT_EQ(ListPlainFiles(t / "dir"), (Names{"A.tga", "b.odf", "readonly.txt"}));
  EXPECT_EQ(ListFolderEntries(t / "dir"), (Names{"A.tga", "b.odf", "readonly.txt", "sub"}));
  EXPECT_EQ(ListSubfolders(t / "dir"), (Names{"sub"}));
  EXPECT_EQ(ListSubfolders(t / "dir", Links::Follow), links ? (Names{"linkdir", "sub"}) : (Names{"sub"}));
  const FolderContents contents = ListFilesAndSubfolders(t / "dir");
  EXPECT_EQ(std::pair(contents.files, contents.folders), std::pair(ListPlainFiles(t / "dir"), Names{"sub"}));
  EXPECT_EQ(CountPlainFiles(t / "dir"), 3);
  EXPECT_TRUE(ListPlainFiles(t / "missing").empty());
  EXPECT_EQ(ListAllNames(t / "dir").size(), 4u + hidden + (links ? 2u : 0u));  // hidden entries and links included
  // The size of a tree counts its files, hidden ones too, but nothing through links.
  EXPECT_EQ(FolderTreeSize(t / "dir"), 4u + 24u);
  EXPECT_EQ(FolderTreeSize(t / "missing"), 0u);
}

TEST(Names, PrintableNameEscapesControlCharactersC1IncludedAndBytesThatAreNotUtf8) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"plain caf\xC3\xA9.odf", "plain caf\xC3\xA9.odf"},
      {"a\nb\x7F", "a\\x0Ab\\x7F"},
      {"next\xC2\x85line", "next\\xC2\\x85line"},  // U+0085 breaks lines in some views
      {"\xC2\x9F\xC2\xA0", "\\xC2\\x9F\xC2\xA0"},  // U+00A0 (no-break space) is printable
      {"bad\xFF\xC3", "bad\\xFF\\xC3"},
  };
  for (const auto& [name, shown] : cases) EXPECT_EQ(PrintableName(name), shown) << name;
}

TEST(NativePath, ResolvesEveryComponentIgnoringCaseExactNameFirstNeverClimbingOutFindsEveryVariantAndCaches) {
  DRYDOCK_SKIP_ON_WINDOWS(
      "checks Drydock's own letter-case resolution, which on Windows the file system does instead (paths are joined "
      "unchanged)");
  TempTree t;
  t.Write("game/ODF/Ships/fed.odf");
  t.Write("outside.txt");
  for (const char* name : {"Sounds", "sounds", "SOUNDS"}) t.MakeDir(std::string("game/") + name);
  // "SOUNDS" sorts first by bytes; missing components are kept as written after the last existing one.
  using P = std::pair<const char*, const char*>;
  for (const auto& [relative, expected] :
       {P("sounds", "game/sounds"), P("Sounds", "game/Sounds"), P("sOUNDS", "game/SOUNDS"),
        P("odf\\ships\\fed.ODF", "game/ODF/Ships/fed.odf"), P("odf/ships/", "game/ODF/Ships"),
        P("odf\\Stations\\x.odf", "game/ODF/Stations/x.odf"), P("", "game"),
        P("..\\outside.txt", "game/outside.txt")}) {
    EXPECT_EQ(NativePath(t / "game", relative), t / expected) << relative;
  }
  EXPECT_EQ(SplitRelative("a\\..\\b/./c\\"), (Names{"a", "b", "c"}));
  for (const char* outside : {"..\\x", "a/../../x", "/etc", "C:\\x"}) EXPECT_FALSE(IsContainedRelative(outside));
  EXPECT_TRUE(IsContainedRelative("Mod\\Addon\\..x"));

  // "Odf/ships.txt" is a file, not a folder.
  for (const char* rel : {"m/odf/ships/a.odf", "m/ODF/Ships/b.odf", "m/ODF/ships/c.odf", "m/Odf/ships.txt"})
    t.Write(rel);
  // Within each folder the exact name comes first, then the others in listing order.
  EXPECT_EQ(AllCaseVariants(t / "m", "odf\\ships\\"),
            (std::vector<fs::path>{t / "m/odf/ships", t / "m/ODF/ships", t / "m/ODF/Ships"}));
  EXPECT_TRUE(AllCaseVariants(t / "m", "odf\\stations\\").empty());
  EXPECT_EQ(AllCaseVariants(t / "m", ""), std::vector<fs::path>{t / "m"});

  // Creation reuses a folder of any case; the cache is forgotten per folder.
  t.MakeDir("made/odf/ships");
  t.Write("src.odf", "data");
  DirCache cache;
  ASSERT_TRUE(MakeFolder(NativePath(t / "made", "ODF\\Ships\\", &cache)));
  ASSERT_TRUE(CopyFileReplace(t / "src.odf", NativePath(t / "made", "ODF\\Ships\\new.odf", &cache)));
  EXPECT_EQ(TempTree::Snapshot(t / "made"), Names{"odf/ships/new.odf=data"});
  EXPECT_EQ(NativePath(t / "made", "Sub", &cache), t / "made/Sub");
  t.MakeDir("made/sub");
  EXPECT_EQ(NativePath(t / "made", "Sub", &cache), t / "made/Sub");  // still the old reading
  cache.Forget(t / "made");
  EXPECT_EQ(NativePath(t / "made", "Sub", &cache), t / "made/sub");
}

TEST(FileOps, CopyReplacesByRenameKeepingAHardLinkedTwinRefusesLinksAndLeavesNoTemporaryFile) {
  // A backup made as a hard link must keep the original bytes when the game
  // file is replaced: the copy never writes into the existing file.
  TempTree t;
  t.Write("src.bin", std::string(1 << 20, 'n'));
  t.Write("dst/target.bin", "old");
  ASSERT_TRUE(MakeHardLink(t / "dst/target.bin", t / "backup.bin"));
  t.MakeReadOnly("dst/target.bin");
  ASSERT_TRUE(CopyFileReplace(t / "src.bin", t / "dst/target.bin", {.sync = true}));
  EXPECT_EQ(TempTree::Read(t / "dst/target.bin"), std::string(1 << 20, 'n'));
  EXPECT_EQ(TempTree::Read(t / "backup.bin"), "old");

  const bool links = drydock::test::LinksCanBeMade();
  if (links) {
    t.Link("dst/link.bin", t / "backup.bin");
    EXPECT_FALSE(CopyFileReplace(t / "dst/link.bin", t / "dst/copy.bin"));
  }
  const FsResult missing = CopyFileReplace(t / "nope.bin", t / "dst/copy.bin");
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.Message().find("nope.bin"), std::string::npos);
  EXPECT_FALSE(CopyFileReplace(t / "src.bin", t / "no/such/dir/a.bin"));
  EXPECT_EQ(ListAllNames(t / "dst"), links ? (Names{"link.bin", "target.bin"}) : Names{"target.bin"});
  EXPECT_EQ(ListAllNames(t.root()), (Names{"backup.bin", "dst", "src.bin"}));
}

// The stamp a copy hands back is that of the file as it lies once renamed into place; an edit that keeps the
// size and the modification time still moves the change time.
TEST(FileOps, TheStampOfACopyIsOfTheFileInPlaceAndAnEditKeepingSizeAndTimeChangesIt) {
  TempTree t;
  t.Write("src.odf", "range = 100");
  // MinGW's std::filesystem reads and sets times in whole seconds: the time is made whole first (the copy takes it
  // on), so that setting it back below keeps it exactly.
  fs::last_write_time(t / "src.odf", fs::last_write_time(t / "src.odf"));
  FileStamp written;
  ASSERT_TRUE(CopyFileReplace(t / "src.odf", t / "game.odf", {}, &written));
  const auto now = StampOf(t / "game.odf");
  ASSERT_TRUE(now);
  EXPECT_TRUE(now->Unchanged(written));
  const auto time = fs::last_write_time(t / "game.odf");
  t.Write("game.odf", "range = 999");
  fs::last_write_time(t / "game.odf", time);
  const auto edited = StampOf(t / "game.odf");
  ASSERT_TRUE(edited);
  EXPECT_TRUE(edited->SameSizeAndTime(written));
#ifndef _WIN32  // Wine keeps no change time of its own
  EXPECT_FALSE(edited->Unchanged(written));
#endif
}

// Every component below the root is checked, the file itself included; the root may be a link.
TEST(Links, TheFirstLinkBelowTheRootIsFoundAtAnyComponentAndNamedWithItsTarget) {
  DRYDOCK_SKIP_WITHOUT_LINKS();
  TempTree t;
  t.Write("shared/rgb/hull.tga");
  t.Write("real/odf/ships/fed.odf");
  t.Link("game", t / "real");
  t.Link("real/textures", t / "shared");
  t.Link("real/odf/ships/link.odf", t / "real/odf/ships/fed.odf");
  LinkGuard guard(t / "game");
  for (const auto& [rel, link] : {std::pair<const char*, const char*>{"odf/ships/fed.odf", ""},
                                  {"odf/ships/new/deeper.odf", ""},
                                  {"textures/rgb/hull.tga", "textures"},
                                  {"textures/new.tga", "textures"},
                                  {"odf/ships/link.odf", "odf/ships/link.odf"}}) {
    SCOPED_TRACE(rel);
    const auto found = FirstLinkBelow(t / "game", t / "game" / rel);
    const auto guarded = guard.Find(t / "game" / rel);
    EXPECT_EQ(found.has_value(), *link != '\0');
    EXPECT_EQ(guarded.has_value(), *link != '\0');
    if (found) {
      EXPECT_EQ(found->link, t / "game" / link);
    }
  }
  EXPECT_EQ(DescribeLink(t / "game", *FirstLinkBelow(t / "game", t / "game/textures/x")),
            "textures is a link to " + (t / "shared").string());
  EXPECT_FALSE(FirstLinkBelow(t / "game", t / "elsewhere/textures/rgb/hull.tga"));
}

TEST(FileOps, FoldersMovesAndNewFilesNeverReplaceOrFollowWhatIsThereUnasked) {
  TempTree t;
  EXPECT_TRUE(MakeFolder(t / "f"));
  EXPECT_TRUE(MakeFolder(t / "f"));  // already there
  t.Write("f/x.txt");
  EXPECT_FALSE(MakeFolder(t / "f/x.txt"));
  EXPECT_FALSE(RemoveEmptyFolder(t / "f"));
  EXPECT_TRUE(IsFolder(t / "f"));
  t.MakeReadOnly("f/x.txt");
  EXPECT_TRUE(ResetAttributes(t / "f/x.txt"));
  EXPECT_NE(fs::status(t / "f/x.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_TRUE(DeleteFile(t / "f/x.txt"));
  EXPECT_FALSE(DeleteFile(t / "f/x.txt"));
  EXPECT_TRUE(RemoveEmptyFolder(t / "f"));
  EXPECT_FALSE(IsFolder(t / "f"));

  // A move without replace keeps an existing target.
  t.Write("m/x.txt", "a");
  t.Write("b/keep.txt", "b");
  EXPECT_FALSE(MoveWithinVolume(t / "m", t / "b"));
  EXPECT_EQ(TempTree::Read(t / "b/keep.txt"), "b");
  EXPECT_TRUE(MoveWithinVolume(t / "m", t / "c"));
  EXPECT_EQ(TempTree::Read(t / "c/x.txt"), "a");
  EXPECT_TRUE(MoveWithinVolume(t / "c/x.txt", t / "b/keep.txt", /*replace=*/true));
  EXPECT_EQ(TempTree::Read(t / "b/keep.txt"), "a");

  ASSERT_TRUE(MakeFolderTree(t / "a/b/c"));
  EXPECT_TRUE(IsFolder(t / "a/b/c"));
  EXPECT_TRUE(WriteFileAtomic(t / "a/new.txt", "one", /*replace=*/false));
  EXPECT_FALSE(WriteFileAtomic(t / "a/new.txt", "two", /*replace=*/false));
  EXPECT_EQ(TempTree::Read(t / "a/new.txt"), "one");
  EXPECT_TRUE(WriteFileAtomic(t / "a/new.txt", "three", /*replace=*/true, {.sync = true}));
  EXPECT_EQ(TempTree::Read(t / "a/new.txt"), "three");
  if (!drydock::test::LinksCanBeMade()) return;
  t.Write("outside.txt", "keep");
  t.Link("a/link.txt", t / "outside.txt");
  EXPECT_FALSE(WriteFileAtomic(t / "a/link.txt", "x", /*replace=*/false));
  t.Link("a/dangling.txt", t / "nowhere.txt");
  EXPECT_FALSE(WriteFileAtomic(t / "a/dangling.txt", "x", /*replace=*/false));
  EXPECT_FALSE(fs::exists(t / "nowhere.txt"));
  EXPECT_EQ(TempTree::Read(t / "outside.txt"), "keep");
  EXPECT_EQ(ListAllNames(t / "a"), (Names{"b", "dangling.txt", "link.txt", "new.txt"}));
}

TEST(FileOps, InjectedFailureHitsTheNthOperationOnly) {
  TempTree t;
  t.Write("src", "s");
  fault::ResetCount();
  fault::Configure(/*failAt=*/3, /*killAt=*/0);
  EXPECT_TRUE(MakeFolder(t / "a"));
  EXPECT_TRUE(MakeFolder(t / "b"));
  EXPECT_FALSE(CopyFileReplace(t / "src", t / "a/c"));
  EXPECT_TRUE(CopyFileReplace(t / "src", t / "b/c"));
  EXPECT_EQ(fault::OperationCount(), 4u);
  EXPECT_FALSE(fs::exists(t / "a/c"));

  fault::Configure(0, 0, "poison");
  EXPECT_FALSE(MakeFolder(t / "poison-dir"));
  EXPECT_TRUE(MakeFolder(t / "fine-dir"));
  fault::Configure(0, 0);
}

// A copy whose file comes out shorter than its source (here: a test build told to write only half) fails with
// that reason, and the target is as it was, with no temporary file beside it.
TEST(FileOps, ACopyThatComesOutShortFailsAndLeavesTheTargetAsItWas) {
  TempTree t;
  t.Write("src.odf", "the mod's bytes");
  t.Write("dst/old.odf", "the game's bytes");
  fault::Configure(0, 0, "", "dst/");
  for (const auto& [name, options] : {std::pair{"old.odf", CopyOptions{}},
                                      {"new.odf", CopyOptions{.sync = true}},
                                      {"new.odf", CopyOptions{.replace = false}}}) {
    SCOPED_TRACE(name);
    const FsResult copied = CopyFileReplace(t / "src.odf", t / "dst" / name, options);
    EXPECT_EQ(copied.Message(), (t / "dst" / name).string() + ": the copy came out shorter than the file it copies");
  }
  EXPECT_EQ(TempTree::Snapshot(t / "dst"), Names{"old.odf=the game's bytes"});
  EXPECT_EQ(ListAllNames(t / "dst"), Names{"old.odf"});
  fault::Configure(0, 0);
  EXPECT_TRUE(CopyFileReplace(t / "src.odf", t / "dst/old.odf"));
  EXPECT_EQ(TempTree::Read(t / "dst/old.odf"), "the mod's bytes");
}
