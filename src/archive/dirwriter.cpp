#include "archive/dirwriter.h"

#include <limits>

#include "archive/dirformat.h"
#include "archive/rands.h"
#include "base/endian.h"
#include "base/errors.h"
#include "base/format.h"

int64_t DirectorySize(int32_t version, const std::vector<TDirectoryRecord>& entries) {
  const int64_t n = static_cast<int64_t>(entries.size());
  int64_t size = (version == 0 ? 0 : 6) + 4;
  for (const TDirectoryRecord& e : entries) size += 4 + static_cast<int64_t>(e.name.size());
  return size + (n + 1) * vf::OffsetWidth(version) + n * vf::AttributeWidth(version);
}

void WriteDirectory(TStream& dest, int32_t version, const std::vector<TDirectoryRecord>& entries, int64_t end) {
  if (version < 0 || version > vf::kLatestVersion) throw EFormatError(Format("ディレクトリの版 %d は書けません", version));
  if (entries.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 16))
    throw EFormatError("エントリが多すぎます");
  const int32_t n = static_cast<int32_t>(entries.size());
  // Without a signature the reader takes the first two bytes of n for one.
  if (version == 0 && (static_cast<uint32_t>(n) & 0xFFFF) == 0x6676)
    throw EFormatError(Format("エントリ数 %d は版 0 のディレクトリに書けません", n));

  const int64_t size = DirectorySize(version, entries);
  if (static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max() / 2) throw EFormatError("ディレクトリが大きすぎます");
  ByteBuffer buffer;
  buffer.Resize(static_cast<size_t>(size));
  uint8_t* p = buffer.Data();
  if (version != 0) {
    p[0] = vf::kSignature[0];
    p[1] = vf::kSignature[1];
    le::Store32(p + 2, static_cast<uint32_t>(version));
    p += 6;
  }
  le::Store32(p, static_cast<uint32_t>(n));
  p += 4;

  const bool scrambled = version >= vf::kScrambledVersion;
  TTpRandom names(ArchiveSeed);
  for (const TDirectoryRecord& e : entries) {
    if (e.name.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) throw EFormatError("名前が長すぎます");
    le::Store32(p, static_cast<uint32_t>(e.name.size()));
    p += 4;
    for (char c : e.name) *p++ = static_cast<uint8_t>(scrambled ? c ^ names.Next() : c);
  }

  TTpRandom offsets(ArchiveSeed);
  const bool wide = version >= vf::kWideVersion;
  int64_t previous = 0;
  for (int32_t i = 0; i <= n; ++i) {
    const int64_t value = i < n ? entries[i].offset : end;
    if (value < previous) {
      throw EFormatError(Format("エントリ %d のオフセットが前のエントリより小さくなっています", i));
    }
    previous = value;
    if (wide) {
      const uint64_t mask = scrambled ? static_cast<uint64_t>(static_cast<int64_t>(offsets.Next())) : 0;
      le::Store64(p, static_cast<uint64_t>(value) ^ mask);
      p += 8;
    } else {
      if (value > std::numeric_limits<uint32_t>::max())
        throw EFormatError(Format("版 %d のディレクトリは 4GB を超えるデータを扱えません", version));
      const uint32_t mask = scrambled ? static_cast<uint32_t>(offsets.Next()) : 0;
      le::Store32(p, static_cast<uint32_t>(value) ^ mask);
      p += 4;
    }
  }

  if (version >= vf::kWideVersion) {
    for (const TDirectoryRecord& e : entries) *p++ = e.stored;
    for (const TDirectoryRecord& e : entries) le::Store32(p, static_cast<uint32_t>(e.file_time)), p += 4;
    for (const TDirectoryRecord& e : entries) le::Store32(p, e.crc), p += 4;
    if (version >= vf::kLooseVersion) {
      for (const TDirectoryRecord& e : entries) *p++ = e.loose_file;
    }
  }
  dest.WriteBuffer(buffer.Data(), size);
}
