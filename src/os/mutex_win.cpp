#include "os/mutex_win.h"

#include <windows.h>

#include "base/encoding.h"
#include "os/owned_handle_win.h"

bool MutexExists(const std::string& name) {
  return OwnedHandle(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, enc::Wide(name).c_str())).IsOpen();
}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

NamedMutex NamedMutex::Create(const std::string& name) {
  NamedMutex m;
  m.handle_ = CreateMutexW(nullptr, FALSE, enc::Wide(name).c_str());
  return m;
}

void NamedMutex::Release() {
  if (handle_) {
    ReleaseMutex(handle_);  // fails harmlessly: the mutex was created without an owner
    CloseHandle(handle_);
  }
  handle_ = nullptr;
}
