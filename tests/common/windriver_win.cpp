#include "common/windriver_win.h"

#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/encoding.h"
#include "base/sjis.h"
#include "forms/message_dialog_win.h"

namespace driver {

std::string HostPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  return "Z:" + sjis::ReplaceChar(path, '/', '\\');
}

Process::~Process() {
  Kill();
  if (handle_) CloseHandle(handle_);
}

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_) {
  other.handle_ = nullptr;
  other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    if (handle_) CloseHandle(handle_);
    handle_ = other.handle_;
    id_ = other.id_;
    other.handle_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

Process Process::Start(const std::string& exe, const std::string& args_tail,
                       const std::map<std::wstring, std::wstring>& env, const std::string& cwd,
                       const std::wstring& desktop, const std::string& output_file, bool limited_rights) {
  // The environment block: ours, with the overrides applied.
  std::map<std::wstring, std::wstring> vars;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      const std::wstring entry = p;
      const size_t eq = entry.find(L'=', 1);
      if (eq != std::wstring::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [k, v] : env) {
    for (auto it = vars.begin(); it != vars.end();) {
      it = _wcsicmp(it->first.c_str(), k.c_str()) == 0 ? vars.erase(it) : std::next(it);
    }
    vars[k] = v;
  }
  std::wstring block;
  for (const auto& [k, v] : vars) block += k + L"=" + v + L'\0';
  block += L'\0';

  std::wstring command = L"\"" + enc::Wide(exe) + L"\"";
  if (!args_tail.empty()) command += L" " + enc::Wide(args_tail);
  std::wstring folder = enc::Wide(cwd);
  if (folder.empty()) {
    folder = enc::Wide(exe);
    folder = folder.substr(0, folder.find_last_of(L'\\') + 1);
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  std::wstring desktop_name = desktop;
  if (!desktop_name.empty()) si.lpDesktop = desktop_name.data();
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!output_file.empty()) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    output = CreateFileW(enc::Wide(output_file).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                         CREATE_ALWAYS, 0, nullptr);
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = output;
  }
  PROCESS_INFORMATION pi = {};
  Process p;
  const bool inherit = output != INVALID_HANDLE_VALUE;
  BOOL started = FALSE;
  if (limited_rights) {
    HANDLE own = nullptr, limited = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) &&
        GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size) &&
        DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &limited)) {
      started = CreateProcessAsUserW(limited, nullptr, command.data(), nullptr, nullptr, inherit,
                                     CREATE_UNICODE_ENVIRONMENT, block.data(), folder.c_str(), &si, &pi);
    }
    if (linked.LinkedToken) CloseHandle(linked.LinkedToken);
    if (limited) CloseHandle(limited);
    if (own) CloseHandle(own);
  } else {
    started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, inherit, CREATE_UNICODE_ENVIRONMENT,
                             block.data(), folder.c_str(), &si, &pi);
  }
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (started) {
    CloseHandle(pi.hThread);
    p.handle_ = pi.hProcess;
    p.id_ = pi.dwProcessId;
  }
  return p;
}

bool Process::Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

