// CRC-32 of the archive's checksums: the reflected polynomial 0xEDB88320,
// initial value 0xFFFFFFFF, final complement; the same value as zlib's crc32
// for every input.
//
// Crc32 folds 64 bytes at a time with carry-less multiplication (PCLMULQDQ)
// when the processor has it, checked once at run time, and otherwise runs a
// portable table-driven loop (8 bytes per step). Both give identical results;
// the fast one is several times quicker, which matters when a built data file
// of gigabytes is checked.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues crc (0 to start, or a previous result) over size bytes at data,
// as zlib's crc32(crc, data, size) does.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

namespace crc32_impl {

// The table-driven loop alone, on every processor.
uint32_t Portable(uint32_t crc, const void* data, size_t size);
// True when this processor can run Clmul.
bool ClmulAvailable();
// The carry-less multiplication path alone; only when ClmulAvailable().
uint32_t Clmul(uint32_t crc, const void* data, size_t size);

}  // namespace crc32_impl
