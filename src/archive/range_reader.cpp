#include "archive/range_reader.h"

#include <algorithm>

bool TRangeReader::Seek(int64_t offset, int64_t end) {
  if (source_ && position_ == offset && end <= end_) return true;
  Close();
  // Set here, before the worker owns the stream.
  stream_.SetPosition(offset);
  if (stream_.GetPosition() != offset) return false;
  source_.emplace(ahead_, [this](uint8_t* buffer, int64_t count) { return stream_.Read(buffer, count); },
                  std::max<int64_t>(end - offset, 0));
  position_ = offset;
  end_ = end;
  return true;
}

TReadAhead::TBlock TRangeReader::Take(int64_t count) {
  if (!source_ || count <= 0) return {};
  if (left_.size == 0) left_ = source_->Next();
  const int64_t n = std::min(count, left_.size);
  const TReadAhead::TBlock piece{left_.data, n};
  left_.data += n;
  left_.size -= n;
  position_ += n;
  return piece;
}

void TRangeReader::Close() {
  source_.reset();
  left_ = {};
  position_ = end_ = -1;
}
