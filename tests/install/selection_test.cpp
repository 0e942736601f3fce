#include "install/selection.h"

#include <gtest/gtest.h>

#include <set>

#include "base/sjis.h"

namespace {

TZefoInstallSet Sized() {
  TZefoInstallSet s;
  s.SetDiskCount(2);
  s.DiskProgramSize = {100, 10};
  s.DiskDataSize = {200, 0};
  s.DiskSoundSize = {300, 30};
  s.DiskMovieSize = {400, 40};
  s.ProgramSize = 110;
  s.DataSize = 200;
  s.SoundSize = 330;
  s.MovieSize = 440;
  return s;
}

}  // namespace

TEST(Selection, ClassifyExtensionSearchesSubstrings) {
  EXPECT_EQ(ClassifyExtension(".OGG"), TFileKind::kSound);
  EXPECT_EQ(ClassifyExtension(".wav"), TFileKind::kSound);
  EXPECT_EQ(ClassifyExtension(".mpeg"), TFileKind::kMovie);
  EXPECT_EQ(ClassifyExtension(".mpg"), TFileKind::kMovie);
  EXPECT_EQ(ClassifyExtension(".mp"), TFileKind::kSound);  // a partial extension, found in the sound list first
  EXPECT_EQ(ClassifyExtension(".exe"), TFileKind::kOther);
  EXPECT_EQ(ClassifyExtension(""), TFileKind::kOther);
}

TEST(Selection, FirstPage) {
  TZefoInstallSet s;
  s.SetDiskCount(1);
  EXPECT_EQ(FirstPageOf(s), kPageFile);  // a single disk
  s.SetDiskCount(2);
  EXPECT_EQ(FirstPageOf(s), kPageMedia);  // the first disk of a set
  EXPECT_TRUE(AllDisksPreselected(s));
  s.DiskIndex = 1;
  EXPECT_EQ(FirstPageOf(s), kPageFile);  // a later disk started by itself
  EXPECT_FALSE(AllDisksPreselected(s));
  s.AddOn = 1;
  EXPECT_EQ(FirstPageOf(s), kPageSelDir);
  s.AddOn = 0;
  s.InstallKind = TInstallKind::kAllComponents;
  EXPECT_EQ(FirstPageOf(s), kPageSelDir);
  s.InstallKind = TInstallKind::kSystem;
  EXPECT_EQ(FirstPageOf(s), kPageConfirm);
}

TEST(Selection, ComponentBoxesFollowTheSizes) {
  TZefoInstallSet s = Sized();
  ComponentVisibility all = VisibleComponents(s, true);
  EXPECT_TRUE(all.data && all.sound && all.movie);
  s.DiskIndex = 1;  // disk 2 has no data
  ComponentVisibility here = VisibleComponents(s, false);
  EXPECT_FALSE(here.data);
  EXPECT_TRUE(here.sound && here.movie);
  s.DiskIndex = 7;  // beyond the arrays: nothing on this disk
  here = VisibleComponents(s, false);
  EXPECT_FALSE(here.data || here.sound || here.movie);
}

TEST(Selection, NeedBytesByChoice) {
  TZefoInstallSet s = Sized();
  EXPECT_EQ(CalcNeedBytes(s, {true, false, false, false}), 110);
  EXPECT_EQ(CalcNeedBytes(s, {true, true, false, true}), 110 + 200 + 440);
  EXPECT_EQ(CalcNeedBytes(s, {false, true, true, true}), 100 + 200 + 300 + 400);  // disk 1 only
  s.DiskIndex = 1;
  EXPECT_EQ(CalcNeedBytes(s, {false, false, true, false}), 10 + 30);
  s.InstallKind = TInstallKind::kAllComponents;  // the totals, whatever the disk choice
  EXPECT_EQ(CalcNeedBytes(s, {false, false, true, false}), 110 + 330);
  s.AddOn = 1;  // everything, whatever is ticked
  EXPECT_EQ(CalcNeedBytes(s, {false, false, false, false}), 110 + 200 + 330 + 440);
}

TEST(Selection, SizeTexts) {
  EXPECT_EQ(ComponentSizeText(0), "最低 0.00 MBのディスクの空き容量が必要です");
  EXPECT_EQ(FolderSizeText(0), "インストールには最低 0.00 MBのディスクの空き容量が必要です");
  EXPECT_EQ(ComponentSizeText(1572864), "最低 1.50 MBのディスクの空き容量が必要です");
  EXPECT_EQ(ComponentSizeText(int64_t{3} << 40), "最低 3145728.00 MBのディスクの空き容量が必要です");
  EXPECT_EQ(DriveFreeText(1234), "このドライブには 1,234 MBの空きがあります");
  EXPECT_EQ(DriveFreeText(0), "このドライブには 0 MBの空きがあります");
  EXPECT_EQ(WholeMiB(1992294), 1);  // 1.9 MiB
  EXPECT_EQ(WholeMiB(1048576), 1);
}

namespace {

struct FakeFolders {
  std::set<std::string> existing;
  bool operator()(const std::string& p) const {
    std::string k = p;
    if (k.size() > 3 && sjis::EndsWithChar(k, '\\')) k.pop_back();
    return existing.count(k) > 0;
  }
};

}  // namespace

