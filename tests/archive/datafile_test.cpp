// Building a data file with MergeFrom and checking it with Verify, on real
// files: the data file, its volumes (sparse beyond 1 GiB) and game.ext.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "archive/dirformat.h"
#include "archive/dirwriter.h"
#include "archive/vrfiles.h"
#include "base/endian.h"
#include "common/archive_fixture.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/temp_dir.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr auto kWritten = TVrFileCollection::TMergeResult::kWritten;
constexpr auto kNothingTaken = TVrFileCollection::TMergeResult::kNothingTaken;
constexpr auto kCancelled = TVrFileCollection::TMergeResult::kCancelled;

namespace {

constexpr int32_t kOld = 0x5A213C40;  // 2025-01-01 07:34:00
constexpr int32_t kNew = 0x5A223C40;  // a day later

// One call of OnProgress, as seen by the handler.
struct Call {
  TVrFileCollection* sender;
  TVrFile* item;
  std::string name;
  int32_t count, index;
  int64_t size;
};

// Records every call; sets abort on call number abort_at (from 0).
struct Recorder {
  std::vector<Call> calls;
  int abort_at = -1;
  void Attach(TVrFileCollection& c) {
    c.OnProgress = [this](TVrFileCollection& sender, TVrFile& item, bool& abort, int32_t count, int32_t index, int64_t size) {
      EXPECT_FALSE(abort);
      if (static_cast<int>(calls.size()) == abort_at) abort = true;
      calls.push_back({&sender, &item, item.Name(), count, index, size});
    };
  }
};

// An archive file of these entries (directory at its start), opened.
void OpenSource(TVrFileCollection& c, const TempDir& dir, const std::string& file, int32_t version,
                const std::vector<FixtureEntry>& entries) {
  WriteFileBytes(dir / file, BuildArchive(version, entries));
  c.Open(dir / file);
}

// A data file with its directory file: entries with exactly these fields
// (Crc given, not computed), bytes one after the other from 0.
struct Raw {
  std::string name, bytes;
  uint32_t crc;
};
void WriteDataFile(const std::string& data_path, const std::vector<Raw>& entries) {
  std::vector<TDirectoryRecord> records;
  std::string data;
  for (const Raw& e : entries) {
    TDirectoryRecord r;
    r.name = e.name;
    r.offset = static_cast<int64_t>(data.size());
    r.stored = 1;
    r.file_time = kOld;
    r.crc = e.crc;
    records.push_back(r);
    data += e.bytes;
  }
  TMemoryStream m;
  WriteDirectory(m, 102, records, static_cast<int64_t>(data.size()));
  WriteFileBytes(data_path, data);
  m.SaveToFile(ChangeFileExt(data_path, ".ext"));
}

const std::vector<FixtureEntry>& Disc1() {
  static const std::vector<FixtureEntry> entries = {
      {"install.dat", "[settings]\r\nTitle=Game\r\n", false, kOld, 1},  // loose: never in the data file
      {"scene\\a.txt", std::string(5000, 'a') + "end", true, kOld, 0},
      {"voice.ogg", "OggS voice bytes", false, kOld, 0},
      {"empty.bin", "", false, kOld, 0},
      {"zefo.zpb", "project 1", false, kOld, 0},
  };
  return entries;
}

}  // namespace

