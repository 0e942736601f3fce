#include "base/read_ahead.h"

#include <algorithm>
#include <system_error>
#include <utility>

TReadAhead::TReadAhead(Reader read, int64_t total, int64_t block_size, int blocks)
    : read_(std::move(read)), left_(std::max<int64_t>(total, 0)), block_size_(std::max<int64_t>(block_size, 1)) {
  const size_t n = static_cast<size_t>(std::max(blocks, 2));
  for (size_t i = 0; i < n; ++i) buffers_.emplace_back(new uint8_t[static_cast<size_t>(block_size_)]);
  sizes_.assign(n, 0);
  try {
    worker_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    // Read in turn by Next: slower, never wrong.
  }
}

TReadAhead::~TReadAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

bool TReadAhead::ReadBlock(uint64_t n) {
  const size_t slot = static_cast<size_t>(n % buffers_.size());
  int64_t got = 0;
  bool more = false;
  std::exception_ptr error;
  try {
    got = left_ > 0 ? read_(buffers_[slot].get(), std::min(block_size_, left_)) : 0;
    got = std::clamp<int64_t>(got, 0, std::min(block_size_, left_));
    left_ -= got;
    more = got > 0 && left_ > 0;
  } catch (...) {
    error = std::current_exception();
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  sizes_[slot] = got;
  if (got > 0) ++read_count_;
  if (!more) ended_ = true;
  error_ = error;
  return more;
}

void TReadAhead::Work() {
  for (uint64_t n = 0;; ++n) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // The block handed out last is still the caller's: it is not reused.
      changed_.wait(lock, [&] { return stop_ || n - taken_ + 1 < buffers_.size(); });
      if (stop_) return;
    }
    const bool more = ReadBlock(n);
    changed_.notify_all();
    if (!more) return;
  }
}

TReadAhead::TBlock TReadAhead::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!worker_.joinable() && read_count_ == taken_ && !ended_) {
    lock.unlock();
    ReadBlock(read_count_);
    lock.lock();
  }
  changed_.wait(lock, [&] { return read_count_ > taken_ || ended_; });
  if (read_count_ > taken_) {
    const size_t slot = static_cast<size_t>(taken_ % buffers_.size());
    ++taken_;
    lock.unlock();
    changed_.notify_all();
    return {buffers_[slot].get(), sizes_[slot]};
  }
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return {};
}
