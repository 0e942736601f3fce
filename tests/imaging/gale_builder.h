// Builds Gale pictures byte by byte for the tests, for every version's
// layout (the library's writer makes version 106 only).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/stream.h"

namespace gale_test {

struct Layer {
  bool visible = true;
  int32_t transparent = -1;
  int32_t opacity = 255;
  bool alpha_enabled = false;  // written from version 101
  std::string colour;          // the colour block as stored
  std::string alpha;           // the alpha block as stored; empty: none (from version 100)
};

struct Frame {
  std::string name;
  int32_t transparent = -1;
  int32_t width = 1, height = 1, bits = 24;
  std::vector<uint32_t> palette;  // 0xRRGGBB; 1 << bits entries written (missing ones black)
  int32_t layer_count = -1;       // -1: layers.size(), else written as it is
  std::vector<Layer> layers;
  std::vector<std::string> info1, info2;  // 16-byte records, from version 104
};

struct Image {
  int version = 106;  // 0: no signature
  int32_t header_length = 40;
  int32_t background = 0;
  uint8_t scrambled = 0, compression = 0, first_opaque = 0;
  int32_t tile_width = 0, tile_height = 0;
  int32_t frame_count = -1;  // -1: frames.size(), else written as it is
  std::vector<Frame> frames;
};

std::string Build(const Image& image);
std::string Zlib(const std::string& bytes);
std::string Le32(int32_t v);

// A plane of rows from the top, stride bytes each (padding zero), with the raw
// value pixel(x, y) at each pixel; bits 15 packs like 16.
std::string Rows(int width, int height, int bits, const std::function<uint32_t(int, int)>& pixel);

void Fill(TMemoryStream& m, const std::string& bytes);

}  // namespace gale_test
