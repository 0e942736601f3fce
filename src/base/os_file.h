// An open file of the operating system, owned: CreateFileW on Windows, open(2)
// elsewhere. Paths are the program's Shift-JIS strings; the implementations
// convert them at the boundary. Reads and writes of any size loop over the
// system's 32-bit calls and return the bytes actually moved, so a short count
// means end of file (read) or a failure such as a full disk (write).
#pragma once

#include <cstdint>
#include <string>

class OsFile {
 public:
  enum Access : int { kRead = 1, kWrite = 2, kReadWrite = 3 };
  // What other openers may do while this handle is open (Windows only).
  enum class Share { kNone, kRead, kWrite, kReadWrite };
  enum class Disposition { kOpenExisting, kCreateAlways };
  enum class Origin { kBegin, kCurrent, kEnd };

  struct Options {
    int access = kRead;
    Share share = Share::kReadWrite;
    Disposition disposition = Disposition::kOpenExisting;
    // Windows: FILE_FLAG_WRITE_THROUGH. Elsewhere: the data is flushed to the
    // disk once, when the file is closed.
    bool write_through = false;
  };

  OsFile() = default;
  ~OsFile();
  OsFile(OsFile&& other) noexcept;
  OsFile& operator=(OsFile&& other) noexcept;
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  // Opens or creates path; the result is not open (IsOpen() false) on failure,
  // with the system's error code in LastError().
  static OsFile Open(const std::string& path, const Options& options);
  static int LastError();

  bool IsOpen() const;
  int64_t Read(void* buffer, int64_t count);
  int64_t Write(const void* buffer, int64_t count);
  // Returns the new position, or -1 on failure.
  int64_t Seek(int64_t offset, Origin origin);
  int64_t Size() const;
  bool Truncate();  // the file ends at the current position
  bool Flush();
  void Close();

 private:
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
  int fd_ = -1;
  bool flush_on_close_ = false;
#endif
};
