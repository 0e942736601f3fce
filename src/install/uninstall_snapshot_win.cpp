#include "install/uninstall_snapshot_win.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <unordered_map>

#include "base/encoding.h"
#include "base/file_name_compare.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "base/system_string_win.h"
#include "os/exact_delete_win.h"
#include "os/owned_handle_win.h"
#include "os/registry_win.h"
#include "base/file_name_compare.h"
#include "settings/package_rules.h"
#include "install/delete_rules.h"
#include "install/install_journal.h"
#include "settings/registry_key_rule.h"
#include "install/uninstall_entry_win.h"

namespace {

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }

std::wstring ShellFolder(int csidl) {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  const TFinalPath final_path = FinalPathOf(buf);
  return final_path.name.empty() ? std::wstring(buf) : final_path.name;
}

// COM for the shell's link objects, for as long as the snapshot takes.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

// The target a shortcut file names, as the file system names it when it
// exists; "" when the file is no shortcut.
std::wstring LinkTarget(const std::wstring& link_file) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return {};
  std::wstring target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(link_file.c_str(), STGM_READ)) &&
        link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK && path[0]) {
      const TFinalPath final_path = FinalPathOf(path);
      target = final_path.name.empty() ? std::wstring(path) : final_path.name;
    }
    file->Release();
  }
  link->Release();
  return target;
}

bool IsLinkAttributes(DWORD a) { return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The facts of the recorded files, read a folder at a time: each folder on
// the way is looked at once, named once by the file system and listed once,
// so that a file costs no system call of its own. Opening every file here
// and again to delete it cost more than the deletion itself. A plain file
// listed in a folder that is no link is named by the folder's name and its
// listed name: that is the name the file system gives it, and the deletion
// still compares the name of the handle it deletes through with it. Anything
// else (a link, a folder that cannot be listed or named) is opened and
// named on its own, as before.
class TFactsReader {
 public:
  explicit TFactsReader(std::wstring folder) : folder_(std::move(folder)) {}

  TFileFacts FactsOf(const std::string& name) {
    TFileFacts facts;
    const std::wstring wname = enc::Wide(name);
    const size_t cut = wname.find_last_of(L"\\/");
    const std::wstring dir = cut == std::wstring::npos ? std::wstring() : wname.substr(0, cut);
    facts.link_on_way = PassesThroughLink(wname);
    if (facts.link_on_way) return facts;
    const TFolder& folder = Folder(dir);
    if (folder.listed) {
      const auto it = folder.entries.find(FoldName(U16(wname.substr(cut == std::wstring::npos ? 0 : cut + 1))));
      if (it == folder.entries.end()) return facts;  // not there
      const DWORD a = it->second.attributes;
      if (!IsLinkAttributes(a)) {
        facts.exists = true;
        facts.folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
        facts.final_path = folder.final_name + u"\\" + it->second.name;
        return facts;
      }
    }
    const TFinalPath f = FinalPathOf(folder_ + wname);
    facts.exists = f.exists;
    facts.folder = f.folder;
    facts.final_path = U16(f.name);
    facts.open_error = f.error;
    return facts;
  }

 private:
  struct TEntry {
    std::u16string name;  // as listed
    DWORD attributes = 0;
  };
  struct TFolder {
    bool listed = false;
    std::u16string final_name;
    std::unordered_map<std::u16string, TEntry> entries;  // by folded name
  };

  // True when a folder between the install folder and name (name's own last
  // part excluded) is a link. name passed the name check: no empty parts.
  bool PassesThroughLink(const std::wstring& name) {
    for (size_t i = name.find_first_of(L"\\/"); i != std::wstring::npos; i = name.find_first_of(L"\\/", i + 1)) {
      const std::u16string key = FoldName(U16(name.substr(0, i)));
      auto it = link_.find(key);
      if (it == link_.end())
        it = link_.emplace(key, IsLinkAttributes(GetFileAttributesW((folder_ + name.substr(0, i)).c_str()))).first;
      if (it->second) return true;
    }
    return false;
  }

  const TFolder& Folder(const std::wstring& dir) {
    const std::u16string key = FoldName(U16(dir));
    const auto found = folders_.find(key);
    if (found != folders_.end()) return found->second;
    TFolder& folder = folders_[key];
    const std::wstring path = dir.empty() ? folder_.substr(0, folder_.size() - 1) : folder_ + dir;
    const TFinalPath f = FinalPathOf(path);
    if (!f.exists || !f.folder || f.link || f.name.empty()) return folder;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return folder;
    do {
      const std::u16string name = U16(data.cFileName);
      if (name == u"." || name == u"..") continue;
      folder.entries[FoldName(name)] = {name, data.dwFileAttributes};
    } while (FindNextFileW(find, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    if (!complete) {
      folder.entries.clear();
      return folder;
    }
    folder.final_name = WithoutTrailingDelimiters(U16(f.name));
    folder.listed = true;
    return folder;
  }

  std::wstring folder_;  // with a trailing delimiter
  std::unordered_map<std::u16string, bool> link_;
  std::unordered_map<std::u16string, TFolder> folders_;
};

void SnapshotGroup(const TZefoInstallSet& s, TUninstallSnapshot& snap) {
  snap.programs_folder = U16(ProgramsFolder());
  for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS, CSIDL_STARTMENU,
                    CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_ALTSTARTUP, CSIDL_COMMON_ALTSTARTUP}) {
    const std::wstring folder = ShellFolder(csidl);
    if (!folder.empty()) snap.shell_folders.push_back(U16(folder));
  }
  if (!IsSingleFolderName(s.Title) || snap.programs_folder.empty()) return;
  const std::wstring programs(snap.programs_folder.begin(), snap.programs_folder.end());
  const std::wstring group = programs + L"\\" + enc::Wide(s.Title);
  if (const std::optional<std::string> command = DeleteGroupCommand(s.Title)) {
    if (const std::optional<std::string> read = GroupTheShellReads(*command); read && !read->empty())
      snap.shell_group_final = U16(FinalPathOf(programs + L"\\" + enc::Wide(*read)).name);
  }
  const TFinalPath f = FinalPathOf(group);
  if (!f.exists) return;
  snap.group_exists = true;
  snap.group_is_link = f.link;
  snap.group_final = U16(f.name);
  if (f.link || !f.folder || f.name.empty()) return;

  const ComScope com;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((f.name + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    TGroupItem item;
    item.name = U16(name);
    item.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || IsLinkAttributes(data.dwFileAttributes);
    if (!item.folder) item.target = U16(LinkTarget(f.name + L"\\" + name));
    snap.group_items.push_back(std::move(item));
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// The images of the running processes that lie in the install folder.
void SnapshotRunningImages(TUninstallSnapshot& snap) {
  if (snap.install_final.empty()) return;
  const OwnedHandle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes.IsOpen()) return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(processes.Get(), &entry); more; more = Process32NextW(processes.Get(), &entry)) {
    const OwnedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process.IsOpen()) continue;
    std::wstring image(32768, L'\0');
    DWORD n = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(process.Get(), 0, image.data(), &n)) continue;
    image.resize(n);
    const TFinalPath f = FinalPathOf(image);
    const std::u16string name = U16(f.name.empty() ? image : f.name);
    if (IsInsideFolder(name, snap.install_final)) snap.running_images.push_back(name);
  }
}

