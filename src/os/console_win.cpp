#include "os/console_win.h"

#include <windows.h>

#include "base/encoding.h"

TParentOutput::TParentOutput() {
  const HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
  if (given && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
    out_ = given;
  } else if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    attached_ = true;
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    owned_ = console != INVALID_HANDLE_VALUE;
    out_ = owned_ ? console : nullptr;
    // The prompt the console printed when the program started stays above the text.
    Write("\r\n");
  }
  DWORD mode = 0;
  console_ = out_ && GetConsoleMode(out_, &mode);
}

TParentOutput::~TParentOutput() {
  if (owned_) CloseHandle(out_);
  if (attached_) FreeConsole();
}

void TParentOutput::Line(const std::string& sjis) { Write(sjis + "\r\n"); }

void TParentOutput::Write(const std::string& sjis) {
  if (!out_) return;
  DWORD done = 0;
  DWORD mode = 0;
  if (console_ || GetConsoleMode(out_, &mode)) {
    const std::wstring text = enc::Wide(sjis);
    WriteConsoleW(out_, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  } else {
    const std::string text = enc::SjisToUtf8(sjis);
    WriteFile(out_, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  }
}

void WriteToParentConsole(const std::string& sjis_text) {
  TParentOutput output;
  output.Line(sjis_text);
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
