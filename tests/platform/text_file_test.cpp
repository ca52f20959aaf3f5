// Decoding and splitting the text files mod authors write.
#include <gtest/gtest.h>

#include "platform/text_file.h"
#include "support/temp_tree.h"

using namespace drydock::platform;
using drydock::test::TempTree;
using Lines = std::vector<std::string>;

TEST(TextFile, EveryLineEndStyleEndsALineAndEachLineIsDecodedOnItsOwnAsUtf8ElseWindows1252) {
  const std::string chunkMinusOne(64 * 1024 - 1, 'a');  // the reader's chunk ends between CR and LF
  const std::vector<std::pair<std::string, Lines>> cases = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\n\n", {"", ""}},
      {"", {}},
      {chunkMinusOne + "\r\nb", {chunkMinusOne, "b"}},
      {"Caf\xc3\xa9\r\nCaf\xe9 \x80 \x93\n", {"Caf\xc3\xa9", "Caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9c"}},
  };
  for (const auto& [text, lines] : cases) {
    TempTree t;
    EXPECT_EQ(ReadTextLines(t.Write("f.txt", text)), lines) << text.substr(0, 20);
  }
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));         // overlong slash
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));     // a surrogate
  EXPECT_FALSE(IsValidUtf8("ab\xe2\x82"));       // cut short
  EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x9a\x80"));  // four bytes
}

TEST(TextFile, ReadingIsBoundedAndMissingFilesAreEmpty) {
  TempTree t;
  t.Write("big.txt", std::string(3'000'000, 'x') + "\nAuthor: end\n");
  EXPECT_EQ(ReadTextLines(t / "big.txt", {.maxBytes = 1 << 20, .maxLineBytes = 100}), Lines{std::string(100, 'x')});
  EXPECT_FALSE(ForEachTextLine(t / "big.txt", {.maxBytes = 1 << 20}, [](std::string_view) {}));
  EXPECT_TRUE(ReadTextLines(t / "missing.txt").empty());
  EXPECT_TRUE(ReadTextLines(t.root()).empty());  // a folder reads as empty

  // A line of a million euro signs (three bytes each) is cut at 64 KiB
  // without splitting a character, and the next line is still read.
  std::string euros;
  for (int i = 0; i < 1'000'000; ++i) euros += "\xe2\x82\xac";
  EXPECT_EQ(ReadTextLines(t.Write("long.txt", euros + "\r\nnext\r\n"), {.maxBytes = 8 << 20}),
            (Lines{euros.substr(0, (64 * 1024 / 3) * 3), "next"}));
}
