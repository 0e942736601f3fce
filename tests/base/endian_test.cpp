#include "base/endian.h"

#include <gtest/gtest.h>

#include <cstring>

// Byte order and sign at the edges of each width; the byte after the field is
// a sentinel that neither a load nor a store may touch.
TEST(Endian, LoadsAndStoresTheLowByteFirst) {
  struct Case {
    uint8_t bytes[4];
    uint32_t value;
    int32_t signed_value;
  };
  const Case cases[] = {
      {{0x00, 0x00, 0x00, 0x00}, 0, 0},
      {{0x01, 0x00, 0x00, 0x00}, 1, 1},
      {{0x78, 0x56, 0x34, 0x12}, 0x12345678u, 0x12345678},
      {{0xFF, 0xFF, 0xFF, 0x7F}, 0x7FFFFFFFu, INT32_MAX},
      {{0x00, 0x00, 0x00, 0x80}, 0x80000000u, INT32_MIN},
      {{0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFFu, -1},
      {{0x80, 0x00, 0x00, 0x00}, 0x80u, 0x80},  // a high bit in a low byte is not a sign
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    uint8_t buffer[5] = {c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3], 0xA5};
    EXPECT_EQ(le::Load32(buffer), c.value);
    EXPECT_EQ(le::LoadInt32(buffer), c.signed_value);
    uint8_t written[5] = {0, 0, 0, 0, 0xA5};
    le::Store32(written, c.value);
    EXPECT_EQ(0, memcmp(written, buffer, 5));
  }
}

TEST(Endian, SixtyFourBitsAreTwoThirtyTwoBitHalves) {
  uint8_t buffer[10] = {0x5A, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81, 0x5A};
  // Unaligned on purpose: the formats put 8-byte fields at any offset.
  EXPECT_EQ(le::Load64(buffer + 1), 0x8102030405060708u);
  uint8_t written[10] = {0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0x5A};
  le::Store64(written + 1, 0x8102030405060708u);
  EXPECT_EQ(0, memcmp(written, buffer, 10));
  le::Store64(written + 1, static_cast<uint64_t>(int64_t{-8}));
  EXPECT_EQ(static_cast<int64_t>(le::Load64(written + 1)), -8);
  EXPECT_EQ(written[9], 0x5A);
}
