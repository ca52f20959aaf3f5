#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/names.h"
#include "platform/reg_file.h"
#include "platform/wine_prefixes.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using drydock::platform::CandidateWinePrefixes;
using drydock::platform::FindWineRegString;
using drydock::platform::PathToUtf8;
using drydock::platform::Registry;
using drydock::platform::RegRoot;
using drydock::platform::WineEnvironment;
using drydock::platform::WinePathToNative;
using drydock::test::TempTree;

namespace {

constexpr const char* kArmadaKey = "Software\\Activision\\Star Trek Armada II\\v1.0";
constexpr const char* kInstallPath = "C:\\Program Files (x86)\\Activision\\Star Trek Armada II";

constexpr std::string_view kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

// A system.reg as a 64-bit Wine writes it: keys whose names start alike,
// Wine's escapes, values of other types, and continued lines that look like
// keys and values.
constexpr std::string_view kSystemReg = R"reg(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Activision] 1700000000
#time=1da0f3c2b4e5a60

[Software\\Activision\\Star Trek Armada II] 1700000001
#time=1da0f3c2b4e5a61
"INSTALLPATH"="C:\\Wrong\\Parent"

[Software\\Activision\\Star Trek Armada II\\v1] 1700000002
"Version"="shorter"

[Software\\Activision\\Star Trek Armada II\\v1.0] 1700000003
#time=1da0f3c2b4e5a62
#class="Armada"
@="Star Trek Armada II"
"Blob"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\
  17,18,19,1a,1b,1c,1d,1e,1f
"Build"=dword:00000bb8
"EXEString"="C:\\Program Files (x86)\\Activision\\Star Trek Armada II\\Armada2.exe"
"Expand"=str(2):"%ProgramFiles%\\Activision"
"INSTALLPATH"="C:\\Program Files (x86)\\Activision\\Star Trek Armada II"
"Language"="English"

[Software\\Activision\\Star Trek Armada II\\v1.0\\Extra] 1700000004
#time=1da0f3c2b4e5a63
"INSTALLPATH"="C:\\Wrong\\Child"
"Version"="child"

[Software\\Activision\\Star Trek Armada II\\v1.01] 1700000005
"INSTALLPATH"="C:\\Wrong\\Sibling"
"Version"="sibling"

[Software\\Microsoft\\Windows\\CurrentVersion] 1700000006
"ProgramFilesDir"="C:\\Program Files"
"Language"="wrong key"

[Software\\Odd \[Bracket\] Key] 1700000007
"Quote \"name\""="say \"hi\""
"Path"="C:\\Jeux\\Caf\x00e9\\\x4e2d\x6587"
"Pair"="\xd83d\xde80!"
"Greedy"="\xe9t\x00e9e"
"Controls"="a\tb\nc\\d\101\a\e\0hidden"
"Octal"="\1010\60"
"Lone"="\xd800x"
"NoDigits"="\xyz"

[Software\\Game] 1700000007
"Data"=hex:00,01,\
  [Software\\Other] 1700000008
"After"="still in Game"
"Trap"=hex:22,\
  02,\
  "Name"="from a continuation"
"Multi"=str(7):"a\0b\0"
"Raw"=hex(1):41,00,00,00
"Typed"=str(1):"typed string"
"Short"=str:"short form"
"NoEquals" "x"
"Unterminated"="abc
)reg";

// `text` with every `c` replaced by `with`: other line ends, or backslashes
// doubled as Wine writes them in key names and strings.
std::string Replaced(std::string_view text, char c, std::string_view with) {
  std::string out;
  for (char x : text) x == c ? out.append(with) : out.append(1, x);
  return out;
}

// One key with the given value lines.
std::string Section(std::string_view key, std::string_view values) {
  return "[" + Replaced(key, '\\', "\\\\") + "] 1700000000\n#time=1da0f3c2b4e5a60\n" + std::string(values) + "\n\n";
}

std::string RegFile(std::string_view key, std::string_view values) {
  return std::string(kHeader) + Section(key, values);
}

// A prefix whose C: drive is the usual ../drive_c link.
fs::path MakePrefix(TempTree& tree, std::string_view rel, std::string_view systemReg) {
  const fs::path prefix = tree.Write(std::string(rel) + "/system.reg", systemReg).parent_path();
  tree.MakeDir(std::string(rel) + "/drive_c");
  tree.Link(std::string(rel) + "/dosdevices/c:", "../drive_c");
  return prefix;
}

std::string ArmadaAt(std::string_view installPath) {
  return RegFile(kArmadaKey, "\"INSTALLPATH\"=\"" + Replaced(installPath, '\\', "\\\\") + "\"");
}

}  // namespace

