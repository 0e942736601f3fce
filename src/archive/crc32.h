// CRC-32 of the archive's checksums: the reflected polynomial 0xEDB88320,
// initial value 0xFFFFFFFF, final complement; the same value as zlib's crc32
// for every input.
//
// Crc32 folds the data with carry-less multiplication when the processor has
// it, checked once at run time: 256 bytes a step with the 512-bit form
// (VPCLMULQDQ, AVX-512), else 64 bytes a step with PCLMULQDQ; otherwise it
// runs a portable table-driven loop (8 bytes per step). All give identical
// results; the fast ones are several times quicker, which matters when a
// built data file of gigabytes is checked.
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
// The same, 512 bits wide; only when Clmul512Available().
bool Clmul512Available();
uint32_t Clmul512(uint32_t crc, const void* data, size_t size);

}  // namespace crc32_impl
