#include "launcher/startup_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "launcher/command_line.h"
#include "install/temporary_program.h"

namespace {

// path written with "/", in the build's delimiter (what the rules append).
std::string P(std::string path) {
  for (char& c : path)
    if (c == '/') c = kPathDelimiter;
  return path;
}

const std::string kProgram = P("M:/setup/install.exe");

TPackageFacts Facts(bool resource, bool trailer, std::optional<std::string> parameter, bool parameter_is_file) {
  TPackageFacts f;
  f.program = kProgram;
  f.resource_archive = resource;
  f.trailer_archive = trailer;
  f.has_parameter = parameter.has_value();
  f.parameter = parameter.value_or("");
  f.parameter_is_file = parameter_is_file;
  return f;
}

}  // namespace

TEST(LocatePackage, TheProgramsOwnArchiveFirstThenTheParameterThenTheProgramsFolder) {
  const struct {
    const char* name;
    TPackageFacts facts;
    TSettingsPlace settings;
    std::string source_path;
  } rows[] = {
      {"a resource archive wins over everything", Facts(true, true, P("D:/pkg.vf"), true),
       TSettingsPlace::kProgramResource, ""},
      {"an appended archive wins over the parameter", Facts(false, true, P("D:/pkg.vf"), true),
       TSettingsPlace::kProgramTrailer, ""},
      {"an archive named by the parameter", Facts(false, false, P("D:/pkg.vf"), true), TSettingsPlace::kArchiveFile,
       P("D:/pkg.vf")},
      {"a folder named by the parameter", Facts(false, false, P("C:/Games/Demo"), false), TSettingsPlace::kFolder,
       P("C:/Games/Demo")},
      {"a parameter naming nothing is still the folder", Facts(false, false, P("C:/gone.vf"), false),
       TSettingsPlace::kFolder, P("C:/gone.vf")},
      {"no parameter: the program's folder", Facts(false, false, std::nullopt, false), TSettingsPlace::kFolder,
       P("M:/setup/")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TPackagePlace place = LocatePackage(row.facts);
    EXPECT_EQ(place.settings, row.settings);
    EXPECT_EQ(place.source_path, row.source_path);
  }
}

TEST(LocatePackage, TheSettingsFileOfAFolderWithOrWithoutItsDelimiter) {
  EXPECT_EQ(SettingsFileIn(LocatePackage(Facts(false, false, P("C:/Games/Demo"), false))),
            P("C:/Games/Demo/install.dat"));
  EXPECT_EQ(SettingsFileIn(LocatePackage(Facts(false, false, std::nullopt, false))), P("M:/setup/install.dat"));
}

TEST(LocateGameArchive, FollowsTheSettingsExceptThatAnAddOnIsItsOwnProgram) {
  const struct {
    const char* name;
    TPackageFacts facts;
    bool add_on;
    bool resource;
    std::string file;
  } rows[] = {
      {"the program's resource", Facts(true, false, std::nullopt, false), false, true, kProgram},
      {"the program's resource, an add-on too", Facts(true, false, std::nullopt, false), true, true, kProgram},
      {"the appended archive", Facts(false, true, std::nullopt, false), false, false, kProgram},
      {"an archive named by the parameter", Facts(false, false, P("D:/pkg.vf"), true), false, false, P("D:/pkg.vf")},
      {"an add-on's archive named by the parameter", Facts(false, false, P("D:/pkg.vf"), true), true, false, kProgram},
      {"game.dat beside install.dat", Facts(false, false, std::nullopt, false), false, false, P("M:/setup/game.dat")},
      {"game.dat in the folder named", Facts(false, false, P("C:/Disc2"), false), false, false, P("C:/Disc2/game.dat")},
      {"an add-on from a folder", Facts(false, false, P("C:/Disc2"), false), true, false, kProgram},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TGameArchivePlace archive = LocateGameArchive(LocatePackage(row.facts), kProgram, row.add_on);
    EXPECT_EQ(archive.resource, row.resource);
    EXPECT_EQ(archive.file, row.file);
  }
}

TEST(SourceFolder, TheProgramsFolderAnArchivesFolderOrTheFolderNamed) {
  const struct {
    const char* name;
    TPackageFacts facts;
    bool uninstall_mode;
    std::string folder;
  } rows[] = {
      {"no parameter: the medium", Facts(false, false, std::nullopt, false), false, P("M:/setup/")},
      {"no parameter, uninstaller: its folder", Facts(false, false, std::nullopt, false), true, P("M:/setup/")},
      {"an archive named", Facts(false, false, P("D:/dl/pkg.vf"), true), false, P("D:/dl/")},
      {"a folder named", Facts(false, false, P("C:/Disc2"), false), false, P("C:/Disc2/")},
      {"a folder named with its delimiter", Facts(false, false, P("C:/Disc2/"), false), false, P("C:/Disc2/")},
      // The temporary copy of an uninstaller is handed the install folder itself.
      {"uninstaller's copy, the folder as given", Facts(false, false, P("C:/Games/Demo"), true), true,
       P("C:/Games/Demo/")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SourceFolder(row.facts, row.uninstall_mode), row.folder);
  }
}

TEST(VerifyFolder, TheParameterElseTheProgramsFolder) {
  EXPECT_EQ(VerifyFolder(Facts(false, false, std::nullopt, false)), P("M:/setup/"));
  EXPECT_EQ(VerifyFolder(Facts(false, false, P("C:/Games/Demo"), false)), P("C:/Games/Demo/"));
}

TEST(ChooseRole, EveryCombinationOfTheSettingsAndTheCommandLine) {
  using R = TRunRole;
  // silent, parameter, uninstall mode, from archive, add-on, system install, elevated restart
  const struct {
    const char* name;
    TRoleFacts facts;
    TRunRole role;
  } rows[] = {
      {"uninstaller in its folder", {false, false, true, false, false, false}, R::kUninstallHandOver},
      {"uninstaller's temporary copy", {false, true, true, false, false, false}, R::kUninstallWizard},
      {"silent uninstall", {true, false, true, false, false, false}, R::kSilentUninstall},
      {"silent uninstall with a folder", {true, true, true, false, false, false}, R::kSilentUninstall},
      {"silent, a medium of loose files", {true, false, false, false, false, false}, R::kSilentInstallHandOver},
      {"silent, the temporary copy", {true, true, false, false, false, false}, R::kSilentInstall},
      {"silent, one archive", {true, false, false, true, false, false}, R::kSilentInstall},
      {"silent, an add-on", {true, false, false, false, true, false}, R::kSilentInstall},
      {"silent, a system install", {true, false, false, false, false, true}, R::kSilentInstall},
      {"the medium: the launcher", {false, false, false, false, false, false}, R::kLauncher},
      {"one archive: the launcher", {false, false, false, true, false, false}, R::kLauncher},
      {"a folder or archive named: the wizard", {false, true, false, false, false, false}, R::kInstallWizard},
      {"an add-on: the wizard", {false, false, false, false, true, false}, R::kInstallWizard},
      {"a system install: the wizard", {false, false, false, true, false, true}, R::kInstallWizard},
      {"a restart with rights, no folder: the wizard", {false, false, false, false, false, false, true},
       R::kInstallWizard},
      {"a restart with rights, one archive: the wizard", {false, false, false, true, false, false, true},
       R::kInstallWizard},
      {"an uninstaller's restart with rights", {false, true, true, false, false, false, true}, R::kUninstallWizard},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ChooseRole(row.facts), row.role);
  }
}

