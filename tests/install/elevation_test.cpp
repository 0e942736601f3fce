#include "install/elevation.h"

#include <gtest/gtest.h>

#include <set>

TEST(Elevation, OnlyARunThatCannotWriteAndCouldGainRightsAsks) {
  using A = TFolderAccess;
  using S = TElevationStep;
  const struct {
    A access;
    bool elevated, restarted, unattended, network;
    S step;
  } rows[] = {
      {A::kWritable, false, false, false, false, S::kGoOn},
      {A::kWritable, false, false, true, false, S::kGoOn},
      {A::kUnknown, false, false, false, false, S::kGoOn},  // a missing drive is the work's to report
      {A::kUnknown, false, false, true, false, S::kGoOn},
      {A::kDenied, false, false, false, false, S::kAsk},
      {A::kDenied, false, false, true, false, S::kRefuse},
      {A::kDenied, true, false, false, false, S::kGoOn},  // elevated already: nothing more to ask for
      {A::kDenied, true, false, true, false, S::kGoOn},
      {A::kDenied, false, true, false, false, S::kGoOn},  // the restart itself never asks again
      {A::kDenied, false, false, false, true, S::kGoOn},  // a share's server decides, not elevation
      {A::kDenied, false, false, true, true, S::kGoOn},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(r.access) << r.elevated << r.restarted << r.unattended
                                    << r.network);
    EXPECT_EQ(ElevationStep({r.access, r.elevated, r.restarted, r.unattended, r.network}), r.step);
  }
}

TEST(Elevation, TheTrialsErrorTellsMissingRightsFromOtherFailures) {
  EXPECT_EQ(FolderAccessOf(0), TFolderAccess::kWritable);
  EXPECT_EQ(FolderAccessOf(5), TFolderAccess::kDenied);     // access denied
  EXPECT_EQ(FolderAccessOf(1314), TFolderAccess::kDenied);  // a privilege not held
  for (unsigned long other : {2ul, 3ul, 19ul, 21ul, 32ul, 112ul, 1224ul})
    EXPECT_EQ(FolderAccessOf(other), TFolderAccess::kUnknown) << other;
}

TEST(Elevation, SecurityIdentifiers) {
  for (const char* good : {"S-1-5-18", "S-1-5-21-3623811015-3361044348-30300820-1013", "S-1-0-0"})
    EXPECT_TRUE(IsSidText(good)) << good;
  for (const char* bad : {"", "S-1-", "S-1-5-", "S-1-5--18", "s-1-5-18", "S-2-5-18", "S-1-5-18 ", "S-1-5-1a",
                          "S-1-5-18\\..\\x", "S-1-5-18\"", "x"})
    EXPECT_FALSE(IsSidText(bad)) << bad;
  EXPECT_FALSE(IsSidText("S-1-" + std::string(200, '1')));
}

TEST(Elevation, TextsNameTheFolderAndTheRole) {
  const std::string folder = "C:\\Program Files\\Game\\";
  EXPECT_NE(ElevationQuestion(folder, false).find(folder), std::string::npos);
  EXPECT_NE(ElevationQuestion(folder, false), ElevationQuestion(folder, true));
  EXPECT_NE(ElevationRefusal(folder, true).find(folder), std::string::npos);
  EXPECT_NE(ElevationRefusal(folder, false).find("administrator rights"), std::string::npos);
  EXPECT_NE(OtherAccountWarning("PC\\admin", false).find("PC\\admin"), std::string::npos);
  // Trial folders of two runs, or of one run a moment apart, do not meet.
  const std::set<std::string> names = {TrialFolderName(1, 1), TrialFolderName(1, 2), TrialFolderName(2, 1),
                                       TrialFolderName(0x10, 0x1)};
  EXPECT_EQ(names.size(), 4u);
}
