// A small PNG reader and writer over zlib, the same in the Linux and the
// Windows build of galetool.
//
// Reads non-interlaced pictures: grey (1, 2, 4, 8, 16 bits), RGB (8, 16),
// palette (1, 2, 4, 8), grey + alpha (8, 16), RGBA (8, 16), with tRNS
// transparency; 16-bit samples keep their high byte. Writes 8-bit RGB or RGBA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/errors.h"

class EPngError : public EFormatError {
  using EFormatError::EFormatError;
};

struct TPngImage {
  int Width = 0, Height = 0;
  int Channels = 3;             // 3: red, green, blue; 4: and alpha
  std::vector<uint8_t> Pixels;  // rows from the top, Width * Channels bytes each
};

// Throws EPngError for a file that is not a PNG, is damaged (CRC, zlib, short
// data) or is interlaced.
TPngImage ReadPng(const std::string& bytes);
std::string WritePng(const TPngImage& image);
