#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>

#include "base/encoding.h"
#include "common/cli.h"

namespace tools {

std::vector<std::string> Arguments(int, char**) {
  // argv holds the arguments in the ANSI code page, which may not even be able
  // to spell them; the UTF-16 command line always can.
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return args;
  for (int i = 1; i < count; ++i) {
    const std::u16string text(reinterpret_cast<const char16_t*>(list[i]));
    args.push_back(enc::Utf16ToUtf8(text));
  }
  LocalFree(list);
  return args;
}

// Standard error too: messages end in "\n" on every system.
void BinaryStdout() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void BinaryStdin() { _setmode(_fileno(stdin), _O_BINARY); }

bool IsReadOnlyFile(const std::string& sjis_path) {
  const DWORD a = GetFileAttributesW(enc::Wide(sjis_path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

bool MakeWritable(const std::string& sjis_path) {
  const std::wstring path = enc::Wide(sjis_path);
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace tools
