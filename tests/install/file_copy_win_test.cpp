// Copying one loose file, to a new name or over the copy of an earlier
// install, in this process: a copy that fails or is stopped at any point
// leaves the earlier file exactly as it was (bytes, time, attributes), or
// nothing where there was nothing, and no temporary file; a complete one
// leaves the source's bytes and time.
#include "install/file_copy_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/errors.h"
#include "base/fs.h"
#include "common/medium_win.h"
#include "common/temp_dir.h"
#include "os/system_error_win.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

constexpr int64_t kMiB = 1 << 20;
constexpr int64_t kNoReadAhead = INT64_MAX;
const std::string kOldBytes = "the good copy of an earlier install";

HANDLE OpenW(const std::string& path, DWORD access, DWORD share) {
  return CreateFileW(enc::Wide(path).c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

FILETIME WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExW(enc::Wide(path).c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

uint64_t Ticks(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

void SetWriteTime(const std::string& path, uint64_t ticks) {
  HANDLE h = OpenW(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
  CloseHandle(h);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(enc::Wide(path).c_str()); }

// A source of three pieces, with bytes that differ from piece to piece.
std::string SourceBytes() {
  std::string bytes(static_cast<size_t>(3 * kMiB), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4093);
  return bytes;
}

// Times of 2001 and 2011, both on whole seconds.
constexpr uint64_t kOldTime = 126227808000000000ull;
constexpr uint64_t kSourceTime = 129384000000000000ull;

struct Files {
  Files() {
    WriteFileBytes(source, SourceBytes());
    SetWriteTime(source, kSourceTime);
  }
  // An earlier install's copy, with these attributes.
  void Old(DWORD attributes) {
    WriteFileBytes(dest, kOldBytes);
    SetWriteTime(dest, kOldTime);
    if (attributes) SetFileAttributesW(enc::Wide(dest).c_str(), attributes);
  }
  ~Files() {
    for (const std::string& f : {dest, TemporaryNameOf(dest)}) SetFileAttributesW(enc::Wide(f).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  TempDir dir;
  std::string source = dir / "medium\\data\\voice.ogg";
  std::string dest = dir / "installed\\data\\voice.ogg";
};

void ExpectOldFileIntact(const Files& f, DWORD attributes) {
  EXPECT_TRUE(ReadFileBytes(f.dest) == kOldBytes) << "the earlier file's bytes changed";
  EXPECT_EQ(Ticks(WriteTime(f.dest)), kOldTime);
  EXPECT_EQ(Attributes(f.dest) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), attributes);
  EXPECT_FALSE(fs::FileExists(TemporaryNameOf(f.dest)));
}

}  // namespace

TEST(FileCopier, ACompleteCopyReplacesTheFileWithTheSourcesBytesAndTime) {
  constexpr DWORD kRo = FILE_ATTRIBUTE_READONLY, kHidden = FILE_ATTRIBUTE_HIDDEN, kSystem = FILE_ATTRIBUTE_SYSTEM;
  const struct {
    const char* what;
    bool old;
    DWORD old_attributes;
    DWORD stale_temp;  // attributes of a temporary file left by a run that was killed (0: none)
    DWORD source_attributes;
    DWORD expected;  // read-only, hidden and system of the copy
    bool read_ahead = false;
  } rows[] = {
      {"no earlier file", false, 0, 0, 0, 0},
      {"no earlier file, a hidden system source", false, 0, 0, kHidden | kSystem, kHidden | kSystem},
      {"a plain earlier file", true, 0, 0, 0, 0},
      {"a read-only earlier file", true, kRo, 0, 0, 0},
      {"a hidden system earlier file", true, kHidden | kSystem, 0, 0, 0},
      {"a read-only temporary file left behind", true, 0, kRo, 0, 0},
      {"a hidden system temporary file left behind", true, 0, kHidden | kSystem, 0, 0},
      {"a hidden read-only source: hidden kept, read-only not", true, kRo, 0, kHidden | kRo, kHidden},
      {"read ahead, no earlier file", false, 0, 0, 0, 0, true},
      {"read ahead, a read-only earlier file", true, kRo, 0, 0, 0, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Files f;
    fs::MakeDirectories(f.dir / "installed\\data\\");
    if (row.old) f.Old(row.old_attributes);
    if (row.stale_temp) {
      WriteFileBytes(TemporaryNameOf(f.dest), "half a file");
      SetFileAttributesW(enc::Wide(TemporaryNameOf(f.dest)).c_str(), row.stale_temp);
    }
    if (row.source_attributes) SetFileAttributesW(enc::Wide(f.source).c_str(), row.source_attributes);

    std::vector<int64_t> reported;
    TFileCopier copier(row.read_ahead ? 0 : kNoReadAhead);
    EXPECT_EQ(copier.Copy(f.source, f.dest, [&](int64_t done) { return reported.push_back(done), true; }), 3 * kMiB);
    SetFileAttributesW(enc::Wide(f.source).c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(reported, (std::vector<int64_t>{kMiB, 2 * kMiB, 3 * kMiB}));
    EXPECT_TRUE(ReadFileBytes(f.dest) == SourceBytes()) << "the copy's bytes differ from the source's";
    EXPECT_EQ(Ticks(WriteTime(f.dest)), kSourceTime);
    EXPECT_EQ(Attributes(f.dest) & (kRo | kHidden | kSystem), row.expected);
    EXPECT_FALSE(fs::FileExists(TemporaryNameOf(f.dest)));
  }
}

// Wine does not hold a ReadFile to another handle's LockFile (the locked
// bytes read fine), so the read errors come from the host: a medium file
// that is a Unix link to /proc/self/mem, whose first bytes the kernel
// refuses (EIO), and a medium file cut short on the host between two pieces.
TEST(FileCopier, AFailedOrStoppedCopyLeavesTheEarlierFileAsItWas) {
  enum class Fault { kReadFails, kCutShort, kStopped, kDestInUse };
  const struct {
    const char* what;
    Fault fault;
    DWORD old_attributes;
    bool old = true;  // false: nothing at dest, the copy goes straight to its name
    bool read_ahead = false;  // the file is read on a worker
  } rows[] = {
      {"the medium reports a read error", Fault::kReadFails, 0},
      {"nothing there before, the medium reports a read error", Fault::kReadFails, 0, false},
      {"nothing there before, the medium file is cut short", Fault::kCutShort, 0, false},
      {"nothing there before, stopped after the first piece", Fault::kStopped, 0, false},
      {"the medium reports a read error, over a read-only file", Fault::kReadFails, FILE_ATTRIBUTE_READONLY},
      {"the medium file is cut short after the first piece", Fault::kCutShort, 0},
      {"stopped after the first piece", Fault::kStopped, 0},
      {"stopped, over a read-only hidden file", Fault::kStopped, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      {"the earlier file is open in another program", Fault::kDestInUse, 0},
      {"the earlier read-only file is open in another program", Fault::kDestInUse, FILE_ATTRIBUTE_READONLY},
      // The worker's failure reaches the caller, and a stop or a refused
      // replacement stops the worker before the written file goes.
      {"read ahead, the medium reports a read error", Fault::kReadFails, 0, false, true},
      {"read ahead, stopped after the first piece", Fault::kStopped, 0, true, true},
      {"read ahead, nothing there before, stopped", Fault::kStopped, 0, false, true},
      {"read ahead, the earlier file is open in another program", Fault::kDestInUse, 0, true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Files f;
    fs::MakeDirectories(f.dir / "installed\\data\\");
    if (row.old) f.Old(row.old_attributes);

    DWORD read_error = 0;
    HANDLE other = INVALID_HANDLE_VALUE;
    if (row.fault == Fault::kReadFails) {
      fs::EraseFile(f.source);
      ASSERT_TRUE(testing_support::RunHostCommand("/bin/ln", {"-s", "/proc/self/mem", testing_support::HostPathOf(f.source)}));
      // The system really fails the read, and says why.
      HANDLE probe = OpenW(f.source, GENERIC_READ, FILE_SHARE_READ);
      ASSERT_NE(probe, INVALID_HANDLE_VALUE);
      char byte = 0;
      DWORD got = 0;
      EXPECT_FALSE(ReadFile(probe, &byte, 1, &got, nullptr));
      read_error = GetLastError();
      CloseHandle(probe);
      ASSERT_NE(read_error, 0u);
    } else if (row.fault == Fault::kDestInUse) {
      // As a running game holds it: without delete sharing.
      other = OpenW(f.dest, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
      ASSERT_NE(other, INVALID_HANDLE_VALUE);
    }

    std::vector<int64_t> reported;
    std::string error;
    int64_t result = 0;
    TFileCopier copier(row.read_ahead ? 0 : kNoReadAhead);
    try {
      result = copier.Copy(f.source, f.dest, [&](int64_t done) {
        reported.push_back(done);
        // The temporary file is written beside the earlier one, never over it.
        EXPECT_EQ(fs::FileExists(TemporaryNameOf(f.dest)), row.old);
        if (row.old) {
          EXPECT_TRUE(ReadFileBytes(f.dest) == kOldBytes) << "the earlier file changed during the copy";
        }
        if (row.fault == Fault::kCutShort && reported.size() == 1) {
          EXPECT_TRUE(testing_support::RunHostCommand(
              "/usr/bin/truncate", {"-s", std::to_string(kMiB + kMiB / 2), testing_support::HostPathOf(f.source)}));
        }
        return row.fault != Fault::kStopped;
      });
    } catch (const EError& e) {
      error = e.what();
    }
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    // Wine does not remove a link to /proc/self/mem itself.
    if (row.fault == Fault::kReadFails) {
      EXPECT_TRUE(testing_support::RunHostCommand("/bin/rm", {testing_support::HostPathOf(f.source)}));
    }

    switch (row.fault) {
      case Fault::kReadFails:
        EXPECT_EQ(reported, std::vector<int64_t>{});
        EXPECT_NE(error.find(f.source + "\r\nを読み込めません（" + SystemErrorText(read_error) + "）"), std::string::npos)
            << error;
        break;
      case Fault::kCutShort:
        EXPECT_EQ(reported, (std::vector<int64_t>{kMiB, kMiB + kMiB / 2}));
        EXPECT_NE(error.find(f.source + "\r\nを読み込めません（" + SystemErrorText(ERROR_HANDLE_EOF) + "）"),
                  std::string::npos)
            << error;
        break;
      case Fault::kStopped:
        EXPECT_EQ(result, -1);
        EXPECT_EQ(reported, std::vector<int64_t>{kMiB});
        EXPECT_EQ(error, "");
        break;
      case Fault::kDestInUse:
        EXPECT_EQ(reported.size(), 3u);
        EXPECT_NE(error.find("ファイルが作成できません\r\n" + f.dest + "（"), std::string::npos) << error;
        break;
    }
    if (row.old) {
      ExpectOldFileIntact(f, row.old_attributes);
    } else {
      EXPECT_FALSE(fs::FileExists(f.dest) || fs::FileExists(TemporaryNameOf(f.dest))) << "a part of a copy was left";
    }
  }
}
