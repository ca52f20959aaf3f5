// The mod list's filter: which entries a typed text leaves, and the authors
// it matches, read from real ModInfo.txt files once per change.
#include <gtest/gtest.h>

#include <map>

#include "library/mod_filter.h"
#include "modinfo/mod_info.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock::library;
using drydock::test::TempTree;

namespace {

// The entries FilterModList leaves, with the authors of some entries.
ModList Shown(const ModList& list, std::string_view text, const std::map<int, std::string>& authors = {}) {
  std::map<int, std::string> folded;
  for (const auto& [index, author] : authors) folded[index] = FoldCase(author);
  const auto shown = FilterModList(list, text, [&](int i) -> std::string_view {
    const auto it = folded.find(i);
    return it == folded.end() ? std::string_view() : std::string_view(it->second);
  });
  ModList out;
  for (size_t i = 0; i < list.size(); ++i) {
    if (shown[i]) out.push_back(list[i]);
  }
  return out;
}

const ModList kLibrary = {"Borg Pack",      "    Cube Skins", "    Sphere Sounds", "Fleet Yards",
                          "    Borg Docks", "Klingon Ships",  "Romulan War"};

TEST(ModFilter, LeavesMatchesWithTheirParentsAndAddons) {
  const struct {
    const char* text;
    std::map<int, std::string> authors;
    ModList expected;
  } cases[] = {
      {"", {}, kLibrary},
      {"klingon", {}, {"Klingon Ships"}},
      {"KLINGON", {}, {"Klingon Ships"}},
      {"ships", {}, {"Klingon Ships"}},
      // A matching parent keeps all its addons; a matching addon brings only its parent.
      {"borg", {}, {"Borg Pack", "    Cube Skins", "    Sphere Sounds", "Fleet Yards", "    Borg Docks"}},
      {"sphere", {}, {"Borg Pack", "    Sphere Sounds"}},
      {"docks", {}, {"Fleet Yards", "    Borg Docks"}},
      // The indent of an addon is not part of its name.
      {"  ", {}, {}},
      {"rom", {{5, "Romeo Smith"}}, {"Klingon Ships", "Romulan War"}},
      {"smith", {{2, "J. Smith"}}, {"Borg Pack", "    Sphere Sounds"}},
      {"nothing like it", {}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(kLibrary, c.text, c.authors), c.expected) << '"' << c.text << '"';
}

TEST(ModFilter, FoldsLettersBeyondAscii) {
  EXPECT_EQ(FoldCase("ÉLAN Ÿ ĀŁ ΩΆ ЖЁ Fleet"), "élan ÿ āł ωά жё fleet");
  EXPECT_EQ(Shown({"École", "Żuraw", "Москва"}, "éCOLE"), ModList{"École"});
  EXPECT_EQ(Shown({"École", "Żuraw", "Москва"}, "москВА"), ModList{"Москва"});
  // Bytes that are not UTF-8 and overlong forms pass through untouched.
  EXPECT_EQ(FoldCase("\xC3"), "\xC3");
  EXPECT_EQ(FoldCase("\xC1\x81 \xFF"), "\xC1\x81 \xFF");
}

TEST(ModAuthors, ReadsEachModOnceAndAgainOnlyWhenItChanged) {
  TempTree tree;
  const fs::path mods = tree / "mods";
  tree.Write("mods/Borg Pack/ModInfo.txt", "Author: Q &&amp; Co\r\n");
  tree.Write("mods/Borg Pack/Addon/Cube/modinfo.TXT", "Author: Seven\r\n");
  tree.Write("mods/Fleet Yards/readme.txt", "no ModInfo here");
  const ModList list = FillModList(mods);
  ASSERT_EQ(list, (ModList{"Borg Pack", "    Cube", "Fleet Yards"}));

  ModAuthors authors(drydock::modinfo::ReadModAuthor);
  authors.Update(mods, list);
  EXPECT_EQ(authors.FoldedOf(0), "q &amp; co");
  EXPECT_EQ(authors.FoldedOf(1), "seven");
  EXPECT_EQ(authors.FoldedOf(2), "");
  EXPECT_EQ(authors.FoldedOf(3), "");
  EXPECT_EQ(authors.Reads(), 2);

  authors.Update(mods, list);
  EXPECT_EQ(authors.Reads(), 2) << "nothing changed, nothing read";

  // A ModInfo.txt written in place (same folder stamp), and one added to a mod that had none.
  tree.Write("mods/Borg Pack/Addon/Cube/modinfo.TXT", "Author: Seven of Nine, Hugh\r\n");
  tree.Write("mods/Fleet Yards/ModInfo.txt", "Author: Utopia Planitia\r\n");
  authors.Update(mods, list);
  EXPECT_EQ(authors.FoldedOf(1), "seven of nine, hugh");
  EXPECT_EQ(authors.FoldedOf(2), "utopia planitia");
  EXPECT_EQ(authors.Reads(), 4);
  EXPECT_EQ(Shown(list, "HUGH", {{1, "Seven of Nine, Hugh"}}), (ModList{"Borg Pack", "    Cube"}));
}

}  // namespace
