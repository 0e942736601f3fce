#include "archive/crc32.h"

#include <array>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ZI_CRC32_CLMUL 1
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#endif

namespace crc32_impl {
namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;  // reflected

// Table k gives the CRC contribution of a byte followed by k zero bytes, so
// that eight table lookups fold eight bytes at once ("slicing by 8").
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
    t[0][i] = c;
  }
  for (size_t k = 1; k < 8; ++k) {
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
  return t;
}

constexpr Tables kTables = MakeTables();

inline uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The register form (pre-complemented) of the byte loop.
uint32_t PortableRegister(uint32_t c, const uint8_t* p, size_t n) {
  const auto& t = kTables;
  while (n >= 8) {
    const uint32_t a = LoadLE32(p) ^ c, b = LoadLE32(p + 4);
    c = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^ t[3][b & 0xFF] ^
        t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
    p += 8;
    n -= 8;
  }
  while (n-- > 0) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return c;
}

#ifdef ZI_CRC32_CLMUL

// Folding by carry-less multiplication. Four 128-bit lanes take 64 bytes per
// step: each lane is multiplied by the power of x (modulo the polynomial) that
// moves it 64 bytes on, and the next 64 bytes are xored in, so the lanes stay
// congruent to the data seen so far. The lanes are then folded into one (a
// 16-byte move), the remaining 16-byte blocks likewise, and the 128-bit
// remainder is reduced to 64 bits and then to 32 by Barrett reduction with
// mu = floor(x^64 / P). The constants are those powers of x modulo P,
// bit-reflected and shifted by one, as reflected arithmetic needs.
//
// Only SSE2 and PCLMULQDQ are needed; these functions carry their own target,
// so the rest of the program stays built for the plain processor of the
// build, and the stack is realigned on entry because 32-bit Windows code may
// arrive with 4-byte alignment.
#define ZI_CLMUL_TARGET __attribute__((target("sse2,pclmul")))

ZI_CLMUL_TARGET inline __m128i Load(const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); }

// One lane moved forward by the distance of k, with the bytes found there.
ZI_CLMUL_TARGET inline __m128i Fold(__m128i a, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), next);
}

// c is the pre-complemented register; n is a multiple of 16 and at least 64.
ZI_CLMUL_TARGET __attribute__((force_align_arg_pointer)) uint32_t FoldRegister(uint32_t c, const uint8_t* p, size_t n) {
  const __m128i k64 = _mm_set_epi64x(0x01C6E41596, 0x0154442BD4);  // a 64-byte move
  const __m128i k16 = _mm_set_epi64x(0x00CCAA009E, 0x01751997D0);  // a 16-byte move
  const __m128i k5 = _mm_set_epi64x(0, 0x0163CD6124);              // 96 bits to 64
  const __m128i poly = _mm_set_epi64x(0x01F7011641, 0x01DB710641);  // mu and P
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);

  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(c)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64;
  n -= 64;
  while (n >= 64) {
    x1 = Fold(x1, k64, Load(p));
    x2 = Fold(x2, k64, Load(p + 16));
    x3 = Fold(x3, k64, Load(p + 32));
    x4 = Fold(x4, k64, Load(p + 48));
    p += 64;
    n -= 64;
  }
  x1 = Fold(x1, k16, x2);
  x1 = Fold(x1, k16, x3);
  x1 = Fold(x1, k16, x4);
  while (n >= 16) {
    x1 = Fold(x1, k16, Load(p));
    p += 16;
    n -= 16;
  }

  // 128 bits to 96, then to 64.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k16, 0x10));
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
  // Barrett: q = (low 32 bits * mu) mod x^32; the remainder is x1 ^ q * P.
  __m128i q = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  q = _mm_clmulepi64_si128(_mm_and_si128(q, low32), poly, 0x00);
  x1 = _mm_xor_si128(x1, q);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

bool DetectClmul() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  return (c & bit_PCLMUL) != 0 && (d & bit_SSE2) != 0;
}

#endif

}  // namespace

uint32_t Portable(uint32_t crc, const void* data, size_t size) {
  return ~PortableRegister(~crc, static_cast<const uint8_t*>(data), size);
}

bool ClmulAvailable() {
#ifdef ZI_CRC32_CLMUL
  static const bool available = DetectClmul();
  return available;
#else
  return false;
#endif
}

uint32_t Clmul(uint32_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = ~crc;
#ifdef ZI_CRC32_CLMUL
  if (size >= 64) {
    const size_t blocks = size & ~size_t{15};
    c = FoldRegister(c, p, blocks);
    p += blocks;
    size -= blocks;
  }
#endif
  return ~PortableRegister(c, p, size);
}

}  // namespace crc32_impl

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  // Below one 64-byte step the table loop is as quick as the set-up of the lanes.
  if (size >= 64 && crc32_impl::ClmulAvailable()) return crc32_impl::Clmul(crc, data, size);
  return crc32_impl::Portable(crc, data, size);
}
