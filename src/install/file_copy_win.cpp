#include "install/file_copy_win.h"

#include <windows.h>

#include "base/cleanup_guard.h"
#include "base/encoding.h"
#include "base/errors.h"
#include "base/format.h"
#include "base/read_ahead.h"
#include "os/owned_handle_win.h"
#include "os/system_error_win.h"

namespace {

// Large enough that a big file costs few system calls, small enough that
// the progress moves several times a second on a slow medium.
constexpr DWORD kPiece = 1u << 20;
constexpr int kReadAheadBlocks = 4;

std::string Reason() { return SystemErrorText(GetLastError()); }

}  // namespace

std::string TemporaryNameOf(const std::string& dest) { return dest + ".~zi"; }

TFileCopier::TFileCopier(int64_t read_ahead_from)
    : buffer_(new char[kPiece]), read_ahead_from_(read_ahead_from), read_ahead_(kPiece, kReadAheadBlocks) {}
TFileCopier::~TFileCopier() = default;

int64_t TFileCopier::Copy(const std::string& source, const std::string& dest, const Progress& progress) {
  // Few calls per file: under Wine each one costs a round trip to the
  // server, and every lookup of a name that does not exist reads the whole
  // folder (names are matched without regard to case), so an install of tens
  // of thousands of small files pays for each extra one many times over.
  const std::wstring wsource = enc::WidePath(source), wdest = enc::WidePath(dest);
  OwnedHandle in(CreateFileW(wsource.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.IsOpen()) throw EFOpenError(Format("%s\r\nを開けません（%s）", source.c_str(), Reason().c_str()));
  // The source's size and time, without asking for its volume: under Wine
  // GetFileInformationByHandle asks the mount manager for the volume's serial
  // number, which cost more than copying a small file.
  FILE_BASIC_INFO source_basic = {};
  FILE_STANDARD_INFO source_size = {};
  const bool have_info =
      GetFileInformationByHandleEx(in.Get(), FileBasicInfo, &source_basic, sizeof source_basic) &&
      GetFileInformationByHandleEx(in.Get(), FileStandardInfo, &source_size, sizeof source_size);

  // Where nothing is at dest yet, the copy is written straight to its name:
  // there is no earlier file to keep, and the file created here is ours to
  // delete again should the copy fail or be stopped. Anything else (a file of
  // an earlier install, a folder, a name the system refuses) goes the way of
  // a repair below, which keeps the earlier file whole until the new one is.
  OwnedHandle out(CreateFileW(wdest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  const bool straight = out.IsOpen();
  // Setting the end of the new, empty file changes nothing in it; a host
  // file system that delays writing (ext4 under Wine) then starts writing the
  // file back when it is closed, as for a file created over another (and for
  // CopyFileW), instead of leaving all of it to whoever flushes later.
  if (straight) SetEndOfFile(out.Get());
  if (!straight && replacing_) replacing_(dest);
  const std::wstring wtemp = straight ? wdest : enc::WidePath(TemporaryNameOf(dest));

  constexpr DWORD kBlocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (!straight) out = OwnedHandle(CreateFileW(wtemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.IsOpen() && GetLastError() == ERROR_ACCESS_DENIED) {
    // A temporary file left read-only by a run that was killed is ours to replace.
    const DWORD stale = GetFileAttributesW(wtemp.c_str());
    if (stale != INVALID_FILE_ATTRIBUTES && !(stale & FILE_ATTRIBUTE_DIRECTORY) && (stale & kBlocking)) {
      SetFileAttributesW(wtemp.c_str(), stale & ~kBlocking);
      out = OwnedHandle(CreateFileW(wtemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    } else {
      SetLastError(ERROR_ACCESS_DENIED);
    }
  }
  if (!out.IsOpen()) throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), Reason().c_str()));

  // From here on the file written goes unless it was completed (and, for a
  // repair, put in place).
  CleanupGuard remove_temp([&] {
    out.Close();
    DeleteFileW(wtemp.c_str());
  });

  const auto read = [&](uint8_t* buffer, int64_t count) -> int64_t {
    DWORD got = 0;
    if (!ReadFile(in.Get(), buffer, static_cast<DWORD>(count), &got, nullptr))
      throw EReadError(Format("%s\r\nを読み込めません（%s）", source.c_str(), Reason().c_str()));
    return got;
  };
  int64_t done = 0;
  const auto write = [&](const void* data, int64_t count) {
    DWORD put = 0;
    const DWORD n = static_cast<DWORD>(count);
    if (!WriteFile(out.Get(), data, n, &put, nullptr) || put != n) {
      const std::string why = put != n && GetLastError() == 0 ? SystemErrorText(ERROR_DISK_FULL) : Reason();
      throw EWriteError(Format("%s\r\nに書き込めません（%s）", dest.c_str(), why.c_str()));
    }
    done += count;
    return !progress || progress(done);
  };
  const int64_t size = source_size.EndOfFile.QuadPart;
  if (have_info && size >= read_ahead_from_) {
    // A long file is read ahead on a worker while this thread writes, so
    // the two disks work at once. Declared after the guard: the worker has
    // stopped reading before the file written is removed, and before the
    // source is closed.
    TReadAhead::TSource ahead(read_ahead_, read, INT64_MAX);
    for (TReadAhead::TBlock b = ahead.Next(); b.size > 0; b = ahead.Next()) {
      if (!write(b.data, b.size)) return -1;
    }
  } else {
    for (int64_t got; (got = read(reinterpret_cast<uint8_t*>(buffer_.get()), kPiece)) > 0;) {
      if (!write(buffer_.get(), got)) return -1;
    }
  }
  // Fewer bytes than the file held when it was opened: it was cut short
  // meanwhile, and what was read is no whole copy of it.
  if (have_info && done < size)
    throw EReadError(Format("%s\r\nを読み込めません（%s）", source.c_str(), SystemErrorText(ERROR_HANDLE_EOF).c_str()));
  if (have_info) {
    // The source's time; a plain file (archive bit set) that keeps hidden and
    // system, whatever a temporary file left by a killed run had. One call
    // for both, through the handle. A file made new here is plain already:
    // its attributes are set only when the source has hidden or system (0
    // leaves them as they are, which spares Wine a change of mode).
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime = source_basic.LastWriteTime;
    const DWORD kept = source_basic.FileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    basic.FileAttributes = straight && !kept ? 0 : FILE_ATTRIBUTE_ARCHIVE | kept;
    SetFileInformationByHandle(out.Get(), FileBasicInfo, &basic, sizeof basic);
  }
  if (!out.Close()) throw EWriteError(Format("%s\r\nに書き込めません（%s）", dest.c_str(), Reason().c_str()));
  if (straight) {
    remove_temp.Cancel();
    return done;
  }

  // No write-through: a flush per file would cost more than the copy, and
  // the installation counts only once its records, written last and whole,
  // say so.
  // The system refuses to replace a read-only file, and a hidden or system
  // one of an earlier install must not block the new one either. They are
  // cleared only now, and put back when the file could not be replaced.
  const DWORD old = GetFileAttributesW(wdest.c_str());
  const bool cleared = old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) && (old & kBlocking) &&
                       SetFileAttributesW(wdest.c_str(), old & ~kBlocking);
  if (!MoveFileExW(wtemp.c_str(), wdest.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    if (cleared) SetFileAttributesW(wdest.c_str(), old);
    SetLastError(error);
    throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), SystemErrorText(error).c_str()));
  }
  remove_temp.Cancel();
  return done;
}
