// Writes archive directories of versions 0 to 102, scrambled as the reader
// (TVrFileCollection::ReadDirectory) expects. Used by the packing tool and by
// the building of a data file's separate directory file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/stream.h"

struct TDirectoryRecord {
  std::string name;     // Shift-JIS, "\" between folders
  int64_t offset = 0;   // start of the entry's bytes relative to the directory
  uint8_t stored = 0;   // 0: a zlib stream; nonzero: the bytes as they are
  int32_t file_time = 0;
  uint32_t crc = 0;
  uint8_t loose_file = 0;
};

// Bytes the directory of these entries takes in a given version (0-102).
// Depends only on the count and the name lengths, so the space can be set
// aside before the offsets are known.
int64_t DirectorySize(int32_t version, const std::vector<TDirectoryRecord>& entries);

// Writes the directory at dest's position; end is the end of the last entry
// relative to the directory (offset value n). Attributes that the version
// cannot hold are dropped. Throws EFormatError when the entries do not fit
// the version (offsets that decrease or exceed 32 bits up to version 100, a
// count whose first bytes would read as the signature in version 0) and
// EWriteError when dest takes fewer bytes.
void WriteDirectory(TStream& dest, int32_t version, const std::vector<TDirectoryRecord>& entries, int64_t end);
