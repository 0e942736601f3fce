#include "launcher/switches.h"

#include <gtest/gtest.h>

#include "version.h"


TEST(Switches, SilentInstallWithEverySwitch) {
  const TRunSwitches s = ParseSwitches({"M:\\", "/SILENT", "/dir=C:\\My Games\\X", "/Components=Program,data,MOVIE",
                                        "/disc=All", "/discs=D:\\disc2; E:\\disc3", "/log=C:\\l.txt"});
  EXPECT_TRUE(s.silent);
  EXPECT_EQ(s.dir, "C:\\My Games\\X");
  EXPECT_TRUE(s.components_given);
  EXPECT_TRUE(s.data);
  EXPECT_FALSE(s.sound);
  EXPECT_TRUE(s.movie);
  EXPECT_EQ(s.disc, TRunSwitches::Discs::kAll);
  EXPECT_EQ(s.disc_folders, (std::vector<std::string>{"D:\\disc2", "E:\\disc3"}));
  EXPECT_EQ(s.log, "C:\\l.txt");
  EXPECT_EQ(s.positional, std::vector<std::string>{"M:\\"});
  EXPECT_TRUE(s.Any());
  EXPECT_NO_THROW(CheckSwitchesForRole(s, false));
  EXPECT_THROW(CheckSwitchesForRole(s, true), ESwitchError);
}

TEST(Switches, TheOldCommandLineHasNoSwitches) {
  const TRunSwitches s = ParseSwitches({"C:\\Game\\"});
  EXPECT_FALSE(s.Any());
  EXPECT_EQ(s.positional, std::vector<std::string>{"C:\\Game\\"});
}

TEST(Switches, MalformedOnesAreRefusedNamingTheWord) {
  const std::vector<std::vector<std::string>> bad = {
      {"/silently"}, {"/silent=yes"}, {"/dir"}, {"/dir="}, {"/log="}, {"/disc=some"}, {"/components=data,music"},
      {"/components=data,,sound"}, {"/discs=;"}, {"/silent", "/SILENT"}, {"/"}};
  for (const auto& params : bad) {
    SCOPED_TRACE(params.back());
    try {
      ParseSwitches(params);
      ADD_FAILURE() << "accepted";
    } catch (const ESwitchError& e) {
      EXPECT_NE(std::string(e.what()).find(params.back()), std::string::npos) << e.what();
    }
  }
}

TEST(Switches, RolesTakeOnlyTheirOwn) {
  EXPECT_NO_THROW(CheckSwitchesForRole(ParseSwitches({"/silent", "/deletesave", "/log=x"}), true));
  EXPECT_NO_THROW(CheckSwitchesForRole(ParseSwitches({"/verify"}), true));
  EXPECT_THROW(CheckSwitchesForRole(ParseSwitches({"/deletesave"}), false), ESwitchError);
  EXPECT_THROW(CheckSwitchesForRole(ParseSwitches({"/verify"}), false), ESwitchError);
  EXPECT_THROW(CheckSwitchesForRole(ParseSwitches({"/verify", "/silent"}), true), ESwitchError);
  EXPECT_THROW(CheckSwitchesForRole(ParseSwitches({"/discs=D:\\"}), true), ESwitchError);
}

TEST(Switches, WordsThatAskForNoWindow) {
  const struct {
    std::vector<std::string> params;
    bool no_window;
  } rows[] = {
      {{"/silent"}, true},
      {{"/SILENT=yes"}, true},
      {{"/Verify=x"}, true},
      {{"/verify="}, true},
      {{"M:\\", "/dir=C:\\X", "/Silent"}, true},
      {{"/silently"}, false},
      {{"/log=silent"}, false},
      {{"silent"}, false},  // a folder named so, not a switch
      {{"/dir=/silent"}, false},
      {{}, false},
      {{"/"}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.params.empty() ? std::string("(none)") : row.params.back());
    EXPECT_EQ(AsksForNoWindow(row.params), row.no_window);
  }
}