TEST(FindWineRegString, FindsAndDecodesPlainStringsOfTheExactKeyWithEveryLineEnd) {
  const std::string armada = "Software\\Activision\\Star Trek Armada II", odd = "Software\\Odd [Bracket] Key";
  struct Case {
    std::string key;
    std::string name;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {kArmadaKey, "INSTALLPATH", kInstallPath},
      // The same names in the parent, a child and keys whose names start alike do not leak in.
      {kArmadaKey, "Language", "English"},
      {kArmadaKey, "Version", std::nullopt},
      {armada, "INSTALLPATH", "C:\\Wrong\\Parent"},
      {armada + "\\v1.01", "Version", "sibling"},
      {armada + "\\v1", "Version", "shorter"},
      {"Software\\Activision\\Star Trek Armada", "INSTALLPATH", std::nullopt},
      {armada + "\\v1.0\\Missing", "INSTALLPATH", std::nullopt},
      {"Activision\\Star Trek Armada II\\v1.0", "INSTALLPATH", std::nullopt},
      // Key and value names ignore case; stray outer backslashes do not matter.
      {"SOFTWARE\\activision\\STAR TREK ARMADA II\\V1.0", "installpath", kInstallPath},
      {"\\" + std::string(kArmadaKey) + "\\", "InstallPath", kInstallPath},
      // The default value answers to "@" and to the empty name.
      {kArmadaKey, "@", "Star Trek Armada II"},
      {kArmadaKey, "", "Star Trek Armada II"},
      {armada + "\\v1.01", "", std::nullopt},
      // Only plain strings are values; str(1) and str: are plain strings too.
      {kArmadaKey, "Build", std::nullopt},
      {kArmadaKey, "Blob", std::nullopt},
      {kArmadaKey, "Expand", std::nullopt},
      {"Software\\Game", "Multi", std::nullopt},
      {"Software\\Game", "Raw", std::nullopt},
      {"Software\\Game", "Typed", "typed string"},
      {"Software\\Game", "Short", "short form"},
      {"Software\\Game", "NoEquals", std::nullopt},
      {"Software\\Game", "Unterminated", std::nullopt},
      // Wine's escapes. \x takes at most four hex digits; a program sees a value up to its first NUL.
      {odd, "Quote \"name\"", "say \"hi\""},
      {odd, "Path", "C:\\Jeux\\Caf\xC3\xA9\\\xE4\xB8\xAD\xE6\x96\x87"},
      {odd, "Pair", "\xF0\x9F\x9A\x80!"},
      {odd, "Greedy", "\xC3\xA9t\xC3\xA9\x65"},
      {odd, "Controls", "a\tb\nc\\dA\a\x1B"},
      {odd, "Octal", "A00"},
      {odd, "Lone", "\xEF\xBF\xBDx"},
      {odd, "NoDigits", "xyz"},
      // Lines after a trailing backslash belong to the value above them, whatever they look like.
      {"Software\\Game", "After", "still in Game"},
      {"Software\\Game", "Name", std::nullopt},
      {"Software\\Other", "After", std::nullopt},
  };
  for (std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(lineEnd == "\r\n" ? "CRLF" : lineEnd == "\r" ? "CR" : "LF");
    const std::string text = Replaced(kSystemReg, '\n', lineEnd);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.key + " : " + c.name);
      EXPECT_EQ(FindWineRegString(text, c.key, c.name), c.expected);
    }
  }
}

TEST(FindWineRegString, TruncatedFilesNeverGiveAPartialValue) {
  // A file cut off anywhere (a crash while Wine wrote it) either holds the
  // whole value or none of it.
  const std::string full(kSystemReg);
  for (size_t length = 0; length <= full.size(); ++length) {
    const std::string_view cut(full.data(), length);
    const auto value = FindWineRegString(cut, kArmadaKey, "INSTALLPATH");
    if (value) {
      ASSERT_EQ(*value, kInstallPath) << "cut at " << length;
    }
  }
}

TEST(FindWineRegString, SurvivesJunkAndStillFindsWhatFollows) {
  std::mt19937 random(20240607);
  const std::string alphabet = "[]\"\\@=:\r\n x0ab#;";
  std::string junk;
  for (int i = 0; i < 1 << 20; ++i) {
    junk.push_back(random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()]);
  }
  // A million-character line with an open quote, and a long run of continued lines.
  junk += "\n\"" + std::string(1'000'000, 'q') + "\n";
  for (int i = 0; i < 100'000; ++i) junk += "\\\n";
  junk += "\n\n";
  const std::string text = junk + ArmadaAt("C:\\Games\\Armada");
  EXPECT_EQ(FindWineRegString(text, kArmadaKey, "INSTALLPATH"), "C:\\Games\\Armada");
  EXPECT_EQ(FindWineRegString(junk, kArmadaKey, "INSTALLPATH"), std::nullopt);
  EXPECT_EQ(FindWineRegString(std::string(1000, '\\'), kArmadaKey, "INSTALLPATH"), std::nullopt);
}

