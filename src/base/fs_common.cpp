#include "base/fs.h"

#include "base/os_file.h"
#include "base/format.h"

namespace fs {

int64_t FileSizeOf(const std::string& path) {
  OsFile::Options o;
  o.access = OsFile::kRead;
  OsFile f = OsFile::Open(path, o);
  return f.IsOpen() ? f.Size() : 0;
}

bool WriteFileReplacing(const std::string& path, const void* data, int64_t size) {
  // The temporary name stays beside the target, on the same volume, so that the
  // final rename is a single step of the file system.
  const std::string temp = path + ".new~";
  OsFile::Options o;
  o.access = OsFile::kWrite;
  o.share = OsFile::Share::kNone;
  o.disposition = OsFile::Disposition::kCreateAlways;
  o.write_through = true;
  {
    OsFile f = OsFile::Open(temp, o);
    if (!f.IsOpen()) return false;
    const bool written = f.Write(data, size) == size && f.Flush();
    f.Close();
    if (!written) {
      EraseFile(temp);
      return false;
    }
  }
  if (!MoveReplacing(temp, path)) {
    EraseFile(temp);
    return false;
  }
  return true;
}

}  // namespace fs
