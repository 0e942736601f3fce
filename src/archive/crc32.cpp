#include "archive/crc32.h"

#include <array>

#include "base/endian.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ZI_CRC32_CLMUL 1
#include <cpuid.h>
#include <immintrin.h>
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

// The register form (pre-complemented) of the byte loop.
uint32_t PortableRegister(uint32_t c, const uint8_t* p, size_t n) {
  const auto& t = kTables;
  while (n >= 8) {
    const uint32_t a = le::Load32(p) ^ c, b = le::Load32(p + 4);
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
// The wide form does the same with four 512-bit registers (each four 128-bit
// lanes side by side) and 256 bytes per step, then folds the 512-bit register
// into one 128-bit lane and goes on as the narrow form.
//
// These functions carry their own targets, so the rest of the program stays
// built for the plain processor of the build, and the stack is realigned on
// entry because 32-bit Windows code may arrive with 4-byte alignment.
#define ZI_CLMUL_TARGET __attribute__((target("sse2,pclmul")))
#define ZI_CLMUL512_TARGET __attribute__((target("sse2,pclmul,avx512f,vpclmulqdq")))

// Moves of a 128-bit lane by 64 bytes, by 16 bytes; 96 bits to 64; mu and P.
#define ZI_K64_HI 0x01C6E41596
#define ZI_K64_LO 0x0154442BD4
#define ZI_K64 _mm_set_epi64x(ZI_K64_HI, ZI_K64_LO)
#define ZI_K16 _mm_set_epi64x(0x00CCAA009E, 0x01751997D0)
#define ZI_K96 _mm_set_epi64x(0, 0x0163CD6124)
#define ZI_POLY _mm_set_epi64x(0x01F7011641, 0x01DB710641)
// The move of a 512-bit register by 256 bytes.
#define ZI_K256_HI 0x01322D1430
#define ZI_K256_LO 0x011542778A

ZI_CLMUL_TARGET inline __m128i Load(const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); }

// One lane moved forward by the distance of k, with the bytes found there.
ZI_CLMUL_TARGET inline __m128i Fold(__m128i a, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), next);
}

// The 16-byte blocks left (n a multiple of 16), then the lane reduced to the
// (pre-complemented) register.
ZI_CLMUL_TARGET inline uint32_t Finish(__m128i x1, const uint8_t* p, size_t n) {
  const __m128i k16 = ZI_K16, low32 = _mm_setr_epi32(-1, 0, -1, 0);
  for (; n >= 16; p += 16, n -= 16) x1 = Fold(x1, k16, Load(p));
  // 128 bits to 96, then to 64.
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k16, 0x10));
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, low32), ZI_K96, 0x00));
  // Barrett: q = (low 32 bits * mu) mod x^32; the remainder is x1 ^ q * P.
  const __m128i poly = ZI_POLY;
  __m128i q = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  q = _mm_clmulepi64_si128(_mm_and_si128(q, low32), poly, 0x00);
  x1 = _mm_xor_si128(x1, q);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

// c is the pre-complemented register; n is a multiple of 16 and at least 64.
ZI_CLMUL_TARGET __attribute__((force_align_arg_pointer)) uint32_t FoldRegister(uint32_t c, const uint8_t* p, size_t n) {
  const __m128i k64 = ZI_K64, k16 = ZI_K16;
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(c)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  for (p += 64, n -= 64; n >= 64; p += 64, n -= 64) {
    x1 = Fold(x1, k64, Load(p));
    x2 = Fold(x2, k64, Load(p + 16));
    x3 = Fold(x3, k64, Load(p + 32));
    x4 = Fold(x4, k64, Load(p + 48));
  }
  x1 = Fold(x1, k16, x2);
  x1 = Fold(x1, k16, x3);
  x1 = Fold(x1, k16, x4);
  return Finish(x1, p, n);
}

ZI_CLMUL512_TARGET inline __m512i Load512(const uint8_t* q) { return _mm512_loadu_si512(q); }

