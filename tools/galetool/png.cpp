#include "png.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/format.h"
#include "imaging/dib.h"

namespace {

constexpr char kSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};

uint32_t Be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
void PutBe32(std::string& out, uint32_t v) {
  const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
  out.append(b, 4);
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes the filter of one row in place; prev is the row above (unfiltered),
// or null for the first row.
void UnfilterRow(uint8_t filter, uint8_t* p, const uint8_t* prev, size_t row_bytes, size_t bpp) {
  for (size_t i = 0; i < row_bytes; ++i) {
    const int a = i >= bpp ? p[i - bpp] : 0;
    const int b = prev ? prev[i] : 0;
    const int c = prev && i >= bpp ? prev[i - bpp] : 0;
    switch (filter) {
      case 0: return;
      case 1: p[i] = static_cast<uint8_t>(p[i] + a); break;
      case 2: p[i] = static_cast<uint8_t>(p[i] + b); break;
      case 3: p[i] = static_cast<uint8_t>(p[i] + ((a + b) >> 1)); break;
      case 4: p[i] = static_cast<uint8_t>(p[i] + Paeth(a, b, c)); break;
      default: throw EPngError(Format("PNG の行フィルタが不正です (%d)", filter));
    }
  }
}

// Hands out the filtered rows of the image data one at a time, inflating
// only as much as each row needs: nothing is allocated for rows that the
// data does not hold.
class RowInflater {
 public:
  explicit RowInflater(const std::string& idat) : idat_(idat) {
    if (inflateInit(&z_) != Z_OK) throw EPngError("PNG を展開できません");
  }
  ~RowInflater() { inflateEnd(&z_); }
  RowInflater(const RowInflater&) = delete;
  RowInflater& operator=(const RowInflater&) = delete;

  // Fills size bytes at out; throws when the data ends first or is damaged.
  void Next(uint8_t* out, size_t size) {
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(size);
    while (z_.avail_out > 0) {
      if (z_.avail_in == 0 && fed_ < idat_.size()) {
        // zlib counts input in 32 bits; feed large data in pieces.
        const size_t n = std::min<size_t>(idat_.size() - fed_, size_t{1} << 30);
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(idat_.data() + fed_));
        z_.avail_in = static_cast<uInt>(n);
        fed_ += n;
      }
      const int r = inflate(&z_, Z_NO_FLUSH);
      if (r == Z_STREAM_END && z_.avail_out > 0) break;
      if (r != Z_OK && r != Z_STREAM_END) break;
    }
    if (z_.avail_out != 0) throw EPngError("PNG の画像データが壊れているか足りません");
  }

 private:
  const std::string& idat_;
  size_t fed_ = 0;
  z_stream z_{};
};

// The most bytes a zlib stream of n bytes can inflate to: deflate's densest
// code spends a little over one bit on 258 bytes.
uint64_t MaxInflated(uint64_t n) { return n * 1032 + 1032; }

}  // namespace

