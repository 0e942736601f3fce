#include "base/dir_enum_win.h"

#include <windows.h>

#include "base/encoding.h"
#include "base/format.h"
#include "base/paths.h"

struct DirectoryEnumerator::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
  bool first_pending = false;  // data holds the entry FindFirstFileW found
  void Close() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  ~State() { Close(); }
};

DirectoryEnumerator::DirectoryEnumerator(const std::string& folder)
    : folder_(AddTrailingDelimiter(folder)), state_(std::make_unique<State>()) {
  state_->handle = FindFirstFileW(enc::WidePath(folder_ + "*.*").c_str(), &state_->data);
  state_->first_pending = state_->handle != INVALID_HANDLE_VALUE;
}

DirectoryEnumerator::~DirectoryEnumerator() = default;

bool DirectoryEnumerator::IsOpen() const { return state_->handle != INVALID_HANDLE_VALUE || state_->first_pending; }

bool DirectoryEnumerator::Next() {
  for (;;) {
    if (state_->handle == INVALID_HANDLE_VALUE) return false;
    if (state_->first_pending) {
      state_->first_pending = false;
    } else if (!FindNextFileW(state_->handle, &state_->data)) {
      state_->Close();
      return false;
    }
    const wchar_t* n = state_->data.cFileName;
    if (!(n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)))) return true;
  }
}

std::string DirectoryEnumerator::Name() const {
  bool exact = true;
  const std::string name = enc::Narrow(state_->data.cFileName, &exact);
  if (exact) return name;
  // The short name is empty when the long one already is a valid 8.3 name,
  // which cannot be the case here, or when the volume keeps no short names.
  bool short_exact = true;
  const std::string short_name = enc::Narrow(state_->data.cAlternateFileName, &short_exact);
  if (short_exact && !short_name.empty()) return short_name;
  throw EPathError(Format("フォルダー「%s」の「%s」はこのプログラムの文字コード (シフト JIS) で表せず、短い名前もありません",
                          folder_.c_str(), name.c_str()));
}

uint32_t DirectoryEnumerator::Attributes() const { return state_->data.dwFileAttributes; }

int64_t DirectoryEnumerator::Size() const {
  return static_cast<int64_t>((static_cast<uint64_t>(state_->data.nFileSizeHigh) << 32) | state_->data.nFileSizeLow);
}

bool DirectoryEnumerator::IsDirectory() const { return (Attributes() & FILE_ATTRIBUTE_DIRECTORY) != 0; }

bool DirectoryEnumerator::IsLink() const { return (Attributes() & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