TEST(Selection, ProposesProgramFilesSubFolder) {
  TZefoInstallSet s;
  s.DefaultDir = "<ProgramFiles>\\Foo\\";
  const FakeFolders folders{{"C:\\", "C:\\Program Files"}};
  const FolderProposal p = ProposeFolder(s, "", "C:\\Program Files\\", "C:\\WINDOWS\\", folders);
  EXPECT_EQ(p.edit_text, "C:\\Program Files\\Foo");
  EXPECT_EQ(p.sub_folder, "Foo");
  EXPECT_EQ(p.drive, 'C');
  EXPECT_EQ(p.list_folder, "C:\\Program Files\\");
  EXPECT_EQ(EditTextForFolder("C:\\Program Files", p.sub_folder), "C:\\Program Files\\Foo");
}

TEST(Selection, ProposesAFolderOnTheWindowsDrive) {
  TZefoInstallSet s;
  s.DefaultDir = "\\Games\\Foo";
  const FakeFolders folders{{"D:\\"}};
  const FolderProposal p = ProposeFolder(s, "", "C:\\Program Files", "D:\\WINDOWS\\", folders);
  EXPECT_EQ(p.edit_text, "D:\\Games\\Foo");
  EXPECT_EQ(p.sub_folder, "Games\\Foo");
  EXPECT_EQ(p.drive, 'D');
  EXPECT_EQ(p.list_folder, "D:\\");
  EXPECT_EQ(EditTextForFolder("D:\\", p.sub_folder), "D:\\Games\\Foo");
}

TEST(Selection, StoredInstallPathWinsWhenItStillExists) {
  TZefoInstallSet s;
  s.DefaultDir = "<ProgramFiles>\\Foo";
  FakeFolders folders{{"C:\\", "C:\\Program Files", "E:\\Old\\ゲーム表"}};
  FolderProposal p = ProposeFolder(s, "E:\\Old\\ゲーム表\\", "C:\\Program Files", "C:\\WINDOWS", folders);
  EXPECT_EQ(p.edit_text, "E:\\Old\\ゲーム表");
  EXPECT_EQ(p.sub_folder, "");
  EXPECT_EQ(p.list_folder, "E:\\Old\\ゲーム表");
  // Gone: the default is proposed instead.
  folders.existing.erase("E:\\Old\\ゲーム表");
  p = ProposeFolder(s, "E:\\Old\\ゲーム表\\", "C:\\Program Files", "C:\\WINDOWS", folders);
  EXPECT_EQ(p.edit_text, "C:\\Program Files\\Foo");
  EXPECT_EQ(p.sub_folder, "Foo");
}

TEST(Selection, ExistingDefaultFolderHasNoSubFolder) {
  TZefoInstallSet s;
  s.DefaultDir = "<ProgramFiles>\\Foo";
  const FakeFolders folders{{"C:\\", "C:\\Program Files", "C:\\Program Files\\Foo"}};
  const FolderProposal p = ProposeFolder(s, "", "C:\\Program Files", "C:\\WINDOWS", folders);
  EXPECT_EQ(p.sub_folder, "");
  EXPECT_EQ(p.list_folder, "C:\\Program Files\\Foo");
}

TEST(Selection, MissingDriveLeavesTheListAlone) {
  TZefoInstallSet s;
  s.DefaultDir = "\\Games";
  const FolderProposal p = ProposeFolder(s, "", "", "Q:\\WINDOWS", FakeFolders{});
  EXPECT_EQ(p.edit_text, "Q:\\Games");
  EXPECT_EQ(p.list_folder, "");
}

TEST(Selection, NeedBytesSaturateAndIgnoreNegativeSizes) {
  TZefoInstallSet s;
  s.ProgramSize = INT64_MAX - 5;
  s.DataSize = 100;
  s.SoundSize = -1000000;
  s.MovieSize = -1;
  s.AddOn = 1;
  EXPECT_EQ(CalcNeedBytes(s, {}), INT64_MAX);
  s.ProgramSize = 1000;
  EXPECT_EQ(CalcNeedBytes(s, {}), 1100);  // negative sizes count as nothing
  s.AddOn = 0;
  EXPECT_EQ(CalcNeedBytes(s, {true, true, true, true}), 1100);
}

TEST(Selection, ProgressBarCountsTensOfBytesAndScalesHugeTotals) {
  EXPECT_EQ(ByteProgressRange(12345, 100000).max, 10000);
  EXPECT_EQ(ByteProgressRange(12345, 100000).position, 1234);
  EXPECT_EQ(ByteProgressRange(5, 0).max, 0);
  // 64-bit totals stay inside the bar's 32-bit range, the ratio kept.
  const int64_t total = int64_t{1} << 40;
  const ProgressBarRange r = ByteProgressRange(total / 4, total);
  EXPECT_GT(r.max, 0);
  EXPECT_LE(r.max, INT32_MAX);
  EXPECT_NEAR(static_cast<double>(r.position) / r.max, 0.25, 1e-6);
  EXPECT_EQ(ByteProgressRange(total * 2, total).position, r.max);  // done beyond total stops at the end
  EXPECT_EQ(ByteProgressRange(-7, total).position, 0);
}
