#include "imaging/jpeg_codec.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <csetjmp>
#include <algorithm>
#include <climits>
#include <cstdlib>

#include <jpeglib.h>

#include "base/format.h"

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// Unwinding a C++ exception through the library's C frames is not safe, so
// the handler jumps back to the calling function (which holds no object with
// a destructor across the jump) and that function throws.
struct JpegErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  e->mgr.format_message(cinfo, e->text);
  std::longjmp(e->jump, 1);
}

// Warnings (a truncated or slightly damaged stream still decodes) are not
// printed to the console: the program has none.
void OnJpegMessage(j_common_ptr) {}

void InitErrors(JpegErrorManager& e, j_common_ptr cinfo) {
  cinfo->err = jpeg_std_error(&e.mgr);
  e.mgr.error_exit = OnJpegError;
  e.mgr.output_message = OnJpegMessage;
  e.text[0] = '\0';
}

}  // namespace

void DecodeJpeg(const uint8_t* data, size_t size, TDIB& out, int expected_width, int expected_height,
                int64_t max_work_bytes) {
  // The library asks its memory manager how much it may take before it sets
  // up the whole-picture buffers of a progressive or multi-scan picture; past
  // the bound it would need a backing store, which this build has none of, so
  // it stops with an error instead of allocating.
  const long memory_bound = static_cast<long>(std::max<int64_t>(1, std::min<int64_t>(max_work_bytes, LONG_MAX)));
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  InitErrors(err, reinterpret_cast<j_common_ptr>(&cinfo));
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw EJpegError(Format("JPEG データが壊れています (%s)", err.text));
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = memory_bound;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  // Best quality: the accurate integer transform and smooth upsampling.
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.do_fancy_upsampling = TRUE;
  cinfo.out_color_space = JCS_EXT_BGR;
  const int width = static_cast<int>(cinfo.image_width), height = static_cast<int>(cinfo.image_height);
  if (expected_width > 0 && expected_height > 0 && (width != expected_width || height != expected_height)) {
    jpeg_destroy_decompress(&cinfo);
    throw EJpegError(Format("JPEG の大きさ (%d×%d) が画像の大きさ (%d×%d) と一致しません", width, height,
                            expected_width, expected_height));
  }
  try {
    out.SetSize(width, height, 24);
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.ScanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

namespace {

// The part of the encoder that runs under setjmp; it owns nothing with a
// destructor. Returns false (with err.text) on failure.
bool EncodeRows(const TDIB& bitmap, int quality, unsigned char** buffer, unsigned long* size, JpegErrorManager& err) {
  jpeg_compress_struct cinfo;
  InitErrors(err, reinterpret_cast<j_common_ptr>(&cinfo));
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.ScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

std::string EncodeJpeg(const TDIB& bitmap, int quality) {
  if (bitmap.BitCount() != 24 || bitmap.Empty())
    throw EJpegError(Format("JPEG にできるのは 24 ビットの画像だけです (%d ビット)", bitmap.BitCount()));
  quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  JpegErrorManager err;
  const bool ok = EncodeRows(bitmap, quality, &buffer, &size, err);
  std::string result;
  if (ok) result.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  if (!ok) throw EJpegError(Format("JPEG に変換できません (%s)", err.text));
  return result;
}
