// A kernel object handle (a file, a process, a snapshot ...) with one owner,
// which closes it once. Both values the system uses for "no handle" (null and
// INVALID_HANDLE_VALUE) count as none, so it takes what any Create or Open
// function returns.
#pragma once

#include <windows.h>

#include <utility>

class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE h) : h_(h) {}
  ~OwnedHandle() { Close(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      Close();
      h_ = std::exchange(other.h_, nullptr);
    }
    return *this;
  }

  bool IsOpen() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  // Closes the handle now; false when the system reports an error there (for
  // a file written to, the last chance to learn that the data did not land).
  bool Close() {
    const bool ok = !IsOpen() || CloseHandle(h_);
    h_ = nullptr;
    return ok;
  }

 private:
  HANDLE h_ = nullptr;
};
