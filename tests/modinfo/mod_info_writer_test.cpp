// The encoding of ModInfo.txt and a write that replaces a file whole or not at all.
#include "modinfo/mod_info_writer.h"

#include <gtest/gtest.h>

#include "platform/writer_lock.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock::modinfo;
using drydock::platform::WriterLock;
using drydock::test::TempTree;

namespace {

const ModInfoTexts kFilled{" Kirk & Spock", "Ships\r\nand \xE2\x80\xA8stations", "1.0", "Thanks", "Credits"};

// The window tests check the whole file for empty and filled fields.
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
  EXPECT_EQ(SingleLine("a\rb\nc\r\nd\xC2\x85"
                       "e\xE2\x80\xA9"
                       "f"),
            "a b c d e f");
}

class ModInfoWrite : public ::testing::Test {
 protected:
  TempTree t;
  const drydock::test::ScopedEnv cacheHome{"XDG_CACHE_HOME", (t / "cache").string()};
  std::optional<WriterLock> lock = WriterLock::Acquire({t / "mods"});
};

TEST_F(ModInfoWrite, ReplacesTheFileOfAnyCaseWholeAndTheReaderGetsTheValuesBack) {
  t.Write("mods/Fleet/modinfo.TXT", "Author: old\r\n");
  ASSERT_TRUE(lock);
  ASSERT_TRUE(WriteModInfo(t / "mods/Fleet", kFilled, *lock));
  EXPECT_EQ(TempTree::Snapshot(t / "mods"), std::vector<std::string>{"Fleet/modinfo.TXT=" + ModInfoFileBytes(kFilled)});
  EXPECT_EQ(ReadModInfo(t / "mods/Fleet"),
            (ModInfoTexts{" Kirk & Spock", "Ships and  stations", "1.0", "Thanks", "Credits"}));
}

TEST_F(ModInfoWrite, AGoneFolderOrAReadOnlyFileFailsAndNothingChanges) {
  t.Write("mods/Fleet/ModInfo.txt", "Author: mine\r\n");
  t.MakeReadOnly("mods/Fleet/ModInfo.txt");
  ASSERT_TRUE(lock);
  const auto before = TempTree::Snapshot(t / "mods");
  const drydock::platform::FsResult gone = WriteModInfo(t / "mods/Gone", kFilled, *lock);
  const drydock::platform::FsResult readOnly = WriteModInfo(t / "mods/Fleet", kFilled, *lock);
  EXPECT_EQ(gone.code(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(readOnly.code(), std::errc::permission_denied);
  EXPECT_NE(readOnly.Message().find("ModInfo.txt"), std::string::npos) << readOnly.Message();
  EXPECT_EQ(TempTree::Snapshot(t / "mods"), before);  // no temporary left, no folder made
  EXPECT_FALSE(fs::exists(t / "mods/Gone"));
}

}  // namespace
