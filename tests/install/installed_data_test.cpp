// Whether a run over an installation keeps its data file, from what the
// check found and what is installed, and which add-on names stay recorded.
#include <gtest/gtest.h>

#include "install/destination.h"
#include "install/installed_data.h"

TEST(InstalledData, KeptOnlyWhenWholeAndThisInstallations) {
  using R = TInstallationReport;
  const std::string kept, no_record = "データファイルの記録がないので、作りなおしています";
  const std::vector<std::string> add_ons = {"extra.ogg", "voice.001"};
  const struct {
    const char* what;
    void (*change)(R&);
    bool builds_data, present;
    TInstalledData verdict;
    std::string caption;
    std::vector<std::string> kept;
  } rows[] = {
      {"whole", [](R&) {}, true, true, TInstalledData::kKeep, kept, add_ons},
      {"whole, the program only", [](R&) {}, false, true, TInstalledData::kNone, kept, {}},
      {"a fresh folder", [](R& r) { r = {}; }, true, false, TInstalledData::kNone, kept, {}},
      {"a stray data file", [](R& r) { r = {}; }, true, true, TInstalledData::kRebuild, no_record, {}},
      {"another title's", [](R& r) { r.title = "別"; }, true, true, TInstalledData::kRebuild, no_record, {}},
      {"not recorded", [](R& r) { r.data_file.clear(); }, true, true, TInstalledData::kRebuild, no_record, {}},
      {"gone", [](R& r) { r.missing = {"GAME.DAT"}; }, true, false, TInstalledData::kRebuild,
       "データファイルが見つからないので、作りなおしています", {}},
      {"a volume gone", [](R& r) { r.missing = {"game.001"}; }, true, true, TInstalledData::kRebuild,
       "データファイルの一部が見つからないので、作りなおしています", {}},
      {"unreadable", [](R& r) { r.data_error = "x"; }, true, true, TInstalledData::kRebuild,
       "データファイルが読み込めないので、作りなおしています", {}},
      {"damaged", [](R& r) { r.damaged = {{"a.bmp", {}}}; }, true, true, TInstalledData::kRebuild,
       "データファイルが壊れているので、作りなおしています", {}},
      // An add-on's file that went, or a name leading out, is not kept.
      {"add-on file gone", [](R& r) { r.missing = {"EXTRA.OGG"}; }, true, true, TInstalledData::kKeep, kept,
       {"voice.001"}},
      {"leading out", [](R& r) { r.recorded.push_back("..\\x.dll"); }, true, true, TInstalledData::kKeep, kept,
       add_ons},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    R r;
    r.settings = R::TSettings::kLoaded;
    r.title = "ゲーム";
    r.recorded = {"game.exe", "game.ext", "game.dat", "game.001", "install.dat", "extra.ogg", "voice.001"};
    r.data_file = "game.dat";
    row.change(r);
    const TInstalledDataDecision d = DecideInstalledData(r, "ゲーム", row.builds_data, row.present);
    EXPECT_EQ(d.verdict, row.verdict);
    EXPECT_EQ(d.caption, row.caption);
    EXPECT_EQ(d.add_on_names, row.kept);
  }
}

TEST(InstalledData, TheFolderPageLeavesTheAddOnNoticeToTheCheckWhereTheDataMayStay) {
  std::vector<std::string> recorded = {"game.exe", "GAME.DAT", "install.dat", "extra.ogg"};
  TDestinationFacts f;
  f.folder_text = "D:\\Games\\X";
  f.recorded_names = [&](const std::string&) { return recorded; };
  for (const bool builds_data : {true, false}) {
    f.builds_data = builds_data;
    EXPECT_EQ(JudgeDestination(f).add_on_text.empty(), builds_data) << builds_data;
  }
  f.builds_data = true;
  recorded.erase(recorded.begin() + 1);  // no data file to keep
  EXPECT_NE(JudgeDestination(f).add_on_text, "");
}