// The rest works on real folders with symbolic links, as Wine prefixes exist only here.
#ifndef _WIN32

TEST(WinePathToNative, MapsDrivesThroughDosdevicesIgnoringCaseOrDriveCToDriveC) {
  TempTree tree;
  const fs::path prefix = MakePrefix(tree, "pfx", kHeader);
  const fs::path game = tree.MakeDir("pfx/drive_c/program files (x86)/Activision/Star Trek Armada ii/Data");
  const fs::path games = tree.MakeDir("disk/games/Mods");
  tree.Link("pfx/dosdevices/d:", tree / "disk/games");
  tree.Link("pfx/dosdevices/z:", "/");

  const fs::path gameRoot = prefix / "drive_c" / "program files (x86)" / "Activision" / "Star Trek Armada ii";
  EXPECT_EQ(WinePathToNative(prefix, kInstallPath), gameRoot);
  EXPECT_EQ(WinePathToNative(prefix, "c:/PROGRAM FILES (X86)/activision/star trek armada II/"), gameRoot);
  EXPECT_EQ(WinePathToNative(prefix, std::string(kInstallPath) + "\\DATA"), game);
  // Parts that do not exist yet are kept as written.
  EXPECT_EQ(WinePathToNative(prefix, std::string(kInstallPath) + "\\data\\New Folder"), game / "New Folder");
  EXPECT_EQ(WinePathToNative(prefix, "C:\\"), prefix / "drive_c");
  EXPECT_EQ(WinePathToNative(prefix, "C:"), prefix / "drive_c");
  // An absolute drive link, and z: leading to the whole file system.
  EXPECT_EQ(WinePathToNative(prefix, "D:\\mods"), games);
  std::string asDriveZ = "Z:" + PathToUtf8(tree.root());
  std::replace(asDriveZ.begin(), asDriveZ.end(), '/', '\\');
  const auto throughZ = WinePathToNative(prefix, asDriveZ + "\\PFX\\Drive_C");
  ASSERT_TRUE(throughZ.has_value());
  EXPECT_TRUE(fs::equivalent(*throughZ, prefix / "drive_c"));
  // No link for the drive, or no drive letter at all.
  for (std::string_view path : {"E:\\Games", "\\\\server\\share\\Game", "\\\\?\\C:\\Game", "Program Files\\Game",
                                "C:Game", "", "C", "1:\\Game", ":\\Game", "/Game", "\\Game"}) {
    EXPECT_EQ(WinePathToNative(prefix, path), std::nullopt) << path;
  }

  // Without dosdevices, drive C falls back to drive_c, and only drive C.
  const fs::path bare = tree.MakeDir("bare/drive_c/Games/Armada");
  const fs::path barePrefix = tree / "bare";
  EXPECT_EQ(WinePathToNative(barePrefix, "C:\\GAMES\\armada"), bare);
  EXPECT_EQ(WinePathToNative(barePrefix, "D:\\Games\\Armada"), std::nullopt);

  // A c: link that leads nowhere is as good as missing.
  const fs::path dangling = tree.MakeDir("dangling/drive_c/Games");
  tree.Link("dangling/dosdevices/c:", "../gone");
  EXPECT_EQ(WinePathToNative(tree / "dangling", "C:\\Games"), dangling);

  EXPECT_EQ(WinePathToNative(tree / "nothing-here", "C:\\Games"), std::nullopt);
}

