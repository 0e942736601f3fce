#include "base/stream.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "common/temp_dir.h"
#include "common/stream_bytes.h"

using testing_support::TempDir;

namespace {
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
  EXPECT_EQ(ContentOf(m), std::string("\0\0\0ab", 5));
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
  EXPECT_EQ(ContentOf(dst), "abcdef");
}

TEST(CopyStream, StopsWhenTheSourceEnds) {
  TempDir dir;
  testing_support::WriteFileBytes(dir / "s.bin", "12345");
  TFileStream file(dir / "s.bin", kFmOpenRead);
  TMemoryStream dst;
  file.SetPosition(2);
  EXPECT_EQ(CopyStream(dst, file, 100), 3);  // a file source
  EXPECT_EQ(ContentOf(dst), "345");

  TMemoryStream mem, dst2;
  mem.WriteBuffer("xyz", 3);
  mem.SetPosition(1);
  EXPECT_EQ(CopyStream(dst2, mem, 100), 2);  // a memory source
  EXPECT_EQ(ContentOf(dst2), "yz");
  EXPECT_EQ(mem.GetPosition(), 3);
}

TEST(MemoryStream, APositionBeforeTheStartReadsNothing) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  char buf[8] = "xxxxxxx";
  for (const int64_t position : {int64_t{-1}, int64_t{-3}, int64_t{-5}, int64_t{-100}, INT64_MIN / 2}) {
    SCOPED_TRACE(position);
    m.SetPosition(position);
    EXPECT_EQ(m.Read(buf, 3), 0);
    EXPECT_EQ(std::string(buf), "xxxxxxx");
    EXPECT_EQ(m.GetPosition(), position);
  }
  m.SetPosition(-2);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
}

namespace {

// A stream that says it holds more than a memory stream may: nothing may be
// allocated or read for it.
class HugeStream : public TStream {
 public:
  explicit HugeStream(int64_t size) : size_(size) {}
  int64_t Read(void*, int64_t) override {
    ++reads;
    return 0;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    position_ = origin == SeekOrigin::kBegin ? offset : origin == SeekOrigin::kEnd ? size_ + offset : position_ + offset;
    return position_;
  }
  int reads = 0;

 private:
  int64_t size_;
  int64_t position_ = 0;
};

}  // namespace

TEST(MemoryStream, LoadingMoreThanMemoryCanHoldIsRefusedBeforeAllocating) {
  // 4 GiB and more: in the 32-bit build the size once wrapped to a small
  // buffer that the full size was then read into.
  if (kMaxMemoryStreamSize >= INT64_MAX) GTEST_SKIP() << "a 64-bit size_t holds every stream size";
  const int64_t just_beyond = kMaxMemoryStreamSize < INT64_MAX ? kMaxMemoryStreamSize + 1 : 0;
  for (const int64_t size : {just_beyond, int64_t{1} << 32, (int64_t{1} << 32) + 16}) {
    SCOPED_TRACE(size);
    HugeStream source(size);
    TMemoryStream m;
    m.WriteBuffer("kept", 4);
    try {
      m.LoadFromStream(source);
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(std::to_string(size)), std::string::npos) << e.what();
    }
    EXPECT_EQ(source.reads, 0);
    EXPECT_EQ(ContentOf(m), "kept");
  }
}

TEST(MemoryStream, LoadFromFileOfFourGiBNamesTheFile) {
  if (kMaxMemoryStreamSize >= INT64_MAX) GTEST_SKIP() << "a 64-bit size_t holds every stream size";
  TempDir dir;
  const std::string path = dir / "big.ext";
  {
    // Sparse: 4 GiB + 16 bytes that take a block of disk.
    OsFile::Options o;
    o.access = OsFile::kReadWrite;
    o.disposition = OsFile::Disposition::kCreateAlways;
    OsFile f = OsFile::Open(path, o);
    ASSERT_TRUE(f.IsOpen());
    ASSERT_EQ(f.Seek((int64_t{1} << 32) + 15, OsFile::Origin::kBegin), (int64_t{1} << 32) + 15);
    ASSERT_EQ(f.Write("x", 1), 1);
  }
  TMemoryStream m;
  try {
    m.LoadFromFile(path);
    ADD_FAILURE() << "no error";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_EQ(m.GetSize(), 0);
}
