#include "os/shell_win.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/fs.h"
#include "os/registry_win.h"

TEST(SpecialFolderPath, ProgramFilesComesFromTheRegistryUnexpanded) {
  const std::string pf = SpecialFolderPath(kCsidlProgramFiles);
  std::string expected;
  ASSERT_TRUE(RegKey::Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ)
                  .QueryString("ProgramFilesDir", &expected));
  EXPECT_EQ(pf, expected);
  EXPECT_TRUE(fs::DirectoryExists(pf));
}

TEST(SpecialFolderPath, OtherFoldersComeFromTheShell) {
  const std::string programs = SpecialFolderPath(CSIDL_PROGRAMS);
  EXPECT_NE(programs.find("Programs"), std::string::npos);
  EXPECT_TRUE(fs::DirectoryExists(programs));
}
