// JPEG colour planes: decoding (best quality) into and encoding from 24-bit
// bitmaps of blue, green, red bytes, through libjpeg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/dib.h"

// libjpeg rejected the data (the library's own text follows the message).
class EJpegError : public EFormatError {
  using EFormatError::EFormatError;
};

// Working memory libjpeg may take for one picture beyond the bitmap it
// decodes into, unless the caller gives another bound.
constexpr int64_t kMaxJpegWorkBytes = int64_t{64} << 20;

// Decodes one complete JPEG stream of size bytes into out (24 bits, the
// picture's size). When expected_width and expected_height are positive, a
// picture of another size is rejected before its pixels are decoded. Grey
// pictures come out as grey 24-bit pixels. libjpeg's own memory (a
// progressive picture keeps every coefficient of the whole picture) is held to
// max_work_bytes: a picture that needs more is rejected. Throws EJpegError
// (damaged data, a colour space it cannot turn into RGB, a size other than
// expected, too much working memory) or EInvalidGraphicOperation (a size no
// bitmap may have); out is then unspecified.
void DecodeJpeg(const uint8_t* data, size_t size, TDIB& out, int expected_width = 0, int expected_height = 0,
                int64_t max_work_bytes = kMaxJpegWorkBytes);

// Encodes a 24-bit bitmap at quality 1..100 (clamped). Throws EJpegError.
std::string EncodeJpeg(const TDIB& bitmap, int quality);
