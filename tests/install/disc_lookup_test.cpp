#include "install/disc_lookup.h"

#include <gtest/gtest.h>

#include "base/fs.h"
#include "common/temp_dir.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

TZefoInstallSet Disc(const std::string& title, int index) {
  TZefoInstallSet s;
  s.Title = title;
  s.SetDiskCount(3);
  s.DiskIndex = index;
  return s;
}

}  // namespace

// Disc 2 (index 1) of "game" is asked for while disc 1's settings are the run's.
TEST(DiscLookup, TheFirstPlaceHoldingTheAskedDiscWins) {
  TempDir dir;
  const auto place = [&](const std::string& name) {
    fs::MakeDirectories(dir / name);
    return dir / (name + "\\");
  };
  Disc("game", 1).SaveToFile(place("right") + "install.dat");
  Disc("game", 1).SaveToFile(place("also right") + "install.dat");
  Disc("game", 0).SaveToFile(place("disc 1") + "install.dat");
  Disc("game", 2).SaveToFile(place("disc 3") + "install.dat");
  Disc("another game", 1).SaveToFile(place("other package") + "install.dat");
  Disc("bad\\title", 1).SaveToFile(place("refused") + "install.dat");
  TZefoInstallSet add_on = Disc("game", 1);
  add_on.AddOn = 1;
  add_on.SaveToFile(place("add-on") + "install.dat");
  WriteFileBytes(place("empty") + "readme.txt", "no settings here");
  WriteFileBytes(place("damaged") + "install.dat", "is107");
  Disc("game", 1).SaveToFile(place("not ready") + "install.dat");  // what a drive held before it went away

  using H = TDiscHolds;
  struct Row {
    const char* what;
    std::vector<TDiscPlace> places;
    std::vector<H> holds;
    std::string found_in;  // "" when nowhere
  } rows[] = {
      {"in the first place", {{place("right")}, {place("also right")}}, {H::kAskedDisc}, place("right")},
      {"every kind of wrong disc passed over",
       {{place("empty")}, {dir / "missing\\"}, {place("other package")}, {place("refused")}, {place("add-on")},
        {place("disc 1")}, {place("disc 3")}, {place("damaged")}, {place("right")}},
       {H::kNothing, H::kNothing, H::kOtherPackage, H::kOtherPackage, H::kOtherPackage, H::kOtherDisc, H::kOtherDisc,
        H::kDamaged, H::kAskedDisc},
       place("right")},
      {"a drive that is not ready is not read", {{place("not ready"), false}, {place("also right")}},
       {H::kUnreadable, H::kAskedDisc}, place("also right")},
      {"a place named twice is looked at once", {{place("disc 1")}, {place("DISC 1")}, {place("right")}},
       {H::kOtherDisc, H::kAskedDisc}, place("right")},
      {"nowhere", {{place("disc 1")}, {place("not ready"), false}}, {H::kOtherDisc, H::kUnreadable}, ""},
      {"no places", {}, {}, ""},
  };
  const TZefoInstallSet current = Disc("game", 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const TDiscSearch search = FindDisc(current, 1, row.places);
    std::vector<H> holds;
    for (const TDiscLook& look : search.looked) holds.push_back(look.holds);
    EXPECT_EQ(holds, row.holds);
    ASSERT_EQ(search.found.has_value(), !row.found_in.empty());
    if (search.found) {
      EXPECT_EQ(search.looked.back().folder, row.found_in);
      EXPECT_EQ(search.found->DiskIndex, 1);
      EXPECT_EQ(search.found->Title, "game");
    }
  }
}

TEST(DiscLookup, ADamagedFileSaysWhy) {
  TempDir dir;
  WriteFileBytes(dir / "install.dat", "is107");
  const TDiscSearch search = FindDisc(Disc("game", 0), 1, {{dir.Path()}});
  ASSERT_EQ(search.looked.size(), 1u);
  EXPECT_EQ(search.looked[0].holds, TDiscHolds::kDamaged);
  EXPECT_NE(search.looked[0].problem.find("install.dat"), std::string::npos) << search.looked[0].problem;
}
