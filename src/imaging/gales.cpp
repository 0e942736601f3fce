#include "imaging/gales.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "archive/decompress.h"
#include "archive/rands.h"
#include "base/endian.h"
#include "base/format.h"
#include "imaging/jpeg_codec.h"

namespace {

// Offsets inside the 40-byte image header record (versions 103 and later).
constexpr size_t kHeaderRecordSize = 40;
constexpr size_t kHdrVersion = 0;
constexpr size_t kHdrFrameCount = 16;
constexpr size_t kHdrScrambled = 21;
constexpr size_t kHdrCompression = 22;
constexpr size_t kHdrBackground = 24;
constexpr size_t kHdrTileWidth = 28;
constexpr size_t kHdrTileHeight = 32;
constexpr size_t kHdrFirstLayerOpaque = 36;

enum Compression : uint8_t { kZlib = 0, kStored = 1, kLossy = 2 };

bool ValidFrameBits(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes of memory one surface of that size takes.
// Bytes of memory one surface of that size takes (saturating: the sizes come
// from the file).
int64_t SurfaceBytes(int width, int height, int bits) {
  const int64_t stride = DIBStride(width, bits == 15 ? 16 : bits);
  if (height > 0 && stride > INT64_MAX / height) return INT64_MAX;
  return stride * height;
}

// A bounded run of bytes: a plane block, an inflated plane, or the file.
struct Span {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  size_t Left() const { return size - pos; }
};

// The header fields the frame and layer readers go by.
struct Header {
  int32_t version = 0;
  int32_t frame_count = 0;
  bool scrambled = false;
  uint8_t compression = kZlib;
  int32_t tile_width = 0, tile_height = 0;
  bool Tiled() const { return tile_width > 0 && tile_height > 0; }
};

}  // namespace

// Reads one picture out of a block of memory into a frame list. Every read
// goes through Take(), which refuses to pass the end of the data; every
// surface allocation is counted against the list's MaxSurfaceBytes.
class GaleReader {
 public:
  GaleReader(TGaleFrameList& list, const uint8_t* data, size_t size, size_t pos) : list_(list) {
    file_.data = data;
    file_.size = size;
    file_.pos = std::min(pos, size);
  }

  void Read(bool first_frame_only);
  size_t Position() const { return file_.pos; }

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  const uint8_t* Take(Span& s, size_t n, const char* what) const;
  int32_t Int32(const char* what) { return le::LoadInt32(Take(file_, 4, what)); }
  uint8_t Byte(const char* what) { return *Take(file_, 1, what); }
  void Reserve(int64_t bytes);

  void ReadSignature();
  void ReadHeader();
  void ReadFrame(TGaleFrame& frame);
  void ReadLayer(TGaleFrame& frame, TGaleLayer& layer);
  void ComposeLayer(TGaleFrame& frame, TGaleLayer& layer, int index, bool& first_pending);
  void ReadInfoList(std::vector<TGaleInfoRecord>& list, const char* what);

  void DecodeColourPlane(const uint8_t* block, size_t size, TGaleLayer& layer);
  void DecodeAlphaPlane(const uint8_t* block, size_t size, TGaleLayer& layer);
  void DecodePlane(Span plane, TDIB& target, bool alpha_mode);
  void DecodeRows(Span plane, TDIB& target, bool scrambled);
  void DecodeTiles(Span plane, TDIB& target, bool alpha_mode);
  void CopyTile(const TDIB& source, int64_t left, int64_t top, TDIB& target, int x, int y, int w, int h);
  void StoreJpeg(const uint8_t* block, size_t size, TDIBSurface& target);

