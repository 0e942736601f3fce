#include "archive/bigstreams.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/archive_fixture.h"
#include "base/fs.h"
#include "common/temp_dir.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// count bytes of path at offset.
std::string ReadAt(const std::string& path, int64_t offset, int64_t count) {
  OsFile f = OsFile::Open(path, OsFile::Options{});
  EXPECT_TRUE(f.IsOpen()) << path;
  std::string out(static_cast<size_t>(count), '\0');
  f.Seek(offset, OsFile::Origin::kBegin);
  out.resize(static_cast<size_t>(std::max<int64_t>(f.Read(out.data(), count), 0)));
  return out;
}

std::string ReadAll(TTpBigStream& s, int64_t count) {
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(s.Read(out.data(), count)));
  return out;
}

constexpr uint16_t kRead = kFmOpenRead | kFmShareDenyWrite;
constexpr uint16_t kReadWrite = kFmOpenReadWrite | kFmShareDenyWrite;

}  // namespace

TEST(BigFileStream, VolumeNames) {
  TTpBigFileStream s("game.dat", kFmCreate);
  const std::pair<int32_t, const char*> rows[] = {
      {0, "game.dat"}, {1, "game.001"}, {2, "game.002"}, {999, "game.999"}, {1000, "game.1000"}};
  for (const auto& [n, name] : rows) EXPECT_EQ(s.VolumeName(n), name);
  TTpBigFileStream plain("data", kFmCreate);
  EXPECT_EQ(plain.VolumeName(1), "data.001");
}

TEST(BigFileStream, EmptyChain) {
  TempDir dir;
  TTpBigFileStream s(dir / "game.dat", kRead);
  EXPECT_EQ(s.VolumeCount(), 0);
  EXPECT_EQ(s.GetSize(), 0);
  char c;
  EXPECT_EQ(s.Read(&c, 1), 0);
  s.SetPosition(100);
  EXPECT_EQ(s.GetPosition(), 0);
  EXPECT_FALSE(fs::FileExists(dir / "game.dat"));  // reading never creates a file
}

TEST(BigFileStream, ReadStopsAtTheEndOfTheChain) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", std::string(120, 'a'));
  TTpBigFileStream s(dir / "game.dat", kRead);
  s.SetPosition(50);
  char buf[100];
  EXPECT_EQ(s.Read(buf, 100), 70);
  EXPECT_EQ(s.GetPosition(), 120);
  EXPECT_EQ(s.Read(buf, 100), 0);
  s.SetPosition(-5);
  EXPECT_EQ(s.GetPosition(), 0);
}

TEST(BigFileStream, WriteStraddlingOneGiBContinuesInANewVolume) {
  TempDir dir;
  const std::string game = dir / "game.dat";
  MakeSparse(game, kVolumeSize - 4);
  {
    TTpBigFileStream s(game, kReadWrite);
    s.SetPosition(s.GetSize());
    EXPECT_EQ(s.Write("0123456789", 10), 10);
    EXPECT_EQ(s.VolumeCount(), 2);
    EXPECT_EQ(s.GetSize(), kVolumeSize + 6);
  }
  EXPECT_EQ(fs::FileSizeOf(game), kVolumeSize);
  EXPECT_EQ(ReadAt(game, kVolumeSize - 4, 10), "0123");
  EXPECT_EQ(ReadFileBytes(dir / "game.001"), "456789");

  TTpBigFileStream s(game, kRead);
  EXPECT_EQ(s.VolumeCount(), 2);
  s.SetPosition(kVolumeSize - 6);
  EXPECT_EQ(ReadAll(s, 100), std::string(2, '\0') + "0123456789");
  // The same bytes through CopyToStream, which also stops at the end.
  TMemoryStream m;
  s.SetPosition(kVolumeSize - 2);
  EXPECT_EQ(s.CopyToStream(m, 100), 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 8), "23456789");
  EXPECT_EQ(s.CopyToStream(m, 0), 0);
}

TEST(BigFileStream, GapOrShortVolumeEndsTheChain) {
  TempDir dir;
  const std::string game = dir / "game.dat";
  MakeSparse(game, kVolumeSize);
  WriteFileBytes(dir / "game.001", "0123456789");
  WriteFileBytes(dir / "game.003", "three");
  {
    TTpBigFileStream s(game, kRead);
    EXPECT_EQ(s.VolumeCount(), 2);
    EXPECT_EQ(s.GetSize(), kVolumeSize + 10);
  }
  // A short first volume (a program next to an unrelated .001) stands alone.
  WriteFileBytes(dir / "setup.exe", "program");
  WriteFileBytes(dir / "setup.001", "unrelated");
  {
    TTpBigFileStream s(dir / "setup.exe", kRead);
    EXPECT_EQ(s.VolumeCount(), 1);
    EXPECT_EQ(s.GetSize(), 7);
  }
  // Creating deletes the chain up to the gap, and nothing else.
  { TTpBigFileStream s(game, kFmCreate); }
  EXPECT_FALSE(fs::FileExists(game));
  EXPECT_FALSE(fs::FileExists(dir / "game.001"));
  EXPECT_TRUE(fs::FileExists(dir / "game.003"));
}

