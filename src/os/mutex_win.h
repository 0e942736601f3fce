// Named system mutexes: the instance guard and the running-game test.
#pragma once

#include <string>

// True when a mutex of that name exists (it can be opened with full access).
bool MutexExists(const std::string& name);

// A named mutex created by this process (not initially owned), closed on destruction.
class NamedMutex {
 public:
  NamedMutex() = default;
  ~NamedMutex() { Release(); }
  NamedMutex(NamedMutex&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  NamedMutex& operator=(NamedMutex&& other) noexcept;
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Empty (IsHeld() false) when creation fails.
  static NamedMutex Create(const std::string& name);
  bool IsHeld() const { return handle_ != nullptr; }
  void Release();

 private:
  void* handle_ = nullptr;
};
