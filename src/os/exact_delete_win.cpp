#include "os/exact_delete_win.h"

#include <windows.h>

#include "base/encoding.h"
#include "base/sjis.h"

namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

HANDLE OpenEntry(const std::string& path, DWORD access) {
  return CreateFileW(enc::Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string FinalName(HANDLE h) {
  std::wstring buf(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return {};
    if (n < buf.size()) {
      std::wstring name(buf.data(), n);
      if (name.compare(0, 8, L"\\\\?\\UNC\\") == 0) name = L"\\\\" + name.substr(8);
      else if (name.compare(0, 4, L"\\\\?\\") == 0) name = name.substr(4);
      // A name that code page 932 cannot spell exactly matches no name of
      // ours: "" tells the caller the file is not the one it expects.
      bool exact = true;
      std::string narrow = enc::Narrow(name, &exact);
      return exact ? narrow : std::string();
    }
    buf.resize(n + 1);
  }
  return {};
}

}  // namespace

std::string FinalPathOf(const std::string& path) {
  const Handle h(OpenEntry(path, FILE_READ_ATTRIBUTES));
  return h.IsOpen() ? FinalName(h.Get()) : std::string();
}

TExactDelete DeleteExactly(const std::string& path, const std::string& expected_final) {
  const Handle h(OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES));
  if (!h.IsOpen()) return TExactDelete::kMissing;
  const std::string final_name = FinalName(h.Get());
  if (final_name.empty() || !sjis::EqualsNoCase(final_name, expected_final)) return TExactDelete::kElsewhere;
  FILE_BASIC_INFO basic = {};
  if (!GetFileInformationByHandleEx(h.Get(), FileBasicInfo, &basic, sizeof basic)) return TExactDelete::kFailed;
  const bool link = (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) return TExactDelete::kFolder;
  if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
    // Times of 0 are left as they are.
    FILE_BASIC_INFO cleared = {};
    cleared.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (cleared.FileAttributes == 0) cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(h.Get(), FileBasicInfo, &cleared, sizeof cleared);
  }
  FILE_DISPOSITION_INFO dispose = {};
  dispose.DeleteFile = TRUE;
  return SetFileInformationByHandle(h.Get(), FileDispositionInfo, &dispose, sizeof dispose) ? TExactDelete::kDeleted
                                                                                            : TExactDelete::kFailed;
}
