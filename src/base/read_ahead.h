// Reading a long source ahead of the thread that writes it: a worker reads
// the next blocks while the caller writes the last one, so a copy from one
// disk to another takes about the longer of the two times, not their sum.
// The caller's thread keeps everything else (writing, progress, answering
// the window), so a stop is noticed between blocks as before.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TReadAhead {
 public:
  // Reads up to count bytes into buffer and returns how many; 0 at the end.
  // It may throw (the exception reaches the caller through Next). Runs on
  // the worker, never at the same time as another call of its own, so the
  // source must not be touched by anything else while this object lives.
  using Reader = std::function<int64_t(uint8_t* buffer, int64_t count)>;

  // Reads total bytes (fewer when read reaches the end first) in blocks of
  // block_size, keeping up to blocks of them (at least two) read ahead.
  // Where no thread can be started, the blocks are read by Next itself.
  TReadAhead(Reader read, int64_t total, int64_t block_size, int blocks);
  // Stops the worker and waits for it, on every path (a stop, an exception):
  // nothing reads the source after this returns.
  ~TReadAhead();
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  struct TBlock {
    const uint8_t* data = nullptr;
    int64_t size = 0;  // 0: nothing more
  };
  // The next block, in order; valid until the next call. Once the blocks
  // read before a failure are taken, throws what the reader threw.
  TBlock Next();

 private:
  void Work();
  // Reads block index n of the source (under no lock); false at the end.
  bool ReadBlock(uint64_t n);

  Reader read_;
  int64_t left_;
  const int64_t block_size_;
  std::vector<std::unique_ptr<uint8_t[]>> buffers_;
  std::vector<int64_t> sizes_;

  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t read_count_ = 0;   // blocks read
  uint64_t taken_ = 0;        // blocks handed out by Next
  bool ended_ = false;        // nothing more will be read
  bool stop_ = false;         // the owner goes
  std::exception_ptr error_;  // what the reader threw
  std::thread worker_;
};
