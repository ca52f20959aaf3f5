// The install's plan and the uninstall's, as the dry runs print them (text and JSON), checked against what the real
// runs then do; a dry run changes no byte and no timestamp, and what would stop an install midway stops it first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "flow/dialogs.h"
#include "install/install_engine.h"
#include "install/install_flow.h"
#include "install/install_plan.h"
#include "install/installed_mods.h"
#include "install/mod_stack.h"
#include "library/mod_files.h"
#include "platform/file_ops.h"
#include "platform/names.h"
#include "platform/writer_lock.h"
#include "support/held_lock.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock;
using namespace drydock::install;
using drydock::test::TempTree;
using Rows = std::vector<std::string>;
// kind -> its lines ("path" or "path (mod)"), as the description gives them.
using Groups = std::map<std::string, Rows>;

namespace {

std::string P(std::string_view relative) { return library::ShownPath(relative); }

// Every entry below each root with its size, times and file ID: what a dry run must leave as it was.
Rows Stamps(const std::vector<fs::path>& roots) {
  Rows rows;
  for (const fs::path& root : roots) {
    if (!fs::exists(root)) continue;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      std::string row = e.path().string();
      if (const auto f = platform::StampOf(e.path())) {
        row += " file " + std::to_string(f->size) + " " + std::to_string(f->modified) + " " +
               std::to_string(f->changed) + " " + std::to_string(f->id);
      } else if (const auto d = platform::FolderStampOf(e.path())) {
        row += " folder " + std::to_string(d->modifiedNs) + " " + std::to_string(d->changedNs);
      }
      rows.push_back(row);
    }
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

Groups Sorted(Groups groups) {
  for (auto& [kind, rows] : groups) std::sort(rows.begin(), rows.end());
  return groups;
}

Groups GroupsOf(const PlanDescription& d) {
  Groups groups;
  for (const PlanGroup& g : d.groups) {
    Rows& rows = groups[g.kind];
    for (const PlanLine& l : g.files) {
      rows.push_back(l.path + (l.mod.empty() ? "" : " (" + l.mod + ")") + (l.note.empty() ? "" : " (" + l.note + ")"));
    }
  }
  return Sorted(groups);
}

// The groups a --json document holds, read back from its "kind", "path", "mod" and "why" members in order
// (read by hand: <regex> draws a warning from GCC 12 in the sanitizer build).
Groups GroupsOfJson(const std::string& json) {
  // The JSON string that starts at the quote `at`, unescaped, and the index after its closing quote.
  const auto stringAt = [&](std::size_t at) {
    std::string value;
    std::size_t i = at + 1;
    for (; i < json.size() && json[i] != '"'; ++i) value += json[i] == '\\' ? json[++i] : json[i];
    return std::make_pair(value, i + 1);
  };
  Groups groups;
  Rows* rows = nullptr;
  for (std::size_t at = json.find('"'); at != std::string::npos; at = json.find('"', at)) {
    auto [key, end] = stringAt(at);
    at = end;
    if (json.compare(end, 3, ": \"") != 0) continue;
    auto [value, after] = stringAt(end + 2);
    at = after;
    if (key == "kind") {
      rows = &groups[value];
    } else if (key == "path" && rows) {
      rows->push_back(value);
    } else if ((key == "mod" || key == "why") && rows && !rows->empty()) {
      rows->back() += " (" + value + ")";
    }
  }
  return Sorted(groups);
}

// The groups as the text prints them: a heading line ends in ':', its files follow indented.
Groups GroupsOfText(const std::string& text, const PlanDescription& d) {
  std::map<std::string, std::string> kindOf;
  for (const PlanGroup& g : d.groups) kindOf[g.heading + ":"] = g.kind;
  Groups groups;
  std::istringstream lines(text);
  Rows* rows = nullptr;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("    ") && rows) {
      rows->push_back(line.substr(4));
    } else if (kindOf.count(line)) {
      rows = &groups[kindOf[line]];
    } else {
      rows = nullptr;
    }
  }
  return Sorted(groups);
}

