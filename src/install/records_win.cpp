#include "install/records_win.h"

#include "base/format.h"
#include "base/fs.h"
#include "base/safe_names.h"
#include "install/shell_link_win.h"

void WriteSettingsRecord(const TZefoInstallSet& settings, const std::string& target_dir) {
  const std::string file = target_dir + "install.dat";
  if (settings.AddOn && fs::FileExists(file)) {
    TZefoInstallSet installed;
    installed.LoadFromFile(file);
    for (const std::string& name : settings.InstalledFiles) installed.AddInstalledFile(name);
    installed.SaveToFile(file);
  } else {
    settings.SaveToFile(file);
  }
}

namespace {

std::string InstalledFile(const std::string& target_dir, const std::string& name) {
  if (!IsSafeRelativeName(name)) throw EError(Format("%s:インストール先の外を指しています", name.c_str()));
  return target_dir + name;
}

}  // namespace

void CreateShortcuts(const TZefoInstallSet& s, const std::string& dir, bool open_group) {
  const std::string uninstall = s.Title + "のアンインストール";
  const std::string readme = "お読みください";
  // A package without a game program (an empty GameExe) has no game shortcut.
  if (!s.GameExe.empty())
    CreateShortcut(s.Title, InstalledFile(dir, s.GameExe), "", s.Title, dir, lnkPrograms, s.Title,
                   TWindowState::wsNormal, 0, 0);
  CreateShortcut(uninstall, dir + "install.exe", "", uninstall, dir, lnkPrograms, s.Title, TWindowState::wsNormal, 0,
                 1);
  if (!s.ReadmeFile.empty())
    CreateShortcut(readme, InstalledFile(dir, s.ReadmeFile), "", readme, dir, lnkPrograms, s.Title,
                   TWindowState::wsNormal, 0, 0);
  if (open_group) OpenSpecialFolder(lnkPrograms, s.Title);
}