ZI_CLMUL512_TARGET inline __m512i Fold512(__m512i a, __m512i k, __m512i next) {
  return _mm512_xor_si512(_mm512_xor_si512(_mm512_clmulepi64_epi128(a, k, 0x00), _mm512_clmulepi64_epi128(a, k, 0x11)),
                          next);
}

// c is the pre-complemented register; n is a multiple of 16 and at least 256.
ZI_CLMUL512_TARGET __attribute__((force_align_arg_pointer)) uint32_t FoldRegister512(uint32_t c, const uint8_t* p,
                                                                                     size_t n) {
  const __m512i k256 = _mm512_set_epi64(ZI_K256_HI, ZI_K256_LO, ZI_K256_HI, ZI_K256_LO, ZI_K256_HI, ZI_K256_LO,
                                        ZI_K256_HI, ZI_K256_LO);
  const __m512i k64 = _mm512_set_epi64(ZI_K64_HI, ZI_K64_LO, ZI_K64_HI, ZI_K64_LO, ZI_K64_HI, ZI_K64_LO, ZI_K64_HI,
                                       ZI_K64_LO);
  __m512i x1 = _mm512_xor_si512(Load512(p), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(c))));
  __m512i x2 = Load512(p + 64), x3 = Load512(p + 128), x4 = Load512(p + 192);
  for (p += 256, n -= 256; n >= 256; p += 256, n -= 256) {
    x1 = Fold512(x1, k256, Load512(p));
    x2 = Fold512(x2, k256, Load512(p + 64));
    x3 = Fold512(x3, k256, Load512(p + 128));
    x4 = Fold512(x4, k256, Load512(p + 192));
  }
  x1 = Fold512(x1, k64, x2);
  x1 = Fold512(x1, k64, x3);
  x1 = Fold512(x1, k64, x4);
  for (; n >= 64; p += 64, n -= 64) x1 = Fold512(x1, k64, Load512(p));
  // The four 128-bit lanes of the register, one after the other in the data.
  alignas(64) uint8_t lanes[64];
  _mm512_store_si512(lanes, x1);
  const __m128i k16 = ZI_K16;
  __m128i lane = Fold(Load(lanes), k16, Load(lanes + 16));
  lane = Fold(lane, k16, Load(lanes + 32));
  lane = Fold(lane, k16, Load(lanes + 48));
  return Finish(lane, p, n);
}

uint64_t ReadXcr0() {
  uint32_t eax, edx;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (uint64_t{edx} << 32) | eax;
}

bool DetectClmul() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  return (c & bit_PCLMUL) != 0 && (d & bit_SSE2) != 0;
}

bool DetectClmul512() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!DetectClmul() || !__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE)) return false;
  // The system must save the 512-bit registers: SSE, AVX, mask and both
  // halves of the ZMM state enabled in XCR0.
  if ((ReadXcr0() & 0xE6) != 0xE6) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_AVX512F) != 0 && (c & bit_VPCLMULQDQ) != 0;
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

bool Clmul512Available() {
#ifdef ZI_CRC32_CLMUL
  static const bool available = DetectClmul512();
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

uint32_t Clmul512(uint32_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = ~crc;
#ifdef ZI_CRC32_CLMUL
  if (size >= 256) {
    const size_t blocks = size & ~size_t{15};
    c = FoldRegister512(c, p, blocks);
    p += blocks;
    size -= blocks;
  }
#endif
  return Clmul(~c, p, size);
}

}  // namespace crc32_impl

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  // Below one step of the lanes the simpler loops are as quick as their set-up.
  if (size >= 256 && crc32_impl::Clmul512Available()) return crc32_impl::Clmul512(crc, data, size);
  if (size >= 64 && crc32_impl::ClmulAvailable()) return crc32_impl::Clmul(crc, data, size);
  return crc32_impl::Portable(crc, data, size);
}
