// Reading a long source ahead of the thread that writes it: a worker reads
// the next blocks while the caller writes the last one, so a copy from one
// disk to another takes about the longer of the two times, not their sum.
// The caller's thread keeps everything else (writing, progress, answering
// the window), so a stop is noticed between blocks as before.
//
// One object serves source after source with the same worker and the same
// blocks: under Wine a thread and fresh large blocks for every file would
// cost more than the overlap saves.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/sync.h"

class TReadAhead {
 public:
  // Reads up to count bytes into buffer and returns how many; 0 at the end.
  // It may throw (the exception reaches the caller through Next). Runs on
  // the worker, never at the same time as another call of its own, so the
  // source must not be touched by anything else while it is read ahead.
  using Reader = std::function<int64_t(uint8_t* buffer, int64_t count)>;

  // Blocks of block_size, up to blocks of them (at least two) read ahead.
  // The worker starts with the first source; where it cannot be started,
  // the blocks are read by Next itself.
  TReadAhead(int64_t block_size, int blocks);
  // Ends the worker and waits for it.
  ~TReadAhead();
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  struct TBlock {
    const uint8_t* data = nullptr;
    int64_t size = 0;  // 0: nothing more
  };

  // One source read ahead, for as long as this lives: total bytes (fewer
  // when read reaches the end first). Its end, on every path (a stop, an
  // exception), stops the reading and waits until the worker has let go of
  // the source. One at a time per TReadAhead.
  class TSource {
   public:
    TSource(TReadAhead& ahead, Reader read, int64_t total);
    ~TSource();
    TSource(const TSource&) = delete;
    TSource& operator=(const TSource&) = delete;
    // The next block, in order; valid until the next call. Once the blocks
    // read before a failure are taken, throws what the reader threw.
    TBlock Next();

   private:
    TReadAhead& ahead_;
  };

 private:
  void Begin(Reader read, int64_t total);
  void End();
  TBlock Next();
  void Work();
  // Reads block n (under no lock) and records it; false at the end.
  void ReadBlock(uint64_t n, std::unique_lock<TMutex>& lock);

  const int64_t block_size_;
  std::vector<std::unique_ptr<uint8_t[]>> buffers_;
  std::vector<int64_t> sizes_;
  Reader read_;    // the worker's while a source is read ahead
  int64_t left_ = 0;

  TMutex mutex_;
  TCondition changed_;
  bool active_ = false;       // a source is being read ahead
  bool reading_ = false;      // the worker is in read_
  uint64_t read_count_ = 0;   // blocks read of this source
  uint64_t taken_ = 0;        // blocks handed out by Next
  bool ended_ = false;        // nothing more will be read of this source
  bool stop_ = false;         // the owner goes
  bool started_ = false;      // a start of the worker was tried
  std::exception_ptr error_;  // what the reader threw
  std::thread worker_;
};
