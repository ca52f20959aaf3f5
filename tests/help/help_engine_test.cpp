// The readme's topic table and the version lines of the about box.
#include <gtest/gtest.h>

#include <set>

#include "help/readme_topics.h"
#include "help/versions.h"
#include "platform/names.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;

namespace {

std::string Trimmed(std::string_view entry) { return std::string(entry.substr(entry.find_first_not_of(' '))); }

TEST(ReadmeTopics, ListsTheTopicsInOrderWithThreeHeadingsAndAnswersOnlyExactTitles) {
  std::vector<std::string> entries;
  for (const help::ReadmeTopic& topic : help::ReadmeTopics()) entries.emplace_back(topic.entry);
  ASSERT_EQ(entries.size(), 25u);
  EXPECT_EQ(entries.front(), "Introduction");
  EXPECT_EQ(entries.back(), "Report a bug/make a suggestion");
  const std::set<size_t> headings{6, 13, 21};
  std::set<std::string> titles;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string title = Trimmed(entries[i]);
    const size_t indent = entries[i].size() - title.size();
    EXPECT_TRUE(indent == 0 || indent == 4 || indent == 8) << entries[i];
    EXPECT_EQ(indent == 0, i == 0 || i == 6 || i == 13 || i + 1 == entries.size()) << entries[i];
    EXPECT_TRUE(titles.insert(title).second) << "one topic per title: " << title;
    const auto text = help::TopicText(title, "/prog");
    ASSERT_TRUE(text.has_value()) << title;
    EXPECT_EQ(*text == "Select a topic below.", headings.count(i) == 1) << title;
  }
  EXPECT_EQ(Trimmed(entries[6]) + "|" + Trimmed(entries[13]) + "|" + Trimmed(entries[21]),
            "Manager menu|Mod menu|Current Mod menu");
  for (const char* other : {"introduction", " Introduction", "    Installing", "Addon", ""}) {
    EXPECT_FALSE(help::TopicText(other, "/prog").has_value()) << '"' << other << '"';
  }
}

TEST(ReadmeTopics, AddonsTextShowsTheModsFolderOfTheProgramDir) {
  for (const fs::path& programDir : {fs::path("/opt/drydock"), fs::path("/home/player/Games/Drydock 0.8")}) {
    const std::string text = help::TopicText("Addons", programDir).value_or("");
    const std::string folder = platform::PathToUtf8(programDir / "mods" / "");
    EXPECT_NE(text.find("You put the Map pack in this directory: " + folder), std::string::npos) << text;
    const size_t tail = text.find("(put files here)");
    ASSERT_NE(tail, std::string::npos);
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_NE(text.rfind(sep + "Addon" + sep, tail), std::string::npos) << "the example addon is in the Addon folder";
    EXPECT_GT(text.size(), tail + 20) << "a closing note follows";
  }
}

TEST(GameVersionLine, PatchedOnlyWhenTheGameHoldsThePatchReadmeInAnyLetterCase) {
  struct Case {
    const char* file;  // written into the game folder; empty for none
    bool folder;       // made as a folder instead of a file
    bool patched;
  };
  const Case cases[] = {
      {"Armada II 1.1 Patch Readme.txt", false, true},      {"ARMADA II 1.1 PATCH README.TXT", false, true},
      {"armada ii 1.1 patch readme.txt", false, true},      {"", false, false},
      {"Armada II 1.1 Patch Readme.txt.bak", false, false}, {"Armada II 1.0 Patch Readme.txt", false, false},
      {"Armada II 1.1 Patch Readme.txt", true, false},
  };
  const std::string patched = "Current version of Armada II installed: 1.1 (Patched)";
  const std::string unpatched = "Current version of Armada II installed: 1.0 (Unpatched)";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.folder ? " (folder)" : ""));
    test::TempTree t;
    t.Write("game/Armada2.exe", "");
    if (c.folder) t.MakeDir(std::string("game/") + c.file);
    if (*c.file && !c.folder) t.Write(std::string("game/") + c.file, "notes");
    EXPECT_EQ(help::GameVersionLine(t / "game"), c.patched ? patched : unpatched);
  }
  test::TempTree t;
  EXPECT_EQ(help::GameVersionLine(std::nullopt), unpatched);
  EXPECT_EQ(help::GameVersionLine(t / "gone"), unpatched);
}

}  // namespace
