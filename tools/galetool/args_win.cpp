#include <windows.h>
#include <shellapi.h>

#include "args.h"
#include "base/encoding.h"

// argv holds the arguments in the ANSI code page, which cannot carry every
// name: take the UTF-16 command line instead.
std::vector<std::string> Utf8Arguments(int, char**) {
  std::vector<std::string> args;
  int n = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wide) return args;
  for (int i = 1; i < n; ++i) {
    const std::wstring w(wide[i]);
    args.push_back(enc::Utf16ToUtf8(std::u16string(w.begin(), w.end())));
  }
  LocalFree(wide);
  return args;
}
