#include "base/stream.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "common/temp_dir.h"

using testing_support::TempDir;

namespace {
std::string Content(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}
}  // namespace

TEST(MemoryStream, ReadsStopAtTheEnd) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  m.SetPosition(3);
  char buf[10];
  EXPECT_EQ(m.Read(buf, 10), 2);
  EXPECT_EQ(m.Read(buf, 10), 0);
  m.SetPosition(10);  // beyond the end
  EXPECT_EQ(m.Read(buf, 1), 0);
  EXPECT_EQ(m.Remaining(), 0);
  m.SetPosition(0);
  EXPECT_THROW(m.ReadBuffer(buf, 6), EReadError);
}

TEST(MemoryStream, WritingPastTheEndGrows) {
  TMemoryStream m;
  m.SetPosition(3);
  m.WriteBuffer("ab", 2);
  EXPECT_EQ(m.GetSize(), 5);
  EXPECT_EQ(Content(m), std::string("\0\0\0ab", 5));
  m.SetSize(1);
  EXPECT_EQ(m.GetPosition(), 1);
}

TEST(FileStream, CreateWriteReopenRead) {
  TempDir dir;
  const std::string path = dir / "a.bin";
  {
    TFileStream f(path, kFmCreate);
    f.WriteBuffer("0123456789", 10);
  }
  TFileStream f(path, kFmOpenRead | kFmShareDenyWrite);
  EXPECT_EQ(f.GetSize(), 10);
  f.SetPosition(8);
  char buf[4];
  EXPECT_EQ(f.Read(buf, 4), 2);
}

TEST(FileStream, MissingFileRaisesOpenErrorWithName) {
  TempDir dir;
  try {
    TFileStream f(dir / "missing.dat", kFmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.dat"), std::string::npos);
  }
  EXPECT_THROW(TFileStream(dir / "no-such-folder/x.dat", kFmCreate), EFCreateError);
}

TEST(CopyStream, CountZeroCopiesTheWholeSourceFromItsStart) {
  TMemoryStream src, dst;
  src.WriteBuffer("abcdef", 6);  // position at the end
  EXPECT_EQ(CopyStream(dst, src, 0), 6);
  EXPECT_EQ(Content(dst), "abcdef");
}

TEST(CopyStream, StopsWhenTheSourceEnds) {
  TempDir dir;
  testing_support::WriteFileBytes(dir / "s.bin", "12345");
  TFileStream file(dir / "s.bin", kFmOpenRead);
  TMemoryStream dst;
  file.SetPosition(2);
  EXPECT_EQ(CopyStream(dst, file, 100), 3);  // a file source
  EXPECT_EQ(Content(dst), "345");

  TMemoryStream mem, dst2;
  mem.WriteBuffer("xyz", 3);
  mem.SetPosition(1);
  EXPECT_EQ(CopyStream(dst2, mem, 100), 2);  // a memory source
  EXPECT_EQ(Content(dst2), "yz");
  EXPECT_EQ(mem.GetPosition(), 3);
}
