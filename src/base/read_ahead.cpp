#include "base/read_ahead.h"

#include <algorithm>
#include <system_error>
#include <utility>

TReadAhead::TReadAhead(int64_t block_size, int blocks) : block_size_(std::max<int64_t>(block_size, 1)) {
  const size_t n = static_cast<size_t>(std::max(blocks, 2));
  for (size_t i = 0; i < n; ++i) buffers_.emplace_back(new uint8_t[static_cast<size_t>(block_size_)]);
  sizes_.assign(n, 0);
}

TReadAhead::~TReadAhead() {
  {
    const std::lock_guard<TMutex> lock(mutex_);
    stop_ = true;
  }
  changed_.WakeAll();
  if (worker_.joinable()) worker_.join();
}

void TReadAhead::Begin(Reader read, int64_t total) {
  {
    const std::lock_guard<TMutex> lock(mutex_);
    read_ = std::move(read);
    left_ = std::max<int64_t>(total, 0);
    read_count_ = taken_ = 0;
    ended_ = false;
    error_ = nullptr;
    active_ = true;
    if (!started_) {
      started_ = true;
      try {
        worker_ = std::thread([this] { Work(); });
      } catch (const std::system_error&) {
        // Read in turn by Next: slower, never wrong.
      }
    }
  }
  changed_.WakeAll();
}

void TReadAhead::End() {
  std::unique_lock<TMutex> lock(mutex_);
  ended_ = true;  // no further block is begun
  changed_.Wait(lock, [&] { return !reading_; });
  active_ = false;
  read_ = nullptr;
  error_ = nullptr;
}

void TReadAhead::ReadBlock(uint64_t n, std::unique_lock<TMutex>& lock) {
  const size_t slot = static_cast<size_t>(n % buffers_.size());
  reading_ = true;
  lock.unlock();
  int64_t got = 0;
  std::exception_ptr error;
  try {
    got = left_ > 0 ? read_(buffers_[slot].get(), std::min(block_size_, left_)) : 0;
    got = std::clamp<int64_t>(got, 0, std::min(block_size_, left_));
    left_ -= got;
  } catch (...) {
    error = std::current_exception();
    got = 0;
  }
  lock.lock();
  reading_ = false;
  sizes_[slot] = got;
  if (got > 0) ++read_count_;
  if (got == 0 || left_ == 0) ended_ = true;
  if (error) error_ = error;
}

void TReadAhead::Work() {
  std::unique_lock<TMutex> lock(mutex_);
  for (;;) {
    // The block handed out last is still the caller's: it is not reused.
    changed_.Wait(lock, [&] {
      return stop_ || (active_ && !ended_ && read_count_ - taken_ + 1 < buffers_.size());
    });
    if (stop_) return;
    ReadBlock(read_count_, lock);
    changed_.WakeAll();
  }
}

TReadAhead::TBlock TReadAhead::Next() {
  std::unique_lock<TMutex> lock(mutex_);
  if (!worker_.joinable() && read_count_ == taken_ && !ended_) ReadBlock(read_count_, lock);
  changed_.Wait(lock, [&] { return read_count_ > taken_ || ended_; });
  if (read_count_ > taken_) {
    const size_t slot = static_cast<size_t>(taken_ % buffers_.size());
    ++taken_;
    lock.unlock();
    changed_.WakeAll();
    return {buffers_[slot].get(), sizes_[slot]};
  }
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return {};
}

TReadAhead::TSource::TSource(TReadAhead& ahead, Reader read, int64_t total) : ahead_(ahead) {
  ahead_.Begin(std::move(read), total);
}

TReadAhead::TSource::~TSource() { ahead_.End(); }

TReadAhead::TBlock TReadAhead::TSource::Next() { return ahead_.Next(); }
