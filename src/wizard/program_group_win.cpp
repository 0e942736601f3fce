#include "wizard/program_group_win.h"

#include <windows.h>
#include <ddeml.h>
#include <shlobj.h>

#include "base/encoding.h"
#include "wizard/delete_rules.h"

namespace {

// The command is handed over and not followed: the group's removal is the
// shell's business, and a slow shell must not hold the uninstallation up
// for long. A few seconds are far more than Wine's and Windows' shells need.
constexpr DWORD kExecuteTimeoutMs = 5000;

HDDEDATA CALLBACK IgnoreDdeEvents(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// A client-only DDE instance, uninitialised on destruction.
class DdeInstance {
 public:
  DdeInstance() {
    if (DdeInitializeW(&id_, IgnoreDdeEvents, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) id_ = 0;
  }
  ~DdeInstance() {
    if (id_) DdeUninitialize(id_);
  }
  DdeInstance(const DdeInstance&) = delete;
  DdeInstance& operator=(const DdeInstance&) = delete;
  DWORD Id() const { return id_; }

 private:
  DWORD id_ = 0;
};

class DdeString {
 public:
  DdeString(const DdeInstance& instance, const wchar_t* text)
      : instance_(instance.Id()), handle_(DdeCreateStringHandleW(instance.Id(), text, CP_WINUNICODE)) {}
  ~DdeString() {
    if (handle_) DdeFreeStringHandle(instance_, handle_);
  }
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  HSZ Handle() const { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_;
};

class DdeConversation {
 public:
  DdeConversation(const DdeInstance& instance, const DdeString& service, const DdeString& topic)
      : conv_(DdeConnect(instance.Id(), service.Handle(), topic.Handle(), nullptr)) {}
  ~DdeConversation() {
    if (conv_) DdeDisconnect(conv_);
  }
  DdeConversation(const DdeConversation&) = delete;
  DdeConversation& operator=(const DdeConversation&) = delete;
  HCONV Handle() const { return conv_; }

 private:
  HCONV conv_;
};

}  // namespace

namespace {

// The name the group is asked for by. Some shells take the command's text
// through the system's ANSI code page and lose what it cannot hold (Wine
// under a Western locale cuts a Japanese title off): such a title is given
// as the short form of the group's folder name, which names the same folder.
std::string GroupName(const std::string& title) {
  const std::wstring wide = enc::Wide(title);
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (!lossy) return title;
  wchar_t programs[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAMS, FALSE)) return title;
  const std::wstring folder = std::wstring(programs) + L"\\" + wide;
  wchar_t short_path[MAX_PATH];
  const DWORD n = GetShortPathNameW(folder.c_str(), short_path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return title;
  const std::wstring path(short_path, n);
  return enc::Narrow(path.substr(path.find_last_of(L'\\') + 1));
}

}  // namespace

bool DeleteProgramGroup(const std::string& title) {
  const std::optional<std::string> text = DeleteGroupCommand(GroupName(title));
  if (!text) return false;
  const DdeInstance instance;
  if (!instance.Id()) return false;
  const DdeString progman(instance, L"PROGMAN");
  if (!progman.Handle()) return false;
  const DdeConversation conversation(instance, progman, progman);
  if (!conversation.Handle()) return false;
  std::wstring command = enc::Wide(*text);
  DWORD result = 0;
  DdeClientTransaction(reinterpret_cast<BYTE*>(command.data()), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)),
                       conversation.Handle(), nullptr, 0, XTYP_EXECUTE, kExecuteTimeoutMs, &result);
  return true;
}
