// Decoding and splitting the text files mod authors write.
#include <gtest/gtest.h>

#include "platform/text_file.h"
#include "support/temp_tree.h"

using namespace drydock::platform;
using drydock::test::TempTree;
using Lines = std::vector<std::string>;

TEST(TextFile, EveryLineEndStyleEndsALine) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd", 100), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n", 100), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\n\n", 100), (Lines{"", ""}));
  EXPECT_EQ(SplitLines("", 100), Lines{});
  EXPECT_EQ(SplitLines("abcdef\nxy", 3), (Lines{"abc", "xy"}));
}

TEST(TextFile, DecodesUtf8AsIsAndAnythingElseAsWindows1252) {
  EXPECT_EQ(DecodeText("Caf\xc3\xa9"), "Caf\xc3\xa9");
  EXPECT_EQ(DecodeText("Caf\xe9 \x80 \x93"), "Caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9c");
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));         // overlong slash
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));     // a surrogate
  EXPECT_FALSE(IsValidUtf8("ab\xe2\x82"));       // cut short
  EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x9a\x80"));  // four bytes
}

TEST(TextFile, ReadingIsBoundedAndMissingFilesAreEmpty) {
  TempTree t;
  t.Write("big.txt", std::string(3'000'000, 'x') + "\nAuthor: end\n");
  const Lines lines = ReadTextLines(t / "big.txt", {.maxBytes = 1 << 20, .maxLineBytes = 100});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 100u);
  EXPECT_TRUE(ReadTextLines(t / "missing.txt").empty());
  EXPECT_TRUE(ReadTextLines(t.root()).empty());  // a folder reads as empty
}
