// RunVerify in this process, on an installation laid out by the test: its
// exit codes, the run log and the redirected standard output.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/run_log.h"
#include "common/temp_dir.h"
#include "launcher/exit_codes.h"
#include "launcher/verify_run_win.h"
#include "settings/install_set.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// RunVerify with standard output sent to the file out; the log in log_file.
int RunWithOutput(const std::string& folder, const std::string& log_file, const std::string& out) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE file = CreateFileW(enc::Wide(out).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  int code = -1;
  {
    TRunLog log(log_file, "install.exe /verify");
    code = RunVerify(folder, &log);
  }
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(file);
  return code;
}

}  // namespace

TEST(RunVerify, ExitCodesLogAndOutput) {
  TempDir dir;
  const std::string folder = dir / "\x83\x51\x81\x5B\x83\x80\\";  // ゲーム
  WriteFileBytes(folder + "game.exe", "game");
  TZefoInstallSet s;
  s.UninstallMode = 1;
  s.InstalledFiles = {"game.exe", "\x95\x5C.txt", "install.dat"};  // 表.txt: a trail byte 0x5C
  WriteFileBytes(folder + "\x95\x5C.txt", "table");
  s.SaveToFile(folder + "install.dat");
  const std::string log = dir / "log.txt", out = dir / "out.txt";

  EXPECT_EQ(RunWithOutput(folder, log, out), kExitSuccess);
  const std::string intact = "verify: 3 files present, 0 entries checked (0 bytes): intact\r\n";
  EXPECT_EQ(ReadFileBytes(out), intact);
  EXPECT_NE(ReadFileBytes(log).find("] " + intact.substr(0, intact.size() - 2) + "\n"), std::string::npos);

  ASSERT_TRUE(fs::EraseFile(folder + "\x95\x5C.txt"));
  EXPECT_EQ(RunWithOutput(folder, log, out), kExitVerifyFailed);
  EXPECT_EQ(ReadFileBytes(out).rfind(u8"missing: 表.txt\r\n", 0), 0u) << ReadFileBytes(out);
  EXPECT_NE(ReadFileBytes(log).find(u8"] missing: 表.txt\n"), std::string::npos);

  WriteFileBytes(folder + "install.dat", "is107");
  EXPECT_EQ(RunWithOutput(folder, log, out), kExitVerifyFailed);
  ASSERT_TRUE(fs::EraseFile(folder + "install.dat"));
  EXPECT_EQ(RunWithOutput(folder, log, out), kExitNoSettings);
  EXPECT_EQ(ReadFileBytes(out), "verify: no install.dat in the folder\r\n");
  s.UninstallMode = 0;
  s.SaveToFile(folder + "install.dat");
  EXPECT_EQ(RunVerify(folder, nullptr), kExitNoSettings);
}
