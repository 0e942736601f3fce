#include "install/destination_facts_win.h"

#include <windows.h>
#include <shlobj.h>

#include "base/encoding.h"
#include "base/file_name_compare.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "base/system_path.h"
#include "base/system_string_win.h"
#include "os/elevation_win.h"
#include "os/exact_delete_win.h"
#include "os/files_win.h"
#include "os/owned_handle_win.h"
#include "os/registry_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "settings/registry_key_rule.h"
#include "install/copy_work_win.h"
#include "install/delete_rules.h"
#include "install/medium_files_win.h"
#include "install/selection.h"
#include "install/uninstall_entry_win.h"

namespace {

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::wstring W(const std::u16string& u) { return std::wstring(u.begin(), u.end()); }

// Where a link leads, at the end of every link on the way.
std::optional<std::u16string> FollowedName(const std::wstring& path, DWORD* error) {
  const OwnedHandle h(CreateFileW(W(LongPathForm(U16(path))).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.IsOpen()) {
    *error = GetLastError();
    return std::nullopt;
  }
  const std::wstring name = FinalNameOf(h.Get(), path);
  *error = name.empty() ? ERROR_INVALID_NAME : 0;
  if (name.empty()) return std::nullopt;
  return U16(name);
}

std::wstring ShellFolder(int csidl) {
  wchar_t buf[MAX_PATH];  // the call's own fixed size
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return buf;
}

// A folder by its text, its own name and where a link of it leads.
void AddForms(const std::wstring& folder, std::vector<std::u16string>* forms) {
  if (folder.empty()) return;
  forms->push_back(U16(folder));
  const TFinalPath own = FinalPathOf(folder);
  if (!own.name.empty()) forms->push_back(U16(own.name));
  DWORD error = 0;
  if (const std::optional<std::u16string> followed = FollowedName(folder, &error)) forms->push_back(*followed);
}

// The installed-programs entries of root that name target, but this title's own.
void EntriesNaming(HKEY root, const std::u16string& target, const std::string& own_entry, TFolderClaims* claims) {
  const RegKey uninstall = RegKey::Open(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", KEY_READ);
  for (const std::string& name : uninstall.SubKeyNames()) {
    if (root == HKEY_CURRENT_USER && sjis::EqualsNoCase(name, own_entry)) continue;
    const RegKey entry = RegKey::Open(uninstall.Handle(), name, KEY_READ);
    std::string location, display;
    if (!entry.QueryString("InstallLocation", &location) || location.empty()) continue;
    const std::optional<std::string> normal = NormalizeInstallFolder(location);
    if (!normal) continue;
    const std::optional<std::u16string> real = FinalFolderOf(*normal);
    if (!SameFileName(WithoutTrailingDelimiters(real ? *real : enc::SjisToUtf16(*normal)), target)) continue;
    claims->entries.push_back(entry.QueryString("DisplayName", &display) && !display.empty() ? display : name);
  }
}

// Keys below HKEY_CURRENT_USER\Software whose "InstallPath" names target, to
// the depth a "company\product" key and one level more reach.
void KeysNaming(const RegKey& key, const std::string& path, int depth, const std::u16string& target,
                const std::string& own_key, TFolderClaims* claims) {
  std::string value;
  if (!path.empty() && !sjis::EqualsNoCase(path, own_key) && key.QueryString("InstallPath", &value)) {
    const std::optional<std::string> normal = NormalizeInstallFolder(value);
    const std::optional<std::u16string> real = normal ? FinalFolderOf(*normal) : std::nullopt;
    if (normal && SameFileName(WithoutTrailingDelimiters(real ? *real : enc::SjisToUtf16(*normal)), target))
      claims->install_path_keys.push_back(path);
  }
  if (depth == 3) return;
  for (const std::string& name : key.SubKeyNames()) {
    // The system's own classes are no product's key, and many.
    if (path.empty() && sjis::EqualsNoCase(name, "Classes")) continue;
    const RegKey sub = RegKey::Open(key.Handle(), name, KEY_READ);
    if (sub.IsOpen()) KeysNaming(sub, path.empty() ? name : path + "\\" + name, depth + 1, target, own_key, claims);
  }
}

}  // namespace

std::optional<std::u16string> FinalFolderOf(const std::string& folder) {
  std::wstring path = enc::Wide(RemoveTrailingBackslash(folder));
  std::wstring rest;
  for (;;) {
    DWORD error = 0;
    if (std::optional<std::u16string> real = FollowedName(path, &error)) {
      while (!real->empty() && (real->back() == u'\\' || real->back() == u'/')) real->pop_back();
      return *real + U16(rest);
    }
    // Only a part that is not there is appended as given: one that is there
    // but cannot be opened (denied, a link to nowhere) is no folder to judge.
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    if (!missing || GetFileAttributesW(W(LongPathForm(U16(path))).c_str()) != INVALID_FILE_ATTRIBUTES)
      return std::nullopt;
    const size_t cut = path.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut < 2) return std::nullopt;
    rest = path.substr(cut) + rest;
    path.resize(cut);
    if (path.size() == 2 && path[1] == L':') path += L'\\';  // a drive's root is "C:\"
  }
}

bool RemovableRealFolder(const std::string& folder) {
  const std::wstring windows =
      SystemString([](wchar_t* buf, DWORD size) { return GetWindowsDirectoryW(buf, static_cast<UINT>(size)); });
  std::vector<std::u16string> windows_forms, kept;
  AddForms(windows, &windows_forms);
  AddForms(enc::Wide(RemoveTrailingBackslash(SpecialFolderPath(kCsidlProgramFiles))), &kept);
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS,
                    CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
    AddForms(ShellFolder(csidl), &kept);
  const std::u16string real = enc::SjisToUtf16(folder);
  for (const std::u16string& w : windows_forms) {
    if (!IsRemovableInstallFolder(real, w, kept)) return false;
  }
  return IsRemovableInstallFolder(real, u"", kept);
}

TFolderClaims ClaimsOn(const std::string& target, const TZefoInstallSet& s) {
  TFolderClaims claims;
  const std::string settings = target + "install.dat";
  if (fs::FileExists(settings)) {
    claims.settings_file = true;
    try {
      TZefoInstallSet installed;
      installed.LoadFromFile(settings);
      claims.settings_readable = true;
      claims.settings_title = installed.Title;
    } catch (const EError&) {
    }
  }
  const std::u16string folder = WithoutTrailingDelimiters(enc::SjisToUtf16(target));
  const RegKey software = RegKey::Open(HKEY_CURRENT_USER, "Software", KEY_READ);
  KeysNaming(software, "", 0, folder, OwnedRegistryKeyPath(s.RegistryKey).value_or(""), &claims);
  const std::string own_entry = UninstallEntryName(s.Title);
  EntriesNaming(HKEY_CURRENT_USER, folder, own_entry, &claims);
  EntriesNaming(HKEY_LOCAL_MACHINE, folder, own_entry, &claims);
  return claims;
}

std::vector<std::string> InstalledNamesOf(const TWizardContext& context) {
  const TZefoInstallSet& s = *context.settings;
  std::vector<std::string> names = {"install.dat", "install.exe", "game.dat", "game.ext"};
  if (!s.GameExe.empty()) names.push_back(s.GameExe);
  if (!s.ReadmeFile.empty()) names.push_back(s.ReadmeFile);
  if (!s.FromArchive && !context.source_folder.empty()) {
    for (TMediumFile& f : ListMediumLooseFiles(context.source_folder, s)) names.push_back(std::move(f.rel));
  }
  if (s.FromArchive && context.archive) {
    for (int32_t i = 0; i < context.archive->Count(); ++i) {
      const TVrFile& e = context.archive->Files(i);
      if (e.LooseFile && !e.Name().empty() && e.Name()[0] != '/') names.push_back(e.Name());
    }
  }
  return names;
}

TDestinationFacts DestinationFactsFor(const TWizardContext& context, const std::string& folder_text,
                                      int64_t need_bytes, bool builds_data) {
  const TZefoInstallSet& s = *context.settings;
  TDestinationFacts facts;
  facts.folder_text = folder_text;
  facts.system_install = s.IsSystemInstall();
  facts.add_on = s.AddOn != 0;
  facts.builds_data = builds_data;
  facts.title = s.Title;
  facts.need_bytes = need_bytes;
  facts.removable = [](const std::string& folder) { return RemovableRealFolder(folder); };
  facts.holds_installation = [&s](const std::string& target) { return HoldsInstallationOf(target, s.Title); };
  facts.free_bytes = [](const std::string& root) { return FreeBytesAt(root); };
  facts.recorded_names = [&s](const std::string& target) { return RecordedNamesOf(target, s.Title); };
  facts.final_folder = [](const std::string& folder) { return FinalFolderOf(folder); };
  facts.claims = [&s](const std::string& target) { return ClaimsOn(target, s); };
  facts.installed_names = InstalledNamesOf(context);
  return facts;
}

TFolderAccess TrialFolderAccess(const std::string& folder, TRunLog* log) {
  const TTrialWrite trial = TrialWrite(folder, TrialFolderName(GetCurrentProcessId(), GetTickCount()));
  if (!trial.left_behind.empty() && log)
    log->Line(TrialLeftText(trial.left_behind,
                            trial.remove_error ? SystemErrorText(trial.remove_error) : "still there after its removal",
                            trial.removal_scheduled));
  return FolderAccessOf(trial.error);
}
