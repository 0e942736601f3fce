// Archives carried as resources, and the Windows sharing rules of volumes.
#include <windows.h>

#include <gtest/gtest.h>

#include "archive/vrfiles.h"
#include "base/encoding.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "common/temp_dir.h"
#include "common/archive_fixture.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return enc::Narrow(std::wstring(path, n));
}

void ExpectCarriedArchive(TVrFileCollection& c) {
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(EntryBytes(c, "INSTALL.DAT"), "[resource]\r\n");
  EXPECT_EQ(EntryBytes(c, "sub\\\x95\x5C\x8E\xA6.txt"), "from a resource");  // sub\表示.txt
  EXPECT_EQ(c.Files(1).LooseFile, 1);
  EXPECT_EQ(c.Files(2).Name(), "\\EOF\\");
}

}  // namespace

TEST(OpenResource, TheRunningProgramsOwnResource) {
  TVrFileCollection c;
  c.SetLooseFolder("C:\\loose\\");
  // Any letter case of the program's name means the running module.
  c.OpenResource(sjis::AsciiUpper(ThisProgram()), "DUMMY", "BINTYPE");
  ExpectCarriedArchive(c);
  EXPECT_EQ(c.LooseFolder(), "C:\\loose\\");
  EXPECT_EQ(c.FileName(), "");
}

TEST(OpenResource, AnotherModuleLoadedForItsResources) {
  TVrFileCollection c;
  c.OpenResource(ExtractFilePath(ThisProgram()) + RES_CARRIER_EXE, "DUMMY", "BINTYPE");
  ExpectCarriedArchive(c);
  // Reopening releases the module and loads it again.
  c.OpenResource(ExtractFilePath(ThisProgram()) + RES_CARRIER_EXE, "DUMMY", "BINTYPE");
  ExpectCarriedArchive(c);
}

TEST(OpenResource, FailuresLeaveTheCollectionClosed) {
  TVrFileCollection c;
  c.OpenResource(ThisProgram(), "DUMMY", "BINTYPE");
  c.OpenResource("C:\\no\\such\\module.exe", "DUMMY", "BINTYPE");  // silently nothing
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.Stream(), nullptr);
  EXPECT_THROW(c.OpenResource(ThisProgram(), "MISSING", "BINTYPE"), EResNotFound);
  try {
    c.OpenResource(ThisProgram(), "EMPTY", "BINTYPE");
    FAIL() << "opened an empty resource";
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "リソースが見つかりません");
  }
  EXPECT_EQ(c.Stream(), nullptr);
  EXPECT_THROW(EntryBytes(c, "install.dat"), EEntryNotFound);
}

TEST(BigFileStreamWin, AVolumeHeldByAnotherOpenerRaises) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", "data");
  OsFile::Options exclusive;
  exclusive.access = OsFile::kReadWrite;
  exclusive.share = OsFile::Share::kNone;
  OsFile holder = OsFile::Open(dir / "game.dat", exclusive);
  ASSERT_TRUE(holder.IsOpen());
  try {
    TTpBigFileStream s(dir / "game.dat", kFmOpenRead | kFmShareDenyWrite);
    FAIL() << "opened a locked volume";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("game.dat"), std::string::npos) << e.what();
  }
  // And an archive on it cannot be opened either.
  TVrFileCollection c;
  EXPECT_THROW(c.Open(dir / "game.dat"), EFOpenError);
}
