#include "os/files_win.h"

#include <windows.h>

#include "base/dir_enum_win.h"
#include "base/system_string_win.h"
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

void ListInto(const std::string& folder, const ListFilesOptions& o, std::vector<std::string>* list,
              std::vector<int64_t>* sizes, int depth) {
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
      if (is_folder || o.extension.empty() || sjis::EqualsNoCase(ExtractFileExt(path), o.extension)) {
        list->push_back(path);
        if (sizes) sizes->push_back(is_folder ? 0 : e.Size());
      }
    }
    if (o.recurse && is_folder && !e.IsLink() && depth < kMaxDepth) ListInto(path, o, list, sizes, depth + 1);
  }
}

}  // namespace

void ListFiles(const std::string& folder, const ListFilesOptions& options, std::vector<std::string>* list,
               std::vector<int64_t>* sizes) {
  if (options.clear_list) {
    list->clear();
    if (sizes) sizes->clear();
  }
  ListInto(folder, options, list, sizes, 0);
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
  return CopyFileW(enc::WidePath(source).c_str(), enc::WidePath(dest).c_str(), FALSE) != 0;
}

bool ScheduleDeleteAtRestart(const std::string& file) {
  const DWORD version = GetVersion();
  if (!(version & 0x80000000u))  // the NT family
    return MoveFileExW(enc::WidePath(file).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  // The older family deletes what wininit.ini names under [rename] with "NUL".
  const std::wstring short_name = SystemString([&](wchar_t* buf, DWORD size) {
    return GetShortPathNameW(enc::WidePath(file).c_str(), buf, size);
  });
  if (short_name.empty()) return false;
  const std::wstring ini = enc::Wide(WindowsFolder() + "wininit.ini");
  return WritePrivateProfileStringW(L"rename", L"NUL", short_name.c_str(), ini.c_str()) != 0;
}

uint32_t FileAttributesOf(const std::string& path) { return GetFileAttributesW(enc::WidePath(path).c_str()); }

bool ClearFileAttributes(const std::string& path, uint32_t bits) {
  const DWORD a = GetFileAttributesW(enc::WidePath(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (!(a & bits)) return true;
  return SetFileAttributesW(enc::WidePath(path).c_str(), a & ~bits) != 0;
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
  const std::wstring folder = SystemString([](wchar_t* buf, DWORD size) { return GetTempPathW(size, buf); });
  return AddTrailingDelimiter(folder.empty() ? std::string() : enc::NarrowPath(folder));
}

std::string WindowsFolder() {
  const std::wstring folder =
      SystemString([](wchar_t* buf, DWORD size) { return GetWindowsDirectoryW(buf, static_cast<UINT>(size)); });
  return AddTrailingDelimiter(folder.empty() ? std::string() : enc::NarrowPath(folder));
}

std::optional<uint64_t> FreeBytesAt(const std::string& root) {
  // The root of a share needs its trailing delimiter, as a drive's does.
  ULARGE_INTEGER available;
  if (root.empty() || !GetDiskFreeSpaceExW(enc::WidePath(AddTrailingDelimiter(root)).c_str(), &available, nullptr, nullptr))
    return std::nullopt;
  return available.QuadPart;
}
