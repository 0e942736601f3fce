// File-system operations on Shift-JIS paths, the same on Windows and on the
// Linux build machines. Failures are reported by the result, never thrown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fs {

bool FileExists(const std::string& path);       // exists and is not a folder
bool DirectoryExists(const std::string& path);
bool EraseFile(const std::string& path);
bool EraseDirectory(const std::string& path);   // an empty folder
// Creates the folder and every missing parent; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
// Renames from to to, replacing an existing to in one step.
bool MoveReplacing(const std::string& from, const std::string& to);

// Last-write time as a packed MS-DOS date-time (date in the high 16 bits, time
// in the low 16, local time), or -1 when the file cannot be examined.
int32_t FileAge(const std::string& path);
bool SetFileAge(const std::string& path, int32_t dos_time);

// Size in bytes, 0 when the file cannot be opened.
int64_t FileSizeOf(const std::string& path);

// Names (not paths) of the entries of a folder, "." and ".." left out.
struct DirEntry {
  std::string name;
  bool is_directory = false;
  bool is_link = false;  // a symbolic link or other reparse point
};
bool ListDirectory(const std::string& folder, std::vector<DirEntry>* entries);

// Writes data to path through a temporary file beside it that then replaces
// path in one step, so that an interruption never leaves a truncated file.
// Returns false (and leaves path as it was) when any step fails.
bool WriteFileReplacing(const std::string& path, const void* data, int64_t size);

#ifndef _WIN32
// The Linux spelling of a program path: UTF-8, "/" for every delimiter.
std::string NativePath(const std::string& sjis_path);
#endif

}  // namespace fs
