// ModInfo.txt fields, fallbacks and the details panel's numbers.
#include <gtest/gtest.h>

#include "modinfo/mod_info.h"
#include "support/temp_tree.h"

using namespace drydock::modinfo;
using drydock::test::TempTree;

TEST(ModInfo, MissingFileShowsNotFoundAndTheDefaultHeading) {
  TempTree t;
  t.MakeDir("mod");
  const ModInfoTexts texts = ReadModInfo(t / "mod");
  EXPECT_EQ(texts, (ModInfoTexts{std::string(kNoFile), std::string(kNoFile), std::string(kNoFile), std::string(kNoFile),
                                 "Other: "}));
  EXPECT_TRUE(TempTree::Snapshot(t / "mod").empty());  // nothing written
}

TEST(ModInfo, MissingLinesAndEmptyValuesHaveTheirOwnTexts) {
  TempTree t;
  t.Write("mod/ModInfo.txt", "Author: \r\nOther Heading:    \r\nOther: \r\n");
  const ModInfoTexts texts = ReadModInfo(t / "mod");
  EXPECT_EQ(texts.author, "(File does not contain author)");
  EXPECT_EQ(texts.description, "(File does not contain description)");
  EXPECT_EQ(texts.version, "(File does not contain version number)");
  EXPECT_EQ(texts.other, "(File does not contain Other)");
  EXPECT_EQ(texts.otherHeading, "(File does not contain OtherHeading)");

  t.Write("mod2/ModInfo.txt", "nothing useful\r\n");
  const ModInfoTexts none = ReadModInfo(t / "mod2");
  EXPECT_EQ(none.other, "(File does not contain 'other')");
  EXPECT_EQ(none.otherHeading, "Other: ");
}

TEST(ModInfo, KeysAreExactTheLastLineWinsAndValuesKeepTheirSpaces) {
  TempTree t;
  t.Write("mod/ModInfo.txt",
          "author: lower case is ignored\r\n"
          "Version: 1.0\r\n"
          "Author:  Two  Spaces \r\n"
          "Other Heading: Credits\r\n"
          "Other: Thanks\r\n"
          "Version: 2.0\r\n");
  const ModInfoTexts texts = ReadModInfo(t / "mod");
  EXPECT_EQ(texts.author, " Two  Spaces ");
  EXPECT_EQ(texts.version, "2.0");
  EXPECT_EQ(texts.otherHeading, "Credits");
  EXPECT_EQ(texts.other, "Thanks");
}

TEST(ModInfo, LinuxLineEndsAndOtherEncodingsReadLikeWindowsFiles) {
  TempTree t;
  t.Write("lf/modinfo.TXT", "Author: Tux\nDescription: LF only\nVersion: 3\n");
  const ModInfoTexts lf = ReadModInfo(t / "lf");
  EXPECT_EQ(lf.author, "Tux");
  EXPECT_EQ(lf.description, "LF only");
  EXPECT_EQ(lf.version, "3");
  t.Write("cp/ModInfo.txt", "Author: Andr\xe9\r\n");
  EXPECT_EQ(ReadModInfo(t / "cp").author, "Andr\xc3\xa9");
}

TEST(ModInfo, HugeOrBinaryFilesStillGiveAPromptAnswer) {
  TempTree t;
  std::string junk(8 << 20, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 2654435761u) >> 13);
  t.Write("mod/ModInfo.txt", "Author: first\r\n" + junk);
  const auto start = std::chrono::steady_clock::now();
  const ModInfoTexts texts = ReadModInfo(t / "mod");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(texts.author, "first");
  EXPECT_LE(texts.description.size(), 64u << 10);
}

TEST(ModInfo, MnemonicMarkersAreNotShown) {
  EXPECT_EQ(StripMnemonics("Q&&A"), "Q&A");
  EXPECT_EQ(StripMnemonics("&Author"), "Author");
  EXPECT_EQ(StripMnemonics("a&&&b&"), "a&b");
  EXPECT_EQ(StripMnemonics("plain"), "plain");
}

TEST(ModSize, KilobytesUpToAHundredThenMegabytesOfAThousand) {
  EXPECT_EQ(FormatModSize(102400), "100 KB");
  EXPECT_EQ(FormatModSize(102401), "0.1 MB");
  EXPECT_EQ(FormatModSize(1048576), "1.02 MB");
  EXPECT_EQ(FormatModSize(0), "0 KB");
  EXPECT_EQ(FormatModSize(512), "0.5 KB");
  EXPECT_EQ(FormatModSize(1048576, ','), "1,02 MB");
  EXPECT_EQ(FormatModSize(300ull * 1024 * 1024), "307.2 MB");
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
}

TEST(ModDetails, AVanishedModShowsNothing) {
  TempTree t;
  const ModDetails d = ReadModDetails(t / "gone");
  EXPECT_EQ(d.fileCount, 0);
  EXPECT_EQ(d.sizeBytes, 0u);
  EXPECT_EQ(FormatModSize(d.sizeBytes), "0 KB");
  EXPECT_EQ(d.info.author, kNoFile);
  EXPECT_EQ(d.picture, PictureKind::None);
}
