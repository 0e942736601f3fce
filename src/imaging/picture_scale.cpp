#include "imaging/picture_scale.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// One destination pixel's share of the source along an axis: source pixels
// first .. first + weights.size() - 1, each weight in units where the whole
// destination pixel is src (the source length).
struct Span {
  int first = 0;
  std::vector<int> weights;
};

// Destination pixel d covers [d * src, (d + 1) * src) and source pixel s
// covers [s * dst, (s + 1) * dst), both measured in units of 1 / (src * dst)
// of the picture's length.
std::vector<Span> Spans(int src, int dst) {
  std::vector<Span> spans(static_cast<size_t>(dst));
  for (int d = 0; d < dst; ++d) {
    const int64_t from = static_cast<int64_t>(d) * src, to = from + src;
    Span& span = spans[static_cast<size_t>(d)];
    span.first = static_cast<int>(from / dst);
    for (int64_t s = span.first; s < src && s * dst < to; ++s) {
      const int64_t overlap = std::min(to, (s + 1) * dst) - std::max(from, s * dst);
      span.weights.push_back(static_cast<int>(overlap));
    }
  }
  return spans;
}

void Require24(const TDIB& source) {
  if (source.BitCount() != 24) throw EInvalidGraphicOperation("不正なビット数です (24 ビットの画像が必要です)");
}

}  // namespace

TScaleFilter ChooseScaleFilter(int src_w, int src_h, int dst_w, int dst_h) {
  if (src_w <= 0 || src_h <= 0) return TScaleFilter::kNearest;
  return dst_w % src_w == 0 && dst_h % src_h == 0 ? TScaleFilter::kNearest : TScaleFilter::kAreaAverage;
}

void ScalePicture(const TDIB& source, int dst_w, int dst_h, TDIB& dest) {
  dest.Clear();
  if (source.Empty() || dst_w <= 0 || dst_h <= 0) return;
  Require24(source);
  dest.SetPixelFormat(8, 8, 8);
  dest.SetSize(dst_w, dst_h, 24);
  const int sw = source.Width(), sh = source.Height();
  if (ChooseScaleFilter(sw, sh, dst_w, dst_h) == TScaleFilter::kNearest) {
    const int fx = dst_w / sw, fy = dst_h / sh;
    for (int y = 0; y < dst_h; ++y) {
      const uint8_t* from = source.ScanLine(y / fy);
      uint8_t* to = dest.ScanLine(y);
      for (int x = 0; x < dst_w; ++x) std::copy_n(from + (x / fx) * 3, 3, to + x * 3);
    }
    return;
  }
  // Separable: each source row is averaged across, then the rows down.
  const std::vector<Span> across = Spans(sw, dst_w), down = Spans(sh, dst_h);
  std::vector<uint32_t> rows(static_cast<size_t>(sh) * dst_w * 3);  // sums in units of sw per pixel
  for (int y = 0; y < sh; ++y) {
    const uint8_t* from = source.ScanLine(y);
    uint32_t* to = &rows[static_cast<size_t>(y) * dst_w * 3];
    for (int x = 0; x < dst_w; ++x) {
      const Span& span = across[static_cast<size_t>(x)];
      uint32_t sum[3] = {0, 0, 0};
      for (size_t i = 0; i < span.weights.size(); ++i) {
        const uint8_t* p = from + (span.first + static_cast<int>(i)) * 3;
        for (int c = 0; c < 3; ++c) sum[c] += static_cast<uint32_t>(p[c]) * static_cast<uint32_t>(span.weights[i]);
      }
      std::copy_n(sum, 3, to + x * 3);
    }
  }
  const uint64_t total = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
  for (int y = 0; y < dst_h; ++y) {
    const Span& span = down[static_cast<size_t>(y)];
    uint8_t* to = dest.ScanLine(y);
    for (int x = 0; x < dst_w; ++x) {
      uint64_t sum[3] = {0, 0, 0};
      for (size_t i = 0; i < span.weights.size(); ++i) {
        const uint32_t* p = &rows[(static_cast<size_t>(span.first) + i) * dst_w * 3 + static_cast<size_t>(x) * 3];
        for (int c = 0; c < 3; ++c) sum[c] += static_cast<uint64_t>(p[c]) * static_cast<uint64_t>(span.weights[i]);
      }
      for (int c = 0; c < 3; ++c) to[x * 3 + c] = static_cast<uint8_t>((sum[c] + total / 2) / total);
    }
  }
}