  TGaleFrameList& list_;
  Span file_;
  Header header_;
  int signature_version_ = 0;
  int64_t allocated_ = 0;
  int frame_index_ = -1, layer_index_ = -1;
};

void GaleReader::Fail(const std::string& what) const {
  std::string where;
  if (frame_index_ >= 0) where += Format(" (フレーム %d", frame_index_);
  if (frame_index_ >= 0 && layer_index_ >= 0) where += Format("、レイヤー %d", layer_index_);
  if (frame_index_ >= 0) where += ")";
  throw EGaleError("Gale 画像が壊れています" + where + ": " + what);
}

const uint8_t* GaleReader::Take(Span& s, size_t n, const char* what) const {
  if (n > s.Left()) Fail(Format("%sの途中でデータが終わっています", what));
  const uint8_t* p = s.data + s.pos;
  s.pos += n;
  return p;
}

void GaleReader::Reserve(int64_t bytes) {
  if (bytes > kMaxBitmapBytes || bytes > list_.MaxSurfaceBytes - allocated_)
    Fail(Format("画像が大きすぎます (%lld バイトを超えます)", static_cast<long long>(list_.MaxSurfaceBytes)));
  allocated_ += bytes;
}

void GaleReader::Read(bool first_frame_only) {
  ReadSignature();
  ReadHeader();
  int32_t count = header_.frame_count;
  if (count < 0) Fail(Format("フレーム数が不正です (%d)", count));
  if (first_frame_only && count > 1) count = 1;
  for (int i = 0; i < count; ++i) {
    list_.frames_.push_back(std::make_unique<TGaleFrame>(&list_));
    frame_index_ = i;
    ReadFrame(*list_.frames_.back());
  }
  frame_index_ = layer_index_ = -1;
  // Layers stay until every frame is read: later frames may copy tiles from them.
  for (auto& frame : list_.frames_) frame->Clear();
}

void GaleReader::ReadSignature() {
  const size_t start = file_.pos;
  if (file_.Left() >= 4 && std::memcmp(file_.data + start, "Gale", 4) == 0) {
    file_.pos += 4;
    const uint8_t* digits = Take(file_, 3, "署名");
    int version = 0;
    for (int i = 0; i < 3; ++i) {
      if (digits[i] < '0' || digits[i] > '9') {
        std::string text;
        for (int j = 0; j < 3; ++j) text += (digits[j] >= 0x20 && digits[j] < 0x7F) ? static_cast<char>(digits[j]) : '?';
        throw EGaleError(Format("'%s' は有効な整数ではありません", text.c_str()));
      }
      version = version * 10 + (digits[i] - '0');
    }
    signature_version_ = version;
  } else {
    signature_version_ = 0;  // no signature: the first byte is the header's
  }
  list_.Version = signature_version_;
}

void GaleReader::ReadHeader() {
  uint8_t record[kHeaderRecordSize] = {};
  if (signature_version_ >= 103) {
    const int32_t length = Int32("画像ヘッダー");
    if (length < 0 || static_cast<size_t>(length) > kHeaderRecordSize)
      Fail(Format("画像ヘッダーの長さが不正です (%d)", length));
    std::memcpy(record, Take(file_, static_cast<size_t>(length), "画像ヘッダー"), static_cast<size_t>(length));
    header_.version = le::LoadInt32(record + kHdrVersion);
    header_.frame_count = le::LoadInt32(record + kHdrFrameCount);
    header_.scrambled = record[kHdrScrambled] != 0;
    header_.compression = record[kHdrCompression];
    header_.tile_width = le::LoadInt32(record + kHdrTileWidth);
    header_.tile_height = le::LoadInt32(record + kHdrTileHeight);
    list_.BackgroundColor = le::LoadInt32(record + kHdrBackground);
    if (header_.compression > kLossy) Fail(Format("不明な圧縮方式です (%d)", header_.compression));
  } else {
    header_.version = signature_version_;
    header_.frame_count = Int32("画像ヘッダー");
    Take(file_, 1, "画像ヘッダー");
    if (signature_version_ >= 102) list_.BackgroundColor = Int32("画像ヘッダー");
  }
  list_.FirstLayerOpaque = signature_version_ >= 105 && record[kHdrFirstLayerOpaque] != 0;
}

void GaleReader::ReadFrame(TGaleFrame& frame) {
  layer_index_ = -1;
  const int32_t name_length = Int32("フレーム名");
  if (name_length > 0) {
    const uint8_t* name = Take(file_, static_cast<size_t>(name_length), "フレーム名");
    frame.Name.assign(reinterpret_cast<const char*>(name), static_cast<size_t>(name_length));
  }
  frame.TransparentIndex = Int32("フレーム情報");
  frame.FrameValue = Int32("フレーム情報");
  Take(file_, 5, "フレーム情報");
  const int32_t layer_count = Int32("フレーム情報");
  const int32_t width = Int32("フレーム情報");
  const int32_t height = Int32("フレーム情報");
  const int32_t bits = Int32("フレーム情報");
  if (layer_count < 0) Fail(Format("レイヤー数が不正です (%d)", layer_count));
  if (width <= 0 || height <= 0) Fail(Format("画像の大きさが不正です (%d×%d)", width, height));
  if (!ValidFrameBits(bits)) throw EInvalidGraphicOperation(Format("不正なビット数です (%d)", bits));
  Reserve(SurfaceBytes(width, height, bits));
  frame.Surface.SetSize(width, height, bits);
  if (bits <= 8) {
    const size_t n = size_t{1} << bits;
    const uint8_t* table = Take(file_, n * 4, "カラーテーブル");
    std::memcpy(frame.Surface.ColorTable(), table, n * 4);
  }

  // The colour the transparent value shows as, read back the way a canvas
  // would; the background fill then overwrites the probe pixel.
  if (frame.TransparentIndex >= 0) {
    frame.Surface.SetPixel(0, 0, static_cast<uint32_t>(frame.TransparentIndex));
    frame.TransparentColor = frame.Surface.ValueToDisplayColor(frame.Surface.Pixel(0, 0));
  } else {
    frame.TransparentColor = -1;
  }
  frame.Surface.FillRectValue(frame.Surface.BoundsRect(), frame.Surface.ColorToValue(list_.BackgroundColor));

  bool first_pending = true;
  for (int i = 0; i < layer_count; ++i) {
    layer_index_ = i;
    TGaleLayer& layer = frame.AddLayer();
    ReadLayer(frame, layer);
    ComposeLayer(frame, layer, i, first_pending);
  }
  layer_index_ = -1;
  if (header_.version >= 104) {
    ReadInfoList(frame.InfoList1, "情報リスト 1");
    ReadInfoList(frame.InfoList2, "情報リスト 2");
  }
}

void GaleReader::ReadInfoList(std::vector<TGaleInfoRecord>& list, const char* what) {
  const int32_t n = Int32(what);
  if (n < 0) return;
  if (static_cast<size_t>(n) > file_.Left() / 16) Fail(Format("%sの件数が不正です (%d)", what, n));
  const uint8_t* p = Take(file_, static_cast<size_t>(n) * 16, what);
  list.resize(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) std::memcpy(list[static_cast<size_t>(i)].data(), p + 16 * i, 16);
}

void GaleReader::ReadLayer(TGaleFrame& frame, TGaleLayer& layer) {
  const TDIBSurface& fs = frame.Surface;
  Reserve(static_cast<int64_t>(fs.ImageSize()));
  layer.Surface.SetSize(fs.Width(), fs.Height(), fs.EffectiveBitCount());
  std::memcpy(layer.Surface.ColorTable(), fs.ColorTable(), 256 * sizeof(TRGBQuad));

  Take(file_, 8, "レイヤー情報");
  layer.Visible = Byte("レイヤー情報") != 0;
  layer.TransparentIndex = Int32("レイヤー情報");
  layer.Opacity = Int32("レイヤー情報");
  if (header_.version >= 101) layer.AlphaEnabled = Byte("レイヤー情報") != 0;
  const int32_t skip = Int32("レイヤー情報");
  if (skip > 0) Take(file_, static_cast<size_t>(skip), "レイヤー情報");

  const int32_t colour_size = Int32("色プレーン");
  // No writer makes an empty colour block; a negative one is damage.
  if (colour_size <= 0) Fail(Format("色プレーンの長さが不正です (%d)", colour_size));
  const uint8_t* colour = Take(file_, static_cast<size_t>(colour_size), "色プレーン");
  DecodeColourPlane(colour, static_cast<size_t>(colour_size), layer);

  if (header_.version >= 100) {
    const int32_t alpha_size = Int32("アルファプレーン");
    if (alpha_size > 0) {
      const uint8_t* alpha = Take(file_, static_cast<size_t>(alpha_size), "アルファプレーン");
      layer.TransparentIndex = -1;
      Reserve(DIBStride(fs.Width(), 8) * fs.Height());
      layer.Surface.CreateAlpha();
      DecodeAlphaPlane(alpha, static_cast<size_t>(alpha_size), layer);
    }
  }
}

void GaleReader::ComposeLayer(TGaleFrame& frame, TGaleLayer& layer, int index, bool& first_pending) {
  if (!layer.Visible) return;
  TDIBSurface& target = frame.Surface;
  const TDIBSurface& source = layer.Surface;
  const bool alpha = source.Alpha() != nullptr && layer.AlphaEnabled;
  // A bottom layer with alpha lends its plane to the frame and is then drawn
  // like any other first layer.
  if (index == 0 && alpha) {
    if (!target.Alpha()) Reserve(DIBStride(target.Width(), 8) * target.Height());
    target.CopyAlpha(*source.Alpha());
  }
  if (alpha && index > 0) {
    target.DrawAlpha(0, 0, 255, source.BoundsRect(), source);
  } else if ((layer.TransparentIndex < 0 || (first_pending && list_.FirstLayerOpaque)) && layer.Opacity >= 255) {
    target.DrawOpaque(0, 0, source);
  } else {
    target.DrawTranslucent(0, 0, layer.Opacity, layer.TransparentIndex, source.BoundsRect(), source);
  }
  first_pending = false;
}

// --- planes ---

void GaleReader::DecodeColourPlane(const uint8_t* block, size_t size, TGaleLayer& layer) {
  if (header_.compression == kLossy && header_.version >= 103) {
    StoreJpeg(block, size, layer.Surface);
    return;
  }
  if (header_.compression == kZlib) {
    TMemoryStream inflated;
    inflated.WriteBuffer(block, static_cast<int64_t>(size));
    DecompressStream(inflated);
    DecodePlane({inflated.Memory(), static_cast<size_t>(inflated.GetSize()), 0}, layer.Surface, false);
  } else {
    // Stored planes are decoded straight from the picture's memory.
    DecodePlane({block, size, 0}, layer.Surface, false);
  }
}

void GaleReader::DecodeAlphaPlane(const uint8_t* block, size_t size, TGaleLayer& layer) {
  TDIBSurface& alpha = *layer.Surface.Alpha();
  if (header_.compression == kStored) {
    DecodePlane({block, size, 0}, alpha, true);
    return;
  }
  TMemoryStream inflated;
  inflated.WriteBuffer(block, static_cast<int64_t>(size));
  DecompressStream(inflated);
  DecodePlane({inflated.Memory(), static_cast<size_t>(inflated.GetSize()), 0}, alpha, true);
}

void GaleReader::DecodePlane(Span plane, TDIB& target, bool alpha_mode) {
  if (header_.version < 103) {
    DecodeRows(plane, target, false);
  } else if (header_.Tiled() && header_.compression != kLossy) {
    DecodeTiles(plane, target, alpha_mode);
  } else {
    DecodeRows(plane, target, header_.scrambled && header_.compression != kLossy);
  }
}

void GaleReader::DecodeRows(Span plane, TDIB& target, bool scrambled) {
  const size_t stride = static_cast<size_t>(target.Stride());
  const int height = target.Height();
  if (plane.Left() / stride < static_cast<size_t>(height))
    Fail(Format("プレーンのデータが足りません (%lld バイト、必要なのは %lld バイト)",
                static_cast<long long>(plane.Left()), static_cast<long long>(stride) * height));
  const uint8_t* p = plane.data + plane.pos;
  if (!scrambled) {
    for (int y = 0; y < height; ++y, p += stride) std::memcpy(target.ScanLine(y), p, stride);
    return;
  }
  TTpRandom random(list_.Key);
  random.InitPool(height);
  for (int i = 0; i < height; ++i, p += stride) std::memcpy(target.ScanLine(random.Pick()), p, stride);
}

void GaleReader::DecodeTiles(Span plane, TDIB& target, bool alpha_mode) {
  const int W = target.Width(), H = target.Height(), b = target.BitCount();
  const int64_t tw = header_.tile_width, th = header_.tile_height;
  const int64_t tiles_x = (W + tw - 1) / tw, tiles_y = (H + th - 1) / th;
  const int64_t n = tiles_x * tiles_y;
  if (static_cast<uint64_t>(n) > plane.Left() / 8)
    Fail(Format("タイル表が途中で終わっています (%lld 枚)", static_cast<long long>(n)));
  const uint8_t* table_bytes = Take(plane, static_cast<size_t>(n) * 8, "タイル表");
  struct Entry {
    int32_t first, second;
  };
  std::vector<Entry> table(static_cast<size_t>(n));
  for (size_t i = 0; i < table.size(); ++i) table[i] = {le::LoadInt32(table_bytes + 8 * i), le::LoadInt32(table_bytes + 8 * i + 4)};
  if (header_.scrambled) {
    const std::vector<Entry> stored = table;
    TTpRandom random(list_.Key);
    random.InitPool(static_cast<int32_t>(n));
    for (size_t i = 0; i < stored.size(); ++i) table[static_cast<size_t>(random.Pick())] = stored[i];
  }

  const size_t stride = static_cast<size_t>(target.Stride());
  const int64_t tile_row_bytes = (tw * b + 7) / 8;
  int64_t k = 0;
  for (int64_t ty = 0; ty < tiles_y; ++ty) {
    const int y = static_cast<int>(ty * th);
    const int h = static_cast<int>(std::min<int64_t>(th, H - y));
    for (int64_t tx = 0; tx < tiles_x; ++tx, ++k) {
      const int x = static_cast<int>(tx * tw);
      const int w = static_cast<int>(std::min<int64_t>(tw, W - x));
      const Entry e = table[static_cast<size_t>(k)];
      if (e.first == -1) {
        const size_t row_bytes = static_cast<size_t>((int64_t{w} * b + 7) / 8);
        const int64_t offset = tx * tile_row_bytes;
        if (offset > static_cast<int64_t>(stride) - static_cast<int64_t>(row_bytes))
          Fail(Format("タイル %lld が行からはみ出しています", static_cast<long long>(k)));
        if (plane.Left() / row_bytes < static_cast<size_t>(h))
          Fail(Format("タイル %lld のデータが足りません", static_cast<long long>(k)));
        const uint8_t* p = Take(plane, row_bytes * static_cast<size_t>(h), "タイル");
        for (int r = 0; r < h; ++r, p += row_bytes) std::memcpy(target.ScanLine(y + r) + offset, p, row_bytes);
      } else if (e.first == -2) {
        if (e.second < 0 || e.second >= n)
          Fail(Format("タイル %lld の参照先 %d がありません", static_cast<long long>(k), e.second));
        CopyTile(target, (e.second % tiles_x) * tw, (e.second / tiles_x) * th, target, x, y, w, h);
      } else {
        // A tile of a layer read earlier: this frame's or an earlier frame's.
        if (e.first < 0 || e.first >= list_.Count())
          Fail(Format("タイル %lld の参照先のフレーム %d がありません", static_cast<long long>(k), e.first));
        TGaleFrame& frame = list_.Frames(e.first);
        if (e.second < 0 || e.second >= frame.Count())
          Fail(Format("タイル %lld の参照先のレイヤー %d:%d がありません", static_cast<long long>(k), e.first, e.second));
        const TDIBSurface& layer = frame.Layers(e.second).Surface;
        const TDIB* source = &layer;
        if (alpha_mode) {
          source = layer.Alpha();
          if (!source)
            Fail(Format("タイル %lld の参照先のレイヤー %d:%d にアルファプレーンがありません", static_cast<long long>(k),
                        e.first, e.second));
        } else if (layer.EffectiveBitCount() != static_cast<const TDIBSurface&>(target).EffectiveBitCount()) {
          Fail(Format("タイル %lld の参照先のレイヤー %d:%d はビット数が違います", static_cast<long long>(k), e.first,
                      e.second));
        }
        CopyTile(*source, x, y, target, x, y, w, h);
      }
    }
  }
}

void GaleReader::CopyTile(const TDIB& source, int64_t left, int64_t top, TDIB& target, int x, int y, int w, int h) {
  const int b = target.BitCount();
  const int64_t row_bytes = (int64_t{w} * b + 7) / 8;
  const int64_t from = left * b / 8, to = int64_t{x} * b / 8;
  if (source.BitCount() != b || to > target.Stride() - row_bytes || y > target.Height() - h)
    Fail(Format("タイル (%d, %d) の参照先のビット数か位置が不正です", x, y));
  // A source tile that reaches past its surface (an edge tile used for a full
  // one, as a wrong key gives) lends the part it has; the rest stays as it was.
  const int64_t rows = std::min<int64_t>(h, source.Height() - top);
  const int64_t bytes = std::min<int64_t>(row_bytes, source.Stride() - from);
  if (top < 0 || from < 0 || rows <= 0 || bytes <= 0) return;
  for (int64_t r = 0; r < rows; ++r)
    std::memmove(target.ScanLine(y + static_cast<int>(r)) + to, source.ScanLine(static_cast<int>(top + r)) + from,
                 static_cast<size_t>(bytes));
}

void GaleReader::StoreJpeg(const uint8_t* block, size_t size, TDIBSurface& target) {
  const int W = target.Width(), H = target.Height();
  // libjpeg's working memory comes out of what is left of the picture's
  // budget (it is given back when the plane is decoded).
  if (target.BitCount() == 24) {
    DecodeJpeg(block, size, target, W, H, list_.MaxSurfaceBytes - allocated_);
    return;
  }
  // Other depths: the decoded pixels are brought to the layer's format, so
  // that every layer of a frame matches the frame surface it is drawn on.
  Reserve(DIBStride(W, 24) * H);
  TDIB rgb;
  DecodeJpeg(block, size, rgb, W, H, list_.MaxSurfaceBytes - allocated_);
  const int bits = target.EffectiveBitCount();
  std::unordered_map<uint32_t, uint32_t> nearest;  // palette depths: one search per colour
  for (int y = 0; y < H; ++y) {
    const uint8_t* s = rgb.ScanLine(y);
    uint8_t* d = target.ScanLine(y);
    for (int x = 0; x < W; ++x, s += 3) {
      if (bits == 32) {
        d[4 * x] = s[0];
        d[4 * x + 1] = s[1];
        d[4 * x + 2] = s[2];
        d[4 * x + 3] = 0;
        continue;
      }
      const uint32_t colour = s[2] | (s[1] << 8) | (static_cast<uint32_t>(s[0]) << 16);
      uint32_t value;
      if (bits <= 8) {
        auto it = nearest.find(colour);
        if (it == nearest.end()) it = nearest.emplace(colour, target.ColorToValue(static_cast<TColor>(colour))).first;
        value = it->second;
      } else {
        value = target.ColorToValue(static_cast<TColor>(colour));
      }
      target.SetPixel(x, y, value);
    }
  }
}

// --- lists ---

TGaleLayer& TGaleFrame::Layers(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("リストのインデックスが範囲を超えています (%d)", index));
  return *layers_[static_cast<size_t>(index)];
}

