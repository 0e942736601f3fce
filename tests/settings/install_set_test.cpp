#include "settings/install_set.h"

#include <gtest/gtest.h>

#include "base/fs.h"
#include "common/temp_dir.h"
#include "settings/settings_bytes.h"

using testing_support::TempDir;

namespace {

// Items 3-17 of the format with recognisable values; sizes are 4 or 8 bytes.
SettingsBytes Head(const std::string& header, int32_t disks) {
  SettingsBytes b;
  b.Raw(header)
      .Int32(1)                 // DiskIndex
      .String("ゲーム")          // Title
      .String("(C) 会社")        // FooterText
      .String("<ProgramFiles>\\会社\\ゲーム")
      .String("readme.txt")
      .Byte(1)                  // OpenReadme
      .String("back.gal")
      .Byte(2)                  // BackgroundMode
      .Int32(disks)
      .String("game.exe")
      .Int32(static_cast<int32_t>(0xDEADBEEF))  // ImageSeed
      .Byte(1)                  // OfferRuntimes
      .Byte(7)                  // SpareFlag
      .String("ディスク")
      .String("会社\\ゲーム");
  return b;
}

void Sizes(SettingsBytes& b, bool wide, int64_t base) {
  for (int i = 0; i < 4; ++i) {
    if (wide) b.Int64(base + i);
    else b.Int32(static_cast<int32_t>(base + i));
  }
}

TZefoInstallSet Load(const std::string& bytes) {
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
  TZefoInstallSet s;
  s.LoadFromStream(m);
  return s;
}

std::string Save(const TZefoInstallSet& s) {
  TMemoryStream m;
  s.SaveToStream(m);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

void ExpectHead(const TZefoInstallSet& s) {
  EXPECT_EQ(s.DiskIndex, 1);
  EXPECT_EQ(s.Title, "ゲーム");
  EXPECT_EQ(s.FooterText, "(C) 会社");
  EXPECT_EQ(s.DefaultDir, "<ProgramFiles>\\会社\\ゲーム");
  EXPECT_EQ(s.ReadmeFile, "readme.txt");
  EXPECT_EQ(s.OpenReadme, 1);
  EXPECT_EQ(s.BackgroundImage, "back.gal");
  EXPECT_EQ(s.BackgroundMode, 2);
  EXPECT_EQ(s.GameExe, "game.exe");
  EXPECT_EQ(s.ImageSeed, 0xDEADBEEFu);
  EXPECT_EQ(s.OfferRuntimes, 1);
  EXPECT_EQ(s.SpareFlag, 7);
  EXPECT_EQ(s.MediaName, "ディスク");
  EXPECT_EQ(s.RegistryKey, "会社\\ゲーム");
}

}  // namespace

TEST(InstallSet, VersionZeroHasNoHeaderAnd32BitSizes) {
  SettingsBytes b = Head("", 2);
  Sizes(b, false, 0xF0000001LL);  // disk 0; the high bit must not spread (unsigned widening)
  Sizes(b, false, 10);            // disk 1
  Sizes(b, false, 100);           // totals
  b.Byte(1);                      // UninstallMode
  b.Raw("trailing bytes are never read");
  TZefoInstallSet s;
  s.AddOn = 9;
  s.InstallKind = TInstallKind::kAllComponents;
  s.SetupCaption = "kept";
  s.InstalledFiles = {"old"};
  s.CopyFiles = {"old"};
  TMemoryStream m;
  m.WriteBuffer(b.Bytes().data(), static_cast<int64_t>(b.Bytes().size()));
  m.SetPosition(0);
  s.LoadFromStream(m);
  ExpectHead(s);
  ASSERT_EQ(s.DiskCount, 2);
  EXPECT_EQ(s.DiskProgramSize[0], 0xF0000001LL);
  EXPECT_EQ(s.DiskMovieSize[0], 0xF0000004LL);
  EXPECT_EQ(s.DiskDataSize[1], 11);
  EXPECT_EQ(s.ProgramSize, 100);
  EXPECT_EQ(s.MovieSize, 103);
  EXPECT_EQ(s.UninstallMode, 1);
  // Not in the file: kept, except the two lists, which are always cleared.
  EXPECT_EQ(s.AddOn, 9);
  EXPECT_EQ(s.InstallKind, TInstallKind::kAllComponents);
  EXPECT_EQ(s.SetupCaption, "kept");
  EXPECT_TRUE(s.InstalledFiles.empty());
  EXPECT_TRUE(s.CopyFiles.empty());
}

TEST(InstallSet, Version100Reads64BitSizesAndNothingAfterUninstallMode) {
  SettingsBytes b = Head("is100", 1);
  Sizes(b, true, int64_t{5} << 32);
  Sizes(b, true, int64_t{3} << 33);
  b.Byte(1).Byte(1);  // UninstallMode, then a byte that a 101 file would take as AddOn
  const TZefoInstallSet s = Load(b.Bytes());
  ExpectHead(s);
  EXPECT_EQ(s.DiskProgramSize[0], int64_t{5} << 32);
  EXPECT_EQ(s.DataSize, (int64_t{3} << 33) + 1);
  EXPECT_EQ(s.AddOn, 0);
}

TEST(InstallSet, EachVersionGatesItsItems) {
  for (int version = 101; version <= 107; ++version) {
    SCOPED_TRACE(version);
    SettingsBytes b = Head("is" + std::to_string(version), 0);  // DiskCount 0: totals follow at once
    Sizes(b, true, 1000);
    b.Byte(1).Byte(1);  // UninstallMode, AddOn
    if (version >= 102) b.Int32(3).String("a.exe").Int32(0).String("ソ\\表.txt");
    if (version >= 103) b.Byte(1);
    if (version >= 104) b.Byte(2);
    if (version >= 105) b.Byte(1);
    if (version >= 106) b.Int32(2).String("data\\a.ogg").String("");
    if (version >= 107) b.String("特別なセットアップ");
    const TZefoInstallSet s = Load(b.Bytes());
    EXPECT_EQ(s.ProgramSize, 1000);
    EXPECT_EQ(s.AddOn, 1);
    EXPECT_EQ(s.InstalledFiles, version >= 102 ? std::vector<std::string>({"a.exe", "ソ\\表.txt"})
                                               : std::vector<std::string>());
    EXPECT_EQ(s.DataInstalled, version >= 103 ? 1 : 0);
    EXPECT_EQ(s.InstallKind, version >= 104 ? TInstallKind::kSystem : TInstallKind::kStandard);
    EXPECT_EQ(s.FromArchive, version >= 105 ? 1 : 0);
    EXPECT_EQ(s.CopyFiles, version >= 106 ? std::vector<std::string>({"data\\a.ogg", ""})
                                          : std::vector<std::string>());
    EXPECT_EQ(s.SetupCaption, version >= 107 ? "特別なセットアップ" : "");
  }
}

TEST(InstallSet, UnreadableVersionTextMeansVersionZeroAfterTheHeader) {
  SettingsBytes b = Head("isX1Z", 0);
  Sizes(b, false, 7);
  b.Byte(0);
  const TZefoInstallSet s = Load(b.Bytes());
  ExpectHead(s);
  EXPECT_EQ(s.ProgramSize, 7);  // 32-bit sizes
}

TEST(InstallSet, SaveAlwaysWritesVersion107AndRoundTrips) {
  SettingsBytes b = Head("is100", 2);
  Sizes(b, true, 1);
  Sizes(b, true, 2);
  Sizes(b, true, 3);
  b.Byte(0);
  TZefoInstallSet s = Load(b.Bytes());
  s.InstalledFiles = {"game.exe", "", "データ\\表.dat"};
  s.CopyFiles = {"", "bgm\\a.ogg"};
  s.SetupCaption = "セットアップ";
  s.FromArchive = 1;
  const std::string saved = Save(s);
  EXPECT_EQ(saved.substr(0, 5), "is107");
  const TZefoInstallSet t = Load(saved);
  ExpectHead(t);
  EXPECT_EQ(t.DiskCount, 2);
  EXPECT_EQ(t.DiskMovieSize[1], 2 + 3);
  EXPECT_EQ(t.MovieSize, 3 + 3);
  // The empty installed name vanishes; an empty copy name stays.
  EXPECT_EQ(t.InstalledFiles, std::vector<std::string>({"game.exe", "データ\\表.dat"}));
  EXPECT_EQ(t.CopyFiles, s.CopyFiles);
  EXPECT_EQ(t.SetupCaption, "セットアップ");
  EXPECT_EQ(t.FromArchive, 1);
  EXPECT_EQ(Save(t).size() + 4, saved.size());  // the empty name's length field is gone
}

// A kind this program does not know is kept as its number (instdat check
// names it) and installs as a standard install does.
TEST(InstallSet, InstallKindKeepsItsNumberThroughTheFile) {
  for (const uint8_t number : {0, 1, 2, 3, 255}) {
    SCOPED_TRACE(number);
    TZefoInstallSet s;
    s.SetDiskCount(1);
    s.InstallKind = static_cast<TInstallKind>(number);
    const TZefoInstallSet t = Load(Save(s));
    EXPECT_EQ(static_cast<uint8_t>(t.InstallKind), number);
    EXPECT_EQ(t.IsSystemInstall(), number == 2);
    EXPECT_EQ(t.InstallsAllComponents(), number == 1);
  }
}

TEST(InstallSet, DataCutShortFailsCleanlyAtEveryLength) {
  TZefoInstallSet full;
  full.Title = "タイトル";
  full.SetDiskCount(2);
  full.InstalledFiles = {"a", "b"};
  full.CopyFiles = {"c"};
  full.SetupCaption = "x";
  const std::string bytes = Save(full);
  for (size_t n = 0; n < bytes.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_THROW(Load(bytes.substr(0, n)), EInstallSetError);
  }
  EXPECT_NO_THROW(Load(bytes));
}

TEST(InstallSet, LengthsAndCountsBeyondTheDataAreRefusedWithoutAllocating) {
  // A title claiming 2 GB in a tiny file.
  SettingsBytes huge;
  huge.Raw("is107").Int32(0).Int32(0x7FFFFFFF).Raw("abc");
  try {
    Load(huge.Bytes());
    FAIL() << "accepted a title longer than the file";
  } catch (const EInstallSetError& e) {
    EXPECT_NE(std::string(e.what()).find("インストール設定ファイルが壊れています"), std::string::npos);
  }
  // A disk count far beyond what the rest could hold.
  SettingsBytes disks = Head("is107", 0x10000000);
  EXPECT_THROW(Load(disks.Bytes()), EInstallSetError);
  SettingsBytes negative = Head("is107", -1);
  EXPECT_THROW(Load(negative.Bytes()), EInstallSetError);
  // A file list count beyond the data.
  SettingsBytes files = Head("is107", 0);
  Sizes(files, true, 0);
  files.Byte(0).Byte(0).Int32(1 << 30);
  EXPECT_THROW(Load(files.Bytes()), EInstallSetError);
}

TEST(InstallSet, NegativeListCountsMeanEmptyLists) {
  SettingsBytes b = Head("is107", 0);
  Sizes(b, true, 0);
  b.Byte(0).Byte(0).Int32(-5).Byte(0).Byte(0).Byte(0).Int32(-1).String("cap");
  const TZefoInstallSet s = Load(b.Bytes());
  EXPECT_TRUE(s.InstalledFiles.empty());
  EXPECT_TRUE(s.CopyFiles.empty());
  EXPECT_EQ(s.SetupCaption, "cap");
}

TEST(InstallSet, SetDiskCountResizesEveryArray) {
  TZefoInstallSet s;
  s.SetDiskCount(3);
  s.DiskDataSize[2] = 5;
  s.SetDiskCount(4);
  EXPECT_EQ(s.DiskProgramSize.size(), 4u);
  EXPECT_EQ(s.DiskMovieSize.size(), 4u);
  EXPECT_EQ(s.DiskDataSize[2], 5);
  EXPECT_EQ(s.DiskDataSize[3], 0);
  s.SetDiskCount(0);
  EXPECT_TRUE(s.DiskSoundSize.empty());
}

TEST(InstallSet, InstalledFilesFoldOnlyAsciiLetters) {
  TZefoInstallSet s;
  s.AddInstalledFile("Data\\Game.DAT");
  s.AddInstalledFile("data\\game.dat");
  EXPECT_EQ(s.InstalledFileCount(), 1);
  EXPECT_EQ(s.IndexOfInstalledFile("DATA\\GAME.dat"), 0);
  // ア (83 41) and 83 61 differ only in a trail byte that looks like A/a.
  s.AddInstalledFile("\x83\x41.txt");
  s.AddInstalledFile("\x83\x61.txt");
  EXPECT_EQ(s.InstalledFileCount(), 3);
  EXPECT_EQ(s.IndexOfInstalledFile("\x83\x61.TXT"), 2);
  EXPECT_EQ(s.IndexOfInstalledFile("missing"), -1);
  EXPECT_EQ(s.InstalledFile(1), "\x83\x41.txt");
}

TEST(InstallSet, IsCopyFileComparesLowerCase) {
  TZefoInstallSet s;
  s.CopyFiles = {"bgm\\opening.ogg", "\x83\x61\\x.exe"};
  EXPECT_TRUE(s.IsCopyFile("BGM\\Opening.OGG"));
  EXPECT_TRUE(s.IsCopyFile("\x83\x61\\X.EXE"));
  EXPECT_FALSE(s.IsCopyFile("\x83\x41\\x.exe"));  // a different double-byte character
  EXPECT_FALSE(s.IsCopyFile("bgm\\other.ogg"));
}

TEST(InstallSet, SetupCaptionFallsBackToTitle) {
  TZefoInstallSet s;
  s.Title = "ゲーム";
  EXPECT_EQ(s.GetSetupCaption(), "ゲームのセットアップ");
  s.SetupCaption = "別の見出し";
  EXPECT_EQ(s.GetSetupCaption(), "別の見出し");
}

TEST(InstallSet, SaveToFileReplacesTheWholeFileOrNothing) {
  TempDir dir;
  const std::string path = dir / "install.dat";
  TZefoInstallSet s;
  s.Title = "一";
  s.SaveToFile(path);
  TZefoInstallSet t;
  t.LoadFromFile(path);
  EXPECT_EQ(t.Title, "一");
  s.Title = "二";
  s.SaveToFile(path);
  t.LoadFromFile(path);
  EXPECT_EQ(t.Title, "二");
  std::vector<fs::DirEntry> entries;
  ASSERT_TRUE(fs::ListDirectory(dir.Path(), &entries));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_THROW(s.SaveToFile(dir / "missing-folder/install.dat"), EFCreateError);
  EXPECT_THROW(t.LoadFromFile(dir / "missing.dat"), EFOpenError);
}

TEST(InstallSet, DamagedFileErrorNamesTheFile) {
  TempDir dir;
  testing_support::WriteFileBytes(dir / "install.dat", "is107\x01");
  TZefoInstallSet s;
  try {
    s.LoadFromFile(dir / "install.dat");
    FAIL();
  } catch (const EInstallSetError& e) {
    EXPECT_NE(std::string(e.what()).find("install.dat"), std::string::npos);
  }
}

TEST(InstallSet, InstalledFileIndexFollowsTheList) {
  TZefoInstallSet s;
  s.AddInstalledFile("a.txt");
  s.AddInstalledFile("b.txt");
  s.InstalledFiles = {"B.TXT"};  // replaced wholesale, shorter
  EXPECT_EQ(s.IndexOfInstalledFile("a.txt"), -1);
  EXPECT_EQ(s.IndexOfInstalledFile("b.txt"), 0);
  s.InstalledFiles[0] = "c.txt";  // changed in place
  EXPECT_EQ(s.IndexOfInstalledFile("b.txt"), -1);
  EXPECT_EQ(s.IndexOfInstalledFile("C.TXT"), 0);
  s.InstalledFiles.push_back("d.txt");  // appended directly
  s.AddInstalledFile("D.txt");
  EXPECT_EQ(s.InstalledFiles, (std::vector<std::string>{"c.txt", "d.txt"}));
  TZefoInstallSet copy = s;  // the copy's index is its own
  copy.AddInstalledFile("e.txt");
  EXPECT_EQ(s.IndexOfInstalledFile("e.txt"), -1);
  EXPECT_EQ(copy.IndexOfInstalledFile("E.TXT"), 2);
}
