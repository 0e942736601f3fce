#include "archive/vrfiles.h"

#include <gtest/gtest.h>

#include <random>

#include "archive/decompress.h"
#include "archive/dirformat.h"
#include "archive/dirwriter.h"
#include "archive/rands.h"
#include "base/endian.h"
#include "common/archive_fixture.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/temp_dir.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string Entry(TVrFileCollection& c, const std::string& name) {
  TMemoryStream m;
  c.ReadEntry(m, name);
  EXPECT_EQ(m.GetPosition(), 0);
  return ContentOf(m);
}

// The "vf" archive a test works with: three kinds of entry and a Shift-JIS
// name whose trail bytes are 0x5C.
const std::vector<FixtureEntry>& SampleEntries() {
  static const std::vector<FixtureEntry> entries = {
      {"install.dat", "[settings]\r\nTitle=Game\r\n", true, 0x5A213C40, 0},
      {"data\\\x95\x5C\x8E\xA6.txt", std::string(3000, 'z') + "tail", true, -5, 0},  // data\表示.txt
      {"readme.txt", "stored as is", false, 0x12345678, 1},
      {"empty.bin", "", false, 7, 0},
  };
  return entries;
}

// Bytes the directory of SampleEntries() takes.
int64_t SampleDirectorySize(int32_t version) {
  std::vector<TDirectoryRecord> records(SampleEntries().size());
  for (size_t i = 0; i < records.size(); ++i) records[i].name = SampleEntries()[i].name;
  return DirectorySize(version, records);
}

uint32_t Crc(const std::string& bytes) {
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return MemoryStreamCrc32(m);
}

void ReadDirectoryFrom(TVrFileCollection& c, const std::string& bytes) {
  TTpBigMemoryStream s;
  s.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  c.ReadDirectory(s);
}

// Expects an EArchiveError whose message names the archive and holds `detail`.
template <typename F>
void ExpectDamaged(F f, const std::string& archive, const std::string& detail = "") {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const EArchiveError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(archive + ":アーカイブが壊れています"), std::string::npos) << what;
    EXPECT_NE(what.find(detail), std::string::npos) << what;
  }
}

}  // namespace

TEST(VrFileCollection, ReadsEveryDirectoryVersion) {
  for (int32_t version : {0, 1, 50, 99, 100, 101, 102}) {
    SCOPED_TRACE(version);
    const std::string bytes = BuildArchive(version, SampleEntries());
    TempDir dir;
    WriteFileBytes(dir / "game.dat", bytes);
    TVrFileCollection c;
    c.Open(dir / "game.dat");
    ASSERT_EQ(c.Count(), 5);
    ASSERT_NE(c.Stream(), nullptr);
    int64_t offset = SampleDirectorySize(version);
    for (int i = 0; i < 4; ++i) {
      const FixtureEntry& want = SampleEntries()[i];
      const TVrFile& f = c.Files(i);
      EXPECT_EQ(f.Name(), want.name);
      EXPECT_EQ(c.IndexOf(want.name), i);
      const std::string stored = want.compress ? Deflate(want.content) : want.content;
      EXPECT_EQ(f.Offset, offset);
      EXPECT_EQ(f.Size, static_cast<int64_t>(stored.size()));
      offset += f.Size;
      if (version >= 101) {
        EXPECT_EQ(f.Stored, want.compress ? 0 : 1);
        EXPECT_EQ(f.FileTime, want.time);
        EXPECT_EQ(f.LooseFile, version >= 102 ? want.loose : 0);
        EXPECT_EQ(f.Crc, Crc(stored));
        EXPECT_EQ(Entry(c, want.name), want.content);
      } else {
        // No attributes: every entry counts as compressed.
        EXPECT_EQ(f.Stored, 0);
        EXPECT_EQ(f.FileTime, 0);
        EXPECT_EQ(f.Crc, 0u);
        EXPECT_EQ(f.LooseFile, 0);
        if (want.compress) {
          EXPECT_EQ(Entry(c, want.name), want.content);
        }
      }
    }
    EXPECT_EQ(offset, static_cast<int64_t>(bytes.size()));
    // The end marker: relative offset of the end, no size, no attributes.
    const TVrFile& end = c.Files(4);
    EXPECT_EQ(end.Name(), "\\EOF\\");
    EXPECT_EQ(end.Offset, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(end.Size, 0);
    EXPECT_EQ(c.IndexOf("\\EOF\\"), 4);
  }
}

TEST(VrFileCollection, VersionsAboveAndBelowTheKnownOnes) {
  // 150 reads as 102; a negative version as 1-99 (plain names, int32 offsets).
  std::string v102 = BuildArchive(102, SampleEntries());
  v102[2] = static_cast<char>(150);
  TVrFileCollection c;
  ReadDirectoryFrom(c, v102);
  EXPECT_EQ(c.Files(2).LooseFile, 1);
  std::string v1 = BuildArchive(1, SampleEntries());
  v1[5] = '\xFF';  // version 0xFF000001: negative
  TVrFileCollection d;
  ReadDirectoryFrom(d, v1);
  EXPECT_EQ(d.Files(1).Name(), SampleEntries()[1].name);
}

TEST(VrFileCollection, EmptyDirectoryHoldsOnlyTheEndMarker) {
  TVrFileCollection c;
  ReadDirectoryFrom(c, BuildArchive(102, {}));
  ASSERT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Files(0).Name(), "\\EOF\\");
  EXPECT_EQ(c.Files(0).Offset, 18);  // header 10, one int64 offset
}

