#include "imaging/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

TDIB Picture(int w, int h) {
  TDIB p;
  p.SetSize(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, ((x * 7) & 0xFF) | (((y * 3) & 0xFF) << 8) | (((x ^ y) & 0xFF) << 16));
  return p;
}

// A progressive JPEG (the library keeps every coefficient of such a picture
// while it decodes). libjpeg's default error handler exits: fine for a test.
std::string Progressive(const TDIB& p) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(p.Width());
  c.image_height = static_cast<JDIMENSION>(p.Height());
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(p.ScanLine(static_cast<int>(c.next_scanline)));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

}  // namespace

TEST(DecodeJpeg, ProgressivePicturesDecodeWithinTheirWorkingMemory) {
  const TDIB picture = Picture(200, 120);
  const std::string progressive = Progressive(picture);
  const std::string baseline = EncodeJpeg(picture, 90);
  const auto* data = reinterpret_cast<const uint8_t*>(progressive.data());

  TDIB out;
  DecodeJpeg(data, progressive.size(), out, 200, 120);
  EXPECT_EQ(out.Width(), 200);
  EXPECT_EQ(out.Height(), 120);
  // 200 × 120 × 3 components × 2 bytes of coefficients are about 144 KB.
  try {
    DecodeJpeg(data, progressive.size(), out, 200, 120, 64 * 1024);
    ADD_FAILURE() << "decoded beyond its memory bound";
  } catch (const EJpegError& e) {
    SUCCEED() << e.what();
  }
  // A baseline picture decodes row by row and needs no such buffer.
  TDIB row_by_row;
  EXPECT_NO_THROW(DecodeJpeg(reinterpret_cast<const uint8_t*>(baseline.data()), baseline.size(), row_by_row, 200,
                             120, 64 * 1024));
  EXPECT_EQ(row_by_row.Width(), 200);
}