class Plans : public ::testing::Test {
 protected:
  fs::path Game() const { return t / "game"; }
  fs::path Mod(const std::string& m) const { return t / ("prog/mods/" + m); }
  platform::WriterLock Lock() { return test::HeldLock({Game(), t / "prog/mods"}); }
  // Everything a dry run could touch: the game, the mods and the folder that holds the writer locks' files.
  Rows All() const {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    return Stamps({t.root(), cache ? fs::path(cache) / "drydock" : fs::path()});
  }
  // The dry run through the command line, in this process: its output, checked to exit with `exit`; its errors go
  // to `errors` when given.
  std::string DryRun(const std::string& command, const std::string& mod, bool json, int exit = cli::kExitOk,
                     std::string* errors = nullptr) {
    std::string error;
    Rows args = {"--program-dir", (t / "prog").string(), "--game-dir", Game().string(), command, "--dry-run", mod};
    if (json) args.push_back("--json");
    const auto cl = cli::ParseCommandLine(args, error);
    EXPECT_TRUE(cl) << error;
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunCommand(*cl, out, err), exit) << err.str();
    if (errors) *errors = err.str();
    return out.str();
  }
  // The plan as every dry run gives it (engine, text, JSON), which must agree and change nothing.
  Groups Planned(const std::string& command, const std::string& mod) {
    const Rows before = All();
    const PlanDescription d =
        command == "install" ? Describe(PlanInstall(Game(), Mod(mod))) : Describe(PreviewUninstall(Game(), Mod(mod)));
    EXPECT_TRUE(d.refusal.empty()) << d.refusal;
    const Groups groups = GroupsOf(d);
    EXPECT_EQ(GroupsOfText(DryRun(command, mod, false), d), groups) << command << " " << mod << " as text";
    EXPECT_EQ(GroupsOfJson(DryRun(command, mod, true)), groups) << command << " " << mod << " as JSON";
    EXPECT_EQ(All(), before) << "the dry runs of " << command << " " << mod << " changed something";
    return groups;
  }
  TempTree t;
};

// What the record of `mod` says of each path: "R" replaced, "A" added.
std::map<std::string, std::string> RecordOf(const fs::path& modFolder) {
  InstallRecord record;
  EXPECT_EQ(ReadRecord(modFolder / "Backup", record), RecordStatus::Read);
  std::map<std::string, std::string> kinds;
  for (const RecordEntry& e : record.entries) kinds[P(e.path)] = e.kind == RecordEntry::Kind::Added ? "A" : "R";
  return kinds;
}

std::string PathOf(const std::string& line) { return line.substr(0, line.find(" (")); }

}  // namespace

