#include <windows.h>

#include "base/encoding.h"
#include "base/os_file.h"

namespace {
constexpr DWORD kChunk = 1u << 30;  // largest single ReadFile/WriteFile request
}

OsFile::~OsFile() { Close(); }

OsFile::OsFile(OsFile&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

static thread_local int g_last_error = 0;

int OsFile::LastError() { return g_last_error; }

OsFile OsFile::Open(const std::string& path, const Options& o) {
  DWORD access = 0;
  if (o.access & kRead) access |= GENERIC_READ;
  if (o.access & kWrite) access |= GENERIC_WRITE;
  static const DWORD kShare[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const DWORD share = kShare[static_cast<int>(o.share)];
  const DWORD disposition = o.disposition == Disposition::kCreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (o.write_through) flags |= FILE_FLAG_WRITE_THROUGH;
  OsFile f;
  f.handle_ = CreateFileW(enc::WidePath(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
  g_last_error = f.handle_ == INVALID_HANDLE_VALUE ? static_cast<int>(GetLastError()) : 0;
  return f;
}

bool OsFile::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

int64_t OsFile::Read(void* buffer, int64_t count) {
  if (!IsOpen()) return 0;
  auto* p = static_cast<char*>(buffer);
  int64_t total = 0;
  while (count > 0) {
    const DWORD want = count > kChunk ? kChunk : static_cast<DWORD>(count);
    DWORD got = 0;
    if (!ReadFile(handle_, p, want, &got, nullptr) || got == 0) break;
    total += got;
    p += got;
    count -= got;
  }
  return total;
}

int64_t OsFile::Write(const void* buffer, int64_t count) {
  if (!IsOpen()) return 0;
  auto* p = static_cast<const char*>(buffer);
  int64_t total = 0;
  while (count > 0) {
    const DWORD want = count > kChunk ? kChunk : static_cast<DWORD>(count);
    DWORD done = 0;
    if (!WriteFile(handle_, p, want, &done, nullptr) || done == 0) break;
    total += done;
    p += done;
    count -= done;
  }
  return total;
}

int64_t OsFile::Seek(int64_t offset, Origin origin) {
  if (!IsOpen()) return -1;
  static const DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(handle_, distance, &result, kMethod[static_cast<int>(origin)])) return -1;
  return result.QuadPart;
}

int64_t OsFile::Size() const {
  LARGE_INTEGER size;
  if (!IsOpen() || !GetFileSizeEx(handle_, &size)) return 0;
  return size.QuadPart;
}

bool OsFile::Truncate() { return IsOpen() && SetEndOfFile(handle_); }

bool OsFile::Flush() { return IsOpen() && FlushFileBuffers(handle_); }

void OsFile::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}
