// The two routines the entry reader rests on, also used directly by the
// picture reader (compressed planes) and the copy engine (checks of extracted
// files).
#pragma once

#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "base/stream.h"

// zlib rejected the data, the data ended before the zlib stream did, or it
// would inflate beyond kMaxInflatedSize.
class EDecompressionError : public EFormatError {
  using EFormatError::EFormatError;
};

// The most bytes one inflation may produce (256 MiB). Growing a buffer beyond
// it needs more contiguous address space than a 32-bit process can count on,
// and entries that large are incompressible media, kept stored and never
// inflated; only a damaged or hostile entry (a compression bomb) reaches the
// bound, and it stops with a clear error instead of exhausting memory.
constexpr int64_t kMaxInflatedSize = int64_t{256} << 20;

// Replaces m's content (one complete zlib stream, RFC 1950) by its inflated
// bytes. Inflation ends at the end of the zlib stream; bytes after it are
// ignored. Throws EDecompressionError and leaves m unchanged on failure. The
// position is left unspecified; callers set it.
void DecompressStream(TMemoryStream& m);

// Inflates one zlib stream that arrives in pieces, writing what comes out to
// dest as it goes, so that large entries never sit in memory whole. Bytes
// after the end of the zlib stream are ignored. Throws EDecompressionError
// when the data is damaged or would inflate beyond kMaxInflatedSize, and from
// Finish() when the zlib stream has not ended.
class TInflateWriter {
 public:
  explicit TInflateWriter(TStream& dest);
  ~TInflateWriter();
  TInflateWriter(const TInflateWriter&) = delete;
  TInflateWriter& operator=(const TInflateWriter&) = delete;

  void Write(const void* data, int64_t size);
  bool Ended() const { return ended_; }
  int64_t Produced() const { return produced_; }
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
  TStream& dest_;
  bool ended_ = false;
  int64_t produced_ = 0;
};

// CRC-32 (the value of zlib's crc32, see crc32.h) of m's whole content in one
// pass over its memory; leaves m's position at its end.
uint32_t MemoryStreamCrc32(TMemoryStream& m);