TEST(MergeFrom, IntoAMissingDataFile) {
  TempDir dir;
  TVrFileCollection source;
  OpenSource(source, dir, "disc/game.dat", 102, Disc1());
  const std::string game = dir / "inst/game.dat";
  ASSERT_TRUE(fs::MakeDirectories(dir / "inst"));
  TVrFileCollection target;
  target.Open(game, true);
  Recorder progress;
  progress.Attach(target);

  EXPECT_EQ(target.MergeFrom(source), kWritten);

  // Every entry but the loose one and the end marker, in source order, the
  // stored bytes unchanged one after the other.
  ASSERT_EQ(target.Count(), 4);
  int64_t offset = 0;
  for (int32_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TVrFile& s = source.Files(i + 1);
    const TVrFile& t = target.Files(i);
    EXPECT_EQ(t.Name(), s.Name());
    EXPECT_EQ(t.Offset, offset);
    EXPECT_EQ(t.Size, s.Size);
    EXPECT_EQ(t.Crc, s.Crc);
    EXPECT_EQ(t.Stored, s.Stored);
    EXPECT_EQ(t.FileTime, s.FileTime);
    EXPECT_EQ(t.LooseFile, 0);
    offset += t.Size;
  }
  const std::string ext = ReadFileBytes(dir / "inst/game.ext");
  EXPECT_EQ(ext.substr(0, 2), "vf");
  EXPECT_EQ(le::Load32(reinterpret_cast<const uint8_t*>(ext.data()) + 2), 102u);
  EXPECT_EQ(le::Load32(reinterpret_cast<const uint8_t*>(ext.data()) + 6), 4u);
  EXPECT_FALSE(fs::FileExists(dir / "inst/game.ext.new~"));

  // The event: sender, the new entry of the target, the source's count (end
  // marker included) and the source's index.
  ASSERT_EQ(progress.calls.size(), 4u);
  for (size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const Call& c = progress.calls[k];
    EXPECT_EQ(c.sender, &target);
    EXPECT_EQ(c.item, &target.Files(static_cast<int32_t>(k)));
    EXPECT_EQ(c.count, 6);
    EXPECT_EQ(c.index, static_cast<int32_t>(k + 1));
    EXPECT_EQ(c.size, source.Files(c.index).Size);
  }

  // Opened again, the directory file describes the data file: every entry
  // is found and reads back, compressed ones inflated.
  target.Open("");
  EXPECT_EQ(fs::FileSizeOf(game), offset);
  TVrFileCollection again;
  again.Open(game);
  ASSERT_EQ(again.Count(), 5);
  for (const FixtureEntry& e : Disc1()) {
    SCOPED_TRACE(e.name);
    if (e.loose) {
      EXPECT_THROW(EntryBytes(again, e.name), EEntryNotFound);
    } else {
      EXPECT_EQ(EntryBytes(again, e.name), e.content);
    }
  }
  EXPECT_TRUE(again.Verify());
}

TEST(MergeFrom, TheSameArchiveTwiceTakesNothing) {
  TempDir dir;
  TVrFileCollection source;
  OpenSource(source, dir, "disc/game.dat", 102, Disc1());
  const std::string game = dir / "game.dat", ext = dir / "game.ext";
  TVrFileCollection target;
  target.Open(game, true);
  ASSERT_EQ(target.MergeFrom(source), kWritten);
  const int64_t size = target.Stream()->GetSize();
  const std::string directory = ReadFileBytes(ext);
  // An old date on the directory file shows whether it is written again.
  ASSERT_TRUE(fs::SetFileAge(ext, kOld));

  Recorder progress;
  progress.Attach(target);
  EXPECT_EQ(target.MergeFrom(source), kNothingTaken);  // the same collection, still open
  target.Open(game, true);                  // and read back from the disk
  progress.Attach(target);
  EXPECT_EQ(target.Count(), 5);
  EXPECT_EQ(target.MergeFrom(source), kNothingTaken);
  EXPECT_EQ(target.Count(), 5);  // the end marker stays when nothing changes
  EXPECT_TRUE(progress.calls.empty());
  target.Open("");
  EXPECT_EQ(fs::FileSizeOf(game), size);
  EXPECT_EQ(ReadFileBytes(ext), directory);
  EXPECT_EQ(fs::FileAge(ext), kOld);
}

TEST(MergeFrom, NewerEntriesSupersedeOlderOnes) {
  // FileTime is compared signed: a time with the top bit set is older than
  // any positive one.
  const struct {
    const char* what;
    int32_t installed, offered;
    bool taken;
  } rows[] = {
      {"newer", kOld, kNew, true},
      {"equal", kOld, kOld, false},
      {"older", kNew, kOld, false},
      {"negative installed", -5, 3, true},
      {"negative offered", 3, -5, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    TVrFileCollection disc1, disc2;
    OpenSource(disc1, dir, "d1/game.dat", 102, {{"x.txt", "old copy", false, row.installed, 0}});
    OpenSource(disc2, dir, "d2/game.dat", 102,
               {{"X.TXT", "new copy!", true, row.offered, 0}, {"y.txt", "other", false, kOld, 0}});
    const std::string game = dir / "game.dat";
    TVrFileCollection target;
    target.Open(game, true);
    ASSERT_EQ(target.MergeFrom(disc1), kWritten);
    // What a merge will take is known beforehand (the copy page's total).
    const int64_t foreseen = target.BytesToMerge(disc2);
    int64_t reported = 0;
    target.OnProgress = [&](TVrFileCollection&, TVrFile&, bool&, int32_t, int32_t, int64_t size) { reported += size; };
    EXPECT_EQ(target.MergeFrom(disc2), kWritten);  // y.txt is taken in every case
    EXPECT_EQ(foreseen, reported);
    EXPECT_EQ(foreseen, disc2.Files(1).Size + (row.taken ? disc2.Files(0).Size : 0));
    target.OnProgress = nullptr;

    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass == 0 ? "in memory" : "read back");
      if (pass == 1) target.Open(game, true);
      const int32_t found = target.IndexOf("x.txt");
      ASSERT_GE(found, 0);
      EXPECT_EQ(EntryBytes(target, "x.txt"), row.taken ? "new copy!" : "old copy");
      EXPECT_EQ(target.Files(found).FileTime, row.taken ? row.offered : row.installed);
      // The old copy stays in the directory and the data file, under a name
      // no lookup finds.
      const int32_t old = target.IndexOf("/x.txt");
      EXPECT_EQ(old >= 0, row.taken);
      if (row.taken) {
        EXPECT_EQ(old, 0);
        EXPECT_EQ(target.Files(old).Offset, 0);
        EXPECT_EQ(target.Files(old).Size, 8);
        EXPECT_EQ(target.Count(), 3 + pass);  // + the end marker when read back
      }
      EXPECT_TRUE(target.Verify());
    }
  }
}