TEST_F(Plans, TheDryRunsTellFileByFileWhatTheRealInstallAndUninstallThenDo) {
  struct Case {
    std::string name;
    std::map<std::string, std::string> game;   // the game's own files
    std::map<std::string, std::string> below;  // the files of the mod X, installed first ({}: none)
    std::map<std::string, std::string> mod;    // the files of the mod M, planned and then installed
    Groups install;                            // M's install plan
    Groups uninstallBelow;                     // then X's uninstall plan (when X is installed)
  };
  const std::map<std::string, std::string> game = {{"odf/ships/a.odf", "game a"}, {"odf/ships/b.odf", "game b"}};
  const Case cases[] = {
      {"an empty game",
       {},
       {},
       {{"odf/ships/a.odf", "M a"}, {"odf/ships/m.odf", "M m"}},
       {{"adds", {P("odf/ships/a.odf"), P("odf/ships/m.odf")}}},
       {}},
      {"the game's files",
       game,
       {},
       {{"odf/ships/a.odf", "M a"},
        {"odf/ships/b.odf", "game b"},
        {"odf/ships/m.odf", "M m"},
        {"odf/ships/q?.odf", "?"}},
       {{"replaces-game", {P("odf/ships/a.odf")}},
        {"same-bytes", {P("odf/ships/b.odf")}},
        {"adds", {P("odf/ships/m.odf")}},
        {"kept-out",
         {P("odf/ships/q?.odf") + " (" + platform::WindowsNameProblem("q?.odf") +
          ", which a Windows game cannot hold)"}}},
       {}},
      {"another mod",
       game,
       {{"odf/ships/a.odf", "X a"}, {"odf/ships/x.odf", "X x"}},
       {{"odf/ships/a.odf", "M a"}, {"odf/ships/x.odf", "M x"}, {"odf/ships/b.odf", "M b"}},
       {{"replaces-mod", {P("odf/ships/a.odf") + " (X)", P("odf/ships/x.odf") + " (X)"}},
        {"replaces-game", {P("odf/ships/b.odf")}}},
       {{"hands-over", {P("odf/ships/a.odf") + " (M)", P("odf/ships/x.odf") + " (M)"}}}},
      {"the same bytes as a mod and as the game",
       game,
       {{"odf/ships/a.odf", "X a"}, {"odf/ships/x.odf", "X x"}},
       {{"odf/ships/a.odf", "X a"}, {"odf/ships/x.odf", "X x"}, {"odf/ships/b.odf", "game b"}},
       {{"same-bytes", {P("odf/ships/a.odf") + " (X)", P("odf/ships/x.odf") + " (X)", P("odf/ships/b.odf")}}},
       {{"hands-over", {P("odf/ships/a.odf") + " (M)", P("odf/ships/x.odf") + " (M)"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("over " + c.name);
    fs::remove_all(t / "game");
    fs::remove_all(t / "prog");
    t.Write("game/Armada2.exe", "exe");
    for (const auto& [path, bytes] : c.game) t.Write("game/" + path, bytes);
    for (const auto& [path, bytes] : c.below) t.Write("prog/mods/X/" + path, bytes);
    for (const auto& [path, bytes] : c.mod) t.Write("prog/mods/M/" + path, bytes);
    const Rows untouched = TempTree::Snapshot(Game());
    if (!c.below.empty()) {
      ASSERT_TRUE(InstallModFiles(Lock(), Game(), Mod("X")).Succeeded());
    }
    const Rows beforeM = TempTree::Snapshot(Game());

    // The install: the plan, then the real run does just that.
    const Groups planned = Planned("install", "M");
    EXPECT_EQ(planned, Sorted(c.install));
    std::map<std::string, std::optional<platform::FileStamp>> stampsBefore;
    for (const auto& [path, bytes] : c.mod) stampsBefore[P(path)] = platform::StampOf(Game() / path);
    const Report installed = InstallModFiles(Lock(), Game(), Mod("M"));
    ASSERT_FALSE(installed.refused) << installed.refusal;
    EXPECT_EQ(installed.failures.size(), planned.count("kept-out") ? planned.at("kept-out").size() : 0u);
    std::map<std::string, std::string> expectedRecord;
    for (const auto& [kind, lines] : planned) {
      for (const std::string& line : lines) {
        const std::string path = PathOf(line);
        if (kind == "kept-out") {
          EXPECT_FALSE(platform::EntryExists(Game() / "odf/ships/q?.odf"));
          continue;
        }
        expectedRecord[path] = kind == "adds" ? "A" : "R";
        const auto now = platform::StampOf(Game() / fs::path(path));
        ASSERT_TRUE(now) << path;
        if (kind == "same-bytes") {
          EXPECT_TRUE(now->Unchanged(*stampsBefore[path])) << path << ": a file of the same bytes is not written";
        } else {
          EXPECT_FALSE(stampsBefore[path] && now->Unchanged(*stampsBefore[path])) << path << " was not written";
        }
      }
    }
    EXPECT_EQ(RecordOf(Mod("M")), expectedRecord);
    for (const auto& [path, bytes] : c.mod) {
      if (path.find('?') == std::string::npos) {
        EXPECT_EQ(TempTree::Read(Game() / path), bytes) << path;
      }
    }

    // The uninstall of the mod below hands its originals up; the real run agrees.
    if (!c.below.empty()) {
      EXPECT_EQ(Planned("uninstall", "X"), Sorted(c.uninstallBelow));
      const auto lock = Lock();
      ASSERT_TRUE(UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod("X")), ChangedFiles::Keep).Succeeded());
      for (const std::string& line : c.uninstallBelow.at("hands-over")) {
        const std::string path = PathOf(line);
        const auto it = c.game.find(fs::path(path).generic_string());
        if (it != c.game.end()) {
          EXPECT_EQ(TempTree::Read(Mod("M") / "Backup" / path), it->second) << path << ": M keeps the game's own";
          EXPECT_EQ(RecordOf(Mod("M"))[path], "R") << path;
        } else {
          EXPECT_EQ(RecordOf(Mod("M"))[path], "A") << path << ": the game had none, so M's record says added";
        }
        EXPECT_EQ(TempTree::Read(Game() / path), c.mod.at(fs::path(path).generic_string())) << path;
      }
    }

    // M's uninstall, the top of every stack: it restores what it replaced and deletes what it added.
    const Groups undo = Planned("uninstall", "M");
    for (const auto& [kind, lines] : undo) {
      EXPECT_TRUE(kind == "restores" || kind == "deletes" || kind == "done") << kind;
    }
    const auto lock = Lock();
    ASSERT_TRUE(UninstallModFiles(lock, PlanUninstall(lock, Game(), Mod("M")), ChangedFiles::Keep).Succeeded());
    for (const auto& [kind, lines] : undo) {
      for (const std::string& line : lines) {
        EXPECT_EQ(platform::EntryExists(Game() / PathOf(line)), kind != "deletes") << PathOf(line);
      }
    }
    // Every file as before M (and X) came; folders an install made may stay, empty.
    const auto files = [](Rows rows) {
      std::erase_if(rows, [](const std::string& row) { return row.ends_with('/'); });
      return rows;
    };
    EXPECT_EQ(files(test::GameSnapshot(Game())), files(c.below.empty() ? beforeM : untouched));
  }
}

TEST_F(Plans, AFolderInTheWayOrAGameFolderThatCannotBeWrittenStopsTheInstallBeforeTheFirstCopy) {
  t.Write("game/Armada2.exe", "exe");
  t.Write("game/odf/ships/b.odf", "game b");
  t.MakeDir("game/odf/ships/a.odf");  // a folder where the mod's file goes
  t.Write("prog/mods/M/odf/ships/a.odf", "M a");
  t.Write("prog/mods/M/odf/ships/b.odf", "M b");
  t.Write("prog/mods/M/sprites/new.spr", "M new");
  // The dry run shows what is in the way, exits 1 and changes nothing.
  const Rows before = All();
  std::string err;
  const std::string out = DryRun("install", "M", false, cli::kExitFailed, &err);
  EXPECT_NE(out.find("Stops the install before anything changes:\n    " + P("odf/ships/a.odf")), std::string::npos)
      << out;
  EXPECT_NE(err.find("Make it writable, or move the folder away, then install again."), std::string::npos);
  EXPECT_EQ(All(), before);
  const Report r = InstallModFiles(Lock(), Game(), Mod("M"));
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.refusal, "The mod cannot be installed, so nothing was changed:\n    " + P("odf/ships/a.odf") +
                           " (a folder stands in the game where this file goes)\nMake it writable, or move the folder "
                           "away, then install again.");
  EXPECT_FALSE(IsInstalled(Mod("M")));
  // The lock's file was made by the test's own lock; every file of game and mod is as it was.
  EXPECT_EQ(TempTree::Snapshot(t / "game"), (Rows{"Armada2.exe=exe", "odf/ships/a.odf/", "odf/ships/b.odf=game b"}));
  EXPECT_EQ(TempTree::Snapshot(t / "prog"),
            (Rows{"mods/M/odf/ships/a.odf=M a", "mods/M/odf/ships/b.odf=M b", "mods/M/sprites/new.spr=M new"}));

  // A folder of the game that refuses writing (read-only for a user, immutable for root).
  fs::remove(Game() / "odf/ships/a.odf");
  fs::permissions(Game() / "odf/ships", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const bool immutable = platform::IsWritableFolder(Game() / "odf/ships") &&
                         std::system(("chattr +i '" + (Game() / "odf/ships").string() + "' 2>/dev/null").c_str()) == 0;
  if (platform::IsWritableFolder(Game() / "odf/ships")) GTEST_SKIP() << "no way here to make a folder unwritable";
  const Rows unwritable = TempTree::Snapshot(t.root());
  const Report refused = InstallModFiles(Lock(), Game(), Mod("M"));
  const Rows after = TempTree::Snapshot(t.root());
  if (immutable) (void)std::system(("chattr -i '" + (Game() / "odf/ships").string() + "'").c_str());
  fs::permissions(Game() / "odf/ships", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(refused.refused);
  EXPECT_NE(refused.refusal.find(P("odf/ships") + " (this folder of the game cannot be written)"), std::string::npos)
      << refused.refusal;
  EXPECT_EQ(after, unwritable);
  EXPECT_FALSE(IsInstalled(Mod("M")));
}

namespace {

// Each file: the game's own bytes ("" absent) and each mod's. A and B carry the same bytes of three files, and B
// one file exactly as the game has it.
const std::map<std::string, std::pair<std::string, std::map<char, std::string>>> kSameBytes = {
    {"odf/shared.odf", {"orig shared", {{'A', "AB shared"}, {'B', "AB shared"}, {'C', "C shared"}}}},
    {"odf/ab.odf", {"orig ab", {{'A', "AB ab"}, {'B', "AB ab"}}}},
    {"odf/new_ab.odf", {"", {{'A', "AB new"}, {'B', "AB new"}}}},
    {"odf/same_game.odf", {"orig same", {{'B', "orig same"}, {'C', "C same"}}}},
    {"odf/a_only.odf", {"orig a", {{'A', "A a"}}}},
};

class SameBytesStack : public Plans {
 protected:
  void SetUp() override {
    for (const auto& [path, file] : kSameBytes) {
      if (!file.first.empty()) t.Write("game/" + path, file.first);
      for (const auto& [m, bytes] : file.second) t.Write(std::string("prog/mods/") + m + "/" + path, bytes);
    }
  }
  // The game while `installed` are, in that install order: each file the last one's that carries it.
  static Rows Expected(const std::string& installed) {
    Rows rows;
    for (const auto& [path, file] : kSameBytes) {
      std::string bytes = file.first;
      for (char m : installed) {
        if (file.second.count(m)) bytes = file.second.at(m);
      }
      if (!bytes.empty()) rows.push_back(path + "=" + bytes);
    }
    return rows;
  }
};

}  // namespace

// A file whose bytes the game holds already is not written, yet the mod keeps a copy and records it: whichever of
// two mods with the same bytes goes first, the other keeps its file, and the game ends as it began.
TEST_F(SameBytesStack, EveryOrderOfInstallsAndUninstallsOfThreeModsTwoOfThemAlikeGivesTheGameBackByteForByte) {
  const Rows original = TempTree::Snapshot(Game());
  std::string installOrder = "ABC";
  do {
    std::string uninstallOrder = "ABC";
    do {
      SCOPED_TRACE("installed " + installOrder + ", uninstalled " + uninstallOrder);
      std::string installed;
      for (char m : installOrder) {
        const Report r = InstallModFiles(Lock(), Game(), Mod(std::string(1, m)));
        ASSERT_TRUE(r.Succeeded()) << m << ": " << r.refusal;
        installed += m;
        EXPECT_EQ(test::GameSnapshot(Game()), Expected(installed)) << "after installing " << m;
      }
      for (char m : uninstallOrder) {
        const auto lock = Lock();
        const UninstallPlan plan = PlanUninstall(lock, Game(), Mod(std::string(1, m)));
        EXPECT_TRUE(plan.Changed().empty()) << m << ": the stack explains every file, so nothing is asked";
        const Report r = UninstallModFiles(lock, plan, ChangedFiles::Keep);
        ASSERT_TRUE(r.Succeeded()) << m << ": " << (r.failures.empty() ? r.refusal : r.failures[0].reason);
        EXPECT_FALSE(IsInstalled(Mod(std::string(1, m))));
        std::erase(installed, m);
        EXPECT_EQ(test::GameSnapshot(Game()), Expected(installed)) << "after uninstalling " << m;
      }
      ASSERT_EQ(TempTree::Snapshot(Game()), original);
    } while (std::next_permutation(uninstallOrder.begin(), uninstallOrder.end()));
  } while (std::next_permutation(installOrder.begin(), installOrder.end()));
}

namespace {

class QuietHost : public InstallHost {
 public:
  bool RefreshQuietly() override { return true; }
};

}  // namespace

// The window's questions keep their wording and fold the plan under "Show Details...", read before anything changes.
TEST_F(Plans, TheInstallAndUninstallQuestionsCarryThePlanAsTheirDetails) {
  t.Write("game/Armada2.exe", "exe");
  t.Write("game/odf/ships/a.odf", "game a");
  t.Write("prog/mods/Fleet/odf/ships/a.odf", "fleet a");
  t.Write("prog/mods/Fleet/odf/ships/n.odf", "fleet n");
  test::ScriptedDialogs dialogs;
  QuietHost host;
  ModInstaller installer(dialogs, host, t / "prog/mods", [this] { return std::optional<fs::path>(Game()); });
  const Selection fleet{"Fleet", "Fleet"};
  const std::string installDetails = "Replaces the game's own file (kept in the Backup):\n    " + P("odf/ships/a.odf") +
                                     "\nAdds a new file:\n    " + P("odf/ships/n.odf") +
                                     "\nSummary: 1 replacing the game's, 1 new; 14 bytes to write, 0 bytes for the "
                                     "Backup.\n";
  const auto question = [](std::string text, std::string title, flow::Answer answer, std::string details) {
    return test::ScriptedDialogs::Box{std::move(text), std::move(title), flow::Buttons::YesNo, flow::Icon::Question,
                                      answer,          std::nullopt,     std::move(details)};
  };
  // No: nothing changes, not even a lock's file.
  const Rows before = All();
  dialogs.Expect(question("You have selected the Fleet mod. Do you want to install it?", "Install Fleet mod?",
                          flow::Answer::No, installDetails));
  EXPECT_EQ(installer.InstallMod(fleet), Outcome::Cancelled);
  EXPECT_EQ(All(), before);
  dialogs.Expect(question("You have selected the Fleet mod. Do you want to install it?", "Install Fleet mod?",
                          flow::Answer::Yes, installDetails));
  ASSERT_EQ(installer.InstallMod(fleet), Outcome::Done);
  dialogs.Expect(
      question("Are you sure you want to uninstall the Fleet mod?", "Uninstall Fleet mod?", flow::Answer::Yes,
               "Restores the original:\n    " + P("odf/ships/a.odf") + "\nDeletes a file the install added:\n    " +
                   P("odf/ships/n.odf") + "\nSummary: 1 restored, 1 deleted; 6 bytes to write.\n"));
  ASSERT_EQ(installer.UninstallMod(fleet), Outcome::Done);
  EXPECT_TRUE(dialogs.Done());
  EXPECT_EQ(TempTree::Read(Game() / "odf/ships/a.odf"), "game a");
}
