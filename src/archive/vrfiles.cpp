#include "archive/vrfiles.h"

#include <algorithm>
#include <new>
#include <vector>

#include "archive/decompress.h"
#include "archive/dirformat.h"
#include "archive/rands.h"
#include "base/endian.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"

TVrFileCollection::TVrFileCollection() = default;

TVrFileCollection::~TVrFileCollection() {
  // A flush still running needs the stream. Then the stream before the
  // module it may point into, then the items.
  if (flushing_.valid()) flushing_.wait();
  archive_stream_.reset();
#ifdef _WIN32
  resource_module_.reset();
#endif
}

std::unique_ptr<THashCollectionItem> TVrFileCollection::NewItem() const { return std::make_unique<TVrFile>(); }

TVrFile& TVrFileCollection::AddFile(std::string name) {
  auto& file = static_cast<TVrFile&>(Add());
  file.SetName(std::move(name));
  return file;
}

void TVrFileCollection::CloseArchive() {
  // A flush still running needs the stream; the directory it was for is not
  // written, as after a merge that failed.
  if (flushing_.valid()) flushing_.wait();
  flushing_ = {};
  directory_pending_ = false;
  Clear();
  archive_stream_.reset();
#ifdef _WIN32
  resource_module_.reset();
#endif
}

void TVrFileCollection::Damaged(const std::string& detail) const {
  throw EArchiveError(Format("%s:アーカイブが壊れています（%s）", source_name_.c_str(), detail.c_str()));
}

// --- Loading a directory ---

namespace {

struct RawDirectory {
  std::vector<std::string> names;
  std::vector<int64_t> offsets;  // n+1, relative
  ByteBuffer attributes;         // the attribute blocks as stored
};

}  // namespace

