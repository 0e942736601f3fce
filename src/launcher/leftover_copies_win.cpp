#include "launcher/leftover_copies_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "base/encoding.h"
#include "install/temporary_program.h"
#include "os/owned_handle_win.h"
#include "os/system_error_win.h"

namespace {

// The file names of every running process's program, lower-cased; false when
// the system does not list them (then nothing is deleted).
bool RunningProgramNames(std::vector<std::wstring>* names) {
  const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsOpen()) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
    std::wstring name = entry.szExeFile;
    // Some systems give the full path here.
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    names->push_back(std::move(name));
  }
  return true;
}

// The same file, whatever the spelling of its path (short or long form, case).
bool SameFile(const std::wstring& a, const std::wstring& b) {
  const auto id = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
    const OwnedHandle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    return h.IsOpen() && GetFileInformationByHandle(h.Get(), info) != 0;
  };
  BY_HANDLE_FILE_INFORMATION x = {}, y = {};
  if (!id(a, &x) || !id(b, &y)) return _wcsicmp(a.c_str(), b.c_str()) == 0;
  return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

// Whether the file is a build of this program: its version resource names
// the product and the original file name install.exe.
bool IsCopyOfThisProgram(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
  const auto value = [&](const wchar_t* key) -> std::wstring {
    void* text = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
    if (!VerQueryValueW(data.data(), query.c_str(), &text, &length) || !text || length == 0) return L"";
    return std::wstring(static_cast<const wchar_t*>(text));
  };
  return value(L"ProductName") == L"zinstall" && _wcsicmp(value(L"OriginalFilename").c_str(), L"install.exe") == 0;
}

}  // namespace

TLeftoverCopies RemoveLeftoverCopies(const std::string& temp_folder, const std::string& running_program) {
  TLeftoverCopies result;
  std::vector<std::wstring> running;
  // Only a folder the system named (a drive or share, and a delimiter):
  // never a name relative to the current folder or drive.
  if (temp_folder.size() < 4 || (temp_folder[1] != ':' && temp_folder.compare(0, 2, "\\\\") != 0)) return result;
  if (!RunningProgramNames(&running)) return result;
  const std::wstring self = enc::Wide(running_program);
  for (int attempt = 0; attempt < kTemporaryProgramNames; ++attempt) {
    const std::string name = TemporaryProgramName(attempt);
    const std::string full = temp_folder + name;
    const std::wstring path = enc::Wide(full);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    // A copy some process runs, this one included, stays: the system would
    // refuse its deletion, but not every system does (Wine lets it go).
    std::wstring lower = enc::Wide(name);
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    bool in_use = SameFile(path, self);
    for (const std::wstring& program : running) in_use = in_use || program == lower;
    if (in_use || !IsCopyOfThisProgram(path)) continue;
    // A copy made from a read-only medium keeps its read-only attribute.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(path.c_str())) {
      result.deleted.push_back(full);
    } else {
      const DWORD error = GetLastError();
      if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes);
      result.failed.push_back(full + " (" + SystemErrorText(error) + ")");
    }
  }
  return result;
}