bool Process::WaitExit(int timeout_ms) const {
  return handle_ && WaitForSingleObject(handle_, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (handle_) GetExitCodeProcess(handle_, &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    TerminateProcess(handle_, 99);
    WaitForSingleObject(handle_, 5000);
  }
}

bool WaitUntil(const std::function<bool()>& cond, int timeout_ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (cond()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

namespace {

struct TopSearch {
  DWORD pid;
  const wchar_t* cls;
  const wchar_t* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (s->pid && pid != s->pid) return TRUE;
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (s->cls && ClassOf(hwnd) != s->cls) return TRUE;
  if (s->caption && Text(hwnd) != s->caption) return TRUE;
  s->found.push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const wchar_t* cls) {
  TopSearch s{pid, cls, nullptr, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForWindow(DWORD pid, const wchar_t* cls, int timeout_ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        const auto list = TopWindows(pid, cls);
        found = list.empty() ? nullptr : list.front();
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

HWND WaitForWindowWithChild(DWORD pid, const wchar_t* cls, int child_id, int timeout_ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : TopWindows(pid, cls))
          if (ChildById(w, child_id)) found = w;
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

HWND OtherTopWindow(DWORD pid, const wchar_t* cls, HWND except) {
  for (HWND w : TopWindows(pid, cls))
    if (w != except) return w;
  return nullptr;
}

HWND WaitForWindowAnyProcess(const wchar_t* cls, const wchar_t* caption, int timeout_ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        TopSearch s{0, cls, caption, {}};
        EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&s));
        found = s.found.empty() ? nullptr : s.found.front();
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

std::wstring Text(HWND hwnd) {
  // WM_GETTEXT reads another process's window text too.
  const LRESULT n = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(s.size()), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(got));
  return s;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256];
  const int n = GetClassNameW(hwnd, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> list;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* cls) {
  std::vector<HWND> out;
  for (HWND h : Children(parent))
    if (_wcsicmp(ClassOf(h).c_str(), cls) == 0) out.push_back(h);
  return out;
}

HWND ChildById(HWND parent, int id) {
  for (HWND h : Children(parent))
    if (GetDlgCtrlID(h) == id) return h;
  return nullptr;
}

RECT RectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE ClientSize(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT ScreenRect(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return r;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

testing::AssertionResult WaitForFocus(HWND form, HWND control, int timeout_ms) {
  const DWORD thread = GetWindowThreadProcessId(form, nullptr);
  const auto state = [thread] {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info;
  };
  bool clicked = false;
  const bool focused = WaitUntil(
      [&] {
        const GUITHREADINFO now = state();
        if (now.hwndFocus == control) return true;
        if (!now.hwndActive && !clicked) clicked = SetForegroundWindow(form) != FALSE;
        return false;
      },
      timeout_ms);
  if (focused) return testing::AssertionSuccess();
  const GUITHREADINFO now = state();
  return testing::AssertionFailure() << "the focus is in a " << enc::Narrow(ClassOf(now.hwndFocus)) << " \""
                                     << enc::Narrow(Text(now.hwndFocus)) << "\", the active window is a "
                                     << enc::Narrow(ClassOf(now.hwndActive)) << " \"" << enc::Narrow(Text(now.hwndActive))
                                     << "\"";
}

bool PressKey(HWND window, WORD vk) {
  HWND focus = FocusOf(window);
  if (!focus) return false;
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  // Posted, as the keyboard's own messages are: the program's message loop
  // (and its dialog manager) sees them.
  return PostMessageW(focus, WM_KEYDOWN, vk, scan | 1) &&
         PostMessageW(focus, WM_KEYUP, vk, scan | static_cast<LPARAM>(0xC0000001u));
}

bool DrawnAsDefault(HWND button) {
  return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

MessageDialogContent ReadMessageDialog(HWND dialog) {
  MessageDialogContent c;
  c.caption = Text(dialog);
  if (HWND label = ChildById(dialog, kMessageTextId)) c.text = Text(label);
  for (HWND b : ChildrenOfClass(dialog, L"Button")) c.buttons.push_back(Text(b));
  return c;
}

MessageDialogContent AnswerMessageDialog(DWORD pid, int button_id, int timeout_ms) {
  HWND dialog = WaitForWindow(pid, kMessageDialogClass, timeout_ms);
  if (!dialog) return {};
  MessageDialogContent c = ReadMessageDialog(dialog);
  if (HWND button = ChildById(dialog, button_id)) Click(button);
  // The dialog is gone before the caller looks again.
  WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeout_ms);
  return c;
}

std::vector<std::pair<std::wstring, DWORD>> RunningPrograms() {
  std::vector<std::pair<std::wstring, DWORD>> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W e = {};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) out.emplace_back(e.szExeFile, e.th32ProcessID);
  CloseHandle(snap);
  return out;
}

bool WaitNoProgram(const std::wstring& exe_name, int timeout_ms) {
  return WaitUntil(
      [&] {
        for (const auto& [name, pid] : RunningPrograms())
          if (_wcsicmp(name.c_str(), exe_name.c_str()) == 0) return false;
        return true;
      },
      timeout_ms);
}

DWORD WaitForProgram(const std::wstring& exe_name, int timeout_ms) {
  DWORD found = 0;
  WaitUntil(
      [&] {
        for (const auto& [name, pid] : RunningPrograms())
          if (_wcsicmp(name.c_str(), exe_name.c_str()) == 0) found = pid;
        return found != 0;
      },
      timeout_ms);
  return found;
}

}  // namespace driver

namespace driver {

ScreenPixels::ScreenPixels(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  Capture(origin.x, origin.y, client.right, client.bottom);
}

ScreenPixels::ScreenPixels(const RECT& r) { Capture(r.left, r.top, r.right - r.left, r.bottom - r.top); }

ScreenPixels CaptureWhenPainted(HWND window, const std::function<bool(const ScreenPixels&)>& painted, int timeout_ms) {
  ScreenPixels shot(window);
  WaitUntil(
      [&] {
        shot = ScreenPixels(window);
        return painted(shot);
      },
      timeout_ms);
  return shot;
}

void ScreenPixels::Capture(int left, int top, int width, int height) {
  width_ = width;
  height_ = height;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width_;
  bi.bmiHeader.biHeight = -height_;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, width_, height_, screen, left, top, SRCCOPY);
  GdiFlush();
  pixels_.resize(static_cast<size_t>(width_) * height_);
  const auto* p = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const uint32_t v = p[i];  // 0x00RRGGBB in a DIB section
    pixels_[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

bool SaveBmp(const ScreenPixels& shot, const std::string& path) {
  const int w = shot.Width(), h = shot.Height();
  const size_t stride = ((w * 24 + 31) / 32) * 4;
  std::vector<uint8_t> rows(stride * h, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rows.data() + stride * (h - 1 - y);  // bottom row first
    for (int x = 0; x < w; ++x) {
      const COLORREF c = shot.At(x, y);
      row[3 * x] = GetBValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetRValue(c);
    }
  }
  BITMAPINFOHEADER bh = {};
  bh.biSize = sizeof bh;
  bh.biWidth = w;
  bh.biHeight = h;
  bh.biPlanes = 1;
  bh.biBitCount = 24;
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bh;
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + rows.size());
  FILE* f = _wfopen(enc::Wide(path).c_str(), L"wb");
  if (!f) return false;
  const bool ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bh, sizeof bh, 1, f) == 1 &&
                  fwrite(rows.data(), rows.size(), 1, f) == 1;
  return fclose(f) == 0 && ok;
}

}  // namespace driver
