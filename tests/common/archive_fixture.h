// Archives built in memory for the tests: a directory (written by
// WriteDirectory) followed by the entries' bytes; and the bytes of what the
// tests read back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archive/bigstreams.h"
#include "archive/vrfiles.h"
#include "common/stream_bytes.h"

struct FixtureEntry {
  std::string name;
  std::string content;
  bool compress = false;  // store a zlib stream (Stored 0) instead of the bytes
  int32_t time = 0;
  uint8_t loose = 0;
};

std::string Deflate(const std::string& bytes, int level = 6);
// zlib's CRC-32 of bytes: the reference the archive's own checks are held against.
uint32_t ZlibCrc32(const std::string& bytes);
// The entry name of an archive, read whole.
std::string EntryBytes(TVrFileCollection& archive, const std::string& name);
// Directory at position 0, entries after it; Crc over the stored bytes.
std::string BuildArchive(int32_t version, const std::vector<FixtureEntry>& entries);
// The directory alone, for entries that lie at data_start.. of another file.
std::string BuildDirectory(int32_t version, const std::vector<FixtureEntry>& entries, int64_t data_start,
                           std::string* data);

// A file of `size` bytes that holds `tail` at its end and a hole before it,
// so that 1 GiB volumes cost a few blocks of disk. Throws on failure.
void MakeSparse(const std::string& path, int64_t size, const std::string& tail = "");

// A big stream that says it holds 1000 bytes and hands out 10, as a file cut
// short behind the reader's back does.
class ShortStream : public TTpBigStream {
 public:
  int64_t GetSize() override { return 1000; }
  int64_t GetPosition() override { return position_; }
  void SetPosition(int64_t v) override { position_ = v; }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, 10 - position_));
    std::memset(buffer, 'x', static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int64_t CopyFrom(TTpBigStream&, int64_t) override { return 0; }
  int64_t CopyFromStream(TStream&, int64_t) override { return 0; }
  int64_t CopyToStream(TStream&, int64_t) override { return 0; }

 private:
  int64_t position_ = 0;
};