TGaleLayer& TGaleFrame::AddLayer() {
  layers_.push_back(std::make_unique<TGaleLayer>(this));
  return *layers_.back();
}

void TGaleFrame::MakeAlphaFromTransparent() {
  if (!Surface.Alpha()) {
    Surface.CreateAlpha();
    Surface.FillAlpha();
  }
  if (TransparentIndex < 0) return;
  const uint32_t key = static_cast<uint32_t>(TransparentIndex);
  TDIBSurface& alpha = *Surface.Alpha();
  for (int y = 0; y < Surface.Height(); ++y)
    for (int x = 0; x < Surface.Width(); ++x)
      if (Surface.Pixel(x, y) == key) alpha.ScanLine(y)[x] = 0;
}

TGaleFrame& TGaleFrameList::Frames(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("リストのインデックスが範囲を超えています (%d)", index));
  return *frames_[static_cast<size_t>(index)];
}

void TGaleFrameList::LoadFromStream(TMemoryStream& stream, bool first_frame_only) {
  Clear();
  Version = 0;
  FirstLayerOpaque = false;
  // A picture that carries no background colour is drawn over black, not over
  // whatever an earlier load of this list left behind.
  BackgroundColor = 0;
  const int64_t size = stream.GetSize();
  const int64_t pos = std::max<int64_t>(0, std::min(stream.GetPosition(), size));
  GaleReader reader(*this, stream.Memory(), static_cast<size_t>(size), static_cast<size_t>(pos));
  reader.Read(first_frame_only);
  stream.SetPosition(static_cast<int64_t>(reader.Position()));
}
