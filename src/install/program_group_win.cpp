#include "install/program_group_win.h"

#include <windows.h>
#include <ddeml.h>
#include <shlobj.h>

#include <optional>

#include "base/encoding.h"
#include "install/delete_rules.h"

namespace {

// The command is handed over and waited for a few seconds at most: a slow
// shell must not hold the uninstallation up for long, and the caller looks at
// the folder afterwards in any case.
constexpr DWORD kExecuteTimeoutMs = 5000;

HDDEDATA CALLBACK IgnoreDdeEvents(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// A client-only DDE instance, ANSI or Unicode, uninitialised on destruction.
class DdeInstance {
 public:
  explicit DdeInstance(bool ansi) : ansi_(ansi) {
    const UINT r = ansi ? DdeInitializeA(&id_, IgnoreDdeEvents, APPCMD_CLIENTONLY, 0)
                        : DdeInitializeW(&id_, IgnoreDdeEvents, APPCMD_CLIENTONLY, 0);
    if (r != DMLERR_NO_ERROR) id_ = 0;
  }
  ~DdeInstance() {
    if (id_) DdeUninitialize(id_);
  }
  DdeInstance(const DdeInstance&) = delete;
  DdeInstance& operator=(const DdeInstance&) = delete;
  DWORD Id() const { return id_; }
  bool Ansi() const { return ansi_; }

 private:
  bool ansi_;
  DWORD id_ = 0;
};

class DdeString {
 public:
  explicit DdeString(const DdeInstance& instance)
      : instance_(instance.Id()),
        handle_(instance.Ansi() ? DdeCreateStringHandleA(instance.Id(), "PROGMAN", CP_WINANSI)
                                : DdeCreateStringHandleW(instance.Id(), L"PROGMAN", CP_WINUNICODE)) {}
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
  DdeConversation(const DdeInstance& instance, const DdeString& service)
      : conv_(DdeConnect(instance.Id(), service.Handle(), service.Handle(), nullptr)) {}
  ~DdeConversation() {
    if (conv_) DdeDisconnect(conv_);
  }
  DdeConversation(const DdeConversation&) = delete;
  DdeConversation& operator=(const DdeConversation&) = delete;
  HCONV Handle() const { return conv_; }

 private:
  HCONV conv_;
};

// The title in the system's ANSI code page when it fits exactly, else nothing.
std::optional<std::string> InAnsiCodePage(const std::string& title) {
  const std::wstring wide = enc::Wide(title);
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, &lossy);
  if (lossy || n <= 0) return std::nullopt;
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()), ansi.data(), n,
                      nullptr, &lossy);
  // Some code pages map a character to one that reads back as another.
  const int back = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), n, nullptr, 0);
  std::wstring round(static_cast<size_t>(back > 0 ? back : 0), L'\0');
  if (back > 0) MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), n, round.data(), back);
  if (lossy || round != wide) return std::nullopt;
  return ansi;
}

// The name a Unicode conversation asks for the group by. Some shells take the
// command's text through the system's ANSI code page and lose what it cannot
// hold (Wine under a Western locale cuts a Japanese title off): such a title
// is given as the short form of the group's folder name, which names the
// same folder.
std::string GroupName(const std::string& title) {
  const std::wstring wide = enc::Wide(title);
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
  // The title is judged as it is, before any conversion: a name the shell
  // would read otherwise is never sent.
  const std::optional<std::string> command = DeleteGroupCommand(title);
  if (!command) return false;
  const std::optional<std::string> ansi = InAnsiCodePage(title);
  const std::string text = ansi ? "[DeleteGroup(\"" + *ansi + "\")]" : "[DeleteGroup(\"" + GroupName(title) + "\")]";

  const DdeInstance instance(ansi.has_value());
  if (!instance.Id()) return false;
  const DdeString progman(instance);
  if (!progman.Handle()) return false;
  const DdeConversation conversation(instance, progman);
  if (!conversation.Handle()) return false;
  DWORD result = 0;
  HDDEDATA done;
  if (ansi) {
    std::string data = text;
    done = DdeClientTransaction(reinterpret_cast<BYTE*>(data.data()), static_cast<DWORD>(data.size() + 1),
                                conversation.Handle(), nullptr, 0, XTYP_EXECUTE, kExecuteTimeoutMs, &result);
  } else {
    std::wstring data = enc::Wide(text);
    done = DdeClientTransaction(reinterpret_cast<BYTE*>(data.data()),
                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)), conversation.Handle(),
                                nullptr, 0, XTYP_EXECUTE, kExecuteTimeoutMs, &result);
  }
  return done != nullptr;
}