TEST(MergeFrom, CancelledInTheFirstProgressCallWritesNothing) {
  TempDir dir;
  TVrFileCollection disc1, disc2;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  OpenSource(disc2, dir, "d2/game.dat", 102,
             {{"voice.ogg", "newer voice", false, kNew, 0}, {"new.txt", "new", false, kNew, 0}});
  const std::string game = dir / "game.dat", ext = dir / "game.ext";
  {
    // A data file not yet there is not even created.
    TVrFileCollection target;
    target.Open(game, true);
    Recorder progress;
    progress.abort_at = 0;
    progress.Attach(target);
    EXPECT_EQ(target.MergeFrom(disc1), kCancelled);
    ASSERT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(target.Count(), 1);  // the new entry, in memory only
    EXPECT_EQ(target.Files(0).Name(), "scene\\a.txt");
  }
  EXPECT_FALSE(fs::FileExists(game));
  EXPECT_FALSE(fs::FileExists(ext));

  // An existing data file keeps its bytes and its directory file.
  {
    TVrFileCollection target;
    target.Open(game, true);
    ASSERT_EQ(target.MergeFrom(disc1), kWritten);
  }
  const std::string data = ReadFileBytes(game), directory = ReadFileBytes(ext);
  ASSERT_TRUE(fs::SetFileAge(ext, kOld));
  {
    TVrFileCollection target;
    target.Open(game, true);
    Recorder progress;
    progress.abort_at = 0;
    progress.Attach(target);
    EXPECT_EQ(target.MergeFrom(disc2), kCancelled);  // nothing written for the renamed entry
    EXPECT_EQ(target.Count(), 6);                  // 4 entries, the end marker, the new one
    EXPECT_EQ(target.IndexOf("/voice.ogg"), 1);    // superseded in memory
    EXPECT_EQ(target.Files(5).Offset, static_cast<int64_t>(data.size()));
  }
  EXPECT_EQ(ReadFileBytes(game), data);
  EXPECT_EQ(ReadFileBytes(ext), directory);
  EXPECT_EQ(fs::FileAge(ext), kOld);

  // Cancelled later: what was appended stays, the directory is not written.
  {
    TVrFileCollection target;
    target.Open(game, true);
    Recorder progress;
    progress.abort_at = 1;
    progress.Attach(target);
    EXPECT_EQ(target.MergeFrom(disc2), kCancelled);
  }
  EXPECT_EQ(ReadFileBytes(game), data + "newer voice");
  EXPECT_EQ(fs::FileAge(ext), kOld);

  // The next merge starts where the directory ends: the bytes the cancelled
  // one left belong to no entry and must not become part of the last one.
  {
    TVrFileCollection target;
    target.Open(game, true);
    ASSERT_EQ(target.MergeFrom(disc2), kWritten);
  }
  EXPECT_EQ(ReadFileBytes(game), data + "newer voice" + "new");
  TVrFileCollection after;
  after.Open(game);
  EXPECT_TRUE(after.Verify());
  EXPECT_EQ(EntryBytes(after, "zefo.zpb"), "project 1");
  EXPECT_EQ(EntryBytes(after, "voice.ogg"), "newer voice");
  EXPECT_EQ(EntryBytes(after, "new.txt"), "new");
}

