// Writes a one-frame, one-layer Gale picture (version 106) from a 24- or
// 32-bit surface, the form publishers use for the launcher's picture.
#pragma once

#include <cstdint>
#include <string>

#include "base/stream.h"
#include "imaging/dibsfc.h"

struct TGaleWriteOptions {
  enum class TCompression { kZlib, kStored, kJpeg };
  TCompression Compression = TCompression::kZlib;
  int JpegQuality = 90;  // 1..100, for kJpeg
  // Tiles of TileWidth × TileHeight (both > 0 to tile; not with kJpeg). Tiles
  // equal to an earlier tile are stored once and referenced.
  int TileWidth = 0, TileHeight = 0;
  // Rows (or tile-table entries) in the order TTpRandom(Key) gives; the
  // picture then reads back only with the same key. Not with kJpeg.
  bool Scramble = false;
  int32_t Key = 0;
  TColor BackgroundColor = 0;
};

// Writes picture (24 or 32 bits; its alpha surface, when present, becomes the
// layer's alpha plane) to out at its position. The frame is opaque: reading
// it back gives picture's pixels (exactly, unless JPEG) and alpha surface.
// Throws EGaleError for a picture of another depth or options that do not go
// together, EJpegError from the encoder, stream errors from out.
void WriteGalePicture(TStream& out, const TDIBSurface& picture, const TGaleWriteOptions& options);
