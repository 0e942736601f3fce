#include "common/archive_fixture.h"

#include <zlib.h>

#include <stdexcept>

#include "archive/dirwriter.h"
#include "base/os_file.h"
#include "base/stream.h"

uint32_t ZlibCrc32(const std::string& bytes) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string EntryBytes(TVrFileCollection& archive, const std::string& name) {
  TMemoryStream m;
  archive.ReadEntry(m, name);
  return ContentOf(m);
}

std::string Deflate(const std::string& in, int level) {
  uLongf n = compressBound(static_cast<uLong>(in.size()));
  std::string out(n, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()),
                static_cast<uLong>(in.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(n);
  return out;
}

namespace {

std::vector<TDirectoryRecord> Records(const std::vector<FixtureEntry>& entries, int64_t start, std::string* data) {
  std::vector<TDirectoryRecord> records;
  for (const FixtureEntry& e : entries) {
    const std::string stored = e.compress ? Deflate(e.content) : e.content;
    TDirectoryRecord r;
    r.name = e.name;
    r.offset = start + static_cast<int64_t>(data->size());
    r.stored = e.compress ? 0 : 1;
    r.file_time = e.time;
    r.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(stored.data()), static_cast<uInt>(stored.size())));
    r.loose_file = e.loose;
    records.push_back(r);
    *data += stored;
  }
  return records;
}

std::string Written(int32_t version, const std::vector<TDirectoryRecord>& records, int64_t end) {
  TMemoryStream m;
  WriteDirectory(m, version, records, end);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

}  // namespace

std::string BuildArchive(int32_t version, const std::vector<FixtureEntry>& entries) {
  std::string data;
  std::vector<TDirectoryRecord> records = Records(entries, 0, &data);
  const int64_t size = DirectorySize(version, records);
  for (TDirectoryRecord& r : records) r.offset += size;
  return Written(version, records, size + static_cast<int64_t>(data.size())) + data;
}

std::string BuildDirectory(int32_t version, const std::vector<FixtureEntry>& entries, int64_t data_start,
                           std::string* data) {
  data->clear();
  const std::vector<TDirectoryRecord> records = Records(entries, data_start, data);
  return Written(version, records, data_start + static_cast<int64_t>(data->size()));
}

void MakeSparse(const std::string& path, int64_t size, const std::string& tail) {
  OsFile::Options o;
  o.access = OsFile::kReadWrite;
  o.disposition = OsFile::Disposition::kCreateAlways;
  OsFile f = OsFile::Open(path, o);
  const std::string last = tail.empty() ? std::string(1, '\0') : tail;
  const int64_t at = size - static_cast<int64_t>(last.size());
  if (!f.IsOpen() || f.Seek(at, OsFile::Origin::kBegin) != at ||
      f.Write(last.data(), static_cast<int64_t>(last.size())) != static_cast<int64_t>(last.size()))
    throw std::runtime_error("cannot write the sparse file " + path);
}
