#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"

namespace fs {

std::string NativePath(const std::string& sjis_path) {
  return enc::SjisToUtf8(sjis::ReplaceChar(sjis_path, '\\', '/'));
}

namespace {

bool Stat(const std::string& path, struct stat* st) { return ::stat(NativePath(path).c_str(), st) == 0; }

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return Stat(path, &st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return Stat(path, &st) && S_ISDIR(st.st_mode);
}

bool EraseFile(const std::string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool EraseDirectory(const std::string& path) { return ::rmdir(NativePath(path).c_str()) == 0; }

bool MakeDirectories(const std::string& path) {
  std::string dir = RemoveTrailingDelimiter(path);
  if (dir.empty()) return DirectoryExists("/");
  if (DirectoryExists(dir)) return true;
  const std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !DirectoryExists(parent) && !MakeDirectories(parent)) return false;
  return ::mkdir(NativePath(dir).c_str(), 0777) == 0 || DirectoryExists(dir);
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

int32_t FileAge(const std::string& path) {
  struct stat st;
  if (!Stat(path, &st) || S_ISDIR(st.st_mode)) return -1;
  struct tm t;
  const time_t when = st.st_mtime;
  if (!localtime_r(&when, &t)) return -1;
  if (t.tm_year < 80 || t.tm_year > 207) return -1;  // outside what the packed form holds
  const uint32_t date = ((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday;
  const uint32_t time = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2);
  return static_cast<int32_t>((date << 16) | time);
}

bool SetFileAge(const std::string& path, int32_t dos_time) {
  const uint32_t v = static_cast<uint32_t>(dos_time);
  struct tm t = {};
  t.tm_year = static_cast<int>((v >> 25) & 0x7F) + 80;
  t.tm_mon = static_cast<int>((v >> 21) & 0x0F) - 1;
  t.tm_mday = static_cast<int>((v >> 16) & 0x1F);
  t.tm_hour = static_cast<int>((v >> 11) & 0x1F);
  t.tm_min = static_cast<int>((v >> 5) & 0x3F);
  t.tm_sec = static_cast<int>((v & 0x1F) * 2);
  t.tm_isdst = -1;
  const time_t when = mktime(&t);
  if (when == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = when;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool ListDirectory(const std::string& folder, std::vector<DirEntry>* entries) {
  const std::string native = NativePath(RemoveTrailingDelimiter(folder).empty() ? folder : RemoveTrailingDelimiter(folder));
  DIR* d = ::opendir(native.c_str());
  if (!d) return false;
  while (struct dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry out;
    // A file name, not typed text: U+301C and U+FF5E name two files.
    out.name = enc::Utf16ToSjisExact(enc::Utf8ToUtf16(name));
    struct stat lst;
    const std::string full = native + "/" + name;
    if (::lstat(full.c_str(), &lst) == 0) {
      out.is_link = S_ISLNK(lst.st_mode);
      struct stat st;
      out.is_directory = out.is_link ? (::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) : S_ISDIR(lst.st_mode);
    }
    entries->push_back(std::move(out));
  }
  ::closedir(d);
  return true;
}

}  // namespace fs
