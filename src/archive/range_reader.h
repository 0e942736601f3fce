// Reading runs of neighbouring entries of one archive stream on a worker,
// ahead of the thread that uses them: the entries of a data archive lie one
// after the other, so a merge or a check that takes them in that order reads
// one long stretch instead of starting over (and waiting for the first
// block) at every entry. A stretch is asked for with its likely end; wanting
// bytes elsewhere starts a new one, so a guess that was too long costs at
// most the blocks read ahead.
#pragma once

#include <cstdint>
#include <optional>

#include "archive/bigstreams.h"
#include "base/read_ahead.h"

class TRangeReader {
 public:
  // Reads stream through ahead (one reader at a time per TReadAhead). While
  // a stretch is open only the worker touches the stream.
  TRangeReader(TReadAhead& ahead, TTpBigStream& stream) : ahead_(ahead), stream_(stream) {}
  // Stops the reading and waits for the worker to let go of the stream.
  ~TRangeReader() { Close(); }
  TRangeReader(const TRangeReader&) = delete;
  TRangeReader& operator=(const TRangeReader&) = delete;

  // Makes offset the next byte handed out, reading ahead up to end (not
  // included). Keeps the open stretch when it is at offset and reaches end.
  // False when the stream has no byte at offset.
  bool Seek(int64_t offset, int64_t end);
  // The next bytes, at most count; valid until the next call. Size 0 once
  // the stretch is over or the stream ended early. Throws what the stream's
  // reading threw.
  TReadAhead::TBlock Take(int64_t count);
  void Close();

 private:
  TReadAhead& ahead_;
  TTpBigStream& stream_;
  std::optional<TReadAhead::TSource> source_;
  TReadAhead::TBlock left_;  // what is not yet handed out of the last block
  int64_t position_ = -1;    // of the next byte handed out; -1: nothing open
  int64_t end_ = -1;         // of the open stretch
};
