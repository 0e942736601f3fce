#include "archive/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

namespace {

uint32_t Zlib(uint32_t crc, const uint8_t* p, size_t n) { return static_cast<uint32_t>(crc32(crc, p, static_cast<uInt>(n))); }

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return v;
}

struct Path {
  const char* name;
  std::function<uint32_t(uint32_t, const void*, size_t)> crc;
};

// Every way of computing the checksum; the carry-less one only where the
// processor has it (the dispatcher then takes the other path).
std::vector<Path> Paths() {
  std::vector<Path> paths = {{"Crc32", Crc32}, {"portable", crc32_impl::Portable}};
  if (crc32_impl::ClmulAvailable()) paths.push_back({"clmul", crc32_impl::Clmul});
  if (crc32_impl::Clmul512Available()) paths.push_back({"clmul512", crc32_impl::Clmul512});
  return paths;
}

}  // namespace

TEST(Crc32, KnownValues) {
  // The check value of CRC-32/ISO-HDLC, and of 32 bytes 0x00 / 0xFF.
  const std::string check = "123456789";
  const std::vector<uint8_t> zeros(32, 0), ones(32, 0xFF);
  for (const Path& path : Paths()) {
    SCOPED_TRACE(path.name);
    EXPECT_EQ(path.crc(0, check.data(), check.size()), 0xCBF43926u);
    EXPECT_EQ(path.crc(0, zeros.data(), zeros.size()), 0x190A55ADu);
    EXPECT_EQ(path.crc(0, ones.data(), ones.size()), 0xFF6CAB0Bu);
    EXPECT_EQ(path.crc(0, nullptr, 0), 0u);
    EXPECT_EQ(path.crc(0x12345678u, nullptr, 0), 0x12345678u);
  }
}

TEST(Crc32, MatchesZlibOnEveryLengthAndAlignment) {
  // Lengths around the 16-, 64- and 256-byte steps of the folding loops, at every
  // alignment of the first byte, each continuing a nonzero checksum.
  const std::vector<uint8_t> data = Bytes(4096 + 64, 1);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (size_t n : {319, 320, 335, 336, 511, 512, 513, 767, 768, 783, 1023, 1024, 1025, 4031, 4032, 4033, 4096})
    lengths.push_back(n);
  for (const Path& path : Paths()) {
    SCOPED_TRACE(path.name);
    for (size_t offset = 0; offset < 16; ++offset) {
      for (size_t n : lengths) {
        const uint8_t* p = data.data() + offset;
        const uint32_t start = Zlib(0, data.data() + 4096, 7);
        ASSERT_EQ(path.crc(start, p, n), Zlib(start, p, n)) << "offset " << offset << " length " << n;
        ASSERT_EQ(path.crc(0, p, n), Zlib(0, p, n)) << "offset " << offset << " length " << n;
      }
    }
  }
}

TEST(Crc32, PiecesGiveTheSameAsOnePass) {
  const std::vector<uint8_t> data = Bytes((3 << 20) + 123, 2);
  const uint32_t whole = Zlib(0, data.data(), data.size());
  for (const Path& path : Paths()) {
    SCOPED_TRACE(path.name);
    EXPECT_EQ(path.crc(0, data.data(), data.size()), whole);
    // Uneven pieces: every fold length, tails included, meets the next piece.
    uint32_t crc = 0;
    size_t at = 0, step = 1;
    while (at < data.size()) {
      const size_t n = std::min(step, data.size() - at);
      crc = path.crc(crc, data.data() + at, n);
      at += n;
      step = step * 3 + 1;
    }
    EXPECT_EQ(crc, whole);
  }
}

TEST(Crc32, RandomContentAndLengths) {
  // Lanes with every bit pattern: a few hundred random buffers.
  uint32_t seed = 99;
  for (int round = 0; round < 300; ++round) {
    seed = seed * 1664525u + 1013904223u;
    const size_t n = seed % 5000;
    const std::vector<uint8_t> data = Bytes(n, seed);
    const uint32_t expected = Zlib(seed, data.data(), n);
    for (const Path& path : Paths()) {
      SCOPED_TRACE(path.name);
      ASSERT_EQ(path.crc(seed, data.data(), n), expected) << "round " << round << " length " << n;
    }
  }
}
