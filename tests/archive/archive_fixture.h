// Archives built in memory for the tests: a directory (written by
// WriteDirectory) followed by the entries' bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FixtureEntry {
  std::string name;
  std::string content;
  bool compress = false;  // store a zlib stream (Stored 0) instead of the bytes
  int32_t time = 0;
  uint8_t loose = 0;
};

std::string Deflate(const std::string& bytes, int level = 6);
// Directory at position 0, entries after it; Crc over the stored bytes.
std::string BuildArchive(int32_t version, const std::vector<FixtureEntry>& entries);
// The directory alone, for entries that lie at data_start.. of another file.
std::string BuildDirectory(int32_t version, const std::vector<FixtureEntry>& entries, int64_t data_start,
                           std::string* data);

// A file of `size` bytes that holds `tail` at its end and a hole before it,
// so that 1 GiB volumes cost a few blocks of disk. Throws on failure.
void MakeSparse(const std::string& path, int64_t size, const std::string& tail = "");
