#include "launcher/switches.h"

#include <gtest/gtest.h>

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
