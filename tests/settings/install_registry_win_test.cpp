#include <windows.h>

#include <gtest/gtest.h>

#include "base/format.h"
#include "common/temp_dir.h"
#include "os/registry_win.h"
#include "settings/install_set.h"

namespace {

// A key of its own for every test, below a company key of this test program.
std::string UniqueCompany() {
  static int n = 0;
  return Format("ZiTest%lu-%d", GetCurrentProcessId(), n++);
}

bool KeyExists(const std::string& path) { return RegKey::Open(HKEY_CURRENT_USER, "Software\\" + path, KEY_READ).IsOpen(); }

}  // namespace

TEST(InstallRegistry, WriteCreatesNestedKeysAndReadFindsTheValue) {
  TZefoInstallSet s;
  const std::string company = UniqueCompany();
  s.RegistryKey = company + "\\製品\\ゲーム";
  EXPECT_EQ(s.ReadValue("InstallPath", "default"), "default");
  EXPECT_FALSE(KeyExists(company));  // reading never creates the key
  s.WriteValue("InstallPath", "C:\\ゲーム\\表\\");
  EXPECT_EQ(s.ReadValue("InstallPath", ""), "C:\\ゲーム\\表\\");
  // A leading delimiter addresses the same key.
  TZefoInstallSet t;
  t.RegistryKey = "\\" + s.RegistryKey;
  EXPECT_EQ(t.ReadValue("InstallPath", ""), "C:\\ゲーム\\表\\");
  s.DeleteRegistryKey();
  EXPECT_FALSE(KeyExists(company));
}

TEST(InstallRegistry, EmptyRegistryKeyReadsDefaultsAndWritesNothing) {
  TZefoInstallSet s;
  s.WriteValue("InstallPath", "x");
  EXPECT_EQ(s.ReadValue("InstallPath", "d"), "d");
  s.DeleteRegistryKey();  // nothing to do, nothing removed
  EXPECT_TRUE(KeyExists(""));
}

TEST(InstallRegistry, DeleteKeepsParentsThatOthersStillUse) {
  const std::string company = UniqueCompany();
  TZefoInstallSet a, b;
  a.RegistryKey = company + "\\A";
  b.RegistryKey = company + "\\B";
  a.WriteValue("InstallPath", "1");
  b.WriteValue("InstallPath", "2");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\" + a.RegistryKey + "\\Deeper\\Still");
  a.DeleteRegistryKey();
  EXPECT_FALSE(KeyExists(a.RegistryKey));
  EXPECT_TRUE(KeyExists(company));  // B is still there
  b.DeleteRegistryKey();
  EXPECT_FALSE(KeyExists(company));  // emptied, so removed too

  // A value directly in the company key keeps it as well.
  a.WriteValue("InstallPath", "1");
  RegKey::Open(HKEY_CURRENT_USER, "Software\\" + company, KEY_ALL_ACCESS).SetString("Shared", "v");
  a.DeleteRegistryKey();
  EXPECT_TRUE(KeyExists(company));
  RegKey::Open(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS).DeleteTree(company);
}

TEST(InstallRegistry, IsGameInstalledNeedsTheFolderValueAndTheProgram) {
  testing_support::TempDir dir;
  TZefoInstallSet s;
  s.RegistryKey = UniqueCompany() + "\\Game";
  s.GameExe = "bin\\game.exe";
  EXPECT_FALSE(s.IsGameInstalled());  // no value
  s.WriteValue("InstallPath", dir.Path());
  EXPECT_FALSE(s.IsGameInstalled());  // folder exists, program does not
  testing_support::WriteFileBytes(dir / "bin\\game.exe", "MZ");
  EXPECT_TRUE(s.IsGameInstalled());
  s.WriteValue("InstallPath", dir.Path().substr(0, dir.Path().size() - 1));  // without the delimiter
  EXPECT_TRUE(s.IsGameInstalled());
  s.DeleteRegistryKey();
}
