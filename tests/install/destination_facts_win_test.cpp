#include "install/destination_facts_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/system_string_win.h"
#include "common/medium_win.h"
#include "common/package_win.h"
#include "common/temp_dir.h"
#include "common/unix_link_win.h"
#include "os/elevation_win.h"
#include "os/registry_win.h"

using testing_support::TempDir;

namespace {

std::string Real(const std::string& folder) {
  const std::optional<std::u16string> real = FinalFolderOf(folder);
  return real ? enc::Utf16ToSjisExact(*real) : "<none>";
}

std::string ShortNameOf(const std::string& path) {
  const std::wstring wide = enc::Wide(path);
  return enc::Narrow(SystemString([&](wchar_t* buf, DWORD size) { return GetShortPathNameW(wide.c_str(), buf, size); }));
}

}  // namespace

// The uninstaller names a folder by what the file system says; the install
// must reach the same name from whatever text it was given.
TEST(DestinationFacts, TheRealFolderBehindLinksShortNamesAndMissingParts) {
  TempDir dir;
  const std::string base = RemoveTrailingBackslash(Real(dir.Path())) + "\\";
  ASSERT_TRUE(fs::MakeDirectories(dir / "real\\Long Folder Name"));
  const bool linked = testing_support::MakeUnixLink(dir / "real", dir / "linked");
  const std::string short_name = ShortNameOf(dir / "real\\Long Folder Name");
  const struct {
    std::string folder, real;
  } rows[] = {
      {dir / "real", base + "real"},
      {dir / "real\\not\\yet", base + "real\\not\\yet"},
      {dir / "linked", linked ? base + "real" : dir / "linked"},
      {dir / "linked\\new", linked ? base + "real\\new" : dir / "linked\\new"},
      {short_name, base + "real\\Long Folder Name"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder);
    EXPECT_EQ(Real(row.folder), row.real);
  }
  if (!linked) GTEST_SKIP() << "no host symbolic link could be made";
}

TEST(DestinationFacts, ClaimsOfAnotherTitleAndKey) {
  TempDir dir;
  TZefoInstallSet other;
  other.Title = testing_support::UniqueName("other");
  other.RegistryKey = "zinstall-test\\" + other.Title;
  other.UninstallMode = 1;
  other.SaveToFile(dir / "install.dat");
  other.WriteValue("InstallPath", dir.Path());
  TZefoInstallSet mine;
  mine.Title = testing_support::UniqueName("mine");
  mine.RegistryKey = "zinstall-test\\" + mine.Title;

  const TFolderClaims claims = ClaimsOn(dir.Path(), mine);
  other.DeleteRegistryKey();
  EXPECT_TRUE(claims.settings_readable);
  EXPECT_EQ(claims.settings_title, other.Title);
  EXPECT_EQ(claims.install_path_keys, std::vector<std::string>{other.RegistryKey});
  // Its own key is no claim on a folder it repairs.
  EXPECT_TRUE(ClaimsOn(dir.Path(), other).install_path_keys.empty());
}

TEST(DestinationFacts, ATrialFolderThatCannotBeRemovedIsToldOf) {
  TempDir dir;
  const std::string parent = dir / "append-only";
  ASSERT_TRUE(fs::MakeDirectories(parent));
  const std::string host = testing_support::HostPathOf(parent);
  // Folders can be made in an append-only folder, not removed.
  if (host.empty() || !testing_support::RunHostCommand("/usr/bin/chattr", {"+a", host}))
    GTEST_SKIP() << "chattr +a needs root on the host";
  const TTrialWrite trial = TrialWrite(parent + "\\Game", "~trial.tmp");
  testing_support::RunHostCommand("/usr/bin/chattr", {"-a", host});
  EXPECT_EQ(trial.error, 0u);
  EXPECT_EQ(trial.left_behind, parent + "\\~trial.tmp");
  EXPECT_TRUE(fs::DirectoryExists(trial.left_behind));
}