TEST(VrFileCollection, ReadDirectoryAppendsAndOffsetsAreAbsolute) {
  const std::string bytes = BuildArchive(102, SampleEntries());
  TTpBigMemoryStream s;
  s.Write("0123456789", 10);
  s.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(10);
  TVrFileCollection c;
  c.AddFile("before");
  c.ReadDirectory(s);
  ASSERT_EQ(c.Count(), 6);
  EXPECT_EQ(c.Files(1).Offset, 10 + SampleDirectorySize(102));
  EXPECT_EQ(c.Files(5).Offset, static_cast<int64_t>(bytes.size()));  // the end marker stays relative
}

TEST(VrFileCollection, DuplicateAndSupersededNames) {
  const std::vector<FixtureEntry> entries = {
      {"a.txt", "first", false}, {"/a.txt", "superseded", false}, {"A.TXT", "second", false}};
  TVrFileCollection c;
  ReadDirectoryFrom(c, BuildArchive(102, entries));
  EXPECT_EQ(c.IndexOf("a.txt"), 2);  // the later of two equal names
  EXPECT_EQ(c.IndexOf("/A.txt"), 1);
  c.Files(2).SetName("/" + c.Files(2).Name());
  EXPECT_EQ(c.IndexOf("a.txt"), 0);
  c.Delete(c.Count() - 1);  // destroying the end marker
  EXPECT_EQ(c.IndexOf("\\EOF\\"), -1);
  EXPECT_EQ(c.IndexOf("/a.txt"), 2);
}

TEST(VrFileCollection, OpensADataFileWithItsDirectoryFile) {
  TempDir dir;
  std::string data;
  const std::string directory = BuildDirectory(102, SampleEntries(), 0, &data);
  WriteFileBytes(dir / "game.dat", data);
  WriteFileBytes(dir / "game.ext", directory);
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  ASSERT_EQ(c.Count(), 5);
  EXPECT_EQ(c.Files(0).Offset, 0);
  for (const FixtureEntry& e : SampleEntries()) EXPECT_EQ(Entry(c, e.name), e.content);
  EXPECT_EQ(c.FileName(), dir / "game.dat");
  EXPECT_EQ(c.LooseFolder(), dir.Path());

  // A directory file that claims more data than the data file holds.
  c.Open("");  // (Windows keeps others from writing an open archive)
  WriteFileBytes(dir / "game.dat", data.substr(0, data.size() - 1));
  ExpectDamaged([&] { c.Open(dir / "game.dat"); }, dir / "game.ext", "終わりを越えて");
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.Stream(), nullptr);
}

