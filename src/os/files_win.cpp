#include "os/files_win.h"

#include <windows.h>

#include "base/dir_enum_win.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/os_file.h"
#include "base/paths.h"
#include "base/sjis.h"

namespace {

// Far deeper than any real install tree; a guard against paths that loop
// through means the reparse test cannot see (such as a junction Wine reports
// as a plain folder).
constexpr int kMaxDepth = 64;

void ListInto(const std::string& folder, const ListFilesOptions& o, std::vector<std::string>* list, int depth) {
  const std::string dir = AddTrailingDelimiter(folder);
  DirectoryEnumerator e(dir);
  while (e.Next()) {
    std::string path = dir + e.Name();
    const uint32_t a = e.Attributes();
    if (o.clear_attributes) ClearFileAttributes(path, kFaReadOnly | kFaHidden);
    const bool is_folder = e.IsDirectory();
    if (is_folder && o.folders_with_delimiter) path = AddTrailingDelimiter(path);
    bool taken;
    if (is_folder) taken = (o.attribute_mask & kFaDirectory) != 0;
    else taken = (o.attribute_mask & a) != 0 || ((a & kFaAnyFile) == 0 && o.take_plain_files);
    if (taken) {
      if (is_folder || o.extension.empty() || sjis::EqualsNoCase(ExtractFileExt(path), o.extension))
        list->push_back(path);
    }
    if (o.recurse && is_folder && !e.IsLink() && depth < kMaxDepth) ListInto(path, o, list, depth + 1);
  }
}

}  // namespace

void ListFiles(const std::string& folder, const ListFilesOptions& options, std::vector<std::string>* list) {
  if (options.clear_list) list->clear();
  ListInto(folder, options, list, 0);
}

bool CopyIfChanged(const std::string& source, const std::string& dest, bool compare) {
  if (compare && fs::FileExists(dest)) {
    const int32_t age = fs::FileAge(source);
    if (age != -1 && age == fs::FileAge(dest)) {
      OsFile::Options o;
      o.access = OsFile::kRead;
      o.share = OsFile::Share::kRead;
      OsFile src = OsFile::Open(source, o);
      OsFile dst = OsFile::Open(dest, o);
      if (src.IsOpen() && dst.IsOpen() && src.Size() == dst.Size()) return true;
    }
  }
  return CopyFileW(enc::Wide(source).c_str(), enc::Wide(dest).c_str(), FALSE) != 0;
}

bool ScheduleDeleteAtRestart(const std::string& file) {
  const DWORD version = GetVersion();
  if (!(version & 0x80000000u))  // the NT family
    return MoveFileExW(enc::Wide(file).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  // The older family deletes what wininit.ini names under [rename] with "NUL".
  wchar_t short_name[512];
  const DWORD n = GetShortPathNameW(enc::Wide(file).c_str(), short_name, 512);
  if (n == 0 || n >= 512) return false;
  const std::wstring ini = enc::Wide(WindowsFolder() + "wininit.ini");
  return WritePrivateProfileStringW(L"rename", L"NUL", short_name, ini.c_str()) != 0;
}

uint32_t FileAttributesOf(const std::string& path) { return GetFileAttributesW(enc::Wide(path).c_str()); }

bool ClearFileAttributes(const std::string& path, uint32_t bits) {
  const DWORD a = GetFileAttributesW(enc::Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (!(a & bits)) return true;
  return SetFileAttributesW(enc::Wide(path).c_str(), a & ~bits) != 0;
}

std::string ProgramFileName() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) return enc::NarrowPath(std::wstring_view(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::string TempFolder() {
  wchar_t buf[512 + 1];
  const DWORD n = GetTempPathW(512, buf);
  return AddTrailingDelimiter(n > 0 && n <= 512 ? enc::NarrowPath(std::wstring_view(buf, n)) : std::string());
}

std::string WindowsFolder() {
  wchar_t buf[512 + 1];
  const UINT n = GetWindowsDirectoryW(buf, 512);
  return AddTrailingDelimiter(n > 0 && n <= 512 ? enc::NarrowPath(std::wstring_view(buf, n)) : std::string());
}

std::optional<uint64_t> FreeBytesAt(const std::string& root) {
  // The root of a share needs its trailing delimiter, as a drive's does.
  ULARGE_INTEGER available;
  if (root.empty() || !GetDiskFreeSpaceExW(enc::Wide(AddTrailingDelimiter(root)).c_str(), &available, nullptr, nullptr))
    return std::nullopt;
  return available.QuadPart;
}
