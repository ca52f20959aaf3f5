// The readme's topic table and the version lines of the about box.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "help/readme_topics.h"
#include "help/versions.h"
#include "platform/names.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;

TEST(ReadmeTopics, ListsTheTopicsInOrderWithThreeHeadingsAndAnswersOnlyExactTitles) {
  const auto topics = help::ReadmeTopics();
  ASSERT_EQ(topics.size(), 25u);
  std::set<std::string> titles;
  std::string topLevel, headings;  // by row; a heading only points to the topics below it
  for (size_t i = 0; i < topics.size(); ++i) {
    const std::string entry(topics[i].entry), title = entry.substr(entry.find_first_not_of(' '));
    const size_t indent = entry.size() - title.size();
    EXPECT_TRUE(indent == 0 || indent == 4 || indent == 8) << entry;
    if (indent == 0) topLevel += std::to_string(i) + " " + title + "|";
    EXPECT_TRUE(titles.insert(title).second) << "one topic per title: " << title;
    const auto text = help::TopicText(title, "/prog");
    ASSERT_TRUE(text.has_value()) << title;
    if (*text == "Select a topic below.") headings += std::to_string(i) + " " + title + "|";
  }
  EXPECT_EQ(topLevel, "0 Introduction|6 Manager menu|13 Mod menu|24 Report a bug/make a suggestion|");
  EXPECT_EQ(headings, "6 Manager menu|13 Mod menu|21 Current Mod menu|");
  for (const char* other : {"introduction", " Introduction", "    Installing", "Addon", ""})
    EXPECT_FALSE(help::TopicText(other, "/prog").has_value()) << '"' << other << '"';
}

TEST(ReadmeTopics, AddonsTextShowsTheModsFolderOfTheProgramDir) {
  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  for (const fs::path& programDir : {fs::path("/opt/drydock"), fs::path("/home/player/Games/Drydock 0.8")}) {
    const std::string text = help::TopicText("Addons", programDir).value_or("");
    const std::string folder = platform::PathToUtf8(programDir / "mods" / "");
    EXPECT_NE(text.find("You put the Map pack in this directory: " + folder), std::string::npos) << text;
    const size_t tail = text.find("(put files here)");
    ASSERT_NE(tail, std::string::npos);
    EXPECT_NE(text.rfind(sep + "Addon" + sep, tail), std::string::npos) << "the example addon is in the Addon folder";
    EXPECT_GT(text.size(), tail + 20) << "a closing note follows";
  }
}

// Where a topic tells what Drydock does, it tells what it does on the system at hand: a batch file on Windows,
// Wine elsewhere.
TEST(ReadmeTopics, TopicsAboutWhatDrydockDoesTellWhatItDoesWhereTheGameRuns) {
  using platform::GameHost;
  std::string differs;
  for (const help::ReadmeTopic& topic : help::ReadmeTopics()) {
    const std::string entry(topic.entry), title = entry.substr(entry.find_first_not_of(' '));
    const std::string native = help::TopicText(title, "/prog", GameHost::Native).value_or("");
    const std::string wine = help::TopicText(title, "/prog", GameHost::Wine).value_or("");
    EXPECT_EQ(wine.find("batch file in"), std::string::npos) << title;
    EXPECT_EQ(native.find("Wine"), std::string::npos) << title;
    if (native != wine) differs += title + "|";
    EXPECT_EQ(help::TopicText(title, "/prog"), help::TopicText(title, "/prog", platform::ThisSystemsGameHost()));
  }
  EXPECT_EQ(differs, "Installing|A2 Folder selection|Launch menu|");
  const std::tuple<const char*, GameHost, const char*> says[] = {
      {"Launch menu", GameHost::Native,
       "Armada II starts the game (through a small batch file in the game's directory)"},
      {"Launch menu", GameHost::Wine, "Drydock runs Armada2.exe in the game's directory with Wine, in the Wine prefix"},
      {"A2 Folder selection", GameHost::Native, "searches the drive that holds Drydock for Armada2.exe"},
      {"A2 Folder selection", GameHost::Wine, "($WINEPREFIX, ~/.wine, and those of Steam, Lutris, Heroic and Bottles)"},
      {"Installing", GameHost::Wine, "run that installer with Wine and point it at the mod's folder"},
  };
  for (const auto& [title, host, words] : says)
    EXPECT_NE(help::TopicText(title, "/prog", host).value_or("").find(words), std::string::npos)
        << title << ": " << words;
}

// The one version of the build (CMake's project version), as the about box and the changes window show it.
TEST(ProgramVersionLine, NamesTheBuildsMajorMinorAndRevision) {
  const std::string line = help::ProgramVersionLine();
  EXPECT_EQ(line, std::string("Version ") + DRYDOCK_VERSION);
  // "Version " and three numbers with a point between each.
  const std::string number = line.substr(std::min(line.size(), sizeof("Version ") - 1));
  int parts = 0;
  bool digits = false, wellFormed = line.starts_with("Version ");
  for (const char c : number + ".") {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && digits) {
      ++parts;
      digits = false;
    } else {
      wellFormed = false;
    }
  }
  EXPECT_TRUE(wellFormed && parts == 3) << line;
}

TEST(GameVersionLine, PatchedOnlyWhenTheGameHoldsThePatchReadmeInAnyLetterCase) {
  const std::string patched = "Current version of Armada II installed: 1.1 (Patched)";
  const std::string unpatched = "Current version of Armada II installed: 1.0 (Unpatched)";
  // What the game folder holds besides the game ("" nothing, a trailing '/' a folder), and whether it is patched.
  const std::pair<std::string, bool> cases[] = {
      {"Armada II 1.1 Patch Readme.txt", true},      {"ARMADA II 1.1 PATCH README.TXT", true},
      {"armada ii 1.1 patch readme.txt", true},      {"", false},
      {"Armada II 1.1 Patch Readme.txt.bak", false}, {"Armada II 1.0 Patch Readme.txt", false},
      {"Armada II 1.1 Patch Readme.txt/", false}};
  for (const auto& [name, isPatched] : cases) {
    SCOPED_TRACE(name);
    test::TempTree t;
    t.Write("game/Armada2.exe", "");
    if (!name.empty()) name.ends_with('/') ? t.MakeDir("game/" + name) : t.Write("game/" + name, "notes");
    EXPECT_EQ(help::GameVersionLine(t / "game"), isPatched ? patched : unpatched);
  }
  EXPECT_EQ(help::GameVersionLine(std::nullopt), unpatched);
  EXPECT_EQ(help::GameVersionLine(test::TempTree() / "gone"), unpatched);
}