TEST(CandidateWinePrefixes, ListsKnownLocationsInOrderEachOnceSkippingMissingOnes) {
  TempTree tree;
  const fs::path home = tree.MakeDir("home");
  const auto prefix = [&](std::string_view rel) {
    return tree.Write("home/" + std::string(rel) + "/system.reg", kHeader).parent_path();
  };
  const fs::path custom = tree.Write("elsewhere/custom/system.reg", kHeader).parent_path();
  prefix(".wine");
  // ~/.steam/steam links to ~/.local/share/Steam: its prefixes appear once, by the first name.
  prefix(".local/share/Steam/steamapps/compatdata/2000/pfx");
  prefix(".local/share/Steam/steamapps/compatdata/100/pfx");
  tree.MakeDir("home/.local/share/Steam/steamapps/compatdata/300/pfx");  // game never started
  tree.Link("home/.steam/steam", home / ".local/share/Steam");
  tree.Write("library/steamapps/compatdata/555/pfx/system.reg", kHeader);
  tree.Write("home/.local/share/Steam/steamapps/libraryfolders.vdf",
             "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + PathToUtf8(home / ".local/share/Steam") +
                 "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + PathToUtf8(tree / "library") +
                 "\"\n\t\t\"label\"\t\t\"\"\n\t}\n\t\"2\"\n\t{\n\t\t\"path\"\t\t\"relative/lib\"\n\t}\n}\n");
  prefix(".var/app/com.valvesoftware.Steam/data/Steam/steamapps/compatdata/42/pfx");
  prefix("Games/armada-ii");
  tree.MakeDir("home/Games/not-a-prefix");
  prefix("Games/Heroic/Prefixes/other");
  prefix("Games/Heroic/Prefixes/default/Armada II");
  prefix(".local/share/bottles/bottles/Armada");
  tree.Link("home/wine-link", home / ".wine");
  tree.MakeDir("empty-prefix");

  const std::vector<fs::path> expected = {
      custom,
      home / ".wine",
      home / ".steam/steam/steamapps/compatdata/100/pfx",
      home / ".steam/steam/steamapps/compatdata/2000/pfx",
      tree / "library/steamapps/compatdata/555/pfx",
      home / ".var/app/com.valvesoftware.Steam/data/Steam/steamapps/compatdata/42/pfx",
      home / "Games/armada-ii",
      home / "Games/Heroic/Prefixes/other",
      home / "Games/Heroic/Prefixes/default/Armada II",
      home / ".local/share/bottles/bottles/Armada",
  };
  EXPECT_EQ(CandidateWinePrefixes({PathToUtf8(custom), home}), expected);
  const std::vector<fs::path> withoutCustom(expected.begin() + 1, expected.end());
  EXPECT_EQ(CandidateWinePrefixes({"", home}), withoutCustom);
  EXPECT_EQ(CandidateWinePrefixes({PathToUtf8(tree / "empty-prefix"), home}), withoutCustom);
  // $WINEPREFIX naming ~/.wine another way lists it once, by the $WINEPREFIX name.
  std::vector<fs::path> viaLink = withoutCustom;
  viaLink[0] = home / "wine-link";
  EXPECT_EQ(CandidateWinePrefixes({PathToUtf8(home / "wine-link"), home}), viaLink);
  EXPECT_EQ(CandidateWinePrefixes({PathToUtf8(home) + "/./.wine/", home}).size(), withoutCustom.size());
  EXPECT_TRUE(CandidateWinePrefixes({"", tree / "no-home"}).empty());
  EXPECT_TRUE(CandidateWinePrefixes({}).empty());
}

TEST(WineEnvironment, ComesFromWineprefixAndHome) {
  const std::string oldPrefix = std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "";
  const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("WINEPREFIX", "/games/armada-prefix", 1);
  setenv("HOME", "/home/picard", 1);
  const WineEnvironment env = WineEnvironment::FromProcess();
  oldPrefix.empty() ? unsetenv("WINEPREFIX") : setenv("WINEPREFIX", oldPrefix.c_str(), 1);
  setenv("HOME", oldHome.c_str(), 1);
  EXPECT_EQ(env.winePrefix, "/games/armada-prefix");
  EXPECT_EQ(env.home, fs::path("/home/picard"));
}

// The game's value `name` in HKEY_LOCAL_MACHINE, as the program reads it.
std::string ReadArmada(Registry& registry, std::string_view name = "INSTALLPATH", std::string_view fallback = "") {
  return registry.ReadRegString(RegRoot::LocalMachine, kArmadaKey, name, fallback);
}

