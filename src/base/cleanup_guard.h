// Undoes a piece of work that did not finish: the clean-up runs when the
// guard's scope ends, by a return or an exception, unless Cancel() was called
// once the work succeeded. A temporary file half written or an output cut
// short goes this way. The clean-up must not throw (it runs in a destructor).
#pragma once

#include <utility>

template <typename CleanUp>
class CleanupGuard {
 public:
  explicit CleanupGuard(CleanUp clean_up) : clean_up_(std::move(clean_up)) {}
  ~CleanupGuard() {
    if (armed_) clean_up_();
  }
  CleanupGuard(const CleanupGuard&) = delete;
  CleanupGuard& operator=(const CleanupGuard&) = delete;

  // The work succeeded: nothing is undone.
  void Cancel() { armed_ = false; }

 private:
  CleanUp clean_up_;
  bool armed_ = true;
};
