#include "common/cli.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

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

// A byte sequence that is not UTF-8 comes back as U+FFFD -> "?", which is lossy as well.
bool Utf8PathToSjis(std::string_view utf8, std::string* out) {
  bool lossless = true;
  *out = enc::Utf16ToSjisExact(enc::Utf8ToUtf16(utf8), &lossless);
  return lossless;
}

bool Utf8NameToSjis(std::string_view utf8, std::string* out) {
  bool lossless = true;
  *out = enc::Utf8ToSjis(utf8, &lossless);
  return lossless;
}

std::string SjisToUtf8(std::string_view sjis) {
  // ASCII is the same in both; listings of large archives convert every name.
  for (char c : sjis) {
    if (static_cast<unsigned char>(c) >= 0x80) return enc::SjisToUtf8(sjis);
  }
  return std::string(sjis);
}

std::string ErrorLine(std::string_view utf8) {
  std::string line = Name() + ": ";
  for (char c : utf8) {
    if (c == '\r') continue;
    if (c == '\n') line += "; ";
    else line += c;
  }
  line += '\n';
  return line;
}

void PrintError(std::string_view utf8) {
  const std::string line = ErrorLine(utf8);
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

bool WriteStdout(const void* data, size_t size) { return std::fwrite(data, 1, size, stdout) == size; }

bool ReadStdin(std::string* out) {
  BinaryStdin();
  out->clear();
  char block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, stdin)) > 0;) out->append(block, n);
  return !std::ferror(stdin);
}

bool FlushStdout() { return std::fflush(stdout) == 0 && !std::ferror(stdout); }

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string HumanBytes(int64_t n) {
  char text[32];
  if (n < 1024) std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(n));
  else if (n < (int64_t{10} << 20)) std::snprintf(text, sizeof text, "%.0f KiB", n / 1024.0);
  else if (n < (int64_t{10} << 30)) std::snprintf(text, sizeof text, "%.0f MiB", n / 1048576.0);
  else std::snprintf(text, sizeof text, "%.1f GiB", n / 1073741824.0);
  return text;
}

Progress::Progress(std::string label_utf8, int64_t total, bool shown)
    : label_(std::move(label_utf8)), total_(total), shown_(shown), terminal_(StderrIsTerminal()), start_ms_(NowMs()) {}

Progress::~Progress() { Finish(); }

void Progress::Update(int64_t done) {
  if (!shown_) return;
  const int64_t now = NowMs();
  if (now - start_ms_ < 500 || now - last_ms_ < (terminal_ ? 200 : 1000)) return;
  last_ms_ = now;
  Print(done, now);
}

void Progress::Finish() {
  if (shown_ && terminal_ && width_ > 0) {
    const std::string blank = "\r" + std::string(width_, ' ') + "\r";
    std::fwrite(blank.data(), 1, blank.size(), stderr);
    std::fflush(stderr);
  }
  shown_ = false;
}

void Progress::Print(int64_t done, int64_t now) {
  std::string line = Name() + ": " + label_ + " " + HumanBytes(done);
  if (total_ > 0) {
    char text[64];
    const double part = static_cast<double>(std::min(done, total_)) / static_cast<double>(total_);
    std::snprintf(text, sizeof text, " of %s (%d%%)", HumanBytes(total_).c_str(), static_cast<int>(part * 100));
    line += text;
    if (part > 0.001) {
      const int64_t left = static_cast<int64_t>((now - start_ms_) * (1 - part) / part / 1000);
      std::snprintf(text, sizeof text, ", %lld:%02lld left", static_cast<long long>(left / 60), static_cast<long long>(left % 60));
      line += text;
    }
  }
  if (terminal_) {
    const size_t n = line.size();
    if (n < width_) line.append(width_ - n, ' ');
    width_ = std::max(width_, n);
    line = "\r" + line;
  } else {
    line += "\n";
  }
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace tools