TEST(Registry, FirstPrefixHoldingTheValueWins) {
  TempTree tree;
  const fs::path home = tree.MakeDir("home");
  const fs::path dotWine = MakePrefix(tree, "home/.wine", ArmadaAt("C:\\Games\\Armada II"));
  const fs::path custom = MakePrefix(tree, "custom", ArmadaAt("C:\\Program Files\\Armada II"));
  const fs::path lacking = MakePrefix(tree, "lacking", RegFile(kArmadaKey, "\"Language\"=\"English\""));

  Registry both(CandidateWinePrefixes({PathToUtf8(custom), home}));
  EXPECT_TRUE(both.FoundPrefix().empty());
  EXPECT_EQ(ReadArmada(both), "C:\\Program Files\\Armada II");
  EXPECT_EQ(both.FoundPrefix(), custom);

  // $WINEPREFIX holds the key but not the value: ~/.wine answers.
  Registry fallThrough(CandidateWinePrefixes({PathToUtf8(lacking), home}));
  EXPECT_EQ(ReadArmada(fallThrough, "INSTALLPATH", "none"), "C:\\Games\\Armada II");
  EXPECT_EQ(fallThrough.FoundPrefix(), dotWine);
  EXPECT_EQ(ReadArmada(fallThrough, "Language"), "English");
  EXPECT_EQ(fallThrough.FoundPrefix(), lacking);
  // A value found nowhere gives the fallback and leaves the last prefix in place.
  EXPECT_EQ(ReadArmada(fallThrough, "Missing", "fallback"), "fallback");
  EXPECT_EQ(fallThrough.FoundPrefix(), lacking);

  // A file too large to be a registry file is passed over (sparse: it costs no disk space).
  const fs::path huge = MakePrefix(tree, "huge", ArmadaAt("C:\\Huge"));
  fs::resize_file(huge / "system.reg", (std::uintmax_t{256} << 20) + 1);
  Registry skipsHuge({huge, custom});
  EXPECT_EQ(ReadArmada(skipsHuge), "C:\\Program Files\\Armada II");
  EXPECT_EQ(skipsHuge.FoundPrefix(), custom);

  Registry none({tree / "nothing-here"});
  EXPECT_EQ(ReadArmada(none, "INSTALLPATH", "C:\\Default"), "C:\\Default");
  EXPECT_EQ(ReadArmada(none), "");
  EXPECT_TRUE(none.FoundPrefix().empty());
}

TEST(Registry, ReadsTheWow6432NodeKeyFirstWithinEachPrefixInTurn) {
  TempTree tree;
  const std::string wowKey = "Software\\Wow6432Node\\Activision\\Star Trek Armada II\\v1.0";
  const fs::path both = MakePrefix(tree, "both",
                                   std::string(kHeader) + Section(kArmadaKey, "\"INSTALLPATH\"=\"C:\\\\Plain\"") +
                                       Section(wowKey, "\"INSTALLPATH\"=\"C:\\\\Redirected\""));
  const fs::path wowOnly = MakePrefix(tree, "wow-only", RegFile(wowKey, "\"INSTALLPATH\"=\"C:\\\\WowOnly\""));
  const fs::path plainOnly = MakePrefix(tree, "plain-only", ArmadaAt("C:\\PlainOnly"));

  Registry bothKeys({both}), wow({wowOnly}), ordered({plainOnly, wowOnly});
  EXPECT_EQ(ReadArmada(bothKeys), "C:\\Redirected");
  EXPECT_EQ(
      bothKeys.ReadRegString(RegRoot::LocalMachine, "SOFTWARE\\Activision\\Star Trek Armada II\\v1.0", "INSTALLPATH"),
      "C:\\Redirected");
  EXPECT_EQ(ReadArmada(wow), "C:\\WowOnly");
  EXPECT_EQ(ReadArmada(ordered), "C:\\PlainOnly");
  EXPECT_EQ(ordered.FoundPrefix(), plainOnly);
}

TEST(Registry, MapsTheFoundPathThroughItsPrefixAndReadsUserRegForTheUser) {
  TempTree tree;
  const fs::path first = MakePrefix(tree, "first", RegFile("Software\\Other", "\"x\"=\"y\""));
  tree.MakeDir("first/drive_c/Program Files (x86)/Activision/Star Trek Armada II");
  const fs::path second = MakePrefix(tree, "second", ArmadaAt(kInstallPath));
  const fs::path game = tree.MakeDir("second/drive_c/program files (x86)/activision/Star Trek Armada ii");
  tree.Write("second/user.reg", RegFile(kArmadaKey, "\"Player\"=\"Picard\""));

  Registry registry({first, second});
  EXPECT_EQ(registry.ToNativePath(kInstallPath), fs::path());
  EXPECT_EQ(ReadArmada(registry), kInstallPath);
  EXPECT_EQ(registry.ToNativePath(kInstallPath), game);
  EXPECT_EQ(registry.ToNativePath("\\\\server\\share"), fs::path());

  EXPECT_EQ(registry.ReadRegString(RegRoot::CurrentUser, kArmadaKey, "Player"), "Picard");
  EXPECT_EQ(ReadArmada(registry, "Player", "-"), "-");
  EXPECT_EQ(registry.ReadRegString(RegRoot::CurrentUser, kArmadaKey, "INSTALLPATH", "-"), "-");
}

#endif  // !_WIN32
