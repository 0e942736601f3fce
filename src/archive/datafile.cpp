// Building a data file from other archives (MergeFrom) and checking it
// (Verify): the install folder's "game.dat" with its volumes and its
// directory file game.ext.
#include <algorithm>
#include <memory>
#include <vector>

#include "archive/crc32.h"
#include "archive/dirformat.h"
#include "archive/dirwriter.h"
#include "archive/vrfiles.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"

namespace {

// Verify reads each entry in blocks of this size.
constexpr int64_t kVerifyBlock = 1 << 20;
// A merge that reports inside large entries does so after each such slice.
constexpr int64_t kEntrySlice = int64_t{8} << 20;
// Entries from this size on are read ahead while they are written; a
// smaller one costs less than starting the worker would.
constexpr int64_t kReadAheadFrom = int64_t{4} << 20;
constexpr int64_t kReadAheadBlock = int64_t{1} << 20;
constexpr int kReadAheadBlocks = 4;

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

bool TVrFileCollection::AppendEntryBytes(TVrFileCollection& source, const TVrFile& s, TVrFile& n) {
  if (s.Size == 0) return true;
  TTpBigStream* from = source.archive_stream_.get();
  TTpBigStream& to = *archive_stream_;
  if (from) from->SetPosition(s.Offset);
  // A source cut short since its directory was read must not leave a hole
  // that the new directory would describe as data.
  if (!from || from->GetPosition() != s.Offset) source.Damaged(Format("%s のデータがありません", s.Name().c_str()));
  to.SetPosition(n.Offset);
  int64_t done = 0;
  if (s.Size >= kReadAheadFrom) {
    // A long entry is read ahead on a worker while this thread writes it, so
    // the medium and the install disk work at once. Only the worker touches
    // the source until ahead has gone, on every way out.
    if (!read_ahead_) read_ahead_ = std::make_unique<TReadAhead>(kReadAheadBlock, kReadAheadBlocks);
    TReadAhead::TSource ahead(*read_ahead_, [from](uint8_t* buffer, int64_t count) { return from->Read(buffer, count); },
                              s.Size);
    int64_t reported = 0;
    for (TReadAhead::TBlock b = ahead.Next(); b.size > 0; b = ahead.Next()) {
      to.Write(b.data, b.size);
      done += b.size;
      if (OnEntryBytes && done < s.Size && done - reported >= kEntrySlice) {
        reported = done;
        if (!OnEntryBytes(done)) return false;
      }
    }
    if (done != s.Size) source.Damaged(Format("%s のデータが途中で終わっています", s.Name().c_str()));
    return true;
  }
  while (done < s.Size) {
    const int64_t slice = OnEntryBytes ? std::min(kEntrySlice, s.Size - done) : s.Size - done;
    if (to.CopyFrom(*from, slice) != slice) source.Damaged(Format("%s のデータが途中で終わっています", s.Name().c_str()));
    done += slice;
    if (OnEntryBytes && done < s.Size && !OnEntryBytes(done)) return false;
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
  data.Flush();
  const std::string ext_file = ChangeFileExt(file_name_, ".ext");
  if (!fs::WriteFileReplacing(ext_file, directory.Memory(), directory.GetSize()))
    throw EFCreateError(Format("%s:ファイルを作成できません", ext_file.c_str()));
}

TVrFileCollection::TMergeResult TVrFileCollection::MergeFrom(TVrFileCollection& source) {
  // Checked before anything is opened for writing.
  if (file_name_.empty()) throw EError("データファイルの名前が指定されていません");
  if (SamePath(ChangeFileExt(file_name_, ".ext"), file_name_))
    throw EError(Format("%s:データファイルの拡張子が .ext なので、ディレクトリファイルと重なります", file_name_.c_str()));
  if (&source == this || SamePath(source.FileName(), file_name_))
    throw EError(Format("%s:データファイルをそれ自身に統合することはできません", file_name_.c_str()));

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
  bool changed = false;
  for (int32_t i = 0; i < count; ++i) {
    const TVrFile& s = source.Files(i);
    int32_t j = -1;
    if (!Takes(s, marker, &j)) continue;
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
    if (!AppendEntryBytes(source, s, n)) return TMergeResult::kCancelled;
  }
  if (!changed) return TMergeResult::kNothingTaken;
  if (marker >= 0) Delete(marker);
  WriteDirectoryFile();
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
  const int32_t marker = EndMarkerIndex();
  // Every entry is checked: after a merge there is no end marker, and the
  // last item is an entry like any other.
  const int32_t count = Count() - (marker >= 0 ? 1 : 0);
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
