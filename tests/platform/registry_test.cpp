#include "platform/registry.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "library/game_dir.h"
#include "platform/names.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;
using namespace drydock::platform;
using drydock::test::ScopedEnv;
using drydock::test::TempTree;

namespace {

constexpr const char* kArmadaKey = "Software\\Activision\\Star Trek Armada II\\v1.0";
const std::string kInstallPath = "C:\\Program Files (x86)\\Activision\\Star Trek Armada II";

constexpr std::string_view kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

// A system.reg as a 64-bit Wine writes it: keys whose names start alike, Wine's escapes, values of other types, and
// continued lines that look like keys and values.
const std::string kSystemReg = std::string(kHeader) + R"reg([Software\\Activision\\Star Trek Armada II] 1700000001
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
"Expand"=str(2):"%ProgramFiles%\\Activision"
"INSTALLPATH"="C:\\Program Files (x86)\\Activision\\Star Trek Armada II"
"Language"="English"

[Software\\Activision\\Star Trek Armada II\\v1.0\\Extra] 1700000004
"Version"="child"

[Software\\Activision\\Star Trek Armada II\\v1.01] 1700000005
"Version"="sibling"

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

// `text` with every `c` replaced by `with`: other line ends, or backslashes doubled as Wine writes them.
std::string Replaced(std::string_view text, char c, std::string_view with) {
  std::string out;
  for (char x : text) x == c ? out.append(with) : out.append(1, x);
  return out;
}

// A file with one key holding the given value lines; without the header, a key to append to one.
std::string RegFile(std::string_view key, std::string_view values, std::string_view header = kHeader) {
  return std::string(header) + "[" + Replaced(key, '\\', "\\\\") + "] 1700000000\n#time=1da0f3c2b4e5a60\n" +
         std::string(values) + "\n\n";
}

std::string ArmadaAt(std::string_view path, std::string_view key = kArmadaKey, std::string_view header = kHeader) {
  return RegFile(key, "\"INSTALLPATH\"=\"" + Replaced(path, '\\', "\\\\") + "\"", header);
}

}  // namespace

TEST(FindWineRegString, FindsAndDecodesPlainStringsOfTheExactKeyWithEveryLineEndAndNeverAPartOfOne) {
  const std::string a = kArmadaKey, up = "Software\\Activision\\Star Trek Armada II", g = "Software\\Game",
                    odd = "Software\\Odd [Bracket] Key";
  const std::nullopt_t none = std::nullopt;
  using T = std::tuple<std::string, std::string, std::optional<std::string>>;  // key, value name, value
  const T cases[] = {
      // The same names in the parent, a child and keys whose names start alike do not leak in.
      T(a, "INSTALLPATH", kInstallPath), T(a, "Language", "English"), T(a, "Version", none),
      T(up, "INSTALLPATH", "C:\\Wrong\\Parent"), T(up + "\\v1.01", "Version", "sibling"),
      T(up + "\\v1", "Version", "shorter"), T("Software\\Activision\\Star Trek Armada", "INSTALLPATH", none),
      T(a + "\\Missing", "INSTALLPATH", none), T("Activision\\Star Trek Armada II\\v1.0", "INSTALLPATH", none),
      // Key and value names ignore case; stray outer backslashes do not matter.
      T("SOFTWARE\\activision\\STAR TREK ARMADA II\\V1.0", "installpath", kInstallPath),
      T("\\" + a + "\\", "InstallPath", kInstallPath),
      // The default value answers to "@" and to the empty name.
      T(a, "@", "Star Trek Armada II"), T(a, "", "Star Trek Armada II"), T(up + "\\v1.01", "", none),
      // Only plain strings are values; str(1) and str: are plain strings too.
      T(a, "Build", none), T(a, "Blob", none), T(a, "Expand", none), T(g, "Multi", none), T(g, "Raw", none),
      T(g, "Typed", "typed string"), T(g, "Short", "short form"), T(g, "NoEquals", none), T(g, "Unterminated", none),
      // Wine's escapes. \x takes at most four hex digits; a program sees a value up to its first NUL.
      T(odd, "Quote \"name\"", "say \"hi\""), T(odd, "Path", "C:\\Jeux\\Caf\xC3\xA9\\\xE4\xB8\xAD\xE6\x96\x87"),
      T(odd, "Pair", "\xF0\x9F\x9A\x80!"), T(odd, "Greedy", "\xC3\xA9t\xC3\xA9\x65"), T(odd, "NoDigits", "xyz"),
      T(odd, "Controls", "a\tb\nc\\dA\a\x1B"), T(odd, "Octal", "A00"), T(odd, "Lone", "\xEF\xBF\xBDx"),
      // Lines after a trailing backslash belong to the value above them, whatever they look like.
      T(g, "After", "still in Game"), T(g, "Name", none), T("Software\\Other", "After", none)};
  for (std::string_view lineEnd : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(lineEnd == "\r\n" ? "CRLF" : lineEnd == "\r" ? "CR" : "LF");
    for (const auto& [key, name, value] : cases)
      EXPECT_EQ(FindWineRegString(Replaced(kSystemReg, '\n', lineEnd), key, name), value) << key << ":" << name;
  }
  // A file cut off anywhere (a crash while Wine wrote it) holds the whole value or none of it.
  for (size_t length = 0; length <= kSystemReg.size(); ++length)
    EXPECT_EQ(FindWineRegString(kSystemReg.substr(0, length), kArmadaKey, "INSTALLPATH").value_or(kInstallPath),
              kInstallPath)
        << "cut at " << length;
}

