// Byte streams with 64-bit positions: the base of the settings file, of the
// archive's memory and file streams, and of the picture reader.
//
// Contract: Read and Write move at most count bytes and return how many they
// moved; a short Read means the end of the data, a short Write a failure (a
// full disk). ReadBuffer and WriteBuffer are the all-or-nothing forms and
// throw when the count cannot be met.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/os_file.h"

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// File modes as the stream constructors take them: access in bits 0-1, sharing
// in bits 4-7, or kFmCreate to create (or truncate) the file.
enum : uint16_t {
  kFmOpenRead = 0x0000,
  kFmOpenWrite = 0x0001,
  kFmOpenReadWrite = 0x0002,
  kFmShareCompat = 0x0000,
  kFmShareExclusive = 0x0010,
  kFmShareDenyWrite = 0x0020,
  kFmShareDenyRead = 0x0030,
  kFmShareDenyNone = 0x0040,
  kFmCreate = 0xFFFF,
};

class TStream {
 public:
  virtual ~TStream() = default;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t GetSize();
  virtual void SetSize(int64_t size);

  int64_t GetPosition() { return Seek(0, SeekOrigin::kCurrent); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::kBegin); }
  // Bytes between the position and the end (0 when the position lies beyond it).
  int64_t Remaining();

  void ReadBuffer(void* buffer, int64_t count);         // throws EReadError when short
  void WriteBuffer(const void* buffer, int64_t count);  // throws EWriteError when short
};

// A block of memory from malloc, owned; grows with realloc and never
// zero-fills what is about to be overwritten.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  uint8_t* Data() { return data_; }
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  size_t Capacity() const { return capacity_; }
  // New bytes are left uninitialised; throws std::bad_alloc.
  void Resize(size_t size);
  void Reserve(size_t capacity);
  void Release();

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// The most bytes a memory stream may hold: half the address space, as for
// every size_t size (2 GiB - 1 in the 32-bit build).
constexpr int64_t kMaxMemoryStreamSize = static_cast<int64_t>(SIZE_MAX / 2 < INT64_MAX ? SIZE_MAX / 2 : INT64_MAX);

// A growable block of memory. Memory() stays valid until the size changes.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(data_.Size()); }
  void SetSize(int64_t size) override;  // bytes added at the end are zero

  uint8_t* Memory() { return data_.Data(); }
  const uint8_t* Memory() const { return data_.Data(); }
  void Clear();
  // Replaces the content with buffer, without copying; position 0.
  void Adopt(ByteBuffer&& buffer);
  // Replaces the content with the whole file; position 0 afterwards. Throws
  // EFOpenError, EReadError, and EStreamError naming the file when it is
  // larger than kMaxMemoryStreamSize (the content is then kept).
  void LoadFromFile(const std::string& path);
  // Replaces the content with the rest of source; position 0 afterwards.
  // Throws EStreamError when the rest is larger than kMaxMemoryStreamSize.
  void LoadFromStream(TStream& source);
  // Writes the whole content to path (created or truncated).
  void SaveToFile(const std::string& path);

 private:
  ByteBuffer data_;
  int64_t position_ = 0;
};

// A stream over an open file that it does not own.
class THandleStream : public TStream {
 public:
  explicit THandleStream(OsFile& file) : file_(&file) {}
  int64_t Read(void* buffer, int64_t count) override { return file_->Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override { return file_->Write(buffer, count); }
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return file_->Size(); }
  void SetSize(int64_t size) override;
  OsFile& File() { return *file_; }

 private:
  OsFile* file_;
};

// A stream over a file that it opens and owns. mode as above; throws
// EFOpenError or EFCreateError (with the file name) when the file cannot be
// opened or created.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& path, uint16_t mode);
  const std::string& FileName() const { return path_; }

 private:
  static OsFile OpenFile(const std::string& path, uint16_t mode);
  std::string path_;
  OsFile owned_;
};

// Translates a mode word into open options (used by the big file streams too).
OsFile::Options OptionsForMode(uint16_t mode);

// Copies count bytes from source's position to dest's position; count 0 copies
// the whole source from its start. Stops early when source ends and throws
// EWriteError when dest takes fewer bytes than given. Returns the bytes copied.
int64_t CopyStream(TStream& dest, TStream& source, int64_t count);
