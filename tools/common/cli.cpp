#include "common/cli.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "base/encoding.h"

namespace tools {
namespace {
std::string& Name() {
  static std::string name = "tool";
  return name;
}
}  // namespace

void SetProgramName(std::string name) { Name() = std::move(name); }
const std::string& ProgramName() { return Name(); }

bool Utf8ToSjisExact(std::string_view utf8, std::string* out) {
  bool lossless = true;
  *out = enc::Utf8ToSjis(utf8, &lossless);
  // A byte sequence that is not UTF-8 also comes back as U+FFFD -> "?".
  return lossless;
}

std::string SjisToUtf8(std::string_view sjis) {
  // ASCII is the same in both; listings of large archives convert every name.
  for (char c : sjis) {
    if (static_cast<unsigned char>(c) >= 0x80) return enc::SjisToUtf8(sjis);
  }
  return std::string(sjis);
}

void PrintError(std::string_view utf8) {
  // Always one line: the program's own messages may span several.
  std::string line = Name() + ": ";
  for (char c : utf8) {
    if (c == '\r') continue;
    if (c == '\n') line += "; ";
    else line += c;
  }
  line += '\n';
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void Exit(int code, std::string_view utf8) {
  PrintError(utf8);
  std::fflush(stdout);
  std::exit(code);
}

void ExitSjis(int code, std::string_view sjis) { Exit(code, enc::SjisToUtf8(sjis)); }

bool WriteStdout(const void* data, size_t size) { return std::fwrite(data, 1, size, stdout) == size; }

bool FlushStdout() { return std::fflush(stdout) == 0 && !std::ferror(stdout); }

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Progress::Progress(std::string label_utf8) : label_(std::move(label_utf8)), start_ms_(NowMs()), last_ms_(start_ms_) {}

void Progress::Update(int64_t done, int64_t total, int64_t bytes) {
  const int64_t now = NowMs();
  if (now - start_ms_ < 1000 || now - last_ms_ < 1000) return;
  last_ms_ = now;
  Print(done, total, bytes);
}

void Progress::Finish(int64_t done, int64_t total, int64_t bytes) {
  if (printed_) Print(done, total, bytes);
}

void Progress::Print(int64_t done, int64_t total, int64_t bytes) {
  char text[128];
  std::snprintf(text, sizeof text, " %lld/%lld (%lld MiB)", static_cast<long long>(done),
                static_cast<long long>(total), static_cast<long long>(bytes >> 20));
  PrintError(label_ + text);
  printed_ = true;
}

}  // namespace tools