TEST(FindWineRegString, JunkHidesNothingThatFollows) {
  std::mt19937 random(20240607);
  const std::string alphabet = "[]\"\\@=:\r\n x0ab#;";  // what .reg syntax is made of
  std::string junk;
  for (int i = 0; i < 1 << 20; ++i)
    junk.push_back(random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()]);
  // A million-character line with an open quote, and a long run of continued lines.
  junk += "\n\"" + std::string(1'000'000, 'q') + "\n";
  for (int i = 0; i < 100'000; ++i) junk += "\\\n";
  junk += "\n\n";
  EXPECT_EQ(FindWineRegString(junk + ArmadaAt("C:\\Games\\Armada"), kArmadaKey, "INSTALLPATH"), "C:\\Games\\Armada");
  EXPECT_EQ(FindWineRegString(junk, kArmadaKey, "INSTALLPATH"), std::nullopt);
  EXPECT_EQ(FindWineRegString(std::string(1000, '\\'), kArmadaKey, "INSTALLPATH"), std::nullopt);
}

// The rest works on real folders with symbolic links, as Wine prefixes exist only here.
#ifndef _WIN32

// A prefix whose C: drive is the usual ../drive_c link.
fs::path MakePrefix(TempTree& tree, std::string_view rel, std::string_view systemReg) {
  tree.MakeDir(std::string(rel) + "/drive_c");
  tree.Link(std::string(rel) + "/dosdevices/c:", "../drive_c");
  return tree.Write(std::string(rel) + "/system.reg", systemReg).parent_path();
}

TEST(WinePathToNative, MapsDrivesThroughDosdevicesIgnoringCaseOrDriveCToDriveC) {
  TempTree tree;
  const fs::path prefix = MakePrefix(tree, "pfx", kHeader), c = prefix / "drive_c";
  const fs::path game = tree.MakeDir("pfx/drive_c/program files (x86)/Activision/Star Trek Armada ii/Data");
  tree.Link("pfx/dosdevices/d:", tree.MakeDir("disk/games/Mods").parent_path());
  tree.Link("pfx/dosdevices/z:", "/");  // Z: leads to the whole file system.
  // Parts that do not exist yet are kept as written; an absolute link serves for D:. Without dosdevices, or with
  // a c: link that leads nowhere, drive C falls back to drive_c, and only drive C.
  const fs::path bare = tree.MakeDir("bare/drive_c/Games/Armada"), dangling = tree.MakeDir("dangling/drive_c/Games");
  tree.Link("dangling/dosdevices/c:", "../gone");
  using T = std::tuple<fs::path, std::string, std::optional<fs::path>>;
  for (const auto& [root, path, expected] :
       {T(prefix, kInstallPath, game.parent_path()),
        T(prefix, "c:/PROGRAM FILES (X86)/activision/star trek armada II/", game.parent_path()),
        T(prefix, kInstallPath + "\\DATA", game), T(prefix, kInstallPath + "\\data\\New Folder", game / "New Folder"),
        T(prefix, "C:\\", c), T(prefix, "C:", c), T(prefix, "D:\\mods", tree / "disk/games/Mods"),
        T(tree / "bare", "C:\\GAMES\\armada", bare), T(tree / "bare", "D:\\Games\\Armada", std::nullopt),
        T(tree / "dangling", "C:\\Games", dangling), T(tree / "nothing-here", "C:\\Games", std::nullopt)})
    EXPECT_EQ(WinePathToNative(root, path), expected) << root << " " << path;
  const auto throughZ =
      WinePathToNative(prefix, "Z:" + Replaced(PathToUtf8(tree.root()), '/', "\\") + "\\PFX\\Drive_C");
  EXPECT_TRUE(throughZ && fs::equivalent(*throughZ, c)) << throughZ.value_or("none");
  // No link for the drive, or no drive letter at all.
  for (std::string_view path : {"E:\\Games", "\\\\server\\share\\Game", "\\\\?\\C:\\Game", "Program Files\\Game",
                                "C:Game", "", "C", "1:\\Game", ":\\Game", "/Game", "\\Game"})
    EXPECT_EQ(WinePathToNative(prefix, path), std::nullopt) << path;
}

