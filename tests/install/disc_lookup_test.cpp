#include "install/disc_lookup.h"

#include <gtest/gtest.h>

#include "base/fs.h"
#include "common/temp_dir.h"

using H = TDiscHolds;

// Disc 2 (index 1) of "game" is asked for while disc 1's settings are the run's.
TEST(DiscLookup, TheFirstPlaceHoldingTheAskedDiscWins) {
  testing_support::TempDir dir;
  const auto place = [&](const std::string& name, const std::string& title = "", int index = 0, int add_on = 0) {
    fs::MakeDirectories(dir / name);
    TZefoInstallSet s;
    s.Title = title;
    s.SetDiskCount(3);
    s.DiskIndex = index;
    s.AddOn = add_on;
    if (!title.empty()) s.SaveToFile(dir / (name + "\\install.dat"));
    return TDiscPlace{dir / (name + "\\")};
  };
  const TDiscPlace right = place("right", "game", 1), also_right = place("also right", "game", 1),
                   disc1 = place("disc 1", "game", 0), disc3 = place("disc 3", "game", 2),
                   other = place("other package", "another game", 1), refused = place("refused", "bad\\title", 1),
                   add_on = place("add-on", "game", 1, 1), empty = place("empty"), damaged = place("damaged");
  testing_support::WriteFileBytes(damaged.folder + "install.dat", "is107");
  const TDiscPlace not_ready{also_right.folder, false}, disc1_again{dir / "DISC 1\\"};
  struct Row {
    const char* what;
    std::vector<TDiscPlace> places;
    std::vector<H> holds;
    std::string found_in;  // "" when nowhere
  } rows[] = {
      {"in the first place", {right, also_right}, {H::kAskedDisc}, right.folder},
      {"every kind of wrong disc passed over",
       {empty, {dir / "missing\\"}, other, refused, add_on, disc1, disc3, damaged, right},
       {H::kNothing, H::kNothing, H::kOtherPackage, H::kOtherPackage, H::kOtherPackage, H::kOtherDisc, H::kOtherDisc,
        H::kDamaged, H::kAskedDisc},
       right.folder},
      {"a drive that is not ready is not read", {not_ready, right}, {H::kUnreadable, H::kAskedDisc}, right.folder},
      {"a place named twice is looked at once", {disc1, disc1_again, right}, {H::kOtherDisc, H::kAskedDisc}, right.folder},
      {"nowhere", {disc1, not_ready}, {H::kOtherDisc, H::kUnreadable}, ""},
      {"no places", {}, {}, ""},
  };
  TZefoInstallSet current;
  current.Title = "game";
  current.SetDiskCount(3);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const TDiscSearch search = FindDisc(current, 1, row.places);
    std::vector<H> holds;
    for (const TDiscLook& look : search.looked) {
      holds.push_back(look.holds);
      // A damaged file is named in the warning shown after OK.
      if (look.holds == H::kDamaged) {
        EXPECT_NE(look.problem.find("install.dat"), std::string::npos) << look.problem;
      }
    }
    EXPECT_EQ(holds, row.holds);
    ASSERT_EQ(search.found.has_value(), !row.found_in.empty());
    if (search.found) {
      EXPECT_EQ(search.looked.back().folder, row.found_in);
      EXPECT_EQ(search.found->DiskIndex, 1);
    }
  }
}