TEST(VrFileCollection, OpensACarrierProgramByItsTrailer) {
  TempDir dir;
  constexpr int64_t kStub = 5000000;
  const std::string archive = BuildArchive(102, SampleEntries());
  std::string file(kStub, 'M');
  file += archive;
  file += std::string("\x40\x4B\x4C\x00", 4) + "zf";  // X = 5,000,000
  WriteFileBytes(dir / "setup.EXE", file);
  WriteFileBytes(dir / "setup.ext", "not a directory");  // ignored beside a carrier
  TVrFileCollection c;
  c.Open(dir / "setup.EXE");
  ASSERT_EQ(c.Count(), 5);
  EXPECT_EQ(c.Files(0).Offset, kStub + SampleDirectorySize(102));
  for (const FixtureEntry& e : SampleEntries()) EXPECT_EQ(Entry(c, e.name), e.content);

  // A ".scr" works alike; the magic is not checked here.
  file.replace(file.size() - 2, 2, "??");
  WriteFileBytes(dir / "saver.scr", file);
  c.Open(dir / "saver.scr");
  EXPECT_EQ(c.Count(), 5);
}

TEST(VrFileCollection, DamagedTrailers) {
  TempDir dir;
  const std::string archive = BuildArchive(102, SampleEntries());
  const struct {
    std::string trailer;
    const char* detail;
  } rows[] = {
      {std::string("\xFF\xFF\xFF\xFF", 4) + "zf", "ファイルの外"},  // negative
      {std::string("\x00\x00\x00\x7F", 4) + "zf", "ファイルの外"},  // beyond the end
      {std::string("\x02\x00\x00\x00", 4) + "zf", "エントリ数"},    // inside the stub: no directory there
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.detail);
    WriteFileBytes(dir / "setup.exe", "stub" + archive + row.trailer);
    TVrFileCollection c;
    ExpectDamaged([&] { c.Open(dir / "setup.exe"); }, dir / "setup.exe", row.detail);
    EXPECT_EQ(c.Count(), 0);
  }
  WriteFileBytes(dir / "tiny.exe", "zf");
  TVrFileCollection c;
  ExpectDamaged([&] { c.Open(dir / "tiny.exe"); }, dir / "tiny.exe", "トレーラー");
}

TEST(VrFileCollection, FoldersAndMissingFiles) {
  TempDir dir;
  WriteFileBytes(dir / "install.dat", "loose settings");
  TVrFileCollection c;
  c.Open(RemoveTrailingDelimiter(dir.Path()));  // an existing folder
  EXPECT_EQ(c.Stream(), nullptr);
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.LooseFolder(), dir.Path());
  EXPECT_EQ(Entry(c, "install.dat"), "loose settings");
  try {
    TMemoryStream m;
    m.WriteBuffer("old", 3);
    c.ReadEntry(m, "missing.txt");
    FAIL() << "found a missing entry";
  } catch (const EEntryNotFound& e) {
    EXPECT_STREQ(e.what(), "missing.txt:ファイルがありません");
  }

  // KeepFolder with a data file that does not exist yet.
  c.Open(dir / "sub/game.dat", true);
  EXPECT_EQ(c.Stream(), nullptr);
  EXPECT_EQ(c.LooseFolder(), AddTrailingDelimiter(dir / "sub"));
  // An empty name closes and leaves LooseFolder alone.
  c.Open("");
  EXPECT_EQ(c.LooseFolder(), AddTrailingDelimiter(dir / "sub"));
  EXPECT_EQ(c.FileName(), "");
  EXPECT_THROW(Entry(c, "install.dat"), EEntryNotFound);
}

