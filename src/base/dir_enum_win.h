// The entries of a folder through FindFirstFileW / FindNextFileW, with the
// find handle owned: it is closed on every way out, an exception from a
// caller's loop included. "." and ".." are left out.
//
//   DirectoryEnumerator e(folder);
//   if (!e.IsOpen()) ...;            // missing, or not a folder
//   while (e.Next()) use(e.Name(), e.Attributes());
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class DirectoryEnumerator {
 public:
  explicit DirectoryEnumerator(const std::string& folder);
  ~DirectoryEnumerator();
  DirectoryEnumerator(const DirectoryEnumerator&) = delete;
  DirectoryEnumerator& operator=(const DirectoryEnumerator&) = delete;

  bool IsOpen() const;
  // Moves to the next entry; false at the end (the handle is closed then).
  bool Next();

  // The current entry's name in Shift-JIS: its long name when code page 932
  // holds it, else its short (8.3) name. Throws EPathError naming the folder
  // when neither can be held.
  std::string Name() const;
  uint32_t Attributes() const;  // FILE_ATTRIBUTE_* bits
  int64_t Size() const;         // bytes, as the folder's listing says
  bool IsDirectory() const;
  bool IsLink() const;  // a symbolic link or other reparse point

 private:
  struct State;
  std::string folder_;
  std::unique_ptr<State> state_;
};
