// The byte layout of an archive directory, shared by its reader (vrfiles)
// and its writer (dirwriter). All integers little-endian.
//
//   D+0   "vf"                      absent in version 0 (then n comes first)
//   D+2   int32 version             absent in version 0
//   ...   int32 n                   number of entries
//   names block   n x (int32 L, L name bytes)
//   offsets block n+1 values relative to D: int32 up to version 100, int64
//                 from 101; value n is the end of the last entry
//   attributes    version >= 101: n bytes Stored, n int32 FileTime,
//                 n uint32 Crc; version >= 102: n bytes LooseFile
//
// From version 100 on, name bytes are XORed with the low byte of successive
// TTpRandom(ArchiveSeed).Next() outputs (one generator for all names), and
// the offsets with the outputs of a second, fresh generator (all 32 bits, or
// sign-extended to 64 bits for int64 offsets). Nothing else is scrambled.
#pragma once

#include <cstdint>
#include <cstring>

namespace vf {

constexpr char kSignature[2] = {'v', 'f'};
constexpr int32_t kLatestVersion = 102;
constexpr int32_t kScrambledVersion = 100;  // names and offsets scrambled from here on
constexpr int32_t kWideVersion = 101;       // int64 offsets and attribute blocks
constexpr int32_t kLooseVersion = 102;      // LooseFile block

// Versions above the latest read as the latest; negative ones as 1-99 do.
constexpr int32_t EffectiveVersion(int32_t v) { return v > kLatestVersion ? kLatestVersion : (v < 0 ? 1 : v); }
constexpr int OffsetWidth(int32_t v) { return v >= kWideVersion ? 8 : 4; }
// Bytes of attributes per entry.
constexpr int AttributeWidth(int32_t v) { return v >= kLooseVersion ? 10 : (v >= kWideVersion ? 9 : 0); }

// The name of the end marker that follows the entries of a loaded directory.
constexpr const char kEndMarker[] = "\\EOF\\";

// The trailer of a carrier executable: int32 directory position, then "zf".
constexpr int kTrailerSize = 6;
constexpr char kTrailerMagic[2] = {'z', 'f'};

}  // namespace vf
