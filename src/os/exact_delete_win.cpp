#include "os/exact_delete_win.h"

#include <windows.h>

#include <vector>

#include "base/file_name_compare.h"
#include "base/system_path.h"
#include "base/system_string_win.h"
#include "os/owned_handle_win.h"

namespace {

// The form the system's calls take at any length.
std::wstring SystemForm(const std::wstring& path) {
  const std::u16string form = LongPathForm(std::u16string(path.begin(), path.end()));
  return std::wstring(form.begin(), form.end());
}

HANDLE OpenEntry(const std::wstring& path, DWORD access) {
  return CreateFileW(SystemForm(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IsNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
         error == ERROR_BAD_NETPATH || error == ERROR_DIRECTORY;
}

std::wstring NameByHandle(HANDLE h) {
  const std::wstring name = SystemString([h](wchar_t* buf, DWORD size) {
    return GetFinalPathNameByHandleW(h, buf, size, FILE_NAME_NORMALIZED);
  });
  const std::u16string plain = WithoutLongPathPrefix(std::u16string(name.begin(), name.end()));
  return std::wstring(plain.begin(), plain.end());
}

// "C:" of "C:\...", "\\server\share" of "\\server\share\...".
std::wstring VolumeOf(const std::wstring& name) {
  if (name.size() >= 2 && name[1] == L':') return name.substr(0, 2);
  if (name.compare(0, 2, L"\\\\") != 0) return {};
  const size_t share = name.find(L'\\', 2);
  return share == std::wstring::npos ? std::wstring() : name.substr(0, name.find(L'\\', share + 1));
}

}  // namespace

std::wstring FinalNameOf(HANDLE h, const std::wstring& path) {
  std::wstring name = NameByHandle(h);
  if (!name.empty() || GetLastError() != ERROR_MORE_DATA) return name;
  // Wine names nothing longer than MAX_PATH this way, whatever the buffer:
  // the name within its volume, on the volume of the nearest folder above
  // that it does name. A link on the way to another volume then gives a
  // name that matches nothing expected, never the wrong file's.
  std::vector<char> info(sizeof(FILE_NAME_INFO) + 65536);
  if (!GetFileInformationByHandleEx(h, FileNameInfo, info.data(), static_cast<DWORD>(info.size()))) return {};
  const auto* within = reinterpret_cast<const FILE_NAME_INFO*>(info.data());
  for (std::wstring above = path; !above.empty();) {
    const size_t cut = above.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut < 2) return {};
    above.resize(cut);
    const OwnedHandle folder(OpenEntry(above.size() == 2 ? above + L"\\" : above, FILE_READ_ATTRIBUTES));
    const std::wstring above_name = folder.IsOpen() ? NameByHandle(folder.Get()) : std::wstring();
    if (above_name.empty()) continue;
    const std::wstring volume = VolumeOf(above_name);
    if (volume.empty()) return {};
    return volume + std::wstring(within->FileName, within->FileNameLength / sizeof(wchar_t));
  }
  return {};
}

namespace {

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }

}  // namespace

TFinalPath FinalPathOf(const std::wstring& path) {
  TFinalPath result;
  const OwnedHandle h(OpenEntry(path, FILE_READ_ATTRIBUTES));
  if (!h.IsOpen()) {
    const DWORD error = GetLastError();
    if (!IsNotFound(error)) {
      result.exists = true;
      result.error = error;
    }
    return result;
  }
  result.exists = true;
  FILE_BASIC_INFO basic = {};
  if (GetFileInformationByHandleEx(h.Get(), FileBasicInfo, &basic, sizeof basic)) {
    // Wine reports a link by the path's attributes, not always by the handle's.
    const DWORD by_path = GetFileAttributesW(SystemForm(path).c_str());
    result.link = (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                  (by_path != INVALID_FILE_ATTRIBUTES && (by_path & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    result.folder = (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !result.link;
  }
  result.name = FinalNameOf(h.Get(), path);
  if (result.name.empty()) result.error = GetLastError() ? GetLastError() : ERROR_INVALID_NAME;
  return result;
}

TExactDelete DeleteExactly(const std::wstring& path, const std::u16string& expected_final) {
  const OwnedHandle h(OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES));
  if (!h.IsOpen()) {
    // Only "not found" is missing; a file in use or denied was not deleted.
    return IsNotFound(GetLastError()) ? TExactDelete::kMissing : TExactDelete::kFailed;
  }
  const std::wstring final_name = FinalNameOf(h.Get(), path);
  if (final_name.empty() || !SameFileName(U16(final_name), expected_final)) return TExactDelete::kElsewhere;
  FILE_BASIC_INFO basic = {};
  if (!GetFileInformationByHandleEx(h.Get(), FileBasicInfo, &basic, sizeof basic)) return TExactDelete::kFailed;
  const bool link = (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) return TExactDelete::kFolder;
  if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
    // Times of 0 are left as they are.
    FILE_BASIC_INFO cleared = {};
    cleared.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (cleared.FileAttributes == 0) cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(h.Get(), FileBasicInfo, &cleared, sizeof cleared);
  }
  FILE_DISPOSITION_INFO dispose = {};
  dispose.DeleteFile = TRUE;
  return SetFileInformationByHandle(h.Get(), FileDispositionInfo, &dispose, sizeof dispose) ? TExactDelete::kDeleted
                                                                                            : TExactDelete::kFailed;
}
