// ModInfo.txt fields, fallbacks and the details panel's numbers.
#include <gtest/gtest.h>

#include <optional>

#include "modinfo/mod_info.h"
#include "support/temp_tree.h"

using namespace drydock::modinfo;
using drydock::test::TempTree;

namespace drydock::modinfo {
void PrintTo(const ModInfoTexts& t, std::ostream* os) {
  *os << t.author << '|' << t.description << '|' << t.version << '|' << t.other << '|' << t.otherHeading;
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
  // A 5 MB description, 80,000 lines, binary junk.
  for (const std::string& body : {"Description: " + std::string(5'000'000, 'd') + "\r\n", manyLines, junk + "\r\n"}) {
    SCOPED_TRACE(std::to_string(body.size()) + " bytes");
    TempTree t;
    t.Write("mod/ModInfo.txt", "Author: first\r\n" + body + "Version: 9.9\r\n");
    const auto start = std::chrono::steady_clock::now();
    const ModInfoTexts texts = ReadModInfo(t / "mod");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(texts.author + ' ' + texts.version, "first 9.9");
    EXPECT_LE(texts.description.size(), 64u << 10);
  }
}

TEST(ShownTexts, MnemonicMarkersVanishAndSizesAreKilobytesUpToAHundredThenMegabytesOfAThousand) {
  EXPECT_EQ(StripMnemonics("&Author"), "Author");
  EXPECT_EQ(StripMnemonics("a&&&b&"), "a&b");
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
  t.Write("jpg/ModPic.jpg", "x");
  t.Write("jpg/modpic.bmp", "wrong case is no picture");
  t.MakeDir("jpg/readme-folder");
  auto shown = [&](const char* folder) {
    const ModDetails d = ReadModDetails(t / folder);
    return std::tuple(d.fileCount, d.sizeBytes, d.readme, FindReadme(t / folder), d.picture, d.info.author);
  };
  // Root files count (the readme and both pictures), and the size includes folders outside the game's table.
  EXPECT_EQ(shown("mod"), std::tuple(4, 1030u, "My_ReadMe.TXT", "My_ReadMe.TXT", PictureKind::Bitmap, kNoFile));
  EXPECT_EQ(shown("jpg"), std::tuple(2, 25u, "", "", PictureKind::Jpeg, kNoFile));
  EXPECT_EQ(shown("gone"), std::tuple(0, 0u, "", "", PictureKind::None, kNoFile)) << "a vanished mod shows nothing";
}
