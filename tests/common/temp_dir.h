// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, with a trailing delimiter.
  const std::string& Path() const { return path_; }
  // Path() + relative (relative may use "\" or "/" between folders).
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// The whole content of a file; throws when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes bytes to path, creating missing folders; throws on failure.
void WriteFileBytes(const std::string& path, std::string_view bytes);
// Removes a folder with everything below it.
void RemoveTree(const std::string& path);

}  // namespace testing_support
