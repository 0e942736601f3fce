// The instdat command as publishers run it.
#include <gtest/gtest.h>

#include "base/encoding.h"
#include "common/run_tool.h"
#include "common/temp_dir.h"
#include "settings/settings_bytes.h"

using testing_support::RunTool;
using testing_support::TempDir;

namespace {

std::string Utf8Path(const std::string& sjis) { return enc::SjisToUtf8(sjis); }

}  // namespace

TEST(InstdatTool, DumpsFilesOfEveryGeneration) {
  TempDir dir;
  // Version 0: no header, 32-bit sizes.
  SettingsBytes v0;
  v0.Int32(0).String("旧作").String("").String("\\Games\\Old").String("").Byte(0).String("").Byte(0).Int32(1)
      .String("old.exe").Int32(7).Byte(0).Byte(0).String("CD").String("Old");
  v0.Int32(100).Int32(200).Int32(300).Int32(static_cast<int32_t>(0x80000000u));  // disk 0
  v0.Int32(1000).Int32(2000).Int32(3000).Int32(4000).Byte(1);
  testing_support::WriteFileBytes(dir / "v0.dat", v0.Bytes());
  auto r = RunTool(ZI_INSTDAT_EXE, {"dump", Utf8Path(dir / "v0.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find(u8"\"Title\":\"旧作\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DiskMovieSize\":[2147483648]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"UninstallMode\":1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"SetupCaption\":\"\""), std::string::npos) << r.out;

  // Version 100: 64-bit sizes, nothing after UninstallMode.
  SettingsBytes v100;
  v100.Raw("is100").Int32(0).String("T").String("").String("").String("").Byte(0).String("").Byte(0).Int32(0)
      .String("").Int32(0).Byte(0).Byte(0).String("").String("");
  v100.Int64(int64_t{5} << 32).Int64(2).Int64(3).Int64(4).Byte(0);
  testing_support::WriteFileBytes(dir / "v100.dat", v100.Bytes());
  r = RunTool(ZI_INSTDAT_EXE, {"dump", Utf8Path(dir / "v100.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\"ProgramSize\":21474836480"), std::string::npos) << r.out;
}

TEST(InstdatTool, BuildThenDumpRoundTrips) {
  TempDir dir;
  const std::string json =
      u8R"({"Title":"ゲーム","DiskCount":2,"DiskDataSize":[10,20],"InstalledFiles":["a.exe","表\\b.dat"],)"
      u8R"("CopyFiles":["x.ogg"],"SetupCaption":"セットアップ","FromArchive":1,"ImageSeed":123})";
  testing_support::WriteFileBytes(dir / "in.json", json);
  auto r = RunTool(ZI_INSTDAT_EXE, {"build", Utf8Path(dir / "in.json"), Utf8Path(dir / "install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "install.dat").substr(0, 5), "is107");
  r = RunTool(ZI_INSTDAT_EXE, {"dump", Utf8Path(dir / "install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* expected : {u8"\"Title\":\"ゲーム\"", "\"DiskDataSize\":[10,20]",
                               u8"\"InstalledFiles\":[\"a.exe\",\"表\\\\b.dat\"]", "\"FromArchive\":1",
                               u8"\"SetupCaption\":\"セットアップ\"", "\"ImageSeed\":123"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST(InstdatTool, UnreadableInputExitsWithTwoAndOneLine) {
  TempDir dir;
  testing_support::WriteFileBytes(dir / "short.dat", "is107\x01\x02");
  testing_support::WriteFileBytes(dir / "folder/inside.dat", "");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"dump", Utf8Path(dir / "short.dat")},
           {"dump", Utf8Path(dir / "missing.dat")},
           {"dump", Utf8Path(dir / "folder")},
           {"build", Utf8Path(dir / "missing.json"), Utf8Path(dir / "out.dat")},
           {"frobnicate"},
       }) {
    SCOPED_TRACE(args[0]);
    const auto r = RunTool(ZI_INSTDAT_EXE, args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
  }
}
