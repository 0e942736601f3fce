// install.exe /verify /log=FILE in a folder the real program installed: an
// intact installation, then one with a byte of its data file changed, then
// one with a recorded file gone. Each run shows no window and ends by itself.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/medium_win.h"
#include "common/output_capture_win.h"
#include "common/wizard_win.h"

using driver::Process;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

constexpr int kTimeout = 30000;
constexpr int32_t kOld = 0x5A213C40;

struct VerifyRun {
  DWORD code = 0;
  std::string out;  // what reached the redirected standard output
  std::string log;
};

// Runs folder\install.exe /verify /log=log from folder, standard output sent
// to a file; a run still going after the timeout is killed and fails.
VerifyRun RunVerify(const std::string& folder, const std::string& log) {
  const std::wstring command =
      L"\"" + enc::Wide(folder + "install.exe") + L"\" /verify \"/log=" + enc::Wide(log) + L"\"";
  const testing_support::CapturedRun run =
      testing_support::RunWithOutputToFile(command, folder, log + ".out", kTimeout);
  VerifyRun r;
  if (!run.started) {
    ADD_FAILURE() << "install.exe did not start";
    return r;
  }
  if (!run.ended) ADD_FAILURE() << "install.exe /verify did not end by itself";
  r.code = run.exit_code;
  r.out = run.out;
  if (fs::FileExists(log)) r.log = ReadFileBytes(log);
  return r;
}

bool Has(const std::string& text, const std::string& line) { return text.find(line) != std::string::npos; }

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
  {
    Process p = m.StartWizard();
    Wizard w(p);
    ASSERT_NO_FATAL_FAILURE(testing_support::WalkToConfirmPage(w, target, {true}));
    w.Click(kIdBtnNext);
    ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
    w.Click(kIdBtnAbort);
    ASSERT_TRUE(p.WaitExit(kTimeout));
  }
  const std::string log = m.Dir() / "verify.log";

  // game.exe, readme.txt, install.exe, game.ext, game.dat, install.dat; two entries.
  VerifyRun r = RunVerify(target, log);
  EXPECT_EQ(r.code, 0u) << r.log;
  const std::string intact = "verify: 6 files present, 2 entries checked (";
  EXPECT_TRUE(Has(r.log, "] " + intact)) << r.log;
  EXPECT_TRUE(Has(r.log, " bytes): intact\n")) << r.log;
  EXPECT_EQ(r.out.rfind(intact, 0), 0u) << r.out;

  std::string data = ReadFileBytes(target + "game.dat");
  data.back() ^= 0x20;
  WriteFileBytes(target + "game.dat", data);
  r = RunVerify(target, log);
  EXPECT_EQ(r.code, 4u) << r.log;
  EXPECT_TRUE(Has(r.log, "] damaged: game.dat: cg\\b.bmp: CRC mismatch\n")) << r.log;
  EXPECT_TRUE(Has(r.log, ": 0 missing, 0 refused, 1 damaged\n")) << r.log;
  EXPECT_TRUE(Has(r.out, "damaged: game.dat: cg\\b.bmp: CRC mismatch\r\n")) << r.out;
  data.back() ^= 0x20;
  WriteFileBytes(target + "game.dat", data);

  ASSERT_TRUE(fs::EraseFile(target + "readme.txt"));
  r = RunVerify(target, log);
  EXPECT_EQ(r.code, 4u) << r.log;
  EXPECT_TRUE(Has(r.log, "] missing: readme.txt\n")) << r.log;
  EXPECT_TRUE(Has(r.log, "verify: 5 files present, 2 entries checked (")) << r.log;
  EXPECT_TRUE(Has(r.log, ": 1 missing, 0 refused, 0 damaged\n")) << r.log;
}