TEST(AfterLauncher, GameStartInstallHereOrThroughACopy) {
  using F = TLauncherFollowUp;
  const struct {
    bool ok;
    int choice;
    bool from_archive;
    TLauncherFollowUp follow_up;
  } rows[] = {
      {false, 0, false, F::kNothing},       {false, 1, true, F::kNothing},
      {true, 0, false, F::kStartGame},      {true, 0, true, F::kStartGame},
      {true, 1, false, F::kInstallHandOver}, {true, 1, true, F::kInstallWizard},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.ok << " " << row.choice << " " << row.from_archive);
    EXPECT_EQ(AfterLauncher(row.ok, row.choice, row.from_archive), row.follow_up);
  }
}

TEST(LauncherDefaultChoice, TheGameOnceInstalledElseTheInstall) {
  EXPECT_EQ(LauncherDefaultChoice(true), 0);
  EXPECT_EQ(LauncherDefaultChoice(false), 1);
}

TEST(GameProgram, GameExeInTheInstallFolder) {
  EXPECT_EQ(GameProgram(P("C:/Games/Demo"), "game.exe"), P("C:/Games/Demo/game.exe"));
  EXPECT_EQ(GameProgram(P("C:/Games/Demo/"), P("bin/game.exe")), P("C:/Games/Demo/bin/game.exe"));
}

