#include <windows.h>

#include "base/sync.h"

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

void TMutex::lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&lock_)); }

void TMutex::unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&lock_)); }

void TCondition::Wait(std::unique_lock<TMutex>& lock) {
  SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&condition_),
                            reinterpret_cast<PSRWLOCK>(&lock.mutex()->lock_), INFINITE, 0);
}

void TCondition::WakeAll() { WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&condition_)); }
