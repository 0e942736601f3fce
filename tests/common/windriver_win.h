// Driving the real program from outside, as a user would: start it, find its
// windows, read their texts, positions and states, press their buttons.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace driver {

// Windows path of a file the build names with a Unix path (Wine maps / to Z:).
std::string HostPath(const std::string& path);

// A started process; terminated on destruction if it still runs.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts exe (Shift-JIS path) with a raw command-line tail, in folder cwd
  // (empty: the exe's folder), with environment variables overridden, on the
  // named desktop (empty: the caller's); its standard output and error go to
  // output_file (created anew) when one is named. With limited_rights it
  // runs as an administrator without elevation does: with the limited token
  // linked to this process's token.
  static Process Start(const std::string& exe, const std::string& args_tail,
                       const std::map<std::wstring, std::wstring>& env = {}, const std::string& cwd = "",
                       const std::wstring& desktop = L"", const std::string& output_file = "",
                       bool limited_rights = false);
  DWORD Id() const { return id_; }
  bool Running() const;
  // Waits for the end; false on timeout.
  bool WaitExit(int timeout_ms) const;
  DWORD ExitCode() const;
  void Kill();

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// How long a driver waits for anything the program does: a run's end, a
// window, a page. Long, because two cores are shared by several builds; only
// a failing wait ever costs it.
constexpr int kTimeout = 60000;

// Polls cond every 20 ms until it holds; false on timeout.
bool WaitUntil(const std::function<bool()>& cond, int timeout_ms);

// Visible top-level windows of a process, optionally of one class.
std::vector<HWND> TopWindows(DWORD pid, const wchar_t* cls = nullptr);
// The first such window that appears within the timeout, or nullptr.
HWND WaitForWindow(DWORD pid, const wchar_t* cls, int timeout_ms);
// The first visible top-level window of the process, of that class, that has a
// child control with that id; nullptr when none appears in time.
HWND WaitForWindowWithChild(DWORD pid, const wchar_t* cls, int child_id, int timeout_ms);
// A visible top-level window of the process and class other than except.
HWND OtherTopWindow(DWORD pid, const wchar_t* cls, HWND except);
// Same for any process whose window has the class and caption (nullptr: any).
HWND WaitForWindowAnyProcess(const wchar_t* cls, const wchar_t* caption, int timeout_ms);

std::wstring Text(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
std::vector<HWND> Children(HWND parent);
std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* cls);
HWND ChildById(HWND parent, int id);
// Client rectangle of child in its parent's client coordinates.
RECT RectInParent(HWND child);
// Size of a window's client area.
SIZE ClientSize(HWND hwnd);
RECT ScreenRect(HWND hwnd);

// Presses a button through its own message (works across processes).
void Click(HWND button);

// The control that has the keyboard focus in the thread of window (another
// process's too), or nullptr.
HWND FocusOf(HWND window);
// Waits until control has the keyboard focus in form's thread. A window
// manager may meanwhile take the activation from the whole program (when a
// window of it closes, it picks what to focus by rules of its own); a person
// then clicks the form, and the focus must come back to control, so that is
// what is checked then. Only a program with no active window at all is
// activated so: a wrong window of its own still fails.
testing::AssertionResult WaitForFocus(HWND form, HWND control, int timeout_ms);
// Presses and releases a key on the control with the focus in window's
// thread, as the keyboard does; false when no control there has the focus.
bool PressKey(HWND window, WORD vk);
// The button is drawn with the default frame (BS_DEFPUSHBUTTON).
bool DrawnAsDefault(HWND button);

// The program's own message dialog: caption, text and button captions.
struct MessageDialogContent {
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
};
MessageDialogContent ReadMessageDialog(HWND dialog);
// Waits for a message dialog of the process and presses the button with that id
// (IDOK, IDYES, ...); returns what the dialog said, or an empty caption when
// none appeared.
MessageDialogContent AnswerMessageDialog(DWORD pid, int button_id, int timeout_ms);

// Names (without folder) of running processes' programs, with their ids.
std::vector<std::pair<std::wstring, DWORD>> RunningPrograms();
// Waits until no process runs the program named (case-insensitive); false on timeout.
bool WaitNoProgram(const std::wstring& exe_name, int timeout_ms);
// The id of a running process of that program, or 0 when none appears in time.
DWORD WaitForProgram(const std::wstring& exe_name, int timeout_ms);

}  // namespace driver

namespace driver {

// The pixels of a window's client area as they are on the screen now (the
// window must be visible and uncovered there): 0x00BBGGRR values, row by row
// from the top.
class ScreenPixels {
 public:
  explicit ScreenPixels(HWND window);
  // Any rectangle of the screen.
  explicit ScreenPixels(const RECT& screen_rect);
  int Width() const { return width_; }
  int Height() const { return height_; }
  COLORREF At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

 private:
  void Capture(int left, int top, int width, int height);
  int width_ = 0, height_ = 0;
  std::vector<COLORREF> pixels_;
};

// Writes the pixels as a bottom-up 24-bit BMP file; false when it cannot.
bool SaveBmp(const ScreenPixels& shot, const std::string& path);
// Captures the window's client area until painted(capture) holds or timeout_ms
// pass; returns the last capture. Painting takes longer on a busy machine.
ScreenPixels CaptureWhenPainted(HWND window, const std::function<bool(const ScreenPixels&)>& painted, int timeout_ms);

}  // namespace driver
