// File helpers of the installer that need the Windows file system: attribute
// masks, deferred deletion, copying, the program's own folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Attribute bits as the file system reports them.
enum : uint32_t {
  kFaReadOnly = 0x01,
  kFaHidden = 0x02,
  kFaSysFile = 0x04,
  kFaVolumeId = 0x08,
  kFaDirectory = 0x10,
  kFaArchive = 0x20,
  kFaAnyFile = 0x3F,
};

struct ListFilesOptions {
  uint32_t attribute_mask = 0;        // files with one of these bits; folders when it has kFaDirectory
  bool take_plain_files = false;      // also files with none of the six attribute bits
  std::string extension;              // "" = every taken file; else only files with this extension (ASCII case folded)
  bool clear_attributes = false;      // clear read-only and hidden on every entry met
  bool folders_with_delimiter = false;
  bool recurse = false;
  bool clear_list = false;
};

// Appends to list the paths (folder + name) of the folder's entries that pass
// the options, depth first when recursing, and to sizes (when given) their
// sizes as the listing gives them, at no extra call. Symbolic links and other
// reparse points are listed but never entered, so a link cycle cannot recurse
// for ever.
void ListFiles(const std::string& folder, const ListFilesOptions& options, std::vector<std::string>* list,
               std::vector<int64_t>* sizes = nullptr);

// Copies source over dest unless compare is set and dest has the same file age
// and size; true when dest is in place afterwards.
bool CopyIfChanged(const std::string& source, const std::string& dest, bool compare);

// Registers the file for deletion at the next restart of the system.
bool ScheduleDeleteAtRestart(const std::string& file);

uint32_t FileAttributesOf(const std::string& path);  // 0xFFFFFFFF when missing
bool ClearFileAttributes(const std::string& path, uint32_t bits);

// Full name of the running program file.
std::string ProgramFileName();
// The system's temporary folder and Windows folder, with a trailing delimiter.
std::string TempFolder();
std::string WindowsFolder();

// Bytes the caller may use on the volume whose root is given: a drive
// ("C:\") or a share ("\\server\share\"); nothing when the system does not
// tell (no such volume, a share that does not answer).
std::optional<uint64_t> FreeBytesAt(const std::string& root);
