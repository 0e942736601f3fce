// Settings that would stop an installation half-way are refused before the
// wizard's work begins: one warning naming the field, then the program ends,
// with nothing written (no install folder, no registry key, no group).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/scenario_win.h"

using driver::Process;
using testing_support::Has;
using testing_support::KeyExists;
using testing_support::kTimeout;
using testing_support::TestMedium;

TEST(PackageCheck, TheWizardRefusesBadSettingsUpFrontWithAWarning) {
  const struct {
    const char* what;
    std::function<void(TZefoInstallSet&)> change;
    std::wstring field;
  } rows[] = {
      // Once failed only after install.dat and the group were written.
      {"a registry key of the system's", [](TZefoInstallSet& s) { s.RegistryKey = "Microsoft\\ZiTestGame"; }, L"RegistryKey"},
      // Once ended silently as "busy": no lock can be named after it.
      {"a title with a delimiter", [](TZefoInstallSet& s) { s.Title += "\\Part"; }, L"Title"},
      // Once failed after every file was copied.
      {"a game program outside the folder", [](TZefoInstallSet& s) { s.GameExe = "..\\game.exe"; }, L"GameExe"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TestMedium m;
    const std::string key = m.settings.RegistryKey;
    testing_support::OneDiscSizes(m.settings, 4);
    m.AddLoose(0, "game.exe", "game");
    row.change(m.settings);
    m.Write();
    // A logged run says so in its log and its exit code.
    const std::string log = m.Dir() / "log.txt";
    Process p = m.Start(m.Root() + " " + testing_support::LogSwitch(log));
    // The warning comes first: no wizard page is shown before it.
    const driver::MessageDialogContent warning = driver::AnswerMessageDialog(p.Id(), IDOK, kTimeout);
    EXPECT_EQ(warning.caption, L"警告");
    EXPECT_NE(warning.text.find(row.field), std::wstring::npos) << enc::Narrow(warning.text);
    EXPECT_NE(warning.text.find(L"インストールできません"), std::wstring::npos) << enc::Narrow(warning.text);
    EXPECT_EQ(warning.buttons.size(), 1u);
    ASSERT_TRUE(p.WaitExit(kTimeout));
    EXPECT_EQ(p.ExitCode(), 9u);
    const std::string text = testing_support::LogText(log);
    EXPECT_TRUE(Has(text, "error: ")) << text;
    EXPECT_FALSE(fs::DirectoryExists(m.Target()));
    EXPECT_FALSE(fs::DirectoryExists(m.GroupFolder()));
    EXPECT_FALSE(KeyExists(key));
    EXPECT_FALSE(KeyExists(m.settings.RegistryKey));
  }
}
