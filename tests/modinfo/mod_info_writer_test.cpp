// The encoding of ModInfo.txt and a write that replaces a file whole or not at all.
#include "modinfo/mod_info_writer.h"

#include <gtest/gtest.h>

#include "platform/writer_lock.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

using namespace drydock::modinfo;
using drydock::test::TempTree;

namespace {

TEST(ModInfoWriter, ValuesStayOnOneLineAndAreEncodedSoTheyReadBack) {
  // An author's line, by the characters it holds.
  const std::pair<std::string, std::string> encodings[] = {
      {"Andr\xC3\xA9 \xE2\x82\xAC", "Andr\xE9 \x80"},  // Windows-1252 when it fits
      {"\xCE\xA9", "\xCE\xA9"},                        // UTF-8 when it does not
      {"\xC3\x83\xC2\xA9", "\xC3\x83\xC2\xA9"},        // its Windows-1252 bytes C3 A9 would read back as UTF-8
  };
  for (const auto& [typed, bytes] : encodings) {
    EXPECT_EQ(ModInfoFileBytes({typed, "", "", "", ""}).substr(0, 10 + bytes.size()), "Author: " + bytes + "\r\n");
  }
  EXPECT_EQ(SingleLine("a\rb\nc\r\nd\xC2\x85g\xE2\x80\xA9h\xE2\x80\xA8i"), "a b c d g h i");
}

// The file replaced goes to the trash; without a trash nothing is written.
TEST(ModInfoWrite, ReplacesTheFileOfAnyCaseWholeKeepingTheOldInTheTrashOrFailsChangingNothing) {
  TempTree t;
  const drydock::test::ScopedEnv cacheHome{"XDG_CACHE_HOME", (t / "cache").string()};
  const drydock::test::ScopedEnv dataHome{"XDG_DATA_HOME", (t / "data").string()};
  const auto lock = drydock::platform::WriterLock::Acquire({t / "mods"});
  ASSERT_TRUE(lock);
  t.Write("mods/Fleet/modinfo.TXT", "Author: old\r\n");
  const ModInfoTexts filled{" Kirk & Spock", "Ships\r\nand \xE2\x80\xA8stations", "1.0", "Thanks", "Credits"};
  ASSERT_TRUE(WriteModInfo(t / "mods/Fleet", filled, *lock));
  const auto written = TempTree::Snapshot(t / "mods");
  EXPECT_EQ(written, std::vector<std::string>{"Fleet/modinfo.TXT=" + ModInfoFileBytes(filled)});
#ifndef _WIN32  // the recycle bin on Windows
  EXPECT_EQ(TempTree::Read(t / "data/Trash/files/modinfo.TXT"), "Author: old\r\n");
  {
    const drydock::test::ScopedEnv noTrash{"XDG_DATA_HOME", t.Write("data-is-a-file").string()};
    EXPECT_FALSE(WriteModInfo(t / "mods/Fleet", {}, *lock));
    EXPECT_EQ(TempTree::Snapshot(t / "mods"), written);
  }
#endif
  EXPECT_EQ(ReadModInfo(t / "mods/Fleet"),
            (ModInfoTexts{" Kirk & Spock", "Ships and  stations", "1.0", "Thanks", "Credits"}));

  t.MakeReadOnly("mods/Fleet/modinfo.TXT");
  const drydock::platform::FsResult readOnly = WriteModInfo(t / "mods/Fleet", {}, *lock);
  EXPECT_EQ(readOnly.code(), std::errc::permission_denied);
  EXPECT_NE(readOnly.Message().find("modinfo.TXT"), std::string::npos) << readOnly.Message();
  EXPECT_EQ(WriteModInfo(t / "mods/Gone", filled, *lock).code(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(TempTree::Snapshot(t / "mods"), written);  // no temporary left, no folder made
}

// The editor starts from the values a file holds, read as the panel reads them, with nothing for what it lacks.
TEST(ModInfoValues, AreTheFilesOwnWithoutFallbacks) {
  TempTree t;
  const std::pair<std::string, ModInfoTexts> files[] = {
      {"Version: 1.0\r\nOther Heading: Credits\nOther: Thanks\rVersion: 2.0\r\n", {"", "", "2.0", "Thanks", "Credits"}},
      {"author: low\r\nAuthor:   \r\nDescription: \r\n", {"  ", "", "", "", ""}},
      {"", {}},
  };
  for (const auto& [file, values] : files) {
    t.Write("mods/Fleet/MODINFO.txt", file);
    EXPECT_EQ(ReadModInfoValues(t / "mods/Fleet"), values) << file;
    EXPECT_TRUE(HasModInfo(t / "mods/Fleet"));
  }
  t.MakeDir("mods/Bare/ModInfo.txt/x");  // a folder of that name is no file
  EXPECT_EQ(ReadModInfoValues(t / "mods/Bare"), ModInfoTexts{});
  EXPECT_FALSE(HasModInfo(t / "mods/Bare") || HasModInfo(t / "mods/Gone"));
}

}  // namespace