void TVrFileCollection::ReadDirectory(TTpBigStream& s) {
  const int64_t d = s.GetPosition();
  const int64_t stream_end = s.GetSize();
  // Entries lie in the archive stream; a directory read from a separate file
  // describes bytes of the data file, not of itself.
  const int64_t data_end = archive_stream_ && archive_stream_.get() != &s ? archive_stream_->GetSize() : stream_end;

  uint8_t head[4];
  int32_t version = 0;
  if (s.Read(head, 2) != 2) Damaged("ディレクトリがありません");
  if (head[0] == vf::kSignature[0] && head[1] == vf::kSignature[1]) {
    if (s.Read(head, 4) != 4) Damaged("ディレクトリが途中で終わっています");
    version = vf::EffectiveVersion(static_cast<int32_t>(le::Load32(head)));
  } else {
    s.SetPosition(d);
  }
  if (s.Read(head, 4) != 4) Damaged("ディレクトリが途中で終わっています");
  const int32_t n = static_cast<int32_t>(le::Load32(head));

  // The least the rest of the directory takes: a length field per name, the
  // offsets and the attributes. A count that cannot fit is refused before
  // anything is allocated for it.
  const int ow = vf::OffsetWidth(version), aw = vf::AttributeWidth(version);
  const int64_t left = stream_end - s.GetPosition();
  if (n < 0 || left < ow || n > (left - ow) / (4 + ow + aw)) Damaged(Format("エントリ数 %d が不正です", n));
  const int64_t fixed = int64_t{n} * 4 + (int64_t{n} + 1) * ow + int64_t{n} * aw;
  int64_t name_budget = left - fixed;  // bytes that names can take at most

  RawDirectory raw;
  try {
    raw.names.reserve(static_cast<size_t>(std::min<int64_t>(n, 1 << 16)));
    {
      TTpBuffBigStream buffered(s);
      TTpRandom scramble(ArchiveSeed);
      const bool scrambled = version >= vf::kScrambledVersion;
      for (int32_t i = 0; i < n; ++i) {
        if (buffered.Read(head, 4) != 4) Damaged("ディレクトリが途中で終わっています");
        const int32_t length = static_cast<int32_t>(le::Load32(head));
        if (length < 0 || length > name_budget) Damaged(Format("エントリ %d の名前の長さ %d が不正です", i, length));
        name_budget -= length;
        std::string name(static_cast<size_t>(length), '\0');
        if (buffered.Read(name.data(), length) != length) Damaged("ディレクトリが途中で終わっています");
        if (scrambled) {
          for (char& c : name) c = static_cast<char>(c ^ scramble.Next());
        }
        raw.names.push_back(std::move(name));
      }
    }  // the buffered reader gives back what it read ahead

    const size_t offsets_bytes = static_cast<size_t>((int64_t{n} + 1) * ow);
    ByteBuffer block;
    block.Resize(offsets_bytes);
    if (s.Read(block.Data(), static_cast<int64_t>(offsets_bytes)) != static_cast<int64_t>(offsets_bytes))
      Damaged("ディレクトリが途中で終わっています");
    raw.offsets.resize(static_cast<size_t>(n) + 1);
    TTpRandom scramble(ArchiveSeed);
    for (int32_t i = 0; i <= n; ++i) {
      const uint8_t* p = block.Data() + static_cast<size_t>(i) * ow;
      if (ow == 8) {
        const uint64_t mask = version >= vf::kScrambledVersion ? static_cast<uint64_t>(int64_t{scramble.Next()}) : 0;
        raw.offsets[i] = static_cast<int64_t>(le::Load64(p) ^ mask);
      } else {
        const uint32_t mask = version >= vf::kScrambledVersion ? static_cast<uint32_t>(scramble.Next()) : 0;
        raw.offsets[i] = static_cast<int64_t>(le::Load32(p) ^ mask);
      }
    }
    const size_t attribute_bytes = static_cast<size_t>(int64_t{n} * aw);
    raw.attributes.Resize(attribute_bytes);
    if (s.Read(raw.attributes.Data(), static_cast<int64_t>(attribute_bytes)) != static_cast<int64_t>(attribute_bytes))
      Damaged("ディレクトリが途中で終わっています");
  } catch (const std::bad_alloc&) {
    Damaged(Format("%d 個のエントリを読み込むメモリが足りません", n));
  }

  // Entries follow one another without gaps: every size is the distance to
  // the next offset, so offsets may not decrease and the last may not lie
  // beyond the data.
  if (raw.offsets[0] < 0) Damaged("エントリ 0 のオフセットが負です");
  for (int32_t i = 0; i < n; ++i) {
    if (raw.offsets[i + 1] < raw.offsets[i])
      Damaged(Format("エントリ %d（%s）の大きさが負です", i, raw.names[i].c_str()));
  }
  if (raw.offsets[n] > data_end - d) Damaged(Format("エントリのデータがアーカイブの終わりを越えています（%lld バイト目まで）",
                                                    static_cast<long long>(raw.offsets[n] + d)));

  // Everything checked: now the entries go in, all of them or none.
  const int32_t first = Count();
  try {
    Reserve(static_cast<size_t>(n) + 1);
    // The attribute blocks, one after the other: Stored, FileTime, Crc, LooseFile.
    const uint8_t* a = raw.attributes.Data();
    const size_t count = static_cast<size_t>(n);
    for (int32_t i = 0; i < n; ++i) {
      TVrFile& e = AddFile(std::move(raw.names[i]));
      e.Offset = raw.offsets[i] + d;
      e.Size = raw.offsets[i + 1] - raw.offsets[i];
      if (aw > 0) {
        e.Stored = a[i];
        e.FileTime = static_cast<int32_t>(le::Load32(a + count + size_t{4} * i));
        e.Crc = le::Load32(a + count * 5 + size_t{4} * i);
        if (aw >= vf::AttributeWidth(vf::kLooseVersion)) e.LooseFile = a[count * 9 + i];
      }
    }
    AddFile(vf::kEndMarker).Offset = raw.offsets[n];
  } catch (const std::bad_alloc&) {
    while (Count() > first) Delete(Count() - 1);
    Damaged(Format("%d 個のエントリを読み込むメモリが足りません", n));
  }
}

