#include "settings/package_rules.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A sound package of two discs.
TZefoInstallSet Sound() {
  TZefoInstallSet s;
  s.Title = "ゲーム";
  s.SetDiskCount(2);
  s.GameExe = "game.exe";
  s.ReadmeFile = "doc\\readme.txt";
  s.RegistryKey = "Maker\\Game";
  return s;
}

std::string Fields(const std::vector<TSettingsProblem>& problems) {
  std::string all;
  for (const TSettingsProblem& p : problems) all += p.field + (p.refuses_install ? "!" : "?") + " ";
  return all;
}

}  // namespace

TEST(PackageRules, WhatInstallExeRefusesAndWhatIsOnlyAdvice) {
  const struct {
    const char* what;
    std::function<void(TZefoInstallSet&)> change;
    std::string fields;  // every problem: field, ! refused or ? advice
  } rows[] = {
      {"a sound package", [](TZefoInstallSet&) {}, ""},
      {"no title", [](TZefoInstallSet& s) { s.Title = ""; }, "Title! "},
      {"a title with a delimiter", [](TZefoInstallSet& s) { s.Title = "Maker\\Game"; }, "Title! "},
      {"a title with a slash", [](TZefoInstallSet& s) { s.Title = "A/B"; }, "Title! "},
      {"a title with a colon", [](TZefoInstallSet& s) { s.Title = "Game: Two"; }, "Title! "},
      {"a title ending in a dot", [](TZefoInstallSet& s) { s.Title = "Game."; }, "Title! "},
      {"a title with a leading blank", [](TZefoInstallSet& s) { s.Title = " StartUp"; }, "Title! "},
      {"a title named after a device", [](TZefoInstallSet& s) { s.Title = "aux"; }, "Title! "},
      // 表 is 0x95 0x5C: its trail byte is no delimiter.
      {"a title with a trail byte 0x5C", [](TZefoInstallSet& s) { s.Title = "表"; }, ""},
      {"a title with spaces and signs", [](TZefoInstallSet& s) { s.Title = "Game 2 (Special)"; }, ""},
      {"the registry key of the system", [](TZefoInstallSet& s) { s.RegistryKey = "Microsoft\\Windows"; }, "RegistryKey! "},
      {"a registry key climbing up", [](TZefoInstallSet& s) { s.RegistryKey = "Maker\\..\\.."; }, "RegistryKey! "},
      {"a registry key of one delimiter", [](TZefoInstallSet& s) { s.RegistryKey = "\\"; }, "RegistryKey! "},
      {"no registry key", [](TZefoInstallSet& s) { s.RegistryKey = ""; }, ""},
      {"a leading delimiter on the key", [](TZefoInstallSet& s) { s.RegistryKey = "\\Maker\\Game"; }, ""},
      {"a game program outside the folder", [](TZefoInstallSet& s) { s.GameExe = "..\\game.exe"; }, "GameExe! "},
      {"a game program on a drive", [](TZefoInstallSet& s) { s.GameExe = "C:\\game.exe"; }, "GameExe! "},
      {"no game program", [](TZefoInstallSet& s) { s.GameExe = ""; }, ""},
      {"a read-me named after a device", [](TZefoInstallSet& s) { s.ReadmeFile = "con.txt"; }, "ReadmeFile! "},
      {"no read-me", [](TZefoInstallSet& s) { s.ReadmeFile = ""; }, ""},
      {"no read-me, but it is to be opened", [](TZefoInstallSet& s) { s.ReadmeFile = "", s.OpenReadme = 1; }, "OpenReadme? "},
      {"no disc", [](TZefoInstallSet& s) { s.SetDiskCount(0); }, "DiskCount? "},
      {"a disc beyond the set", [](TZefoInstallSet& s) { s.DiskIndex = 2; }, "DiskIndex? "},
      {"a negative disc", [](TZefoInstallSet& s) { s.DiskIndex = -1; }, "DiskIndex? "},
      {"an unknown kind of install", [](TZefoInstallSet& s) { s.InstallKind = static_cast<TInstallKind>(3); }, "InstallKind? "},
      {"an unknown layout", [](TZefoInstallSet& s) { s.BackgroundMode = 3; }, "BackgroundMode? "},
      {"a flag of 2", [](TZefoInstallSet& s) { s.FromArchive = 2; }, "FromArchive? "},
      {"an uninstaller's settings", [](TZefoInstallSet& s) { s.UninstallMode = 1; }, "UninstallMode? "},
      {"a listed file in upper case", [](TZefoInstallSet& s) { s.CopyFiles = {"Game.exe"}; }, "CopyFiles? "},
      {"a listed file that cannot be one", [](TZefoInstallSet& s) { s.CopyFiles = {"..\\x"}; }, "CopyFiles:? "},
      {"totals that are not the sums", [](TZefoInstallSet& s) { s.DataSize = 5; }, "DataSize? "},
      {"two refusals and advice", [](TZefoInstallSet& s) { s.Title = "", s.GameExe = "nul", s.DataSize = 1; },
       "Title! GameExe! DataSize? "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TZefoInstallSet s = Sound();
    row.change(s);
    const std::vector<TSettingsProblem> problems = CheckSettingsRules(s);
    EXPECT_EQ(Fields(problems), row.fields);
    const std::optional<TSettingsProblem> refusal = InstallRefusal(s);
    const bool refused = row.fields.find('!') != std::string::npos;
    ASSERT_EQ(refusal.has_value(), refused);
    if (!refused) continue;
    // The message names the field and its value.
    EXPECT_EQ(refusal->field, row.fields.substr(0, row.fields.find('!')));
    const std::string text = RefusalText(*refusal);
    EXPECT_NE(text.find(refusal->field + ": \"" + refusal->value + "\""), std::string::npos) << text;
    EXPECT_NE(refusal->line.find(refusal->field), std::string::npos) << refusal->line;
  }
}

TEST(PackageRules, TheTitleIsOnePlainFolderName) {
  for (const char* title : {"Game", "ゲーム", "表示", "Game 2", "a.b"}) {
    SCOPED_TRACE(title);
    EXPECT_TRUE(IsPlainFolderName(title));
  }
  // A blank at either end, which the shell's group commands trim, and a
  // double quote, which no quoted command carries, are refused too.
  for (const char* title : {"", "A\\B", "\\Game", "A/B", "..", ".", "Game ", "nul", "com1.txt", "a?b", "a\tb",
                            " StartUp", " OtherVendor", "\x81\x40Game", "Game\x81\x40", "Game.", "a\"b"}) {
    SCOPED_TRACE(title);
    EXPECT_FALSE(IsPlainFolderName(title));
  }
}

TEST(PackageRules, ALaterDiscIsOfTheSamePackage) {
  const TZefoInstallSet first = Sound();
  const struct {
    const char* what;
    std::function<void(TZefoInstallSet&)> change;
    bool same;
  } rows[] = {
      {"disc 2 of the set", [](TZefoInstallSet& s) { s.DiskIndex = 1; }, true},
      {"other sizes, another read-me", [](TZefoInstallSet& s) { s.DiskIndex = 1, s.DataSize = 9, s.ReadmeFile = ""; }, true},
      {"another title", [](TZefoInstallSet& s) { s.Title = "ゲーム2"; }, false},
      {"an add-on of the same title", [](TZefoInstallSet& s) { s.DiskIndex = 1, s.AddOn = 1; }, false},
      {"installed from its archive", [](TZefoInstallSet& s) { s.DiskIndex = 1, s.FromArchive = 1; }, false},
      {"a set of three", [](TZefoInstallSet& s) { s.SetDiskCount(3), s.DiskIndex = 1; }, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TZefoInstallSet later = Sound();
    row.change(later);
    EXPECT_EQ(IsDiscOfSamePackage(first, later), row.same);
  }
  TZefoInstallSet title_case = Sound();
  title_case.Title = "Game";
  TZefoInstallSet upper = title_case;
  upper.Title = "GAME";
  EXPECT_FALSE(IsDiscOfSamePackage(title_case, upper));
}