TEST(BigFileStream, TruncateCutsTheChain) {
  TempDir dir;
  const std::string game = dir / "game.dat";
  MakeSparse(game, kVolumeSize);
  WriteFileBytes(dir / "game.001", std::string(100, 'x'));
  {
    TTpBigFileStream s(game, kFmOpenReadWrite | kFmShareDenyWrite);
    ASSERT_EQ(s.VolumeCount(), 2);
    s.Truncate(kVolumeSize + 200);  // not longer: nothing happens
    EXPECT_EQ(s.GetSize(), kVolumeSize + 100);
    s.Truncate(kVolumeSize);  // exactly the first volume
    EXPECT_EQ(s.VolumeCount(), 1);
    EXPECT_EQ(s.GetSize(), kVolumeSize);
    EXPECT_FALSE(fs::FileExists(dir / "game.001"));
    s.Truncate(10);
    EXPECT_EQ(s.GetSize(), 10);
    // Writing on continues from the new end.
    s.SetPosition(s.GetSize());
    EXPECT_EQ(s.Write("abc", 3), 3);
  }
  EXPECT_EQ(fs::FileSizeOf(game), 13);
}

TEST(MergeFrom, DiscAfterDiscAndAnEntryNamedLikeTheEndMarker) {
  // The copy engine merges each disc into one open collection; a later disc
  // appends and rewrites the whole directory. An entry "\eof\" is an entry
  // like any other: it neither replaces the end marker nor is dropped with it.
  TempDir dir;
  TVrFileCollection disc1, disc2;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  OpenSource(disc2, dir, "d2/game.dat", 102, {{"zefo.zpb", "project 2", false, kNew, 0}, {"\\eof\\", "odd", false, kNew, 0}});
  const std::string game = dir / "game.dat";
  TVrFileCollection target;
  target.Open(game, true);
  ASSERT_EQ(target.MergeFrom(disc1), kWritten);
  target.Open(game, true);  // with the end marker again
  target.Files(target.IndexOf("zefo.zpb")).SetName("/original_zefo.zpb");
  EXPECT_EQ(target.BytesToMerge(disc2), 9 + 3);  // "\\eof\\" is no end marker: it is taken too
  ASSERT_EQ(target.MergeFrom(disc2), kWritten);
  target.Open(game, true);
  ASSERT_EQ(target.Count(), 7);  // 4 + 2 entries and the end marker
  EXPECT_EQ(EntryBytes(target, "/original_zefo.zpb"), "project 1");
  EXPECT_EQ(EntryBytes(target, "zefo.zpb"), "project 2");
  EXPECT_EQ(EntryBytes(target, "voice.ogg"), "OggS voice bytes");
  EXPECT_EQ(target.Files(5).Name(), "\\eof\\");
  EXPECT_EQ(target.Files(5).Size, 3);
  EXPECT_EQ(target.Files(6).Name(), vf::kEndMarker);
  EXPECT_EQ(target.Files(6).Offset, target.Files(5).Offset + 3);
  EXPECT_TRUE(target.Verify());
}

TEST(MergeFrom, ADirectoryLeftForLaterIsWrittenBeforeAnythingElseTouchesTheData) {
  // Between discs the data is flushed on a worker and the directory file
  // waits: for FinishMerge, for the next merge, or (closed first) for nothing.
  constexpr auto kLater = TVrFileCollection::TDirectoryWrite::kLater;
  TempDir dir;
  TVrFileCollection disc1, disc2;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  OpenSource(disc2, dir, "d2/game.dat", 102, {{"zefo.zpb", "project 2", false, kNew, 0}});
  const std::string game = dir / "game.dat", ext = dir / "game.ext";
  for (const bool next_merge : {false, true}) {
    TVrFileCollection target;
    target.Open(game);
    ASSERT_EQ(target.MergeFrom(disc1, kLater), kWritten);
    EXPECT_FALSE(fs::FileExists(ext));
    if (next_merge) {
      ASSERT_EQ(target.MergeFrom(disc2), kWritten);
    }
    target.FinishMerge();
    target.Open(game, true);
    EXPECT_EQ(EntryBytes(target, "zefo.zpb"), next_merge ? "project 2" : "project 1");
    EXPECT_EQ(EntryBytes(target, "scene\\a.txt"), std::string(5000, 'a') + "end");
    EXPECT_TRUE(target.Verify());
    target.Open("");
    fs::EraseFile(game);
    fs::EraseFile(ext);
  }
  {
    TVrFileCollection stopped;
    stopped.Open(game);
    ASSERT_EQ(stopped.MergeFrom(disc1, kLater), kWritten);
  }
  EXPECT_FALSE(fs::FileExists(ext));
  EXPECT_FALSE(ReadFileBytes(game).empty());  // the bytes stay, as after a failed merge
}

