#include "common/temp_dir.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "base/stream.h"

#ifdef _WIN32
#include <windows.h>

#include "base/encoding.h"
#else
#include <unistd.h>
#endif

namespace testing_support {
namespace {

std::string TempRoot() {
#ifdef _WIN32
  wchar_t buf[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  return AddTrailingDelimiter(enc::Narrow(std::wstring(buf, n)));
#else
  const char* t = std::getenv("TMPDIR");
  return AddTrailingDelimiter(t && *t ? t : "/tmp");
#endif
}

int ProcessId() {
#ifdef _WIN32
  return static_cast<int>(GetCurrentProcessId());
#else
  return static_cast<int>(getpid());
#endif
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = TempRoot() + "zi-test-" + std::to_string(ProcessId()) + "-" +
                            std::to_string(counter++) + "-" + std::to_string(ticks % 100000);
    if (fs::DirectoryExists(candidate) || fs::FileExists(candidate)) continue;
    if (fs::MakeDirectories(candidate)) {
      path_ = AddTrailingDelimiter(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::operator/(std::string_view relative) const {
  // Lead-byte aware: the 0x5C trail byte of 表 is not a delimiter.
  return path_ + sjis::ReplaceChar(sjis::ReplaceChar(relative, '/', kPathDelimiter), '\\', kPathDelimiter);
}

void RemoveTree(const std::string& path) {
  if (path.empty()) return;
  std::vector<fs::DirEntry> entries;
  if (fs::ListDirectory(path, &entries)) {
    for (const auto& e : entries) {
      const std::string child = AddTrailingDelimiter(path) + e.name;
      if (e.is_directory && !e.is_link) {
        RemoveTree(child);
      } else {
#ifdef _WIN32
        SetFileAttributesW(enc::Wide(child).c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
        if (!fs::EraseFile(child)) fs::EraseDirectory(child);
      }
    }
  }
  fs::EraseDirectory(RemoveTrailingDelimiter(path));
}

std::string ReadFileBytes(const std::string& path) {
  TMemoryStream m;
  m.LoadFromFile(path);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  const std::string dir = ExtractFilePath(path);
  if (!dir.empty() && !fs::MakeDirectories(dir)) throw std::runtime_error("cannot create folder " + dir);
  TFileStream f(path, kFmCreate);
  f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace testing_support
