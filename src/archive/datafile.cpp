// Building a data file from other archives (MergeFrom) and checking it
// (Verify): the install folder's "game.dat" with its volumes and its
// directory file game.ext.
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "archive/crc32.h"
#include "archive/dirformat.h"
#include "archive/dirwriter.h"
#include "archive/range_reader.h"
#include "archive/vrfiles.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"

namespace {

// A merge that reports inside large entries does so after each such slice.
constexpr int64_t kEntrySlice = int64_t{8} << 20;
// Entries are read ahead in blocks of this size, this many at most: 4 MiB,
// about what the system reads ahead of a sequential reader by itself, and
// little enough that the working set stays small. Blocks of 256 KiB made
// the build faster than blocks of 1 MiB (measured under Wine: a quarter
// less time for the same 4 MiB ahead), most likely because a block is still
// in the processor's cache when the writing thread takes it.
constexpr int64_t kReadAheadBlock = int64_t{256} << 10;
constexpr int kReadAheadBlocks = 16;
// Verify reads each entry in blocks of this size.
constexpr int64_t kVerifyBlock = 1 << 20;

bool Superseded(const TVrFile& e) { return !e.Name().empty() && e.Name()[0] == '/'; }

}  // namespace

uint32_t StreamCrc32(TTpBigStream& s, int64_t count, void* buffer, int64_t buffer_size, int64_t* read) {
  uint32_t crc = 0;
  int64_t total = 0;
  while (count > 0) {
    const int64_t k = std::min({s.GetSize() - s.GetPosition(), buffer_size, count});
    if (k <= 0) break;  // the stream has ended
    const int64_t got = s.Read(buffer, k);
    if (got <= 0) break;  // ended sooner than its size said
    crc = Crc32(crc, buffer, static_cast<size_t>(got));
    total += got;
    count -= got;
  }
  if (read) *read = total;
  return crc;
}

int32_t TVrFileCollection::EndMarkerIndex() const {
  // Loading leaves it last; a cancelled merge leaves new entries after it.
  // Only the exact name counts: "\eof\" would be an ordinary entry.
  for (int32_t i = Count() - 1; i >= 0; --i) {
    if (Files(i).Name() == vf::kEndMarker) return i;
  }
  return -1;
}

// --- MergeFrom ---

TTpBigFileStream& TVrFileCollection::OpenForAppending() {
  auto* open = dynamic_cast<TTpBigFileStream*>(archive_stream_.get());
  const bool writable = open && (open->Mode() == kFmCreate || (open->Mode() & 3) == kFmOpenReadWrite);
  if (!writable) {
    // The reading handles go first: they deny writing to everyone else.
    const bool existing = archive_stream_ != nullptr;
    archive_stream_.reset();
    archive_stream_ = std::make_unique<TTpBigFileStream>(file_name_, existing ? kFmOpenReadWrite | kFmShareDenyWrite : kFmCreate);
  }
  TTpBigFileStream& data = static_cast<TTpBigFileStream&>(*archive_stream_);
  data.SetPosition(data.GetSize());
  return data;
}

TReadAhead& TVrFileCollection::ReadAhead() {
  if (!read_ahead_) read_ahead_ = std::make_unique<TReadAhead>(kReadAheadBlock, kReadAheadBlocks);
  return *read_ahead_;
}

bool TVrFileCollection::AppendEntryBytes(const TVrFileCollection& source, TRangeReader* from, int64_t stretch_end,
                                         const TVrFile& s, TVrFile& n) {
  if (s.Size == 0) return true;
  // A source cut short since its directory was read must not leave a hole
  // that the new directory would describe as data.
  if (!from || !from->Seek(s.Offset, stretch_end)) source.Damaged(Format("%s のデータがありません", s.Name().c_str()));
  TTpBigStream& to = *archive_stream_;
  to.SetPosition(n.Offset);
  int64_t done = 0, reported = 0;
  while (done < s.Size) {
    const TReadAhead::TBlock piece = from->Take(s.Size - done);
    if (piece.size == 0) source.Damaged(Format("%s のデータが途中で終わっています", s.Name().c_str()));
    to.Write(piece.data, piece.size);
    done += piece.size;
    if (OnEntryBytes && done < s.Size && done - reported >= kEntrySlice) {
      reported = done;
      if (!OnEntryBytes(done)) return false;
    }
  }
  return true;
}

void TVrFileCollection::WriteDirectoryFile() {
  TTpBigFileStream& data = static_cast<TTpBigFileStream&>(*archive_stream_);
  std::vector<TDirectoryRecord> records(static_cast<size_t>(Count()));
  for (int32_t i = 0; i < Count(); ++i) {
    const TVrFile& e = Files(i);
    TDirectoryRecord& r = records[static_cast<size_t>(i)];
    r.name = e.Name();
    r.offset = e.Offset;
    r.stored = e.Stored;
    r.file_time = e.FileTime;
    r.crc = e.Crc;
    r.loose_file = e.LooseFile;
  }
  TMemoryStream directory;
  WriteDirectory(directory, vf::kLatestVersion, records, data.GetSize());
  // The bytes reach the disk before the directory that describes them, and
  // the directory file is replaced in one step: an interruption leaves the
  // old directory (or none) beside the data, never a truncated one.
  directory_pending_ = false;
  if (flushing_.valid()) flushing_.get();  // throws what the flush threw
  else data.Flush();
  const std::string ext_file = ChangeFileExt(file_name_, ".ext");
  if (!fs::WriteFileReplacing(ext_file, directory.Memory(), directory.GetSize()))
    throw EFCreateError(Format("%s:ファイルを作成できません", ext_file.c_str()));
}