TEST(MergeFrom, FailuresRaiseAndLeaveTheDirectoryFile) {
  TempDir dir;
  TVrFileCollection disc1;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  {
    // Named like its own directory file, or the source itself: refused
    // before anything is touched.
    TVrFileCollection target;
    target.Open(dir / "out/data.EXT", true);
    EXPECT_THROW(target.MergeFrom(disc1), EError);
    EXPECT_THROW(disc1.MergeFrom(disc1), EError);
    EXPECT_FALSE(fs::DirectoryExists(dir / "out"));
    EXPECT_EQ(EntryBytes(disc1, "voice.ogg"), "OggS voice bytes");
  }
  {
    // The data file's folder is missing: the first volume cannot be created.
    TVrFileCollection target;
    target.Open(dir / "missing/game.dat", true);
    EXPECT_THROW(target.MergeFrom(disc1), EFCreateError);
    EXPECT_FALSE(fs::FileExists(dir / "missing/game.ext"));
  }
}

TEST(MergeFrom, AVolumeThatCannotBeCreatedRaises) {
  // The data file ends 10 bytes before 1 GiB and a folder stands where the
  // second volume goes: the entry that crosses the boundary fails.
  TempDir dir;
  const std::string game = dir / "game.dat";
  const int64_t first = kVolumeSize - 10;
  MakeSparse(game, first);
  {
    TDirectoryRecord big;
    big.name = "big.bin";
    TMemoryStream m;
    WriteDirectory(m, 102, {big}, first);
    m.SaveToFile(dir / "game.ext");
  }
  const std::string directory = ReadFileBytes(dir / "game.ext");
  ASSERT_TRUE(fs::MakeDirectories(dir / "game.001"));
  TVrFileCollection disc1;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  TVrFileCollection target;
  target.Open(game, true);
  try {
    target.MergeFrom(disc1);
    FAIL() << "no error for a volume that cannot be created";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find("game.001"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFileBytes(dir / "game.ext"), directory);
}

#ifndef _WIN32
TEST(MergeFrom, ADiskThatIsFullRaises) {
  // /dev/full takes no byte, as a full disk: the data file is a link to it
  // with an empty directory beside it.
  if (!fs::FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDir dir;
  ASSERT_EQ(symlink("/dev/full", fs::NativePath(dir / "game.dat").c_str()), 0);
  TMemoryStream m;
  WriteDirectory(m, 102, {}, 0);
  m.SaveToFile(dir / "game.ext");
  const std::string directory = ReadFileBytes(dir / "game.ext");
  TVrFileCollection disc1;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  TVrFileCollection target;
  target.Open(dir / "game.dat", true);
  ASSERT_NE(target.Stream(), nullptr);
  EXPECT_THROW(target.MergeFrom(disc1), EWriteError);
  EXPECT_EQ(ReadFileBytes(dir / "game.ext"), directory);
}

TEST(MergeFrom, ASourceCutShortAfterLoadingRaises) {
  TempDir dir;
  TVrFileCollection disc1;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  const std::string bytes = ReadFileBytes(dir / "d1/game.dat");
  WriteFileBytes(dir / "d1/game.dat", bytes.substr(0, bytes.size() - 5));  // into zefo.zpb
  TVrFileCollection target;
  target.Open(dir / "game.dat", true);
  EXPECT_THROW(target.MergeFrom(disc1), EArchiveError);
  EXPECT_FALSE(fs::FileExists(dir / "game.ext"));
}
#endif

TEST(Verify, SkipsEntriesWithoutCrcAndSupersededOnesAndFindsAFlippedByte) {
  TempDir dir;
  const std::string game = dir / "game.dat";
  WriteDataFile(game, {{"a.txt", "alpha", ZlibCrc32("alpha")},
                       {"nocrc.bin", "anything", 0},
                       {"/old.txt", "stale", ZlibCrc32("other")},
                       {"last.txt", "omega", ZlibCrc32("omega")}});
  int32_t failed = 7;
  {
    TVrFileCollection c;
    c.Open(game);
    EXPECT_TRUE(c.Verify(&failed));
    EXPECT_EQ(failed, -1);
  }
  // One flipped bit in the last entry.
  std::string data = ReadFileBytes(game);
  data[data.size() - 1] ^= 0x10;
  WriteFileBytes(game, data);
  {
    TVrFileCollection c;
    c.Open(game);
    EXPECT_FALSE(c.Verify(&failed));
    EXPECT_EQ(failed, 3);
  }
#ifndef _WIN32
  // Cut short after loading (Windows lets nobody write to an open archive):
  // the bytes of the entry are not all there.
  TVrFileCollection c;
  c.Open(game);
  WriteFileBytes(game, data.substr(0, data.size() - 1));
  EXPECT_FALSE(c.Verify(&failed));
  EXPECT_EQ(failed, 3);
#endif
}

TEST(Verify, ChecksTheLastEntryTakenOverByAMerge) {
  TempDir dir;
  TVrFileCollection disc1;
  OpenSource(disc1, dir, "d1/game.dat", 102, Disc1());
  const std::string game = dir / "game.dat";
  TVrFileCollection target;
  target.Open(game, true);
  ASSERT_EQ(target.MergeFrom(disc1), kWritten);
  ASSERT_EQ(target.Files(target.Count() - 1).Name(), "zefo.zpb");  // no end marker any more
  EXPECT_TRUE(target.Verify());
  // The data file's last byte, changed through the collection's own stream.
  TTpBigStream& data = *target.Stream();
  data.SetPosition(data.GetSize() - 1);
  data.Write("X", 1);
  int32_t failed = -1;
  EXPECT_FALSE(target.Verify(&failed));
  EXPECT_EQ(failed, target.Count() - 1);
}

TEST(Verify, ReportsEveryTenthEntryAndCanBeCancelled) {
  TempDir dir;
  std::vector<Raw> entries;
  for (int i = 0; i < 25; ++i) {
    const std::string bytes = "entry " + std::to_string(i);
    entries.push_back({"e" + std::to_string(i), bytes, ZlibCrc32(bytes)});
  }
  entries[15].crc ^= 1;  // bad
  WriteDataFile(dir / "game.dat", entries);
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  Recorder progress;
  progress.Attach(c);
  int32_t failed = -1;
  EXPECT_FALSE(c.Verify(&failed));
  EXPECT_EQ(failed, 15);
  ASSERT_EQ(progress.calls.size(), 1u);  // at 9; the failure at 15 comes before 19
  const Call& call = progress.calls[0];
  EXPECT_EQ(call.sender, &c);
  EXPECT_EQ(call.item, &c.Files(9));
  EXPECT_EQ(call.count, 25);  // the items less the end marker
  EXPECT_EQ(call.index, 9);
  EXPECT_EQ(call.size, 7);

  entries[15].crc ^= 1;
  WriteDataFile(dir / "game2.dat", entries);
  TVrFileCollection good;
  good.Open(dir / "game2.dat");
  Recorder all;
  all.Attach(good);
  EXPECT_TRUE(good.Verify());
  ASSERT_EQ(all.calls.size(), 2u);
  EXPECT_EQ(all.calls[0].index, 9);
  EXPECT_EQ(all.calls[1].index, 19);

  // Cancelled at 9: the bad entry 15 is never reached, and that is success.
  progress.calls.clear();
  progress.abort_at = 0;
  EXPECT_TRUE(c.Verify(&failed));
  EXPECT_EQ(failed, -1);
  EXPECT_EQ(progress.calls.size(), 1u);
}

namespace {

// zlib's CRC of `gib` GiB of zero bytes, by doubling with crc32_combine: no
// pass over the bytes, and no use of the code under test. (Every length
// handed to zlib stays within 31 bits, as its 32-bit builds need.)
uint32_t CrcOfZeroGiB(int gib) {
  const char zero[1] = {0};
  uLong block = crc32(0, reinterpret_cast<const Bytef*>(zero), 1);
  for (int64_t size = 1; size < kVolumeSize; size *= 2) block = crc32_combine(block, block, static_cast<z_off_t>(size));
  uLong result = 0;
  for (int i = 0; i < gib; ++i) result = crc32_combine(result, block, static_cast<z_off_t>(kVolumeSize));
  return static_cast<uint32_t>(result);
}

}  // namespace

TEST(Verify, EntriesOfTwoGiBAndMoreAcrossVolumes) {
  // One entry of 2 GiB + 10 bytes over three sparse volumes: a count that
  // does not fit 31 bits must still be read to its end.
  TempDir dir;
  const std::string game = dir / "game.dat", tail = "0123456789";
  MakeSparse(game, kVolumeSize);
  MakeSparse(dir / "game.001", kVolumeSize);
  WriteFileBytes(dir / "game.002", tail);
  const int64_t size = 2 * kVolumeSize + 10;
  const uint32_t crc = static_cast<uint32_t>(
      crc32_combine(CrcOfZeroGiB(2), ZlibCrc32(tail), static_cast<z_off_t>(tail.size())));
  TDirectoryRecord r;
  r.name = "huge.bin";
  r.stored = 1;
  r.crc = crc;
  TMemoryStream m;
  WriteDirectory(m, 102, {r}, size);
  m.SaveToFile(dir / "game.ext");
  TVrFileCollection c;
  c.Open(game);
  ASSERT_EQ(c.Files(0).Size, size);
  // (A count cut to 32 bits would read nothing, or stop 2 GiB early, and
  // give another checksum.)
  EXPECT_TRUE(c.Verify());
}

TEST(MergeFrom, DataFileAcrossTheOneGiBBoundary) {
  // An installed data file that ends 100 bytes before 1 GiB: the entries of
  // the next disc fill volume 0 and continue in game.001, one of them across
  // the boundary; both are verified and read back.
  TempDir dir;
  const std::string game = dir / "game.dat";
  const int64_t first = kVolumeSize - 100;
  MakeSparse(game, first);
  TDirectoryRecord big;
  big.name = "big.bin";  // Crc 0: not checked (the hole would take a while)
  big.stored = 1;
  TMemoryStream m;
  WriteDirectory(m, 102, {big}, first);
  m.SaveToFile(dir / "game.ext");

  const std::string a(60, 'a'), b = std::string(150, 'b') + "end";
  TVrFileCollection disc;
  OpenSource(disc, dir, "d/game.dat", 102, {{"a.bin", a, false, kOld, 0}, {"b.bin", b, false, kOld, 0}});
  {
    TVrFileCollection target;
    target.Open(game, true);
    ASSERT_EQ(target.MergeFrom(disc), kWritten);
    auto* volumes = dynamic_cast<TTpBigFileStream*>(target.Stream());
    ASSERT_NE(volumes, nullptr);
    ASSERT_EQ(volumes->VolumeCount(), 2);
    EXPECT_EQ(volumes->VolumeName(1), dir / "game.001");
    EXPECT_EQ(target.Files(2).Offset, first + 60);
    EXPECT_TRUE(target.Verify());
  }
  EXPECT_EQ(fs::FileSizeOf(game), kVolumeSize);
  EXPECT_EQ(ReadFileBytes(dir / "game.001"), b.substr(40));

  TVrFileCollection again;
  again.Open(game);
  EXPECT_EQ(EntryBytes(again, "a.bin"), a);
  EXPECT_EQ(EntryBytes(again, "b.bin"), b);
  EXPECT_TRUE(again.Verify());
  again.Open("");
  WriteFileBytes(dir / "game.001", "X" + b.substr(41));
  again.Open(game);
  int32_t failed = -1;
  EXPECT_FALSE(again.Verify(&failed));
  EXPECT_EQ(failed, 2);
}

TEST(StreamCrc32, StopsWhenTheStreamEnds) {
  ShortStream cut;  // says 1000 bytes, hands out 10
  char buffer[4];
  int64_t read = -1;
  EXPECT_EQ(StreamCrc32(cut, 500, buffer, sizeof buffer, &read), ZlibCrc32(std::string(10, 'x')));
  EXPECT_EQ(read, 10);

  // A real stream: from its position, in small blocks, up to its end.
  TTpBigMemoryStream m;
  m.Write("0123456789abcdef", 16);
  m.SetPosition(3);
  EXPECT_EQ(StreamCrc32(m, 5, buffer, sizeof buffer, &read), ZlibCrc32("34567"));
  EXPECT_EQ(read, 5);
  EXPECT_EQ(m.GetPosition(), 8);
  EXPECT_EQ(StreamCrc32(m, 100, buffer, sizeof buffer, &read), ZlibCrc32("89abcdef"));
  EXPECT_EQ(read, 8);
}

#ifndef _WIN32
// A long entry is read on a worker: its failures still reach the caller,
// and nothing describes the bytes that were not all written.
TEST(MergeFrom, ALargeEntryCutShortOrNotStoredRaises) {
  const std::string big(12 << 20, 'v');
  for (const bool disk_full : {false, true}) {
    SCOPED_TRACE(disk_full ? "the disk is full" : "the source is cut short inside the entry");
    if (disk_full && !fs::FileExists("/dev/full")) continue;
    TempDir dir;
    TVrFileCollection source;
    OpenSource(source, dir, "d1/game.dat", 102, {{"movie.avi", big, false, kNew, 0}});
    TMemoryStream directory;  // the empty data file's, as it was before
    if (disk_full) {
      ASSERT_EQ(symlink("/dev/full", fs::NativePath(dir / "game.dat").c_str()), 0);
      WriteDirectory(directory, 102, {}, 0);
      directory.SaveToFile(dir / "game.ext");
    } else {
      WriteFileBytes(dir / "d1/game.dat", ReadFileBytes(dir / "d1/game.dat").substr(0, 6 << 20));
    }
    TVrFileCollection target;
    target.Open(dir / "game.dat", true);
    if (disk_full) EXPECT_THROW(target.MergeFrom(source), EWriteError);
    else EXPECT_THROW(target.MergeFrom(source), EArchiveError);
    EXPECT_EQ(fs::FileExists(dir / "game.ext") ? ReadFileBytes(dir / "game.ext").size() : 0u,
              static_cast<size_t>(directory.GetSize()));
  }
}
#endif

TEST(MergeFrom, LargeEntriesReportTheirBytesAndCanBeCancelledInside) {
  TempDir dir;
  std::string big(20 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + (i >> 12));
  TVrFileCollection source;
  OpenSource(source, dir, "d1/game.dat", 102, {{"movie.avi", big, false, kNew, 0}, {"a.txt", "a", false, kNew, 0}});
  const std::string game = dir / "game.dat";
  {
    TVrFileCollection target;
    target.Open(game, true);
    std::vector<int64_t> seen;
    target.OnEntryBytes = [&](int64_t copied) {
      seen.push_back(copied);
      return seen.size() < 2;
    };
    EXPECT_EQ(target.MergeFrom(source), kCancelled);
    EXPECT_EQ(seen, (std::vector<int64_t>{8 << 20, 16 << 20}));
  }
  EXPECT_FALSE(fs::FileExists(dir / "game.ext"));
  ASSERT_TRUE(fs::EraseFile(game));  // bytes without a directory: an install starts afresh
  {
    TVrFileCollection target;
    target.Open(game, true);
    int calls = 0;
    target.OnEntryBytes = [&](int64_t) { return ++calls > 0; };
    EXPECT_EQ(target.MergeFrom(source), kWritten);
    EXPECT_EQ(calls, 2);  // after 8 and 16 MiB; the end of the entry is no slice of its own
  }
  TVrFileCollection after;
  after.Open(game);
  EXPECT_TRUE(after.Verify());
  EXPECT_EQ(EntryBytes(after, "movie.avi"), big);
  EXPECT_EQ(EntryBytes(after, "a.txt"), "a");
}

// The source is read in stretches of neighbouring entries: one left out in
// the middle ends a stretch, and the entries after it still get their own bytes.
TEST(MergeFrom, AnEntryLeftOutBetweenOthersKeepsTheirBytesApart) {
  TempDir dir;
  const std::string a(3 << 20, 'a'), b(5 << 20, 'b'), c(100, 'c'), d(2 << 20, 'd');
  // b is older than the installed copy.
  const auto record = [](const std::string& name, int64_t offset, int32_t time, const std::string& bytes) {
    TDirectoryRecord r;
    r.name = name;
    r.offset = offset;
    r.stored = 1;
    r.file_time = time;
    r.crc = ZlibCrc32(bytes);
    return r;
  };
  const int64_t ob = static_cast<int64_t>(a.size()), oc = ob + static_cast<int64_t>(b.size()), od = oc + 100;
  TMemoryStream m;
  WriteDirectory(m, 102, {record("a", 0, kNew, a), record("b", ob, kOld, b), record("c", oc, kNew, c), record("d", od, kNew, d)},
                 od + static_cast<int64_t>(d.size()));
  ASSERT_TRUE(fs::MakeDirectories(dir / "disc"));
  WriteFileBytes(dir / "disc/game.dat", a + b + c + d);
  m.SaveToFile(dir / "disc/game.ext");
  TVrFileCollection installed_b;
  OpenSource(installed_b, dir, "old/game.dat", 102, {{"b", "installed", false, kNew, 0}});
  TVrFileCollection source;
  source.Open(dir / "disc/game.dat");
  ASSERT_EQ(source.Count(), 5);

  {
    TVrFileCollection target;
    target.Open(dir / "game.dat", true);
    ASSERT_EQ(target.MergeFrom(installed_b), kWritten);
    ASSERT_EQ(target.MergeFrom(source), kWritten);
    EXPECT_TRUE(target.Verify());
  }
  EXPECT_EQ(ReadFileBytes(dir / "game.dat"), "installed" + a + c + d);
}
