// The program's exceptions. Every message is a Shift-JIS text meant for the
// user; where the product has a fixed wording, that wording is the message.
// The user-facing layers catch EError (and std::exception) and show what().
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class EError : public std::exception {
 public:
  explicit EError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// Streams and files.
class EStreamError : public EError { using EError::EError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };

// A path that the program's code page cannot hold (see enc::NarrowPath).
class EPathError : public EError { using EError::EError; };

// Data that does not follow its format (a settings file, an archive, a picture).
class EFormatError : public EError { using EError::EError; };

namespace errors {
// Standard texts of the stream layer.
EFOpenError OpenFailed(const std::string& path);
EFCreateError CreateFailed(const std::string& path);
EReadError ReadFailed();
EWriteError WriteFailed();
// Data of size bytes cannot be held in memory; path names the file ("" none).
EStreamError TooLargeForMemory(const std::string& path, int64_t size);
}  // namespace errors