TEST(Switches, HelpIsASwitchOfItsOwn) {
  for (const char* word : {"/?", "/help", "/HELP"}) {
    SCOPED_TRACE(word);
    const TRunSwitches s = ParseSwitches({word});
    EXPECT_TRUE(s.help);
    EXPECT_TRUE(s.Any());
  }
  EXPECT_THROW(ParseSwitches({"/help=me"}), ESwitchError);
  const std::string text = SwitchHelpText();
  for (const char* part : {"/silent", "/dir=", "/components=", "/disc=", "/discs=", "/deletesave", "/verify", "/log=",
                           "  9 ", "install.exe " ZI_VERSION_STRING "\r\n"}) {
    SCOPED_TRACE(part);
    EXPECT_NE(text.find(part), std::string::npos);
  }
}

TEST(Switches, WordsForTheTemporaryCopyGiveTheSameSwitches) {
  const std::vector<std::vector<std::string>> rows = {
      {"/silent"},
      {"/silent", "/dir=C:\\My Games\\X", "/components=data,MOVIE", "/disc=this", "/discs=D:\\a; E:\\b c",
       "/log=C:\\l.txt"},
      {"/components=program"},
      {"/log=C:\\l.txt"},
      {"/silent", "/deletesave"},
      {"/disc=ALL"},
      {"/dir=C:\\Program Files\\X", "/components=program,sound", "/disc=this", "/elevated=S-1-5-21-7-8-9-1001"},
  };
  for (const auto& params : rows) {
    SCOPED_TRACE(params.back());
    const TRunSwitches s = ParseSwitches(params);
    const TRunSwitches again = ParseSwitches(SwitchWords(s));
    EXPECT_EQ(again.silent, s.silent);
    EXPECT_EQ(again.delete_save, s.delete_save);
    EXPECT_EQ(again.dir, s.dir);
    EXPECT_EQ(again.components_given, s.components_given);
    EXPECT_EQ(again.data, s.data);
    EXPECT_EQ(again.sound, s.sound);
    EXPECT_EQ(again.movie, s.movie);
    EXPECT_EQ(again.disc, s.disc);
    EXPECT_EQ(again.disc_folders, s.disc_folders);
    EXPECT_EQ(again.log, s.log);
    EXPECT_EQ(again.elevated_for, s.elevated_for);
    EXPECT_TRUE(again.positional.empty());
    EXPECT_EQ(again.WantsExitCode(), s.WantsExitCode());
  }
  EXPECT_FALSE(ParseSwitches({"/components=data"}).WantsExitCode());
  EXPECT_TRUE(ParseSwitches({"/log=x"}).WantsExitCode());
}

TEST(Switches, TheRestartWithAdministratorRightsNamesTheAskingAccount) {
  const TRunSwitches s = ParseSwitches({"M:\\", "/elevated=S-1-5-21-3623811015-3361044348-30300820-1013"});
  EXPECT_EQ(s.elevated_for, "S-1-5-21-3623811015-3361044348-30300820-1013");
  EXPECT_TRUE(s.Any());
  EXPECT_NO_THROW(CheckSwitchesForRole(s, false));
  EXPECT_NO_THROW(CheckSwitchesForRole(s, true));
  // It is a wizard, so never a run without windows.
  EXPECT_THROW(CheckSwitchesForRole(ParseSwitches({"/elevated=S-1-5-18", "/silent"}), false), ESwitchError);
  EXPECT_THROW(CheckSwitchesForRole(ParseSwitches({"/elevated=S-1-5-18", "/verify"}), true), ESwitchError);
  for (const char* bad : {"/elevated", "/elevated=", "/elevated=S-1-", "/elevated=S-1-5-", "/elevated=S-1-5--18",
                          "/elevated=s-1-5-18", "/elevated=S-1-5-18 /silent", "/elevated=S-1-5-18\"\" x"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseSwitches({bad}), ESwitchError);
  }
}