void TVrFileCollection::FinishMerge() {
  if (directory_pending_) WriteDirectoryFile();
}

TVrFileCollection::TMergeResult TVrFileCollection::MergeFrom(TVrFileCollection& source, TDirectoryWrite directory) {
  // Checked before anything is opened for writing.
  if (file_name_.empty()) throw EError("データファイルの名前が指定されていません");
  if (SamePath(ChangeFileExt(file_name_, ".ext"), file_name_))
    throw EError(Format("%s:データファイルの拡張子が .ext なので、ディレクトリファイルと重なります", file_name_.c_str()));
  if (&source == this || SamePath(source.FileName(), file_name_))
    throw EError(Format("%s:データファイルをそれ自身に統合することはできません", file_name_.c_str()));

  FinishMerge();
  TTpBigFileStream& data = OpenForAppending();
  const int32_t count = source.Count();
  int32_t marker = EndMarkerIndex();
  // Bytes after the end of the last entry belong to no entry: a merge that
  // was cancelled or failed left them. New entries must start where the
  // directory ends, or the last old entry would take them in and fail its check.
  if (marker >= 0 && Files(marker).Offset < data.GetSize()) {
    data.Truncate(Files(marker).Offset);
    data.SetPosition(data.GetSize());
  }
  // The source is read on a worker in stretches of neighbouring entries
  // that are taken; only the worker touches it until the reader has gone.
  std::optional<TRangeReader> from;
  if (source.archive_stream_) from.emplace(ReadAhead(), *source.archive_stream_);
  int64_t next = -1, stretch_end = -1;  // where the open stretch goes on, and ends
  bool changed = false;
  for (int32_t i = 0; i < count; ++i) {
    const TVrFile& s = source.Files(i);
    int32_t j = -1;
    if (!Takes(s, marker, &j)) continue;
    if (s.Offset != next || s.Size > stretch_end - s.Offset) {
      // A new stretch: as far as the entries after this one that will
      // (as things stand) be taken lie right behind it.
      stretch_end = s.Offset + s.Size;
      int32_t existing = -1;
      for (int32_t k = i + 1; k < count; ++k) {
        const TVrFile& t = source.Files(k);
        if (t.Offset != stretch_end || !Takes(t, marker, &existing)) break;
        stretch_end += t.Size;
      }
    }
    changed = true;
    if (j >= 0) Files(j).SetName("/" + Files(j).Name());

    TVrFile& n = AddFile(s.Name());
    n.Offset = data.GetSize();
    n.Size = s.Size;
    n.Crc = s.Crc;
    n.FileTime = s.FileTime;
    n.Stored = s.Stored;
    if (OnProgress) {
      bool abort = false;
      OnProgress(*this, n, abort, count, i, n.Size);
      if (abort) return TMergeResult::kCancelled;
    }
    if (!AppendEntryBytes(source, from ? &*from : nullptr, stretch_end, s, n)) return TMergeResult::kCancelled;
    next = s.Offset + s.Size;
  }
  if (!changed) return TMergeResult::kNothingTaken;
  if (marker >= 0) Delete(marker);
  if (directory == TDirectoryWrite::kLater) {
    directory_pending_ = true;
    flushing_ = std::async(std::launch::async, [&data] { data.Flush(); });
  } else {
    WriteDirectoryFile();
  }
  return TMergeResult::kWritten;
}

bool TVrFileCollection::Takes(const TVrFile& s, int32_t marker, int32_t* existing) const {
  if (s.Name() == vf::kEndMarker || s.LooseFile != 0) return false;
  int32_t j = IndexOf(s.Name());
  if (j == marker) j = -1;  // the end marker is no entry to supersede
  *existing = j;
  return j < 0 || s.FileTime > Files(j).FileTime;
}

int64_t TVrFileCollection::BytesToMerge(const TVrFileCollection& source) const {
  const int32_t marker = EndMarkerIndex();
  int64_t bytes = 0;
  int32_t existing = -1;
  for (int32_t i = 0; i < source.Count(); ++i)
    if (Takes(source.Files(i), marker, &existing)) bytes += source.Files(i).Size;
  return bytes;
}

// --- Verify ---

bool TVrFileCollection::Verify(int32_t* failed) {
  if (failed) *failed = -1;
  FinishMerge();
  const int32_t marker = EndMarkerIndex();
  // Every entry is checked: after a merge there is no end marker, and the
  // last item is an entry like any other.
  const int32_t count = Count() - (marker >= 0 ? 1 : 0);
  // Read on this thread: the file was just written and comes from memory,
  // and the checksum runs at twice the speed of that read, so a worker
  // reading ahead saved nothing (measured under Wine).
  std::unique_ptr<uint8_t[]> buffer;
  for (int32_t i = 0; i < Count(); ++i) {
    if (i == marker) continue;
    TVrFile& e = Files(i);
    if (i % 10 == 9 && OnProgress) {
      bool abort = false;
      OnProgress(*this, e, abort, count, i, e.Size);
      if (abort) return true;
    }
    if (e.Crc == 0 || Superseded(e)) continue;
    if (!buffer) buffer.reset(new uint8_t[kVerifyBlock]);
    int64_t read = 0;
    uint32_t crc = 0;
    if (archive_stream_) {
      archive_stream_->SetPosition(e.Offset);
      if (archive_stream_->GetPosition() == e.Offset) crc = StreamCrc32(*archive_stream_, e.Size, buffer.get(), kVerifyBlock, &read);
    }
    if (read != e.Size || crc != e.Crc) {
      if (failed) *failed = i;
      return false;
    }
  }
  return true;
}
