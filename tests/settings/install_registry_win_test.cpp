#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/format.h"
#include "common/scenario_win.h"
#include "common/temp_dir.h"
#include "os/registry_win.h"
#include "settings/install_set.h"

using testing_support::KeyExists;

namespace {

// A key of its own for every test, below a company key of this test program.
std::string UniqueCompany() {
  static int n = 0;
  return Format("ZiTest%lu-%d", GetCurrentProcessId(), n++);
}

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

TEST(InstallRegistry, KeysTheProductCannotOwnAreNeitherWrittenNorDeleted) {
  // Victims: a value in Software itself and keys under the system's names.
  const std::string victim = UniqueCompany();
  RegKey::Create(HKEY_CURRENT_USER, "Software\\" + victim + "\\Kept").SetString("v", "1");
  const RegKey software = RegKey::Open(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS);
  ASSERT_TRUE(software.SetString(victim, "top"));
  ASSERT_TRUE(KeyExists("Microsoft"));
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Wow6432Node\\" + victim).SetString("v", "1");
  for (const std::string& key : {std::string("\\"), std::string(""), std::string("\\\\"), std::string("Microsoft"),
                                 std::string("\\microsoft\\"), std::string("Classes"), std::string("Policies"),
                                 std::string("Wow6432Node\\") + victim, victim + "\\..", victim + "\\\\Kept",
                                 std::string(".\\") + victim}) {
    SCOPED_TRACE(key);
    TZefoInstallSet s;
    s.RegistryKey = key;
    s.WriteValue("InstallPath", "C:\\x\\");
    s.DeleteRegistryKey();
    EXPECT_TRUE(KeyExists(victim + "\\Kept"));
    EXPECT_TRUE(KeyExists("Microsoft"));
    EXPECT_TRUE(KeyExists("Wow6432Node\\" + victim));
    std::string top;
    EXPECT_TRUE(software.QueryString(victim, &top));
    EXPECT_FALSE(software.QueryString("InstallPath", &top));
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\Microsoft", KEY_READ).QueryString("InstallPath", &top));
  }
  RegDeleteValueW(software.Handle(), enc::Wide(victim).c_str());
  software.DeleteTree(victim);
  software.DeleteTree("Wow6432Node\\" + victim);
}