// --- Opening ---

void TVrFileCollection::Open(const std::string& file_name, bool keep_folder) {
  CloseArchive();
  file_name_ = file_name;
  source_name_ = file_name;
  if (file_name.empty()) return;
  const bool exists = fs::FileExists(file_name);
  loose_folder_ = exists || keep_folder ? ExtractFilePath(file_name) : file_name;
  if (!loose_folder_.empty()) loose_folder_ = AddTrailingDelimiter(loose_folder_);
  if (!exists) return;

  try {
    archive_stream_ = std::make_unique<TTpBigFileStream>(file_name, kFmOpenRead | kFmShareDenyWrite);
    TTpBigStream& s = *archive_stream_;
    const std::string ext = ExtractFileExt(file_name);
    const std::string ext_file = ChangeFileExt(file_name, ".ext");
    if (sjis::EqualsNoCase(ext, ".exe") || sjis::EqualsNoCase(ext, ".scr")) {
      // The trailer is taken for granted here (start-up checks its magic).
      const int64_t size = s.GetSize();
      if (size < vf::kTrailerSize) Damaged("トレーラーがありません");
      uint8_t trailer[4];
      s.SetPosition(size - vf::kTrailerSize);
      s.ReadBuffer(trailer, 4);
      const int64_t x = static_cast<int32_t>(le::Load32(trailer));
      if (x < 0 || x > size - vf::kTrailerSize)
        Damaged(Format("トレーラーのディレクトリ位置 %lld がファイルの外です", static_cast<long long>(x)));
      s.SetPosition(x);
      ReadDirectory(s);
    } else if (fs::FileExists(ext_file)) {
      TTpBigMemoryStream directory;
      directory.LoadFromFile(ext_file);
      source_name_ = ext_file;
      ReadDirectory(directory);
      source_name_ = file_name;
    } else {
      s.SetPosition(0);
      ReadDirectory(s);
    }
  } catch (...) {
    source_name_ = file_name;
    CloseArchive();
    throw;
  }
}

// --- Reading entries ---

// Both names are the program's; "/" and "\" are both delimiters, on the
// build machines and on Windows alike.
bool TVrFileCollection::SamePath(const std::string& a, const std::string& b) { return sjis::EqualsPathNoCase(a, b); }

void TVrFileCollection::CopyEntryBytes(TStream& dest, const TVrFile& e) {
  archive_stream_->SetPosition(e.Offset);
  if (archive_stream_->GetPosition() != e.Offset || archive_stream_->CopyToStream(dest, e.Size) != e.Size) {
    Damaged(Format("%s のデータが途中で終わっています", e.Name().c_str()));
  }
}

void TVrFileCollection::ReadEntry(TStream& dest, std::string_view name) {
  auto* memory = dynamic_cast<TMemoryStream*>(&dest);
  if (memory) memory->Clear();

  if (!loose_folder_.empty()) {
    const std::string loose = loose_folder_ + std::string(name);
    if (!SamePath(loose, file_name_) && fs::FileExists(loose)) {
      if (memory) {
        memory->LoadFromFile(loose);
      } else {
        TFileStream file(loose, kFmOpenRead | kFmShareDenyWrite);
        CopyStream(dest, file, 0);
      }
      dest.SetPosition(0);
      return;
    }
  }

  const int32_t i = archive_stream_ ? IndexOf(name) : -1;
  if (i < 0) throw EEntryNotFound(Format("%s:ファイルがありません", std::string(name).c_str()));
  const TVrFile& e = Files(i);
  try {
    if (e.Stored == 0 && !memory) {
      TMemoryStream temp;
      CopyEntryBytes(temp, e);
      DecompressStream(temp);
      CopyStream(dest, temp, 0);
    } else {
      CopyEntryBytes(dest, e);
      if (e.Stored == 0) DecompressStream(*memory);
    }
  } catch (const EDecompressionError& error) {
    throw EDecompressionError(Format("%s:%s", e.Name().c_str(), error.what()));
  }
  dest.SetPosition(0);
}
