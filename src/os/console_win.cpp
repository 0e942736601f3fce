#include "os/console_win.h"

#include <windows.h>

#include "base/encoding.h"

void WriteToParentConsole(const std::string& sjis_text) {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // The standard handles of a GUI program are not the console's: open it by name.
  const HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    const std::wstring text = enc::Wide(sjis_text) + L"\r\n";
    DWORD written = 0;
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(out);
  }
  FreeConsole();
}

std::string FullPathName(const std::string& path) {
  const std::wstring wide = enc::Wide(path);
  const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return "";
  std::wstring full(need, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return "";
  full.resize(got);
  bool lossless = true;
  std::string narrow = enc::Narrow(full, &lossless);
  return lossless ? narrow : "";
}