TEST(TemporaryCopy, OnlyATemporaryNameInTheTemporaryFolder) {
  const std::string temp = P("C:/users/me/Temp/");
  const struct {
    std::string program;
    bool copy;
  } rows[] = {
      {temp + "~zinstall.exe", true},
      {temp + "~zinstall98.exe", true},
      {P("c:/USERS/me/temp/~ZINSTALL3.EXE"), true},
      {temp + "~zinstall99.exe", false},
      {temp + "install.exe", false},
      {temp + P("sub/~zinstall.exe"), false},
      {P("M:/~zinstall.exe"), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.program);
    EXPECT_EQ(IsTemporaryCopy(row.program, temp), row.copy);
  }
}

TEST(TemporaryCopy, DeletedAtRestartOnlyWhenTheCopyDoesTheWork) {
  using R = TRunRole;
  const struct {
    TRunRole role;
    bool from_archive;
    bool deletes;
  } rows[] = {
      {R::kUninstallWizard, false, true},        {R::kUninstallWizard, true, true},
      {R::kInstallWizard, false, true},          {R::kSilentInstall, false, true},
      // A package of one archive runs from where the publisher's file is.
      {R::kInstallWizard, true, false},          {R::kSilentInstall, true, false},
      {R::kLauncher, false, false},              {R::kSilentUninstall, false, false},
      {R::kUninstallHandOver, false, false},     {R::kSilentInstallHandOver, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(row.role) << " " << row.from_archive);
    EXPECT_EQ(DeletesItselfAtRestart(row.role, row.from_archive, true), row.deletes);
    EXPECT_FALSE(DeletesItselfAtRestart(row.role, row.from_archive, false));
  }
}

TEST(CdDriveOf, OnlyAProgramInADrivesRoot) {
  EXPECT_EQ(CdDriveOf(P("M:/install.exe")), "M:");
  EXPECT_EQ(CdDriveOf(P("M:/setup/install.exe")), "");
  EXPECT_EQ(CdDriveOf(P("//server/share/install.exe")), "");
}

TEST(HandOverParameters, TheFolderThenEverySwitchEachQuotedWhole) {
  TRunSwitches none;
  EXPECT_EQ(HandOverParameters("M:\\", none), "\"M:\\\"");
  const TRunSwitches s = ParseSwitches({"/silent", "/dir=C:\\My Games\\X", "/log=C:\\a b.log"});
  const std::string parameters = HandOverParameters("M:\\", s);
  std::string expected = "\"M:\\\"";
  for (const std::string& word : SwitchWords(s)) expected += " \"" + word + "\"";
  EXPECT_EQ(parameters, expected);
  EXPECT_NE(parameters.find("\"/dir=C:\\My Games\\X\""), std::string::npos);
}

TEST(HandOverParameters, SplitBackIntoTheSameRun) {
  // The folder keeps its final delimiter, and values keep their blanks.
  TRunSwitches s;
  s.dir = "C:\\Program Files\\My Game";
  s.components_given = true;
  s.data = true;
  s.disc = TRunSwitches::Discs::kThis;
  s.log = "C:\\logs\\run one.txt";
  s.elevated_for = "S-1-5-21-1-2-3-1001";
  const std::vector<std::string> words = SplitCommandLine("install.exe " + HandOverParameters("M:\\", s));
  ASSERT_GE(words.size(), 2u);
  const TRunSwitches again = ParseSwitches(std::vector<std::string>(words.begin() + 1, words.end()));
  EXPECT_EQ(again.positional, std::vector<std::string>{"M:\\"});
  EXPECT_EQ(again.dir, s.dir);
  EXPECT_TRUE(again.data);
  EXPECT_FALSE(again.sound);
  EXPECT_EQ(again.disc, TRunSwitches::Discs::kThis);
  EXPECT_EQ(again.log, s.log);
  EXPECT_EQ(again.elevated_for, s.elevated_for);
}

TEST(PlaceUnderTemporaryName, TriesTheNamesInOrderUntilOneIsTaken) {
  std::vector<std::string> tried;
  const std::string used = PlaceUnderTemporaryName(P("T:/"), [&](const std::string& name) {
    tried.push_back(name);
    return tried.size() == 3;
  });
  EXPECT_EQ(used, P("T:/~zinstall1.exe"));
  EXPECT_EQ(tried, (std::vector<std::string>{P("T:/~zinstall.exe"), P("T:/~zinstall0.exe"), P("T:/~zinstall1.exe")}));
}

TEST(PlaceUnderTemporaryName, EveryNameRefusedGivesNothing) {
  int tries = 0;
  std::string last;
  const std::string used = PlaceUnderTemporaryName(P("T:/"), [&](const std::string& name) {
    ++tries;
    last = name;
    return false;
  });
  EXPECT_EQ(used, "");
  EXPECT_EQ(tries, kTemporaryProgramNames);
  EXPECT_EQ(last, P("T:/~zinstall98.exe"));
}
