// The --json documents: always valid JSON, whatever bytes a name holds.
#include "cli/json.h"

#include <gtest/gtest.h>

namespace drydock::cli {
namespace {

TEST(Json, StringsAreEscapedAndBytesThatAreNotUtf8BecomeTheReplacementCharacter) {
  struct Case {
    std::string in, out;
  } const cases[] = {
      {"plain", R"("plain")"},
      {"a \"b\" c\\d", R"("a \"b\" c\\d")"},
      {"tab\tline\ncr\r", R"("tab\tline\ncr\r")"},
      {std::string("nul\0bell\a", 9), R"("nul\u0000bell\u0007")"},
      {"\x7f", R"("\u007f")"},
      {"Gr\xc3\xbc\xc3\x9f \xe2\x9c\x93 \xf0\x9f\x9a\x80", "\"Gr\xc3\xbc\xc3\x9f \xe2\x9c\x93 \xf0\x9f\x9a\x80\""},
      {"Latin-1 \xfc name", "\"Latin-1 \xef\xbf\xbd name\""},
      {"cut \xe2\x9c", "\"cut \xef\xbf\xbd\xef\xbf\xbd\""},
      {"overlong \xc0\xaf", "\"overlong \xef\xbf\xbd\xef\xbf\xbd\""},
      {"surrogate \xed\xa0\x80", "\"surrogate \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonQuote(c.in), c.out) << c.in;
}

TEST(Json, ObjectsKeepTheirKeysInOrderAndNestWithIndentation) {
  Json doc;
  doc.Set("name", "Fleet").Set("installed", true).Set("files", 3).Set("none", Json());
  doc.Set("mods", Json().Push("A").Push(Json().Set("x", std::int64_t{-5})));
  doc.Set("empty", Json::MakeObject());
  doc.Set("files", 4);  // set again: the value changes, the place stays
  EXPECT_EQ(doc.Dump(),
            "{\n"
            "  \"name\": \"Fleet\",\n"
            "  \"installed\": true,\n"
            "  \"files\": 4,\n"
            "  \"none\": null,\n"
            "  \"mods\": [\n"
            "    \"A\",\n"
            "    {\n"
            "      \"x\": -5\n"
            "    }\n"
            "  ],\n"
            "  \"empty\": {}\n"
            "}\n");
  EXPECT_EQ(Json::MakeArray().Dump(), "[]\n");
}

}  // namespace
}  // namespace drydock::cli
