#include "os/exact_delete_win.h"

#include <windows.h>

#include <cstddef>
#include <vector>

#include "base/file_name_compare.h"
#include "base/system_path.h"
#include "base/system_string_win.h"
#include "os/owned_handle_win.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kDeleteAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// The form the system's calls take at any length.
std::wstring SystemForm(const std::wstring& path) {
  const std::u16string form = LongPathForm(std::u16string(path.begin(), path.end()));
  return std::wstring(form.begin(), form.end());
}

HANDLE OpenEntry(const std::wstring& path, DWORD access, DWORD share = kShareAll) {
  return CreateFileW(SystemForm(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

namespace {

// Opens path with share, then checks what was opened: kDeleted means it is
// the expected file and may go.
TExactDelete OpenForDeletion(const std::wstring& path, const std::u16string& expected_final, DWORD share,
                             OwnedHandle& h) {
  h = OwnedHandle(OpenEntry(path, kDeleteAccess, share));
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
  return TExactDelete::kDeleted;
}

bool Dispose(HANDLE h) {
  FILE_DISPOSITION_INFO dispose = {};
  dispose.DeleteFile = TRUE;
  return SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose) != 0;
}

bool SetDeleteDisposition(HANDLE h) {
  FILE_BASIC_INFO basic = {};
  if (GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) &&
      (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
    // Times of 0 are left as they are.
    FILE_BASIC_INFO cleared = {};
    cleared.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (cleared.FileAttributes == 0) cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(h, FileBasicInfo, &cleared, sizeof cleared);
  }
  return Dispose(h);
}

}  // namespace

TExactDelete DeleteExactly(const std::wstring& path, const std::u16string& expected_final) {
  // Uninstalling thousands of files, every call to Wine's server counts:
  // the common case (a plain file, not read-only) costs the open, the final
  // name, the disposition and the close. Without backup semantics only a
  // file (or a link to one, as itself) opens, so no attribute query is needed
  // to tell a folder; a folder or a link to one is refused with "access
  // denied" and goes the long way below, which tells them apart.
  OwnedHandle h(CreateFileW(SystemForm(path).c_str(), kDeleteAccess, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.IsOpen()) {
    const DWORD error = GetLastError();
    if (IsNotFound(error)) return TExactDelete::kMissing;
    if (error != ERROR_ACCESS_DENIED) return TExactDelete::kFailed;
    const TExactDelete opened = OpenForDeletion(path, expected_final, kShareAll, h);
    if (opened != TExactDelete::kDeleted) return opened;
    return SetDeleteDisposition(h.Get()) ? TExactDelete::kDeleted : TExactDelete::kFailed;
  }
  const std::wstring final_name = FinalNameOf(h.Get(), path);
  if (final_name.empty() || !SameFileName(U16(final_name), expected_final)) return TExactDelete::kElsewhere;
  if (Dispose(h.Get())) return TExactDelete::kDeleted;
  // A read-only file refuses the disposition: only then are its attributes
  // read and cleared.
  if (GetLastError() != ERROR_ACCESS_DENIED) return TExactDelete::kFailed;
  return SetDeleteDisposition(h.Get()) ? TExactDelete::kDeleted : TExactDelete::kFailed;
}

TExactDelete ClaimExactly(const std::wstring& path, const std::u16string& expected_final, OwnedHandle& claim) {
  const TExactDelete opened = OpenForDeletion(path, expected_final, 0, claim);
  if (opened != TExactDelete::kDeleted) {
    const DWORD error = GetLastError();
    claim.Close();
    SetLastError(error);
  }
  return opened;
}

bool DeleteClaimed(OwnedHandle& claim) {
  if (!SetDeleteDisposition(claim.Get())) {
    const DWORD error = GetLastError();
    claim.Close();
    SetLastError(error);
    return false;
  }
  return claim.Close();
}

OwnedHandle OpenFolderExactly(const std::wstring& path, const std::u16string& expected_final) {
  OwnedHandle h(OpenEntry(path, DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES));
  if (!h.IsOpen()) return h;
  FILE_BASIC_INFO basic = {};
  const std::wstring final_name = FinalNameOf(h.Get(), path);
  // Wine reports a link by the path's attributes, not always by the handle's.
  const DWORD by_path = GetFileAttributesW(SystemForm(path).c_str());
  if (!GetFileInformationByHandleEx(h.Get(), FileBasicInfo, &basic, sizeof basic) ||
      !(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      by_path == INVALID_FILE_ATTRIBUTES || (by_path & FILE_ATTRIBUTE_REPARSE_POINT) || final_name.empty() ||
      !SameFileName(U16(final_name), expected_final))
    h.Close();
  return h;
}

bool ListFolder(const OwnedHandle& folder, std::vector<TFolderEntry>* entries) {
  entries->clear();
  // Large enough for many entries a call; each names at most 255 characters.
  alignas(8) unsigned char buf[16384];
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(folder.Get(), kind, buf, sizeof buf))
      return GetLastError() == ERROR_NO_MORE_FILES;
    kind = FileIdBothDirectoryInfo;
    size_t at = 0;
    for (;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buf + at);
      const size_t room = sizeof buf - at - offsetof(FILE_ID_BOTH_DIR_INFO, FileName);
      if (info->FileNameLength > room) return false;
      const size_t chars = info->FileNameLength / sizeof(wchar_t);
      std::wstring name(info->FileName, chars);
      if (name != L"." && name != L"..") {
        const bool link = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries->push_back({std::move(name), (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link});
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
      if (at > sizeof buf - sizeof(FILE_ID_BOTH_DIR_INFO)) return false;
    }
  }
}

bool RemoveOpenFolder(OwnedHandle& folder) {
  const bool ok = Dispose(folder.Get());
  return folder.Close() && ok;
}