void SnapshotRegistry(const TZefoInstallSet& s, TUninstallSnapshot& snap) {
  if (const std::optional<std::string> path = OwnedRegistryKeyPath(s.RegistryKey)) {
    const RegKey key = RegKey::Open(HKEY_CURRENT_USER, "Software\\" + *path, KEY_READ);
    std::string value;
    if (key.QueryString("InstallPath", &value)) {
      snap.install_path = value;
      const TFinalPath f = FinalPathOf(enc::Wide(value));
      snap.install_path_final = U16(f.name);
    }
    snap.cd_drive = key.HasValue("CDDrive");
    if (key.QueryString(kMadeFoldersValue, &value)) snap.made_folders = value;
  }
  snap.entry_location = UninstallEntryLocation(s.Title);
}

}  // namespace

std::wstring ProgramsFolder() { return ShellFolder(CSIDL_PROGRAMS); }

TUninstallSnapshot TakeUninstallSnapshot(const TZefoInstallSet& s, const std::string& install_folder,
                                         bool delete_save_data) {
  TUninstallSnapshot snap;
  const std::wstring folder = enc::Wide(AddTrailingDelimiter(install_folder));
  // Without its delimiter: a linked folder is then looked at, not entered.
  const TFinalPath install = FinalPathOf(enc::Wide(RemoveTrailingDelimiter(install_folder)));
  snap.install_final = U16(install.name);
  snap.install_is_link = install.link;
  const std::wstring windows =
      SystemString([](wchar_t* buf, DWORD size) { return GetWindowsDirectoryW(buf, static_cast<UINT>(size)); });
  if (!windows.empty()) {
    const TFinalPath w = FinalPathOf(windows);
    snap.windows_folder = U16(w.name.empty() ? windows : w.name);
  }
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS,
                    CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    const std::wstring kept = ShellFolder(csidl);
    if (!kept.empty()) snap.kept_folders.push_back(U16(kept));
  }
  if (!snap.install_final.empty() && !install.link) {
    TFactsReader reader(folder);
    for (const std::string& name : UninstallCandidates(s, delete_save_data)) snap.files[name] = reader.FactsOf(name);
  }
  SnapshotGroup(s, snap);
  SnapshotRegistry(s, snap);
  SnapshotRunningImages(snap);
  return snap;
}