TEST(BigFileStream, CopyFromAnotherChainAcrossUnalignedVolumes) {
  TempDir dir;
  const std::string src = dir / "src.dat";
  MakeSparse(src, kVolumeSize, "ABCDEFGH");
  WriteFileBytes(dir / "src.001", "IJKLMNOP");
  TTpBigFileStream source(src, kRead);

  const std::string dst = dir / "dst.dat";
  MakeSparse(dst, kVolumeSize - 3);
  {
    TTpBigFileStream dest(dst, kReadWrite);
    dest.SetPosition(dest.GetSize());
    source.SetPosition(kVolumeSize - 8);
    // The destination chunk of 3 bytes comes from source volume 0, the next
    // chunk (in the new dst.001) from both source volumes.
    EXPECT_EQ(dest.CopyFrom(source, 16), 16);
    EXPECT_EQ(source.GetPosition(), kVolumeSize + 8);
    EXPECT_EQ(dest.GetSize(), kVolumeSize + 13);
  }  // (Windows lets nobody else read a volume while it is open for writing)
  EXPECT_EQ(ReadAt(dst, kVolumeSize - 3, 3), "ABC");
  EXPECT_EQ(ReadFileBytes(dir / "dst.001"), "DEFGHIJKLMNOP");

  // Asking for more than the source holds stops at its end.
  {
    TTpBigFileStream more(dir / "more.dat", kFmCreate);
    source.SetPosition(kVolumeSize + 4);
    EXPECT_EQ(more.CopyFrom(source, 100), 4);
  }
  EXPECT_EQ(ReadFileBytes(dir / "more.dat"), "MNOP");
}

TEST(BigFileStream, CopyWithCountZeroCopiesTheWholeSourceFromItsStart) {
  TempDir dir;
  TTpBigMemoryStream memory;
  memory.Memory().WriteBuffer("whole source", 12);  // position at the end
  TTpBigFileStream a(dir / "a.dat", kFmCreate);
  EXPECT_EQ(a.CopyFrom(memory, 0), 12);
  TMemoryStream plain;
  plain.WriteBuffer("plain", 5);
  EXPECT_EQ(a.CopyFromStream(plain, 0), 5);
  EXPECT_EQ(a.GetSize(), 17);
  {
    TTpBigFileStream b(dir / "b.dat", kFmCreate);
    a.SetPosition(3);
    EXPECT_EQ(b.CopyFrom(a, 0), 17);
  }
  EXPECT_EQ(ReadFileBytes(dir / "b.dat"), "whole sourceplain");
}

TEST(BigFileStream, CreateDeletesTheOldChainAtOnce) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", "old");
  TTpBigFileStream s(dir / "game.dat", kFmCreate);
  EXPECT_FALSE(fs::FileExists(dir / "game.dat"));
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.Write("new", 3), 3);
  EXPECT_EQ(s.VolumeCount(), 1);
}

TEST(BigFileStream, VolumesThatCannotBeCreatedRaise) {
  TempDir dir;
  {
    TTpBigFileStream s(dir / "missing/game.dat", kFmCreate);
    EXPECT_THROW(s.Write("x", 1), EFCreateError);
  }
  // A folder in the way of the second volume stops a write crossing 1 GiB.
  MakeSparse(dir / "game.dat", kVolumeSize - 2);
  ASSERT_TRUE(fs::MakeDirectories(dir / "game.001"));
  TTpBigFileStream s(dir / "game.dat", kReadWrite);
  s.SetPosition(s.GetSize());
  try {
    s.Write("abcd", 4);
    FAIL() << "no error for a volume that cannot be created";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find("game.001"), std::string::npos) << e.what();
  }
  EXPECT_EQ(s.GetSize(), kVolumeSize);  // the two bytes that fitted are counted
}

