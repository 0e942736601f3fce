// Streams with signed 64-bit sizes and positions for archive data, which can
// be larger than one file may be on the target systems: the archive reader
// and the entry reader see every carrier (a chain of volume files, a
// directory file in memory, a resource of a module) through TTpBigStream.
//
// Counts returned by Read/Write/Copy* are the bytes actually moved. A Read
// that returns less than asked has reached the end of the data. A Write that
// cannot store everything throws EWriteError (a full disk is never reported
// as success), and a volume that cannot be opened or created throws
// EFOpenError / EFCreateError naming the volume.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/os_file.h"
#include "base/stream.h"

// A resource that a module does not have (or that cannot be loaded).
class EResNotFound : public EStreamError {
  using EStreamError::EStreamError;
};

class TTpBigStream {
 public:
  virtual ~TTpBigStream() = default;
  TTpBigStream() = default;
  TTpBigStream(const TTpBigStream&) = delete;
  TTpBigStream& operator=(const TTpBigStream&) = delete;

  virtual int64_t GetSize() = 0;
  virtual int64_t GetPosition() = 0;
  // The position never goes beyond the end: a larger value stops at GetSize().
  virtual void SetPosition(int64_t value) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Copies count bytes from source's position to this position; count 0
  // copies all of source from its start.
  virtual int64_t CopyFrom(TTpBigStream& source, int64_t count) = 0;
  // The same from a plain stream.
  virtual int64_t CopyFromStream(TStream& source, int64_t count) = 0;
  // Copies up to count bytes from this position into dest at its position;
  // count 0 copies nothing. Stops at the end of this stream.
  virtual int64_t CopyToStream(TStream& dest, int64_t count) = 0;

  // All-or-nothing read; throws EReadError when the data ends first.
  void ReadBuffer(void* buffer, int64_t count);
};

// The size of every volume of a chain but the last: 1 GiB.
constexpr int64_t kVolumeSize = int64_t{1} << 30;

// One logical stream over numbered volume files: "game.dat", "game.001", ...,
// "game.999", "game.1000". Logical position P lies in volume P / kVolumeSize.
//
// Opening (mode as the stream constructors take it: kFmOpenRead|kFmShare*,
// kFmOpenReadWrite|kFmShare*, kFmOpenWrite or kFmCreate):
// - read or read-write: joins volume 0, 1, 2, ... while the next one exists
//   and every volume before it is exactly kVolumeSize long; a missing number
//   or a short volume ends the chain and later files are ignored. Volume 0
//   missing gives an empty chain.
// - write or create: deletes volume 0, 1, ... while they exist (throws
//   EFCreateError when one cannot be deleted); no volume is open until the
//   first write creates it.
// Written data reaches the disk through Flush() and once more when the stream
// is closed; no write waits for the disk on its own.
class TTpBigFileStream : public TTpBigStream {
 public:
  TTpBigFileStream(std::string file_name, uint16_t mode);
  // Flushes every volume when the stream was opened for writing.
  ~TTpBigFileStream() override;

  int64_t GetSize() override { return size_; }
  int64_t GetPosition() override { return position_; }
  void SetPosition(int64_t value) override;
  // Creates missing volumes as the position moves past each 1 GiB boundary.
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  // Volume to volume when source is a TTpBigFileStream, otherwise through a
  // buffer of CopyBufferSize bytes. Stops when the source ends.
  int64_t CopyFrom(TTpBigStream& source, int64_t count) override;
  int64_t CopyFromStream(TStream& source, int64_t count) override;
  int64_t CopyToStream(TStream& dest, int64_t count) override;

  const std::string& FileName() const { return file_name_; }
  uint16_t Mode() const { return mode_; }
  int32_t VolumeCount() const { return static_cast<int32_t>(volumes_.size()); }
  // FileName for 0; FileName without its extension + ".%.3d" for n >= 1.
  std::string VolumeName(int32_t n) const;
  // Forces written data to the disk; throws EWriteError when that fails.
  void Flush();
  // Cuts the chain to size bytes (nothing when it is not longer): the volume
  // that holds the new end is shortened and every later one deleted. Volume 0
  // stays, empty if need be. Throws EWriteError when a volume cannot be
  // shortened or deleted.
  void Truncate(int64_t size);

  static constexpr int64_t kCopyBufferSize = 1 << 20;

