#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/fs.h"
#include "base/os_file.h"

OsFile::~OsFile() { Close(); }

OsFile::OsFile(OsFile&& other) noexcept : fd_(other.fd_), flush_on_close_(other.flush_on_close_) { other.fd_ = -1; }

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    flush_on_close_ = other.flush_on_close_;
    other.fd_ = -1;
  }
  return *this;
}

static thread_local int g_last_error = 0;

int OsFile::LastError() { return g_last_error; }

OsFile OsFile::Open(const std::string& path, const Options& o) {
  int flags = O_CLOEXEC;
  if (o.access == kReadWrite) flags |= O_RDWR;
  else if (o.access & kWrite) flags |= O_WRONLY;
  else flags |= O_RDONLY;
  if (o.disposition == Disposition::kCreateAlways) flags |= O_CREAT | O_TRUNC;
  OsFile f;
  const std::string native = fs::NativePath(path);
  f.fd_ = ::open(native.c_str(), flags, 0666);
  g_last_error = f.fd_ < 0 ? errno : 0;
  if (f.fd_ >= 0) {
    struct stat st;
    if (fstat(f.fd_, &st) == 0 && S_ISDIR(st.st_mode)) {  // Windows refuses to open a folder as a file
      ::close(f.fd_);
      f.fd_ = -1;
      g_last_error = EISDIR;
    }
  }
  f.flush_on_close_ = o.write_through && (o.access & kWrite);
  return f;
}

bool OsFile::IsOpen() const { return fd_ >= 0; }

int64_t OsFile::Read(void* buffer, int64_t count) {
  auto* p = static_cast<char*>(buffer);
  int64_t total = 0;
  while (IsOpen() && count > 0) {
    const size_t want = count > (1 << 30) ? (1u << 30) : static_cast<size_t>(count);
    const ssize_t got = ::read(fd_, p, want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += got;
    p += got;
    count -= got;
  }
  return total;
}

int64_t OsFile::Write(const void* buffer, int64_t count) {
  auto* p = static_cast<const char*>(buffer);
  int64_t total = 0;
  while (IsOpen() && count > 0) {
    const size_t want = count > (1 << 30) ? (1u << 30) : static_cast<size_t>(count);
    const ssize_t done = ::write(fd_, p, want);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    total += done;
    p += done;
    count -= done;
  }
  return total;
}

int64_t OsFile::Seek(int64_t offset, Origin origin) {
  if (!IsOpen()) return -1;
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), kWhence[static_cast<int>(origin)]);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t OsFile::Size() const {
  struct stat st;
  if (!IsOpen() || fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

bool OsFile::Truncate() {
  if (!IsOpen()) return false;
  const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  return pos >= 0 && ::ftruncate(fd_, pos) == 0;
}

bool OsFile::Flush() { return IsOpen() && ::fsync(fd_) == 0; }

void OsFile::Close() {
  if (IsOpen()) {
    if (flush_on_close_) ::fsync(fd_);
    ::close(fd_);
  }
  fd_ = -1;
}
