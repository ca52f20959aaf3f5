// ModInfo.txt fields, fallbacks and the details panel's numbers.
#include <gtest/gtest.h>

#include <optional>

#include "modinfo/mod_info.h"
#include "support/temp_tree.h"

using namespace drydock::modinfo;
using drydock::test::TempTree;

namespace drydock::modinfo {
void PrintTo(const ModInfoTexts& t, std::ostream* os) {
  *os << "{" << t.author << " | " << t.description << " | " << t.version << " | " << t.other << " | " << t.otherHeading
      << "}";
}
}  // namespace drydock::modinfo

TEST(ModInfo, FieldsFallbacksLastLineWinsAndEveryLineEndOrEncoding) {
  const std::string none(kNoFile),
      noAuthor = "(File does not contain author)", noDescription = "(File does not contain description)",
      noVersion = "(File does not contain version number)", noOther = "(File does not contain 'other')";
  struct Case {
    const char* name;
    std::optional<std::string> file;  // nothing: no ModInfo.txt at all
    ModInfoTexts expected;
  };
  const std::vector<Case> cases = {
      {"no file", std::nullopt, {none, none, none, none, "Other: "}},
      {"empty values",
       "Author: \r\nOther Heading:    \r\nOther: \r\n",
       {noAuthor, noDescription, noVersion, "(File does not contain Other)", "(File does not contain OtherHeading)"}},
      {"no known lines", "nothing useful\r\n", {noAuthor, noDescription, noVersion, noOther, "Other: "}},
      {"exact keys, last line wins, spaces kept",
       "author: lower case is ignored\r\nVersion: 1.0\r\nAuthor:  Two  Spaces \r\nOther Heading: Credits\r\n"
       "Other: Thanks\r\nVersion: 2.0\r\n",
       {" Two  Spaces ", noDescription, "2.0", "Thanks", "Credits"}},
      {"LF line ends", "Author: Tux\nDescription: LF only\nVersion: 3\n", {"Tux", "LF only", "3", noOther, "Other: "}},
      {"Windows-1252", "Author: Andr\xe9\r\n", {"Andr\xc3\xa9", noDescription, noVersion, noOther, "Other: "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree t;
    c.file ? t.Write("mod/modinfo.TXT", *c.file) : t.MakeDir("mod");  // the file name ignores case
    EXPECT_EQ(ReadModInfo(t / "mod"), c.expected);
    EXPECT_TRUE(c.file || TempTree::Snapshot(t / "mod").empty()) << "nothing written";
  }
}

TEST(ModInfo, LinesAfterAHugeDescriptionManyLinesOrBinaryJunkAreStillRead) {
  std::string junk(8 << 20, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 2654435761u) >> 13);
  std::string manyLines;
  for (int i = 0; i < 80'000; ++i) manyLines += "Line " + std::to_string(i) + ": " + std::string(60, '-') + "\r\n";
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"5 MB description", "Description: " + std::string(5'000'000, 'd') + "\r\n"},
      {"80,000 lines", manyLines},
      {"binary junk", junk + "\r\n"},
  };
  for (const auto& [name, body] : cases) {
    SCOPED_TRACE(name);
    TempTree t;
    t.Write("mod/ModInfo.txt", "Author: first\r\n" + body + "Version: 9.9\r\n");
    const auto start = std::chrono::steady_clock::now();
    const ModInfoTexts texts = ReadModInfo(t / "mod");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(texts.author, "first");
    EXPECT_EQ(texts.version, "9.9");
    EXPECT_LE(texts.description.size(), 64u << 10);
  }
}

TEST(ModInfo, MnemonicMarkersAreNotShown) {
  EXPECT_EQ(StripMnemonics("&Author"), "Author");
  EXPECT_EQ(StripMnemonics("a&&&b&"), "a&b");
}

TEST(ModSize, KilobytesUpToAHundredThenMegabytesOfAThousand) {
  const std::vector<std::pair<std::uint64_t, const char*>> cases = {
      {0, "0 KB"},        {512, "0.5 KB"},      {102400, "100 KB"},
      {102401, "0.1 MB"}, {1048576, "1.02 MB"}, {300ull * 1024 * 1024, "307.2 MB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatModSize(bytes), text) << bytes;
  EXPECT_EQ(FormatModSize(1048576, ','), "1,02 MB");
}

TEST(ModDetails, CountsTableFilesMeasuresTheTreeAndFindsReadmeAndPicture) {
  TempTree t;
  t.Write("mod/odf/ships/a.odf", std::string(1000, 'a'));
  t.Write("mod/ODF/custom/ignored.odf", std::string(24, 'b'));  // not a game folder, but counted in the size
  t.Write("mod/My_ReadMe.TXT", "");
  t.Write("mod/ModPic.jpg", "jpg");
  t.Write("mod/ModPic.bmp", "bmp");
  const ModDetails d = ReadModDetails(t / "mod");
  EXPECT_EQ(d.fileCount, 4);  // root files count: readme and both pictures
  EXPECT_EQ(d.sizeBytes, 1030u);
  EXPECT_EQ(d.readme, "My_ReadMe.TXT");
  EXPECT_EQ(d.picture, PictureKind::Bitmap);

  t.Write("jpg/ModPic.jpg", "x");
  t.Write("jpg/modpic.bmp", "wrong case is no picture");
  EXPECT_EQ(ReadModDetails(t / "jpg").picture, PictureKind::Jpeg);
  t.MakeDir("jpg/readme-folder");
  EXPECT_EQ(ReadModDetails(t / "jpg").readme, "");
  EXPECT_EQ(FindReadme(t / "mod"), "My_ReadMe.TXT");

  // A vanished mod shows nothing.
  const ModDetails gone = ReadModDetails(t / "gone");
  EXPECT_EQ(gone.fileCount, 0);
  EXPECT_EQ(gone.sizeBytes, 0u);
  EXPECT_EQ(gone.info.author, kNoFile);
  EXPECT_EQ(gone.picture, PictureKind::None);
}