TPngImage ReadPng(const std::string& bytes) {
  const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t size = bytes.size();
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) throw EPngError("PNG ファイルではありません");
  size_t pos = 8;
  bool have_header = false, ended = false;
  uint32_t width = 0, height = 0;
  int depth = 0, colour_type = 0;
  std::vector<uint8_t> palette;  // RGBA entries
  int trns_grey = -1, trns_r = -1, trns_g = -1, trns_b = -1;
  std::string idat;
  while (!ended) {
    if (size - pos < 12) throw EPngError("PNG ファイルが途中で終わっています");
    const uint32_t length = Be32(data + pos);
    if (length > size - pos - 12) throw EPngError("PNG のチャンクがファイルの外まで続いています");
    const uint8_t* type = data + pos + 4;
    const uint8_t* body = data + pos + 8;
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), type, length + 4));
    if (crc != Be32(body + length)) throw EPngError("PNG のチャンクの CRC が一致しません");
    pos += 12 + length;
    const std::string name(reinterpret_cast<const char*>(type), 4);
    if (name == "IHDR") {
      if (length != 13) throw EPngError("PNG のヘッダーが不正です");
      width = Be32(body);
      height = Be32(body + 4);
      depth = body[8];
      colour_type = body[9];
      if (body[10] != 0 || body[11] != 0) throw EPngError("PNG の圧縮方式が不正です");
      if (body[12] != 0) throw EPngError("インターレースの PNG には対応していません");
      have_header = true;
    } else if (!have_header) {
      throw EPngError("PNG のヘッダーがありません");
    } else if (name == "PLTE") {
      if (length % 3 != 0 || length / 3 > 256) throw EPngError("PNG のパレットが不正です");
      palette.assign(length / 3 * 4, 255);
      for (uint32_t i = 0; i < length / 3; ++i) std::memcpy(&palette[4 * i], body + 3 * i, 3);
    } else if (name == "tRNS") {
      if (colour_type == 3) {
        for (uint32_t i = 0; i < length && 4 * i + 3 < palette.size(); ++i) palette[4 * i + 3] = body[i];
      } else if (colour_type == 0 && length >= 2) {
        trns_grey = (body[0] << 8) | body[1];
      } else if (colour_type == 2 && length >= 6) {
        trns_r = (body[0] << 8) | body[1];
        trns_g = (body[2] << 8) | body[3];
        trns_b = (body[4] << 8) | body[5];
      }
    } else if (name == "IDAT") {
      idat.append(reinterpret_cast<const char*>(body), length);
    } else if (name == "IEND") {
      ended = true;
    } else if (!(type[0] & 0x20)) {
      throw EPngError(Format("PNG の必須チャンク %s には対応していません", name.c_str()));
    }
  }
  if (!have_header) throw EPngError("PNG のヘッダーがありません");

  int samples = 0;
  switch (colour_type) {
    case 0: samples = 1; break;
    case 2: samples = 3; break;
    case 3: samples = 1; break;
    case 4: samples = 2; break;
    case 6: samples = 4; break;
    default: throw EPngError(Format("PNG の色の種類が不正です (%d)", colour_type));
  }
  const bool low_depth_ok = colour_type == 0 || colour_type == 3;
  if (!(depth == 8 || (depth == 16 && colour_type != 3) ||
        (low_depth_ok && (depth == 1 || depth == 2 || depth == 4))))
    throw EPngError(Format("この PNG の形式には対応していません (色の種類 %d、%d ビット)", colour_type, depth));
  if (colour_type == 3 && palette.empty()) throw EPngError("PNG にパレットがありません");
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
      static_cast<uint64_t>(width) * height * 4 > static_cast<uint64_t>(kMaxBitmapBytes))
    throw EPngError(Format("PNG の大きさが不正です (%u×%u)", width, height));

  // Sizes in 64 bits, checked before anything is allocated: in the 32-bit
  // build a row of 2^26 16-bit RGBA pixels would wrap to 0 bytes.
  const uint64_t row_bytes64 = (static_cast<uint64_t>(width) * samples * depth + 7) / 8;
  const uint64_t raw_size = (row_bytes64 + 1) * height;
  if (row_bytes64 + 1 > SIZE_MAX / 2 || raw_size > MaxInflated(idat.size()))
    throw EPngError(Format("PNG の画像データが %u×%u の大きさに足りません", width, height));
  const size_t row_bytes = static_cast<size_t>(row_bytes64);
  const size_t bpp = std::max<size_t>(1, static_cast<size_t>(samples * depth / 8));

  TPngImage image;
  image.Width = static_cast<int>(width);
  image.Height = static_cast<int>(height);
  bool alpha = colour_type == 4 || colour_type == 6 || trns_grey >= 0 || trns_r >= 0;
  if (colour_type == 3)
    for (size_t i = 3; i < palette.size(); i += 4) alpha = alpha || palette[i] != 255;
  image.Channels = alpha ? 4 : 3;
  const size_t out_row = static_cast<size_t>(width) * image.Channels;  // <= kMaxBitmapBytes
  const int max_sample = (1 << depth) - 1;
  // Two rows of filtered data (this one and the one above), and the pixels
  // growing row by row as the data delivers them.
  std::vector<uint8_t> rows(2 * (row_bytes + 1));
  RowInflater inflater(idat);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* raw = rows.data() + (y % 2) * (row_bytes + 1);
    const uint8_t* prev = y == 0 ? nullptr : rows.data() + ((y + 1) % 2) * (row_bytes + 1) + 1;
    inflater.Next(raw, row_bytes + 1);
    UnfilterRow(raw[0], raw + 1, prev, row_bytes, bpp);
    const uint8_t* row = raw + 1;
    image.Pixels.resize(image.Pixels.size() + out_row);
    uint8_t* out = image.Pixels.data() + static_cast<size_t>(y) * out_row;
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t rgba[4] = {0, 0, 0, 255};
      if (depth < 8) {
        const size_t bit = static_cast<size_t>(x) * depth;
        const int v = (row[bit / 8] >> (8 - depth - bit % 8)) & max_sample;
        if (colour_type == 3) {
          if (static_cast<size_t>(v) * 4 >= palette.size()) throw EPngError("PNG のパレット番号が範囲外です");
          std::memcpy(rgba, &palette[4 * v], 4);
        } else {
          rgba[0] = rgba[1] = rgba[2] = static_cast<uint8_t>(v * 255 / max_sample);
          if (v == trns_grey) rgba[3] = 0;
        }
      } else {
        // 8 or 16 bits per sample; 16-bit samples keep their high byte, and
        // tRNS compares whole samples.
        const int bps = depth / 8;
        const uint8_t* p = row + static_cast<size_t>(x) * samples * bps;
        auto sample = [&](int i) { return bps == 2 ? (p[2 * i] << 8) | p[2 * i + 1] : static_cast<int>(p[i]); };
        auto high = [&](int i) { return p[i * bps]; };
        switch (colour_type) {
          case 0:
            rgba[0] = rgba[1] = rgba[2] = high(0);
            if (sample(0) == trns_grey) rgba[3] = 0;
            break;
          case 2:
            rgba[0] = high(0);
            rgba[1] = high(1);
            rgba[2] = high(2);
            if (sample(0) == trns_r && sample(1) == trns_g && sample(2) == trns_b) rgba[3] = 0;
            break;
          case 3:
            if (static_cast<size_t>(p[0]) * 4 >= palette.size()) throw EPngError("PNG のパレット番号が範囲外です");
            std::memcpy(rgba, &palette[4 * p[0]], 4);
            break;
          case 4:
            rgba[0] = rgba[1] = rgba[2] = high(0);
            rgba[3] = high(1);
            break;
          default:
            for (int i = 0; i < 4; ++i) rgba[i] = high(i);
            break;
        }
      }
      std::memcpy(out, rgba, static_cast<size_t>(image.Channels));
      out += image.Channels;
    }
  }
  return image;
}