 private:
  bool Writing() const;
  // Opens volume n (the next one) for writing: creates it.
  void CreateVolume(int32_t n);
  // The volume holding position p and the offset in it; the last volume takes
  // everything from its start on.
  int32_t VolumeAt(int64_t p) const;
  // Positions volume n at offset; throws EReadError/EWriteError on failure.
  void SeekVolume(int32_t n, int64_t offset);
  // Runs fill(file, n, volume number) over the volume-bounded chunks of a
  // write of count bytes at the position (the file positioned), creating
  // volumes as needed; fill returns the bytes it stored, fewer only when its
  // source has ended, and throws when the file takes fewer.
  template <typename Fill>
  int64_t WriteChunks(int64_t count, Fill fill);
  void StoreChunk(int32_t n, int64_t offset, int64_t stored);
  // Runs take(file, n) over the volume-bounded chunks of up to count bytes
  // from the position (the file positioned); take returns the bytes it moved.
  template <typename Take>
  int64_t ReadChunks(int64_t count, Take take);

  std::string file_name_;
  uint16_t mode_;
  int64_t position_ = 0;
  int64_t size_ = 0;
  std::vector<OsFile> volumes_;
  std::vector<int64_t> volume_sizes_;
  std::unique_ptr<uint8_t[]> copy_block_;  // of volume-to-volume copies, made on first use
};

// A big stream over a plain stream that it owns (memory, a resource): every
// call is the plain stream's. CopyFrom copies only from a source of the same
// class (its plain stream into this one) and otherwise moves nothing and
// returns 0; the file stream is the one that copies from anything.
class TTpBigStreamOver : public TTpBigStream {
 public:
  int64_t GetSize() override { return stream_->GetSize(); }
  int64_t GetPosition() override { return stream_->GetPosition(); }
  void SetPosition(int64_t value) override;
  int64_t Write(const void* buffer, int64_t count) override { return stream_->Write(buffer, count); }
  int64_t Read(void* buffer, int64_t count) override { return stream_->Read(buffer, count); }
  int64_t CopyFrom(TTpBigStream& source, int64_t count) override;
  int64_t CopyFromStream(TStream& source, int64_t count) override;
  int64_t CopyToStream(TStream& dest, int64_t count) override;

  TStream& Plain() { return *stream_; }

 protected:
  explicit TTpBigStreamOver(std::unique_ptr<TStream> stream) : stream_(std::move(stream)) {}

 private:
  std::unique_ptr<TStream> stream_;
};

class TTpBigMemoryStream : public TTpBigStreamOver {
 public:
  TTpBigMemoryStream();
  TMemoryStream& Memory() { return static_cast<TMemoryStream&>(Plain()); }
  // Replaces the content with the whole file; position 0. Throws EFOpenError.
  void LoadFromFile(const std::string& path) { Memory().LoadFromFile(path); }
};

// A read-only stream over bytes that something else keeps alive (a module's
// resource). Writing and resizing throw EStreamError.
class TFixedMemoryStream : public TStream {
 public:
  TFixedMemoryStream(const void* data, int64_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return size_; }
  const uint8_t* Memory() const { return data_; }

 protected:
  void Reset(const void* data, int64_t size) {
    data_ = static_cast<const uint8_t*>(data);
    size_ = size;
    position_ = 0;
  }

 private:
  const uint8_t* data_;
  int64_t size_;
  int64_t position_ = 0;
};

#ifdef _WIN32
// The resource res_name of type res_type of a loaded module (an HMODULE; null
// for the running program), read-only. The module must stay loaded while the
// stream lives. Throws EResNotFound naming the resource when it is missing.
class TResourceStream : public TFixedMemoryStream {
 public:
  TResourceStream(void* module, const std::string& res_name, const std::string& res_type);
};

class TTpBigResourceStream : public TTpBigStreamOver {
 public:
  TTpBigResourceStream(void* module, std::string res_name, std::string res_type);
  const std::string& ResName() const { return res_name_; }
  const std::string& ResType() const { return res_type_; }

 private:
  std::string res_name_;
  std::string res_type_;
};
#endif

// A forward-only reader that fetches BufferSize bytes of its source at a time,
// for the many small records of an archive directory. On destruction it gives
// back what it fetched but did not hand out: the source's position is then
// exactly after the last byte read through it.
class TTpBuffBigStream {
 public:
  explicit TTpBuffBigStream(TTpBigStream& source) : source_(source) {}
  ~TTpBuffBigStream();
  TTpBuffBigStream(const TTpBuffBigStream&) = delete;
  TTpBuffBigStream& operator=(const TTpBuffBigStream&) = delete;

  // Up to count bytes; fewer only when the source has ended.
  int64_t Read(void* buffer, int64_t count);
  // All-or-nothing; throws EReadError when the source ends first.
  void ReadBuffer(void* buffer, int64_t count);

  static constexpr int64_t kBufferSize = 102400;

 private:
  TTpBigStream& source_;
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t filled_ = 0;
  int64_t taken_ = 0;
};