TEST(CandidateWinePrefixes, AreTheKnownLocationsOfTheEnvironmentInOrderEachOnceSkippingMissingOnes) {
  TempTree tree;
  const fs::path home = tree.MakeDir("home");
  tree.MakeDir("home/.local/share/Steam/steamapps/compatdata/300/pfx");  // game never started
  // ~/.steam/steam links to ~/.local/share/Steam: its prefixes appear once, by the first name.
  tree.Link("home/.steam/steam", home / ".local/share/Steam");
  tree.Write("home/.local/share/Steam/steamapps/libraryfolders.vdf",
             "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + PathToUtf8(home / ".local/share/Steam") +
                 "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + PathToUtf8(tree / "library") +
                 "\"\n\t\t\"label\"\t\t\"\"\n\t}\n\t\"2\"\n\t{\n\t\t\"path\"\t\t\"relative/lib\"\n\t}\n}\n");
  tree.MakeDir("home/Games/not-a-prefix");
  tree.MakeDir("empty-prefix");
  std::vector<fs::path> expected;
  for (const char* rel : {"elsewhere/custom", "home/.wine", "home/.steam/steam/steamapps/compatdata/100/pfx",
                          "home/.steam/steam/steamapps/compatdata/2000/pfx", "library/steamapps/compatdata/555/pfx",
                          "home/.var/app/com.valvesoftware.Steam/data/Steam/steamapps/compatdata/42/pfx",
                          "home/Games/armada-ii", "home/Games/Heroic/Prefixes/other",
                          "home/Games/Heroic/Prefixes/default/Armada II", "home/.local/share/bottles/bottles/Armada"})
    expected.push_back(tree.Write(std::string(rel) + "/system.reg", kHeader).parent_path());
  tree.Link("home/wine-link", home / ".wine");
  // $WINEPREFIX and $HOME name the places.
  const ScopedEnv wineprefix("WINEPREFIX", PathToUtf8(expected[0])), homeEnv("HOME", PathToUtf8(home));
  EXPECT_EQ(CandidateWinePrefixes(WineEnvironment::FromProcess()), expected);
  std::vector<fs::path> rest(expected.begin() + 1, expected.end());
  EXPECT_EQ(CandidateWinePrefixes({"", home}), rest);
  EXPECT_EQ(CandidateWinePrefixes({PathToUtf8(tree / "empty-prefix"), home}), rest);
  // $WINEPREFIX naming ~/.wine another way lists it once, by the $WINEPREFIX name.
  rest[0] = home / "wine-link";
  EXPECT_EQ(CandidateWinePrefixes({PathToUtf8(home / "wine-link"), home}), rest);
  EXPECT_TRUE(CandidateWinePrefixes({"", tree / "no-home"}).empty());
  EXPECT_TRUE(CandidateWinePrefixes({}).empty());
}

