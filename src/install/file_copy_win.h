// Copying one file of the medium into the install folder in pieces, so that a
// long file moves the progress bar and an Abort is answered while it copies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/read_ahead.h"

// The name a file of the installation is written under before it is put in
// place: beside it, so that putting it in place is a rename on one volume.
std::string TemporaryNameOf(const std::string& dest);

class TFileCopier {
 public:
  // Files of read_ahead_from bytes or more are read on a worker thread
  // ahead of the writing; smaller ones cost less than starting it would.
  explicit TFileCopier(int64_t read_ahead_from = int64_t{4} << 20);
  ~TFileCopier();
  TFileCopier(const TFileCopier&) = delete;
  TFileCopier& operator=(const TFileCopier&) = delete;

  // Called after each piece with the bytes of this file copied so far;
  // returns false to stop.
  using Progress = std::function<bool(int64_t done)>;

  // Copies source over dest, keeping the source's last-write time and its
  // attributes but read-only. Where nothing is at dest, the bytes go straight
  // to it, and a copy that fails or is stopped deletes what it wrote. Where a
  // file is there (a repair), the bytes go to TemporaryNameOf(dest) first;
  // only a complete copy replaces dest (whose read-only, hidden and system
  // attributes are cleared just before, and put back if the replacing fails).
  // So dest is either absent, or the old file, untouched, or the whole new
  // one, and the temporary file is gone whatever happens. Nothing is flushed:
  // the installation is whole once its records, written last, say so.
  // Returns the bytes copied, or -1 when progress asked to stop. Throws
  // EFOpenError / EFCreateError / EReadError / EWriteError naming the file
  // and the system's reason (a full disk among them).
  int64_t Copy(const std::string& source, const std::string& dest, const Progress& progress);

  // Told with dest when something is found there, before anything replaces it.
  void OnReplacing(std::function<void(const std::string& dest)> replacing) { replacing_ = std::move(replacing); }

 private:
  std::unique_ptr<char[]> buffer_;
  std::function<void(const std::string&)> replacing_;
  int64_t read_ahead_from_;
  TReadAhead read_ahead_;  // its worker starts with the first long file
};
