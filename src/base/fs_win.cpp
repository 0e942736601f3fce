#include <windows.h>

#include "base/dir_enum_win.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"

namespace fs {
namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(enc::WidePath(path).c_str()); }

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool EraseFile(const std::string& path) { return DeleteFileW(enc::WidePath(path).c_str()) != 0; }

bool EraseDirectory(const std::string& path) { return RemoveDirectoryW(enc::WidePath(path).c_str()) != 0; }

bool MakeDirectories(const std::string& path) {
  std::string dir = RemoveTrailingDelimiter(path);
  if (dir.empty() || DirectoryExists(dir)) return !dir.empty();
  const std::string parent = ExtractFileDir(dir);
  // A drive ("C:") or a server share root has no parent to create.
  if (!parent.empty() && parent != dir && !DirectoryExists(parent) && !MakeDirectories(parent)) return false;
  return CreateDirectoryW(enc::WidePath(dir).c_str(), nullptr) != 0 || DirectoryExists(dir);
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(enc::WidePath(from).c_str(), enc::WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int32_t FileAge(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(enc::WidePath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return -1;
  return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

bool SetFileAge(const std::string& path, int32_t dos_time) {
  FILETIME local, utc;
  const uint32_t v = static_cast<uint32_t>(dos_time);
  if (!DosDateTimeToFileTime(static_cast<WORD>(v >> 16), static_cast<WORD>(v & 0xFFFF), &local) ||
      !LocalFileTimeToFileTime(&local, &utc))
    return false;
  HANDLE h = CreateFileW(enc::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFileTime(h, nullptr, nullptr, &utc) != 0;
  CloseHandle(h);
  return ok;
}

bool ListDirectory(const std::string& folder, std::vector<DirEntry>* entries) {
  DirectoryEnumerator e(folder);
  if (!e.IsOpen()) return false;
  try {
    while (e.Next()) {
      DirEntry d;
      d.name = e.Name();
      d.is_directory = e.IsDirectory();
      d.is_link = e.IsLink();
      entries->push_back(std::move(d));
    }
  } catch (const EPathError&) {
    return false;  // an entry that no Shift-JIS path can name
  }
  return true;
}

}  // namespace fs
