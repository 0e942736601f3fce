#include "wizard/file_copy_win.h"

#include <windows.h>

#include "base/encoding.h"
#include "base/errors.h"
#include "base/format.h"
#include "os/system_error_win.h"

namespace {

// Large enough that a big file costs few system calls, small enough that
// the progress moves several times a second on a slow medium.
constexpr DWORD kPiece = 1u << 20;

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Close();
      h_ = other.h_;
      other.h_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    const bool ok = !Valid() || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

std::string Reason() { return SystemErrorText(GetLastError()); }

}  // namespace

TFileCopier::TFileCopier() : buffer_(new char[kPiece]) {}
TFileCopier::~TFileCopier() = default;

int64_t TFileCopier::Copy(const std::string& source, const std::string& dest, const Progress& progress) {
  // Few calls per file: under Wine each one costs a round trip to the
  // server, and an install may hold tens of thousands of small files.
  const std::wstring wsource = enc::Wide(source), wdest = enc::Wide(dest);
  Handle in(CreateFileW(wsource.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.Valid()) throw EFOpenError(Format("%s\r\nを開けません（%s）", source.c_str(), Reason().c_str()));
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool have_info = GetFileInformationByHandle(in.Get(), &info) != 0;

  constexpr DWORD kBlocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  Handle out(CreateFileW(wdest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.Valid() && GetLastError() == ERROR_ACCESS_DENIED) {
    // A read-only or hidden file of an earlier install must not block the new one.
    const DWORD old = GetFileAttributesW(wdest.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) && (old & kBlocking)) {
      SetFileAttributesW(wdest.c_str(), old & ~kBlocking);
      out = Handle(CreateFileW(wdest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    } else {
      SetLastError(ERROR_ACCESS_DENIED);
    }
  }
  if (!out.Valid()) throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), Reason().c_str()));

  // From here on a dest that is not complete is removed again.
  bool complete = false;
  struct RemoveUnlessComplete {
    Handle& out;
    const std::wstring& name;
    const bool& complete;
    ~RemoveUnlessComplete() {
      if (complete) return;
      out.Close();
      DeleteFileW(name.c_str());
    }
  } guard{out, wdest, complete};

  int64_t done = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.Get(), buffer_.get(), kPiece, &got, nullptr))
      throw EReadError(Format("%s\r\nを読み込めません（%s）", source.c_str(), Reason().c_str()));
    if (got == 0) break;
    DWORD put = 0;
    if (!WriteFile(out.Get(), buffer_.get(), got, &put, nullptr) || put != got) {
      const std::string why = put != got && GetLastError() == 0 ? SystemErrorText(ERROR_DISK_FULL) : Reason();
      throw EWriteError(Format("%s\r\nに書き込めません（%s）", dest.c_str(), why.c_str()));
    }
    done += got;
    if (progress && !progress(done)) return -1;
  }
  if (have_info) SetFileTime(out.Get(), nullptr, nullptr, &info.ftLastWriteTime);
  if (!out.Close()) throw EWriteError(Format("%s\r\nに書き込めません（%s）", dest.c_str(), Reason().c_str()));
  complete = true;
  // A new file is plain (archive bit set); hidden and system are kept.
  if (have_info && (info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    SetFileAttributesW(wdest.c_str(), info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
  return done;
}
