// ReadEntry of compressed entries against zlib's own streaming inflate of the
// same stored bytes, read from the same file. Goal: at least 0.95x its
// throughput.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "archive/dirwriter.h"
#include "archive/vrfiles.h"
#include "base/fs.h"
#include "bench_util.h"

namespace {

// Inflates `size` bytes at `offset` of file in 64 KiB steps into out, as a
// program using zlib directly would.
void ZlibInflate(FILE* file, int64_t offset, int64_t size, std::string* out) {
  z_stream z;
  std::memset(&z, 0, sizeof z);
  inflateInit(&z);
  static unsigned char in[65536], buf[65536];
  std::fseek(file, static_cast<long>(offset), SEEK_SET);
  out->clear();
  int r = Z_OK;
  while (size > 0 && r != Z_STREAM_END) {
    const size_t k = std::fread(in, 1, static_cast<size_t>(std::min<int64_t>(size, sizeof in)), file);
    if (k == 0) break;
    size -= static_cast<int64_t>(k);
    z.next_in = in;
    z.avail_in = static_cast<uInt>(k);
    do {
      z.next_out = buf;
      z.avail_out = sizeof buf;
      r = inflate(&z, Z_NO_FLUSH);
      out->append(reinterpret_cast<char*>(buf), sizeof buf - z.avail_out);
    } while (z.avail_out == 0 && r == Z_OK);
  }
  inflateEnd(&z);
}

}  // namespace

int main() {
  using namespace bench;
  Scratch scratch;
  const std::string path = scratch.Path() + "/game.dat";
  // 96 entries of 64 KiB to 4 MiB, text-like, compressed.
  std::vector<TDirectoryRecord> records;
  std::string data;
  int64_t inflated_total = 0;
  for (int i = 0; i < 96; ++i) {
    const size_t n = (size_t{64} << 10) << (i % 7);
    const std::string content = TextLike(n, static_cast<uint32_t>(i));
    uLongf packed_size = compressBound(static_cast<uLong>(n));
    std::string packed(packed_size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(content.data()),
              static_cast<uLong>(n), 6);
    packed.resize(packed_size);
    TDirectoryRecord r;
    r.name = "entry" + std::to_string(i);
    r.offset = static_cast<int64_t>(data.size());
    r.stored = 0;
    records.push_back(r);
    data += packed;
    inflated_total += static_cast<int64_t>(n);
  }
  const int64_t dir = DirectorySize(102, records);
  for (TDirectoryRecord& r : records) r.offset += dir;
  TMemoryStream file;
  WriteDirectory(file, 102, records, dir + static_cast<int64_t>(data.size()));
  file.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  file.SaveToFile(path);

  TVrFileCollection archive;
  archive.Open(path);
  TMemoryStream m;
  const double ours = Best(7, [&] {
    for (int i = 0; i + 1 < archive.Count(); ++i) archive.ReadEntry(m, archive.Files(i).Name());
  });
  FILE* f = std::fopen(path.c_str(), "rb");
  std::string out;
  const double zlib = Best(7, [&] {
    for (int i = 0; i + 1 < archive.Count(); ++i) ZlibInflate(f, archive.Files(i).Offset, archive.Files(i).Size, &out);
  });
  std::fclose(f);
  const double mib = static_cast<double>(inflated_total) / (1 << 20);
  Report("ReadEntry of compressed entries", mib / ours, mib / zlib, "MiB/s", ">= 0.95");
  return 0;
}
