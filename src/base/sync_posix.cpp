#include "base/sync.h"

void TMutex::lock() { mutex_.lock(); }

void TMutex::unlock() { mutex_.unlock(); }

void TCondition::Wait(std::unique_lock<TMutex>& lock) {
  // The caller's lock is this one's mutex, held: waited on as such, and
  // still the caller's afterwards.
  std::unique_lock<std::mutex> held(lock.mutex()->mutex_, std::adopt_lock);
  condition_.wait(held);
  held.release();
}

void TCondition::WakeAll() { condition_.notify_all(); }
