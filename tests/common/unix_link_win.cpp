#include "common/unix_link_win.h"

#include <windows.h>

#include "base/encoding.h"

namespace testing_support {
namespace {

// Wine's own export: the Unix name of a Windows path, UTF-8, on the process heap.
std::string UnixName(const std::string& path) {
  using Fn = char*(CDECL*)(const wchar_t*);
  const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* name = fn(enc::Wide(path).c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::wstring Quoted(const std::string& utf8) {
  std::wstring w(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w.data(), static_cast<int>(w.size()));
  w.pop_back();
  return L"\"" + w + L"\"";
}

}  // namespace

bool MakeUnixLink(const std::string& target, const std::string& link) {
  // The link does not exist yet: its Unix name is its folder's plus its name.
  const size_t cut = link.find_last_of('\\');
  const std::string target_unix = UnixName(target), folder_unix = UnixName(link.substr(0, cut));
  if (target_unix.empty() || folder_unix.empty() || cut == std::string::npos) return false;
  std::wstring command =
      L"/bin/ln -s " + Quoted(target_unix) + L" " + Quoted(folder_unix + "/" + enc::SjisToUtf8(link.substr(cut + 1)));
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(L"/bin/ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // Wine runs a Unix program outside its own processes: the handle does not
  // tell when it has ended, so wait for the link to appear.
  for (int i = 0; i < 500; ++i) {
    if (GetFileAttributesW(enc::Wide(link).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace testing_support
