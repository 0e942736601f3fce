// install.exe /verify /log=FILE in a folder the real program installed: an
// intact installation, then one with a byte of its data file changed, then
// one with a recorded file gone. Each run shows no window and ends by itself.
#include <gtest/gtest.h>

#include "base/fs.h"
#include "common/archive_fixture.h"
#include "common/scenario_win.h"

using testing_support::Ended;
using testing_support::Has;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::WriteFileBytes;

namespace {

constexpr int32_t kOld = 0x5A213C40;

}  // namespace

TEST(InstallVerify, IntactDamagedAndIncompleteInstallations) {
  TestMedium m;
  m.settings.DataSize = m.settings.DiskDataSize[0] = 2 << 20;
  m.settings.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game");
  m.AddLoose(0, "readme.txt", "read me");
  m.AddEntry(0, {"scene\\a.txt", std::string(300000, 's'), true, kOld, 0});
  m.AddEntry(0, {"cg\\b.bmp", std::string(1 << 20, 'b'), false, kOld, 0});  // its bytes end game.dat
  m.Write();
  const std::string target = m.Target();
  const Ended installed = testing_support::InstallThroughWizard(m, target, {true});
  ASSERT_EQ(installed.code, 0) << installed;
  const std::string log = m.Dir() / "verify.log";
  const auto verify = [&] {
    return testing_support::RunInstalled(target, "/verify " + testing_support::LogSwitch(log), m.Temp(), log);
  };

  // game.exe, readme.txt, install.exe, game.ext, game.dat, install.dat; two entries.
  Ended r = verify();
  EXPECT_EQ(r.code, 0) << r;
  const std::string intact = "verify: 6 files present, 2 entries checked (";
  EXPECT_TRUE(Has(r.log, "] " + intact)) << r;
  EXPECT_TRUE(Has(r.log, " bytes): intact\n")) << r;
  EXPECT_EQ(r.output.rfind(intact, 0), 0u) << r;

  std::string data = ReadFileBytes(target + "game.dat");
  data.back() ^= 0x20;
  WriteFileBytes(target + "game.dat", data);
  r = verify();
  EXPECT_EQ(r.code, 4) << r;
  EXPECT_TRUE(Has(r.log, "] damaged: game.dat: cg\\b.bmp: CRC mismatch\n")) << r;
  EXPECT_TRUE(Has(r.log, ": 0 missing, 0 refused, 1 damaged\n")) << r;
  EXPECT_TRUE(Has(r.output, "damaged: game.dat: cg\\b.bmp: CRC mismatch\r\n")) << r;
  data.back() ^= 0x20;
  WriteFileBytes(target + "game.dat", data);

  ASSERT_TRUE(fs::EraseFile(target + "readme.txt"));
  r = verify();
  EXPECT_EQ(r.code, 4) << r;
  EXPECT_TRUE(Has(r.log, "] missing: readme.txt\n")) << r;
  EXPECT_TRUE(Has(r.log, "verify: 5 files present, 2 entries checked (")) << r;
  EXPECT_TRUE(Has(r.log, ": 1 missing, 0 refused, 0 damaged\n")) << r;
}