TEST(Registry, TheFirstPrefixHoldingTheValueWinsWow6432NodeFirstAndItsPathsAndUserRegServe) {
  TempTree tree;
  const fs::path home = tree.MakeDir("home"),
                 dotWine = MakePrefix(tree, "home/.wine", ArmadaAt("C:\\Games\\Armada II"));
  const fs::path custom = MakePrefix(tree, "custom", ArmadaAt("C:\\Program Files\\Armada II"));
  const fs::path lacking = MakePrefix(tree, "lacking", RegFile(kArmadaKey, "\"Language\"=\"English\""));
  // A file too large to be a registry file is passed over (sparse: it costs no disk space).
  const fs::path huge = MakePrefix(tree, "huge", ArmadaAt("C:\\Huge"));
  fs::resize_file(huge / "system.reg", (std::uintmax_t{256} << 20) + 1);
  const std::string wowKey = "Software\\Wow6432Node\\Activision\\Star Trek Armada II\\v1.0";
  const fs::path both = MakePrefix(tree, "both", ArmadaAt("C:\\Plain") + ArmadaAt("C:\\Redirected", wowKey, ""));
  const fs::path wowOnly = MakePrefix(tree, "wow-only", ArmadaAt("C:\\WowOnly", wowKey));
  const fs::path other = MakePrefix(tree, "other", RegFile("Software\\Other", "\"x\"=\"y\""));
  const fs::path game = tree.MakeDir("custom/drive_c/program files/armada ii");
  using Case = std::tuple<std::vector<fs::path>, std::string, std::string, fs::path>;  // prefixes, name, value, found
  // $WINEPREFIX holding the key but not the value passes on to ~/.wine.
  const Case cases[] = {
      {CandidateWinePrefixes({PathToUtf8(custom), home}), "INSTALLPATH", "C:\\Program Files\\Armada II", custom},
      {CandidateWinePrefixes({PathToUtf8(lacking), home}), "INSTALLPATH", "C:\\Games\\Armada II", dotWine},
      {{lacking, dotWine}, "Language", "English", lacking},
      {{huge, other, custom}, "INSTALLPATH", "C:\\Program Files\\Armada II", custom},
      {{other, both}, "INSTALLPATH", "C:\\Redirected", both},
      {{wowOnly}, "INSTALLPATH", "C:\\WowOnly", wowOnly},
      {{custom, wowOnly}, "INSTALLPATH", "C:\\Program Files\\Armada II", custom},
      {{tree / "nothing-here"}, "INSTALLPATH", "fallback", {}}};
  for (const auto& [prefixes, name, expected, found] : cases) {
    SCOPED_TRACE(PathToUtf8(prefixes[0]) + " : " + name);
    Registry registry(prefixes);
    EXPECT_TRUE(registry.FoundPrefix().empty());
    EXPECT_EQ(registry.ReadRegString(RegRoot::LocalMachine, kArmadaKey, name, "fallback"), expected);
    EXPECT_EQ(registry.FoundPrefix(), found);
    // A value found nowhere gives the fallback and leaves the last prefix in place.
    EXPECT_EQ(registry.ReadRegString(RegRoot::LocalMachine, kArmadaKey, "Missing", "fallback"), "fallback");
    EXPECT_EQ(registry.FoundPrefix(), found);
  }
  EXPECT_EQ(Registry({both}).ReadRegString(RegRoot::LocalMachine, "SOFTWARE\\Activision\\Star Trek Armada II\\v1.0",
                                           "INSTALLPATH"),
            "C:\\Redirected");
  Registry mapping({other, custom});
  EXPECT_EQ(mapping.ToNativePath("C:\\Program Files\\Armada II"), fs::path()) << "no prefix found yet";
  EXPECT_EQ(mapping.ReadRegString(RegRoot::LocalMachine, kArmadaKey, "INSTALLPATH"), "C:\\Program Files\\Armada II");
  EXPECT_EQ(mapping.ToNativePath("C:\\Program Files\\Armada II"), game);
  // HKEY_CURRENT_USER lives in user.reg; the fallback by default is empty.
  tree.Write("custom/user.reg", RegFile(kArmadaKey, "\"Player\"=\"Picard\""));
  EXPECT_EQ(mapping.ReadRegString(RegRoot::CurrentUser, kArmadaKey, "Player"), "Picard");
  EXPECT_EQ(mapping.ReadRegString(RegRoot::LocalMachine, kArmadaKey, "Player"), "");
  EXPECT_EQ(mapping.ReadRegString(RegRoot::CurrentUser, kArmadaKey, "INSTALLPATH", "-"), "-");
}

#endif  // !_WIN32

#ifdef _WIN32
// The real registry: the game's installer, a 32-bit program, wrote its key in the 32-bit view, which
// a 64-bit Drydock reads through Wow6432Node. `reg add /reg:32` writes it as that installer did.
TEST(Registry, ReadsTheGameKeyThatRegAddWroteInThe32BitView) {
  using drydock::library::kGameRegistryKey;
  using drydock::library::kGameRegistryValue;
  const std::wstring key = L"HKLM\\" + PathFromUtf8(kGameRegistryKey).native();
  const std::wstring dir = L"C:\\Games\\Armada II \u00e9";
  const std::wstring add = L"reg add \"" + key + L"\" /v " + PathFromUtf8(kGameRegistryValue).native() +
                           L" /t REG_SZ /d \"" + dir + L"\" /reg:32 /f >NUL 2>&1";
  ASSERT_EQ(_wsystem(add.c_str()), 0) << "reg add failed";
  Registry registry = Registry::ForThisSystem();
  EXPECT_EQ(drydock::library::ReadGameDirFromRegistry(registry), fs::path(dir));
  EXPECT_TRUE(registry.FoundPrefix().empty());
  EXPECT_EQ(registry.ReadRegString(RegRoot::LocalMachine, kGameRegistryKey, "Missing", "fallback"), "fallback");
  ASSERT_EQ(_wsystem((L"reg delete \"" + key + L"\" /reg:32 /f >NUL 2>&1").c_str()), 0);
  EXPECT_EQ(registry.ReadRegString(RegRoot::LocalMachine, kGameRegistryKey, kGameRegistryValue, "fallback"),
            "fallback");
}
#endif
