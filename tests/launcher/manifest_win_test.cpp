// The application manifest of the built install.exe, read back from its
// resources as the system's loader finds it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/encoding.h"
#include "common/package_win.h"

namespace {

std::string Manifest(const std::string& exe) {
  HMODULE module = LoadLibraryExW(enc::Wide(exe).c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return "<not loaded>";
  std::string text = "<no manifest>";
  if (HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const void* bytes = LockResource(LoadResource(module, res));
    if (bytes) text.assign(static_cast<const char*>(bytes), SizeofResource(module, res));
  }
  FreeLibrary(module);
  return text;
}

}  // namespace

TEST(Manifest, InstallExeDeclaresItsLevelControlsSystemsAndDpiMode) {
  const std::string m = Manifest(testing_support::InstallExePath());
  const char* expected[] = {
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",  // Vista
      "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
      "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
      "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
      // Per-monitor v2, per-monitor where v2 is unknown, system-DPI aware on Vista and 7.
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
      "PerMonitor</dpiAwareness>",
  };
  for (const char* e : expected) EXPECT_NE(m.find(e), std::string::npos) << e << "\n" << m;
  // The whole document: the loader refuses a manifest cut short.
  EXPECT_EQ(m.rfind("<?xml version=\"1.0\"", 0), 0u) << m;
  EXPECT_NE(m.find("</assembly>"), std::string::npos) << m;
}
