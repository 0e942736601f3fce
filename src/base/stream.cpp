#include "base/stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/errors.h"

int64_t TStream::GetSize() {
  const int64_t here = GetPosition();
  const int64_t size = Seek(0, SeekOrigin::kEnd);
  Seek(here, SeekOrigin::kBegin);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("このストリームの大きさは変更できません"); }

int64_t TStream::Remaining() {
  const int64_t left = GetSize() - GetPosition();
  return left > 0 ? left : 0;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw errors::ReadFailed();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw errors::WriteFailed();
}

// --- ByteBuffer ---

ByteBuffer::~ByteBuffer() { Release(); }

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
  }
  return *this;
}

void ByteBuffer::Reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  void* p = std::realloc(data_, capacity);
  if (!p) throw std::bad_alloc();
  data_ = static_cast<uint8_t*>(p);
  capacity_ = capacity;
}

void ByteBuffer::Resize(size_t size) {
  if (size > capacity_) Reserve(std::max(size, capacity_ + capacity_ / 2));
  size_ = size;
}

void ByteBuffer::Release() {
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

// --- TMemoryStream ---

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  // A position before the start (a seek by a negative offset) reads nothing,
  // as Write writes nothing there.
  if (count <= 0 || position_ < 0) return 0;
  const int64_t left = GetSize() - position_;
  if (left <= 0) return 0;
  const int64_t n = std::min(count, left);
  std::memcpy(buffer, data_.Data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const int64_t end = position_ + count;
  if (end > GetSize()) {
    if (static_cast<uint64_t>(end) > SIZE_MAX / 2) throw std::bad_alloc();
    const size_t old = data_.Size();
    data_.Resize(static_cast<size_t>(end));
    // Only a gap left by a position beyond the old end needs zeros.
    if (static_cast<size_t>(position_) > old) std::memset(data_.Data() + old, 0, static_cast<size_t>(position_) - old);
  }
  std::memcpy(data_.Data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::kBegin: position_ = offset; break;
    case SeekOrigin::kCurrent: position_ += offset; break;
    case SeekOrigin::kEnd: position_ = GetSize() + offset; break;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  if (static_cast<uint64_t>(size) > SIZE_MAX / 2) throw std::bad_alloc();
  const size_t old = data_.Size();
  data_.Resize(static_cast<size_t>(size));
  if (data_.Size() > old) std::memset(data_.Data() + old, 0, data_.Size() - old);
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.Release();
  position_ = 0;
}

void TMemoryStream::Adopt(ByteBuffer&& buffer) {
  data_ = std::move(buffer);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path, kFmOpenRead | kFmShareDenyWrite);
  const int64_t size = file.Remaining();
  if (size > kMaxMemoryStreamSize) throw errors::TooLargeForMemory(path, size);
  LoadFromStream(file);
}

void TMemoryStream::LoadFromStream(TStream& source) {
  // The size is 64 bits and size_t only 32 in the Windows build: bounded
  // before it is narrowed, so a file of 4 GiB and more never gets a buffer of
  // its size modulo 4 GiB.
  const int64_t size = source.Remaining();
  if (size > kMaxMemoryStreamSize) throw errors::TooLargeForMemory("", size);
  Clear();
  data_.Resize(static_cast<size_t>(size));
  if (size > 0) source.ReadBuffer(data_.Data(), size);
}

void TMemoryStream::SaveToFile(const std::string& path) {
  TFileStream file(path, kFmCreate);
  file.WriteBuffer(data_.Data(), GetSize());
}

// --- THandleStream / TFileStream ---

int64_t THandleStream::Seek(int64_t offset, SeekOrigin origin) {
  static const OsFile::Origin kOrigin[] = {OsFile::Origin::kBegin, OsFile::Origin::kCurrent, OsFile::Origin::kEnd};
  return file_->Seek(offset, kOrigin[static_cast<int>(origin)]);
}

void THandleStream::SetSize(int64_t size) {
  const int64_t here = GetPosition();
  if (Seek(size, SeekOrigin::kBegin) != size || !file_->Truncate()) throw errors::WriteFailed();
  Seek(std::min(here, size), SeekOrigin::kBegin);
}

OsFile::Options OptionsForMode(uint16_t mode) {
  OsFile::Options o;
  if (mode == kFmCreate) {
    o.access = OsFile::kReadWrite;
    o.share = OsFile::Share::kNone;
    o.disposition = OsFile::Disposition::kCreateAlways;
    return o;
  }
  static const int kAccess[] = {OsFile::kRead, OsFile::kWrite, OsFile::kReadWrite, OsFile::kRead};
  o.access = kAccess[mode & 3];
  switch ((mode & 0xF0) >> 4) {
    case 1: o.share = OsFile::Share::kNone; break;
    case 2: o.share = OsFile::Share::kRead; break;   // deny write
    case 3: o.share = OsFile::Share::kWrite; break;  // deny read
    case 4: o.share = OsFile::Share::kReadWrite; break;
    default: o.share = OsFile::Share::kNone; break;  // compatibility mode: exclusive on the NT family
  }
  return o;
}

OsFile TFileStream::OpenFile(const std::string& path, uint16_t mode) {
  OsFile f = OsFile::Open(path, OptionsForMode(mode));
  if (!f.IsOpen()) {
    if (mode == kFmCreate) throw errors::CreateFailed(path);
    throw errors::OpenFailed(path);
  }
  return f;
}

TFileStream::TFileStream(const std::string& path, uint16_t mode)
    : THandleStream(owned_), path_(path), owned_(OpenFile(path, mode)) {}

// --- CopyStream ---

int64_t CopyStream(TStream& dest, TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (count <= 0) return 0;

  if (auto* memory = dynamic_cast<TMemoryStream*>(&source)) {
    // Straight from the source's memory, bounded by what it holds.
    const int64_t position = memory->GetPosition();
    const int64_t n = std::min(count, std::max<int64_t>(0, memory->GetSize() - position));
    if (n > 0) {
      dest.WriteBuffer(memory->Memory() + position, n);
      memory->Seek(n, SeekOrigin::kCurrent);
    }
    return n;
  }

  constexpr int64_t kMaxBlock = 10 * 1024 * 1024;
  constexpr int64_t kStep = 1024 * 1024;
  int64_t block = std::min(count, kMaxBlock);
  std::unique_ptr<uint8_t[]> buffer;
  while (!buffer) {
    buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(block)]);
    if (!buffer) {
      if (block <= 1) throw std::bad_alloc();
      block = std::max<int64_t>(1, block - kStep);
    }
  }
  int64_t copied = 0;
  while (count > 0) {
    const int64_t got = source.Read(buffer.get(), std::min(block, count));
    if (got <= 0) break;  // the source has ended
    dest.WriteBuffer(buffer.get(), got);
    copied += got;
    count -= got;
  }
  return copied;
}
