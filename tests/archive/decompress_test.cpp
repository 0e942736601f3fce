#include "archive/decompress.h"
#include "common/archive_fixture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <stdexcept>
#include <string>

namespace {

void Fill(TMemoryStream& m, const std::string& bytes) {
  m.Clear();
  m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

TEST(DecompressStream, InflatesInPlace) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += static_cast<char>('a' + i % 7);
  TMemoryStream m;
  Fill(m, Deflate(text));
  DecompressStream(m);
  EXPECT_EQ(ContentOf(m), text);
}

TEST(DecompressStream, EmptyContentInflatesToNothing) {
  TMemoryStream m;
  Fill(m, Deflate(""));
  DecompressStream(m);
  EXPECT_EQ(m.GetSize(), 0);
}

TEST(DecompressStream, BytesAfterTheZlibStreamAreIgnored) {
  TMemoryStream m;
  Fill(m, Deflate("payload") + "trailing garbage");
  DecompressStream(m);
  EXPECT_EQ(ContentOf(m), "payload");
}

TEST(DecompressStream, TruncatedAndDamagedStreamsFailAndKeepTheInput) {
  const std::string packed = Deflate(std::string(5000, 'x') + "tail");
  TMemoryStream m;
  for (size_t cut = 0; cut < packed.size(); ++cut) {
    SCOPED_TRACE(cut);
    Fill(m, packed.substr(0, cut));
    EXPECT_THROW(DecompressStream(m), EDecompressionError);
    EXPECT_EQ(ContentOf(m), packed.substr(0, cut));
  }
  Fill(m, "not zlib at all");
  EXPECT_THROW(DecompressStream(m), EDecompressionError);
}

// 258 MiB of zeros, deflated to well under 1 MiB.
static std::string Bomb() {
  z_stream z = {};
  // Run-length matching keeps producing the zeros quick.
  if (deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) throw std::runtime_error("deflateInit2");
  std::string packed;
  std::string zeros(1 << 20, '\0');
  char out[1 << 16];
  for (int i = 0; i <= 257; ++i) {
    z.next_in = reinterpret_cast<Bytef*>(zeros.data());
    z.avail_in = static_cast<uInt>(zeros.size());
    const int flush = i == 257 ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, flush);
      packed.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return packed;
}

TEST(DecompressStream, CompressionBombStopsAtTheBound) {
  TMemoryStream m;
  Fill(m, Bomb());
  EXPECT_THROW(DecompressStream(m), EDecompressionError);
}

namespace {
// Counts what is written to it and keeps nothing.
struct Sink : TStream {
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t n) override { return written += n, n; }
  int64_t Seek(int64_t, SeekOrigin) override { return written; }
  int64_t written = 0;
};
}  // namespace

TEST(InflateWriter, InflatesPiecesAsTheyCome) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += static_cast<char>('a' + (i * 7 + i / 1000) % 26);
  const std::string packed = Deflate(text) + "after the end";
  for (size_t piece : {size_t{1}, size_t{1000}, packed.size()}) {
    SCOPED_TRACE(piece);
    TMemoryStream out;
    TInflateWriter w(out);
    for (size_t i = 0; i < packed.size(); i += piece) w.Write(packed.data() + i, static_cast<int64_t>(std::min(piece, packed.size() - i)));
    EXPECT_TRUE(w.Ended());
    EXPECT_NO_THROW(w.Finish());
    EXPECT_EQ(ContentOf(out), text);
  }
}

TEST(InflateWriter, CutShortDamagedAndBombs) {
  const std::string packed = Deflate(std::string(10000, 'q'));
  {
    TMemoryStream out;
    TInflateWriter w(out);
    w.Write(packed.data(), static_cast<int64_t>(packed.size() - 1));
    EXPECT_FALSE(w.Ended());
    EXPECT_THROW(w.Finish(), EDecompressionError);
  }
  {
    TMemoryStream out;
    TInflateWriter w(out);
    EXPECT_THROW(w.Write("garbage!", 8), EDecompressionError);
  }
  Sink sink;
  TInflateWriter w(sink);
  const std::string bomb = Bomb();
  EXPECT_THROW(w.Write(bomb.data(), static_cast<int64_t>(bomb.size())), EDecompressionError);
  EXPECT_LE(sink.written, kMaxInflatedSize);
}

TEST(MemoryStreamCrc32, MatchesKnownValues) {
  TMemoryStream m;
  EXPECT_EQ(MemoryStreamCrc32(m), 0u);
  Fill(m, "123456789");  // the standard check value of CRC-32/ISO-HDLC
  EXPECT_EQ(MemoryStreamCrc32(m), 0xCBF43926u);
  EXPECT_EQ(m.GetPosition(), 9);
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + (i >> 13));
  Fill(m, big);
  EXPECT_EQ(MemoryStreamCrc32(m),
            crc32(0, reinterpret_cast<const Bytef*>(big.data()), static_cast<uInt>(big.size())));
}
