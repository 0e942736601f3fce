// Copying one file of the medium into the install folder in pieces, so that a
// long file moves the progress bar and an Abort is answered while it copies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TFileCopier {
 public:
  TFileCopier();
  ~TFileCopier();
  TFileCopier(const TFileCopier&) = delete;
  TFileCopier& operator=(const TFileCopier&) = delete;

  // Called after each piece with the bytes of this file copied so far;
  // returns false to stop.
  using Progress = std::function<bool(int64_t done)>;

  // Copies source over dest (an existing dest loses its read-only, hidden and
  // system attributes first, so it can be replaced), keeping the source's
  // last-write time and its attributes but read-only. Returns the bytes
  // copied, or -1 when progress asked to stop; the partial dest is removed
  // then. Throws EFOpenError / EFCreateError / EReadError / EWriteError
  // naming the file and the system's reason (a full disk among them), also
  // removing the partial dest.
  int64_t Copy(const std::string& source, const std::string& dest, const Progress& progress);

 private:
  std::unique_ptr<char[]> buffer_;
};