#ifndef _WIN32
TEST(BigFileStream, AWriteThatStoresLessRaises) {
  // /dev/full takes nothing: every write fails as on a full disk.
  if (!fs::FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TTpBigFileStream s("/dev/full", kReadWrite);
  ASSERT_EQ(s.VolumeCount(), 1);
  EXPECT_THROW(s.Write("data", 4), EWriteError);
  TTpBigMemoryStream memory;
  memory.Memory().WriteBuffer("data", 4);
  EXPECT_THROW(s.CopyFrom(memory, 0), EWriteError);
  EXPECT_THROW(s.CopyFromStream(memory.Memory(), 0), EWriteError);
}
#endif

TEST(BigMemoryStream, DelegatesAndCopiesOnlyFromItsOwnKind) {
  TempDir dir;
  WriteFileBytes(dir / "f.dat", "file bytes");
  TTpBigFileStream file(dir / "f.dat", kRead);
  TTpBigMemoryStream m;
  EXPECT_EQ(m.CopyFrom(file, 0), 0);
  EXPECT_EQ(m.GetSize(), 0);
  EXPECT_EQ(m.Write("abc", 3), 3);
  TTpBigMemoryStream other;
  EXPECT_EQ(other.CopyFrom(m, 0), 3);
  other.SetPosition(10);
  EXPECT_EQ(other.GetPosition(), 3);
  other.SetPosition(1);
  TMemoryStream out;
  EXPECT_EQ(other.CopyToStream(out, 0), 0);
  EXPECT_EQ(other.CopyToStream(out, 5), 2);
  m.LoadFromFile(dir / "f.dat");
  EXPECT_EQ(m.GetPosition(), 0);
  EXPECT_EQ(ReadAll(m, 100), "file bytes");
}

TEST(FixedMemoryStream, IsReadOnly) {
  const char bytes[] = "resource";
  TFixedMemoryStream s(bytes, 8);
  char buf[16];
  s.SetPosition(5);
  EXPECT_EQ(s.Read(buf, 16), 3);
  EXPECT_THROW(s.Write("x", 1), EStreamError);
}

TEST(BuffBigStream, GivesBackWhatItReadAhead) {
  TTpBigMemoryStream source;
  std::string bytes(1000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i);
  source.Write(bytes.data(), 1000);
  source.SetPosition(0);
  {
    TTpBuffBigStream buffered(source);
    char six[6];
    EXPECT_EQ(buffered.Read(six, 6), 6);
    EXPECT_EQ(std::string(six, 6), bytes.substr(0, 6));
    EXPECT_EQ(source.GetPosition(), 1000);  // read ahead
  }
  EXPECT_EQ(source.GetPosition(), 6);
  {
    TTpBuffBigStream buffered(source);
    std::string rest(2000, '\0');
    EXPECT_EQ(buffered.Read(rest.data(), 2000), 994);
    EXPECT_EQ(rest.substr(0, 994), bytes.substr(6));
    EXPECT_THROW(buffered.ReadBuffer(rest.data(), 1), EReadError);
  }
  EXPECT_EQ(source.GetPosition(), 1000);
}

TEST(BuffBigStream, FetchesInBlocksAcrossTheirBorders) {
  TTpBigMemoryStream source;
  std::string bytes(3 * TTpBuffBigStream::kBufferSize + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 9));
  source.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  source.SetPosition(0);
  TTpBuffBigStream buffered(source);
  std::string got;
  char chunk[4099];
  for (int64_t n; (n = buffered.Read(chunk, sizeof chunk)) > 0;) got.append(chunk, static_cast<size_t>(n));
  EXPECT_EQ(got, bytes);
}

TEST(BuffBigStream, StopsWhenTheSourceEndsEarlierThanItsSizeSays) {
  ShortStream source;
  {
    TTpBuffBigStream buffered(source);
    char buf[100];
    EXPECT_EQ(buffered.Read(buf, 100), 10);  // returns instead of looping
    EXPECT_EQ(buffered.Read(buf, 100), 0);
  }
  EXPECT_EQ(source.GetPosition(), 10);
}

TEST(CopyStream, StopsWhenTheSourceEnds) {
  // A plain stream that reports a size larger than what it hands out.
  struct Lying : TStream {
    int64_t Read(void* b, int64_t n) override {
      const int64_t k = std::min<int64_t>(n, 3 - pos);
      if (k <= 0) return 0;
      std::memset(b, 'y', static_cast<size_t>(k));
      pos += k;
      return k;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t o, SeekOrigin) override { return pos = o; }
    int64_t GetSize() override { return 1 << 20; }
    int64_t pos = 0;
  } source;
  TMemoryStream dest;
  EXPECT_EQ(CopyStream(dest, source, 0), 3);
  EXPECT_EQ(dest.GetSize(), 3);
}