namespace {

void PutChunk(std::string& out, const char* type, const std::string& body) {
  PutBe32(out, static_cast<uint32_t>(body.size()));
  std::string typed = std::string(type, 4) + body;
  out += typed;
  PutBe32(out, static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(typed.data()),
                                          static_cast<uInt>(typed.size()))));
}

}  // namespace

std::string WritePng(const TPngImage& image) {
  if (image.Width <= 0 || image.Height <= 0 || (image.Channels != 3 && image.Channels != 4) ||
      image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * image.Channels)
    throw EPngError("PNG にする画像が不正です");
  std::string header;
  PutBe32(header, static_cast<uint32_t>(image.Width));
  PutBe32(header, static_cast<uint32_t>(image.Height));
  header += '\x08';
  header += image.Channels == 4 ? '\x06' : '\x02';
  header.append(3, '\0');

  // Filter "Sub" on every row: cheap and much smaller than none on pictures.
  const size_t row_bytes = static_cast<size_t>(image.Width) * image.Channels;
  std::string rows;
  rows.reserve((row_bytes + 1) * image.Height);
  for (int y = 0; y < image.Height; ++y) {
    const uint8_t* p = image.Pixels.data() + y * row_bytes;
    rows += '\x01';
    for (size_t i = 0; i < row_bytes; ++i)
      rows += static_cast<char>(i >= static_cast<size_t>(image.Channels) ? p[i] - p[i - image.Channels] : p[i]);
  }
  uLongf n = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(n, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &n, reinterpret_cast<const Bytef*>(rows.data()),
                static_cast<uLong>(rows.size()), 6) != Z_OK)
    throw EPngError("PNG を圧縮できません");
  packed.resize(n);

  std::string out(kSignature, 8);
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", "");
  return out;
}
