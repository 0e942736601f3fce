// Gale pictures: multi-frame, multi-layer bitmaps, read into one composed
// TDIBSurface per frame.
//
// File layout (little-endian; "v" is the version that gates each field):
//   signature  "Gale" + 3 decimal digits (version), or none (version 0)
//   header     v >= 103: int32 length L (0..40), L bytes of the 40-byte record
//                 0 int32 version for the frame and layer gates
//                16 int32 frame count      21 byte scrambled   22 byte compression
//                24 int32 background       28 int32 tile width  32 int32 tile height
//                36 byte first-layer-opaque (from signature version 105)
//              v < 103: int32 frame count, 1 byte, v >= 102: int32 background
//   frame      int32 n + n name bytes, int32 transparent index, int32 frame value,
//              5 bytes, int32 layers, width, height, bit count (1/4/8/15/16/24/32),
//              colour table (1 << bits entries of 4 bytes) at <= 8 bits, layers,
//              v >= 104: two info lists (int32 n, n * 16 bytes)
//   layer      8 bytes, byte visible, int32 transparent index, int32 opacity,
//              v >= 101 byte alpha-enabled, int32 n + n bytes, int32 C + colour
//              block, v >= 100: int32 A + alpha block (none when A <= 0)
//   planes     compression 0 zlib, 1 stored, 2 JPEG colour / zlib alpha; rows
//              top first, stride bytes each; from v 103 optionally tiled (tile
//              table of int32 pairs, then tile rows) and, with the scrambled
//              flag, rows or tile-table entries permuted by TTpRandom(Key).
//
// Every length, count, size and tile reference is checked against the data
// and the surfaces before use; a file that breaks the format raises EGaleError
// (or the bitmap's EInvalidGraphicOperation for a bit count, a JPEG's
// EJpegError, zlib's EDecompressionError: all EFormatError) and never reads or
// writes outside a buffer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/stream.h"
#include "imaging/dibsfc.h"

class EGaleError : public EFormatError {
  using EFormatError::EFormatError;
};
// An index outside a frame or layer list.
class EListError : public EError {
  using EError::EError;
};

// The most pixel bytes one load may allocate for all its frames and layers
// together; a picture beyond it is rejected as damaged.
constexpr int64_t kMaxGaleSurfaceBytes = int64_t{512} << 20;

class TGaleFrame;
class TGaleFrameList;

using TGaleInfoRecord = std::array<uint8_t, 16>;

class TGaleLayer {
 public:
  explicit TGaleLayer(TGaleFrame* frame) : Frame(frame) {}
  TGaleFrame* Frame;
  TDIBSurface Surface;        // the frame's size and format; may carry an alpha surface
  bool Visible = false;
  int32_t TransparentIndex = -1;  // -1 none; forced to -1 with an alpha plane
  int32_t Opacity = 255;          // 255 and above: opaque
  bool AlphaEnabled = false;      // blend through the alpha plane
};

class TGaleFrame {
 public:
  explicit TGaleFrame(TGaleFrameList* owner) : Owner(owner) {}
  TGaleFrame(const TGaleFrame&) = delete;
  TGaleFrame& operator=(const TGaleFrame&) = delete;

  TGaleFrameList* Owner;
  TDIBSurface Surface;         // the composed picture
  std::string Name;            // as stored (Shift-JIS bytes)
  int32_t TransparentIndex = -1;
  int32_t TransparentColor = -1;  // the colour TransparentIndex shows as; -1 none
  int32_t FrameValue = 100;
  std::vector<TGaleInfoRecord> InfoList1, InfoList2;

  int Count() const { return static_cast<int>(layers_.size()); }
  // Throws EListError for an index out of range.
  TGaleLayer& Layers(int index);
  TGaleLayer& AddLayer();
  void Clear() { layers_.clear(); }  // frees every layer
  bool HasAlpha() const { return Surface.Alpha() != nullptr; }
  // Gives the surface an alpha surface (all 255) when it has none, then alpha
  // 0 at every pixel whose raw value is TransparentIndex (none when negative).
  void MakeAlphaFromTransparent();

 private:
  std::vector<std::unique_ptr<TGaleLayer>> layers_;
};

class TGaleFrameList {
 public:
  explicit TGaleFrameList(int32_t key) : Key(key), MaxSurfaceBytes(kMaxGaleSurfaceBytes) {}
  TGaleFrameList(const TGaleFrameList&) = delete;
  TGaleFrameList& operator=(const TGaleFrameList&) = delete;

  int32_t Version = 0;
  TColor BackgroundColor = 0;  // kept from an earlier load when a file has none
  int32_t Key;                 // seed of the plane permutation
  bool FirstLayerOpaque = false;
  // The most bytes one load may take for its surfaces and for libjpeg's work
  // (kMaxGaleSurfaceBytes unless set); a picture that needs more is rejected.
  int64_t MaxSurfaceBytes;

  // Frees all frames, then reads a picture from stream's position. Afterwards
  // each frame holds its composed Surface (layers freed) and the stream stands
  // after the picture. first_frame_only reads frame 0 and stops. On an error
  // the frames read so far stay in the list.
  void LoadFromStream(TMemoryStream& stream, bool first_frame_only);

  int Count() const { return static_cast<int>(frames_.size()); }
  TGaleFrame& Frames(int index);  // throws EListError
  void Clear() { frames_.clear(); }

 private:
  friend class GaleReader;
  std::vector<std::unique_ptr<TGaleFrame>> frames_;
};

