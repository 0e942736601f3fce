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

bool TFileCopier::Copy(const std::string& source, const std::string& dest, const Progress& progress) {
  const std::wstring wsource = enc::Wide(source), wdest = enc::Wide(dest);
  Handle in(CreateFileW(wsource.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.Valid()) throw EFOpenError(Format("%s\r\nを開けません（%s）", source.c_str(), Reason().c_str()));
  FILETIME written = {};
  GetFileTime(in.Get(), nullptr, nullptr, &written);
  const DWORD attributes = GetFileAttributesW(wsource.c_str());

  // A read-only or hidden file of an earlier install must not block the new one.
  const DWORD old = GetFileAttributesW(wdest.c_str());
  if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    SetFileAttributesW(wdest.c_str(), old & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  Handle out(CreateFileW(wdest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    if (progress && !progress(done)) return false;
  }
  SetFileTime(out.Get(), nullptr, nullptr, &written);
  if (!out.Close()) throw EWriteError(Format("%s\r\nに書き込めません（%s）", dest.c_str(), Reason().c_str()));
  complete = true;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const DWORD keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(wdest.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL);
  }
  return true;
}