TEST(VrFileCollection, LooseFilesComeFirstButNeverTheArchiveItself) {
  TempDir dir;
  std::vector<FixtureEntry> entries = SampleEntries();
  entries.push_back({"GAME.DAT", "entry named like the archive", false});
  WriteFileBytes(dir / "game.dat", BuildArchive(102, entries));
  WriteFileBytes(dir / "install.dat", "loose\r\nbytes as on disk");
  WriteFileBytes(dir / "data/\x95\x5C\x8E\xA6.txt", "loose sjis");
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  EXPECT_EQ(Entry(c, "install.dat"), "loose\r\nbytes as on disk");  // though the entry is compressed
  EXPECT_EQ(Entry(c, "data\\\x95\x5C\x8E\xA6.txt"), "loose sjis");
  EXPECT_EQ(Entry(c, "GAME.DAT"), "entry named like the archive");
  EXPECT_EQ(Entry(c, "README.TXT"), "stored as is");  // names differ only in case
  EXPECT_EQ(Entry(c, "empty.bin"), "");
}

TEST(VrFileCollection, NonMemoryDestinationIsWrittenAtItsPosition) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", BuildArchive(102, SampleEntries()));
  WriteFileBytes(dir / "loose/install.dat", "LOOSE");
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  for (const char* name : {"install.dat", "readme.txt"}) {
    SCOPED_TRACE(name);
    TFileStream out(dir / "out.bin", kFmCreate);
    out.WriteBuffer("0123456789", 10);
    c.ReadEntry(out, name);
    EXPECT_EQ(out.GetPosition(), 0);
    const int32_t i = c.IndexOf(name);
    EXPECT_EQ(out.GetSize(), 10 + static_cast<int64_t>(SampleEntries()[i].content.size()));
  }
  EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "0123456789stored as is");
  c.SetLooseFolder(dir / "loose/");
  {
    TFileStream out(dir / "out.bin", kFmCreate);
    out.WriteBuffer("ab", 2);
    c.ReadEntry(out, "install.dat");
  }
  EXPECT_EQ(ReadFileBytes(dir / "out.bin"), "abLOOSE");
}

TEST(VrFileCollection, EntriesThatDoNotInflate) {
  TempDir dir;
  std::vector<FixtureEntry> entries = {{"bad.z", "not a zlib stream", false}};
  std::string bytes = BuildArchive(102, entries);
  // Mark the stored entry as compressed: its bytes then fail to inflate.
  const size_t stored_at = bytes.size() - entries[0].content.size() - 10;
  ASSERT_EQ(bytes[stored_at], 1);
  bytes[stored_at] = 0;
  WriteFileBytes(dir / "game.dat", bytes);
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  TMemoryStream m;
  try {
    c.ReadEntry(m, "bad.z");
    FAIL() << "inflated garbage";
  } catch (const EDecompressionError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("bad.z:", 0), 0u) << e.what();
  }
  EXPECT_EQ(ContentOf(m), "not a zlib stream");  // the stored bytes stay
}

#ifndef _WIN32
// (Windows denies others writes to an open archive, so only here can the data
// file shrink under an open collection.)
TEST(VrFileCollection, EntryBytesCutShortAfterLoading) {
  TempDir dir;
  const std::string bytes = BuildArchive(102, SampleEntries());
  WriteFileBytes(dir / "game.dat", bytes);
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  OsFile::Options o;
  o.access = OsFile::kReadWrite;
  OsFile f = OsFile::Open(dir / "game.dat", o);
  ASSERT_TRUE(f.IsOpen());
  f.Seek(static_cast<int64_t>(bytes.size()) - 5, OsFile::Origin::kBegin);
  ASSERT_TRUE(f.Truncate());
  f.Close();
  // The stream still believes the old size; the copy comes up short.
  ExpectDamaged([&] { Entry(c, "readme.txt"); }, dir / "game.dat", "readme.txt のデータが途中で終わっています");
}
#endif

