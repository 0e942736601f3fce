#include "archive/decompress.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "archive/crc32.h"

namespace {

// Compressed input larger than zlib's 32-bit counters is fed in steps of this.
constexpr uInt kInputStep = 1u << 30;

class Inflater {
 public:
  Inflater() {
    std::memset(&z_, 0, sizeof z_);
    if (inflateInit(&z_) != Z_OK) throw EDecompressionError("展開の準備ができません");
  }
  ~Inflater() { inflateEnd(&z_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  z_stream* operator->() { return &z_; }
  z_stream* get() { return &z_; }

 private:
  z_stream z_;
};

}  // namespace

void DecompressStream(TMemoryStream& m) {
  const uint8_t* input = m.Memory();
  int64_t input_left = m.GetSize();
  Inflater z;
  // Inflate straight into a growing buffer that then becomes m's content: no
  // temporary stream and no second copy of the inflated bytes.
  ByteBuffer out;
  out.Resize(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(input_left * 4, 64 * 1024), kMaxInflatedSize)));
  size_t produced = 0;
  z->next_in = const_cast<Bytef*>(input);
  for (;;) {
    if (z->avail_in == 0 && input_left > 0) {
      const uInt step = static_cast<uInt>(std::min<int64_t>(input_left, kInputStep));
      z->avail_in = step;
      input_left -= step;
    }
    if (produced == out.Size()) {
      if (static_cast<int64_t>(out.Size()) >= kMaxInflatedSize)
        throw EDecompressionError("展開後のデータが大きすぎます（データが壊れています）");
      try {
        out.Resize(static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(out.Size()) * 2, kMaxInflatedSize)));
      } catch (const std::bad_alloc&) {
        throw EDecompressionError("展開するためのメモリが足りません");
      }
    }
    const size_t room = std::min<size_t>(out.Size() - produced, kInputStep);
    z->next_out = out.Data() + produced;
    z->avail_out = static_cast<uInt>(room);
    const int r = inflate(z.get(), Z_NO_FLUSH);
    produced += room - z->avail_out;
    if (r == Z_STREAM_END) break;
    if (r == Z_BUF_ERROR && z->avail_in == 0 && input_left == 0)
      throw EDecompressionError("圧縮データが途中で終わっています");
    if (r != Z_OK && r != Z_BUF_ERROR) throw EDecompressionError("圧縮データが壊れています");
  }
  out.Resize(produced);
  m.Adopt(std::move(out));
}

struct TInflateWriter::State {
  Inflater z;
  ByteBuffer out;
};

TInflateWriter::TInflateWriter(TStream& dest) : state_(std::make_unique<State>()), dest_(dest) {
  state_->out.Resize(1 << 20);
}

TInflateWriter::~TInflateWriter() = default;

void TInflateWriter::Write(const void* data, int64_t size) {
  auto* in = static_cast<const uint8_t*>(data);
  Inflater& z = state_->z;
  ByteBuffer& out = state_->out;
  while (size > 0 && !ended_) {
    const uInt step = static_cast<uInt>(std::min<int64_t>(size, kInputStep));
    z->next_in = const_cast<Bytef*>(in);
    z->avail_in = step;
    do {
      z->next_out = out.Data();
      z->avail_out = static_cast<uInt>(out.Size());
      const int r = inflate(z.get(), Z_NO_FLUSH);
      const int64_t n = static_cast<int64_t>(out.Size() - z->avail_out);
      produced_ += n;
      if (produced_ > kMaxInflatedSize) throw EDecompressionError("展開後のデータが大きすぎます（データが壊れています）");
      dest_.WriteBuffer(out.Data(), n);
      if (r == Z_STREAM_END) {
        ended_ = true;
        break;
      }
      if (r != Z_OK && r != Z_BUF_ERROR) throw EDecompressionError("圧縮データが壊れています");
    } while (z->avail_in > 0 || z->avail_out == 0);
    in += step;
    size -= step;
  }
}

void TInflateWriter::Finish() {
  if (!ended_) throw EDecompressionError("圧縮データが途中で終わっています");
}

uint32_t MemoryStreamCrc32(TMemoryStream& m) {
  const uint32_t crc = Crc32(0, m.Memory(), static_cast<size_t>(m.GetSize()));
  m.SetPosition(m.GetSize());
  return crc;
}
