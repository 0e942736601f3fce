#include "archive/dirwriter.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace {

std::string Written(int32_t version, const std::vector<TDirectoryRecord>& records, int64_t end) {
  TMemoryStream m;
  WriteDirectory(m, version, records, end);
  EXPECT_EQ(m.GetSize(), DirectorySize(version, records));
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

TDirectoryRecord Record(std::string name, int64_t offset, uint8_t stored = 0, int32_t time = 0, uint32_t crc = 0,
                        uint8_t loose = 0) {
  TDirectoryRecord r;
  r.name = std::move(name);
  r.offset = offset;
  r.stored = stored;
  r.file_time = time;
  r.crc = crc;
  r.loose_file = loose;
  return r;
}

}  // namespace

// Expected bytes computed by hand from the generator's definition (state =
// state * 5 + 1493826517; outputs 0x5909FBD5, 0x163BE6FE, 0xC8357ECB, ...):
// names XOR the low bytes, offsets XOR the outputs (sign-extended for int64,
// which the third, negative output exercises).
TEST(WriteDirectory, Version102Bytes) {
  const std::string expected(
      "\x76\x66\x66\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x94\x9c\x01\x00\x00\x00\xa8\x94\xfb\x09\x59\x00\x00"
      "\x00\x00\xba\xe6\x3b\x16\x00\x00\x00\x00\x8f\x7e\x35\xc8\xff\xff\xff\xff\x01\x00\x78\x56\x34\x12\xff\xff\xff"
      "\xff\xbe\xba\xfe\xca\x00\x00\x00\x00\x01\x00",
      65);
  EXPECT_EQ(Written(102, {Record("Ab", 65, 1, 0x12345678, 0xCAFEBABE, 1), Record("c", 68, 0, -1)}, 68), expected);
}

TEST(WriteDirectory, Version100Bytes) {
  const std::string expected(
      "\x76\x66\x64\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x94\x9c\x01\x00\x00\x00\xa8\xc1\xfb\x09\x59\xe7\xe6"
      "\x3b\x16\xd0\x7e\x35\xc8",
      33);
  // Attributes are dropped: version 100 has no room for them.
  EXPECT_EQ(Written(100, {Record("Ab", 20, 1, 5, 6, 1), Record("c", 25)}, 27), expected);
}

TEST(WriteDirectory, PlainVersions) {
  EXPECT_EQ(Written(0, {Record("ab", 16)}, 20), std::string("\x01\x00\x00\x00\x02\x00\x00\x00" "ab"
                                                            "\x10\x00\x00\x00\x14\x00\x00\x00", 18));
  EXPECT_EQ(Written(1, {}, 14), std::string("vf\x01\x00\x00\x00\x00\x00\x00\x00\x0e\x00\x00\x00", 14));
}

TEST(WriteDirectory, RefusesWhatTheVersionCannotHold) {
  TMemoryStream m;
  EXPECT_THROW(WriteDirectory(m, 103, {}, 0), EFormatError);
  EXPECT_THROW(WriteDirectory(m, -1, {}, 0), EFormatError);
  EXPECT_THROW(WriteDirectory(m, 102, {Record("a", 10), Record("b", 9)}, 12), EFormatError);  // decreasing
  EXPECT_THROW(WriteDirectory(m, 102, {Record("a", -1)}, 12), EFormatError);
  EXPECT_THROW(WriteDirectory(m, 102, {Record("a", 10)}, 9), EFormatError);  // end before the last entry
  EXPECT_THROW(WriteDirectory(m, 100, {Record("a", 10)}, int64_t{1} << 32), EFormatError);
  EXPECT_NO_THROW(WriteDirectory(m, 101, {Record("a", 10)}, int64_t{1} << 32));
  // 0x6676 entries would start with the bytes "vf" without a signature.
  std::vector<TDirectoryRecord> many(0x6676, Record("", 0));
  EXPECT_THROW(WriteDirectory(m, 0, many, 0), EFormatError);
  EXPECT_NO_THROW(WriteDirectory(m, 1, many, 0));
}