TEST(VrFileCollection, HostileDirectories) {
  // Plain version-1 directories written byte by byte.
  const auto le = [](uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const std::string head = std::string("vf") + le(1);
  const struct {
    const char* what;
    std::string bytes;
    const char* detail;
  } rows[] = {
      {"empty", "", "ディレクトリがありません"},
      {"signature only", "vf", "途中で終わって"},
      {"no count", head, "途中で終わって"},
      {"negative count", head + le(0xFFFFFFFF), "エントリ数 -1"},
      {"huge count", head + le(0x7FFFFFFF) + std::string(64, '\0'), "エントリ数 2147483647"},
      {"count beyond the data", head + le(3) + le(1) + "a" + le(0) + le(1), "エントリ数 3"},
      {"negative name length", head + le(1) + le(0xFFFFFFF0) + le(0) + le(0), "名前の長さ -16"},
      {"name beyond the data", head + le(1) + le(100) + "abc" + le(0) + le(0), "名前の長さ 100"},
      {"decreasing offsets", head + le(2) + le(1) + "a" + le(1) + "b" + le(30) + le(29) + le(31) + "0123456789012345678901234567890",
       "エントリ 0（a）の大きさが負です"},
      {"offset past the end", head + le(1) + le(1) + "a" + le(19) + le(1000) + "xx", "終わりを越えて"},
      {"end offset past the end", head + le(0) + le(15), "終わりを越えて"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TVrFileCollection c;
    c.AddFile("kept");
    ExpectDamaged([&] { ReadDirectoryFrom(c, row.bytes); }, "", row.detail);
    EXPECT_EQ(c.Count(), 1);  // nothing half-loaded
  }

  // A negative int64 offset (version 102, scrambled).
  std::string v102 = BuildArchive(102, {{"a", "x", false}});
  const size_t offsets_at = 10 + 4 + 1;
  TTpRandom r(ArchiveSeed);
  const uint64_t mask = static_cast<uint64_t>(int64_t{r.Next()});
  le::Store64(reinterpret_cast<uint8_t*>(&v102[offsets_at]), static_cast<uint64_t>(int64_t{-8}) ^ mask);
  TVrFileCollection c;
  ExpectDamaged([&] { ReadDirectoryFrom(c, v102); }, "", "オフセットが負");
}

TEST(VrFileCollection, TruncatedAtEveryLength) {
  for (int32_t version : {0, 100, 101, 102}) {
    const std::string bytes = BuildArchive(version, SampleEntries());
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      SCOPED_TRACE(testing::Message() << "version " << version << " cut " << cut);
      TVrFileCollection c;
      EXPECT_THROW(ReadDirectoryFrom(c, bytes.substr(0, cut)), EArchiveError);
      EXPECT_EQ(c.Count(), 0);
    }
  }
}

TEST(VrFileCollection, RandomByteFlipsFailCleanly) {
  std::mt19937 rng(20240601);
  int loaded = 0, refused = 0;
  for (int32_t version : {0, 100, 102}) {
    const std::string good = BuildArchive(version, SampleEntries());
    const size_t directory = static_cast<size_t>(SampleDirectorySize(version));
    for (int round = 0; round < 600; ++round) {
      std::string bytes = good;
      const int flips = 1 + static_cast<int>(rng() % 3);
      for (int k = 0; k < flips; ++k) bytes[rng() % directory] ^= static_cast<char>(1 + rng() % 255);
      SCOPED_TRACE(testing::Message() << "version " << version << " round " << round);
      TVrFileCollection c;
      try {
        ReadDirectoryFrom(c, bytes);
      } catch (const EArchiveError&) {
        ++refused;
        EXPECT_EQ(c.Count(), 0);
        continue;
      }
      ++loaded;
      // What loads lies inside the data, and every entry reads or fails cleanly.
      for (int i = 0; i + 1 < c.Count(); ++i) {
        const TVrFile& f = c.Files(i);
        ASSERT_GE(f.Size, 0);
        ASSERT_GE(f.Offset, 0);
        ASSERT_LE(f.Offset + f.Size, static_cast<int64_t>(bytes.size()));
      }
      TempDir dir;
      WriteFileBytes(dir / "game.dat", bytes);
      TVrFileCollection opened;
      opened.Open(dir / "game.dat");
      for (int i = 0; i + 1 < opened.Count(); ++i) {
        try {
          Entry(opened, opened.Files(i).Name());
        } catch (const EDecompressionError&) {
        } catch (const EEntryNotFound&) {
          // A flipped name may hold "/" or "\" and then reads as a loose path.
        }
      }
    }
  }
  EXPECT_GT(loaded, 0);
  EXPECT_GT(refused, 0);
}
