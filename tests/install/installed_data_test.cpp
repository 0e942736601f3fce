// Whether a run over an installation keeps its data file, from what the
// check found and what is installed, and which add-on names stay recorded.
#include <gtest/gtest.h>

#include "install/destination.h"
#include "install/installed_data.h"

namespace {

using TData = TInstalledData;
using TSettings = TInstallationReport::TSettings;

// A whole installation of "ゲーム" with an add-on that brought extra.ogg and voice.001.
TInstallationReport Whole() {
  TInstallationReport r;
  r.settings = TSettings::kLoaded;
  r.title = "ゲーム";
  r.recorded = {"game.exe", "game.ext", "game.dat", "game.001", "install.dat", "extra.ogg", "voice.001"};
  r.data_file = "game.dat";
  return r;
}

}  // namespace

TEST(InstalledData, KeptOnlyWhenWholeAndThisInstallations) {
  const std::string none, damaged = "データファイルが壊れているので、作りなおしています",
                          no_record = "データファイルの記録がないので、作りなおしています",
                          part = "データファイルの一部が見つからないので、作りなおしています";
  const std::vector<std::string> add_ons = {"extra.ogg", "voice.001"};
  const struct {
    const char* what;
    void (*change)(TInstallationReport&);
    bool builds_data, present;
    TData verdict;
    std::string caption;
    std::vector<std::string> kept;
  } rows[] = {
      {"whole", [](TInstallationReport&) {}, true, true, TData::kKeep, none, add_ons},
      {"whole, the program only: nothing built", [](TInstallationReport&) {}, false, true, TData::kNone, none, {}},
      {"a fresh folder", [](TInstallationReport& r) { r = {}; }, true, false, TData::kNone, none, {}},
      {"a stray data file without a record", [](TInstallationReport& r) { r = {}; }, true, true, TData::kRebuild,
       no_record, {}},
      {"a record that cannot be read", [](TInstallationReport& r) { r.settings = TSettings::kDamaged; }, true, true,
       TData::kRebuild, no_record, {}},
      {"another title's record", [](TInstallationReport& r) { r.title = "別のゲーム"; }, true, true, TData::kRebuild,
       no_record, {}},
      {"a data file the record does not name", [](TInstallationReport& r) { r.data_file.clear(); }, true, true,
       TData::kRebuild, no_record, {}},
      {"the recorded data file is gone", [](TInstallationReport& r) { r.missing = {"GAME.DAT"}; }, true, false,
       TData::kRebuild, "データファイルが見つからないので、作りなおしています", {}},
      {"its directory file is gone", [](TInstallationReport& r) { r.missing = {"game.ext"}; }, true, true,
       TData::kRebuild, part, {}},
      {"a volume is gone", [](TInstallationReport& r) { r.missing = {"game.001"}; }, true, true, TData::kRebuild,
       part, {}},
      {"unreadable", [](TInstallationReport& r) { r.data_error = "game.ext:壊れています"; }, true, true,
       TData::kRebuild, "データファイルが読み込めないので、作りなおしています", {}},
      {"an entry damaged", [](TInstallationReport& r) { r.damaged = {{"cg\\a.bmp", {}}}; }, true, true,
       TData::kRebuild, damaged, {}},
      // Loose files of the add-on that went, or names leading out, are not kept.
      {"an add-on's loose file gone", [](TInstallationReport& r) { r.missing = {"EXTRA.OGG"}; }, true, true,
       TData::kKeep, none, {"voice.001"}},
      {"an add-on name leading out", [](TInstallationReport& r) { r.recorded.push_back("..\\x.dll"); }, true, true,
       TData::kKeep, none, add_ons},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TInstallationReport r = Whole();
    row.change(r);
    const TInstalledDataDecision d = DecideInstalledData(r, "ゲーム", row.builds_data, row.present);
    EXPECT_EQ(d.verdict, row.verdict);
    EXPECT_EQ(d.caption, row.caption);
    EXPECT_EQ(d.add_on_names, row.kept);
  }
}

TEST(InstalledData, TheAddOnNoticeWaitsWhereTheDataMayStay) {
  const std::vector<std::string> with_data = {"game.exe", "GAME.DAT", "install.dat", "extra.ogg"};
  const std::vector<std::string> without = {"game.exe", "install.dat", "extra.ogg"};
  EXPECT_TRUE(AddOnNoticeWaitsForCheck(with_data, true));
  EXPECT_FALSE(AddOnNoticeWaitsForCheck(with_data, false));
  EXPECT_FALSE(AddOnNoticeWaitsForCheck(without, true));

  // The folder's judgement leaves it to the work then, and names the add-ons all the same.
  TDestinationFacts f;
  f.folder_text = "D:\\Games\\X";
  f.title = "ゲーム";
  f.builds_data = true;
  f.recorded_names = [&](const std::string&) { return with_data; };
  TDestinationResult r = JudgeDestination(f);
  EXPECT_EQ(r.add_on_names, std::vector<std::string>{"extra.ogg"});
  EXPECT_EQ(r.add_on_text, "");
  f.builds_data = false;
  r = JudgeDestination(f);
  EXPECT_EQ(r.add_on_text, AddOnNoticeFor("ゲーム", "D:\\Games\\X\\", {"extra.ogg"}).text);
  EXPECT_TRUE(AddOnNoticeFor("ゲーム", "D:\\Games\\X\\", {}).text.empty());
}
