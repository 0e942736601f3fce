// Little-endian integers in byte buffers: the byte order of every file format
// the program reads and writes (archives, settings, pictures). The caller has
// checked that the bytes are there; these read or write exactly 4 or 8 of them,
// whatever the machine's own byte order and alignment.
#pragma once

#include <cstdint>

namespace le {

inline uint32_t Load32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline uint64_t Load64(const uint8_t* p) { return uint64_t{Load32(p)} | (uint64_t{Load32(p + 4)} << 32); }
// The two's complement int32 the formats store for signed fields.
inline int32_t LoadInt32(const uint8_t* p) { return static_cast<int32_t>(Load32(p)); }

inline void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline void Store64(uint8_t* p, uint64_t v) {
  Store32(p, static_cast<uint32_t>(v));
  Store32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace le
