#include "install/shell_link_win.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "base/system_string_win.h"
#include "os/files_win.h"
#include "os/shell_win.h"

namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T** Out() { return &p_; }
  void** OutVoid() { return reinterpret_cast<void**>(&p_); }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// A path for the link object. Some systems' link objects keep the target in
// the system's ANSI code page as well and hand that back, so a path that
// page cannot hold (Japanese folders on a Western system) is given in its
// short form, which it can, when the file system has one.
std::wstring LinkPath(const std::string& path) {
  const std::wstring wide = enc::Wide(path);
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (!lossy) return wide;
  const std::wstring short_path =
      SystemString([&](wchar_t* buf, DWORD size) { return GetShortPathNameW(wide.c_str(), buf, size); });
  return short_path.empty() ? wide : short_path;
}

int ShowCommand(TWindowState state) {
  switch (state) {
    case TWindowState::wsMinimized: return SW_MINIMIZE;
    case TWindowState::wsMaximized: return SW_SHOWMAXIMIZED;
    case TWindowState::wsNormal: break;
  }
  return SW_SHOWNORMAL;
}

}  // namespace

uint16_t TShellLink::HotKeyWord(uint16_t hot_key) {
  uint16_t word = hot_key & 0x1FFF;
  if (hot_key & 0x2000) word |= HOTKEYF_SHIFT << 8;
  if (hot_key & 0x4000) word |= HOTKEYF_CONTROL << 8;
  if (hot_key & 0x8000) word |= HOTKEYF_ALT << 8;
  return word;
}

void TShellLink::SetFileName(const std::string& file_name) {
  file_name_ = file_name;
  if (Description.empty()) Description = ChangeFileExt(ExtractFileName(file_name), "");
  if (WorkDir.empty()) WorkDir = ExtractFileDir(file_name);
}

std::string TShellLink::Folder() const {
  LPITEMIDLIST pidl = nullptr;
  // The owner window is reserved: the shortcuts need no window (a run without windows writes them too).
  if (FAILED(SHGetSpecialFolderLocation(nullptr, LinkType, &pidl)) || !pidl)
    throw EShellLinkError("Error in GetSpecialFolderLocation");
  wchar_t path[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(pidl, path);
  CoTaskMemFree(pidl);
  if (!ok) throw EShellLinkError("Error in GetSpecialFolderLocation");
  std::string folder = AddTrailingDelimiter(enc::NarrowPath(path));  // a profile such as "Zoë": its short form
  if (!SubDir.empty()) {
    // The sub-folder is the package's title: it must stay below the special folder.
    if (!IsSafeRelativeName(SubDir)) throw EShellLinkError(Format("%s:フォルダ名に使えない文字があります", SubDir.c_str()));
    folder += SubDir + "\\";
  }
  return folder;
}

void TShellLink::CreateLink() {
  if (file_name_.empty()) SetFileName(ProgramFileName());
  const uint16_t hot_key = HotKeyWord(HotKey);
  const std::string folder = Folder();
  if (!fs::MakeDirectories(folder)) throw EShellLinkError(Format("%s:フォルダを作成できません", folder.c_str()));
  if (!IsSafeRelativeName(Name) || sjis::FindChar(Name, '\\') != std::string::npos ||
      sjis::FindChar(Name, '/') != std::string::npos)
    throw EShellLinkError(Format("%s:ショートカットの名前に使えない文字があります", Name.c_str()));
  const std::string link_file = folder + Name + ".lnk";

  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.OutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())))
    throw EShellLinkError("Error in QueryInterface");
  link->SetDescription(enc::Wide(Description).c_str());
  link->SetPath(LinkPath(file_name_).c_str());
  link->SetWorkingDirectory(LinkPath(WorkDir).c_str());
  link->SetArguments(enc::Wide(Arguments).c_str());
  link->SetHotkey(hot_key);
  link->SetShowCmd(ShowCommand(WindowState));
  link->SetIconLocation(LinkPath(file_name_).c_str(), IconIndex);
  if (FAILED(file->Save(enc::Wide(link_file).c_str(), TRUE)))
    throw EShellLinkError(Format("%s:ショートカットを作成できません", link_file.c_str()));
  link_file_ = link_file;
}

void TShellLink::OpenFolder() {
  const std::string folder = Folder();
  ShellOpen(folder, "", folder, SW_SHOW);
}

void CreateShortcut(const std::string& name, const std::string& file_name, const std::string& arguments,
                    const std::string& description, const std::string& work_dir, TShellLinkType link_type,
                    const std::string& sub_dir, TWindowState window_state, uint16_t hot_key, int32_t icon_index) {
  TShellLink link;
  link.Arguments = arguments;
  link.Description = description;
  link.SetFileName(file_name);
  link.HotKey = hot_key;
  link.IconIndex = icon_index;
  link.LinkType = link_type;
  link.WindowState = window_state;
  link.WorkDir = work_dir;
  link.SubDir = sub_dir;
  link.Name = name;
  link.CreateLink();
}

void OpenSpecialFolder(TShellLinkType link_type, const std::string& sub_dir) {
  TShellLink link;
  link.LinkType = link_type;
  link.SubDir = sub_dir;
  link.OpenFolder();
}
