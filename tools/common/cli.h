// What every publisher's tool does at its boundaries: take its arguments as
// UTF-8, convert names to and from the program's Shift-JIS (code page 932),
// write raw bytes to standard output, and end with an exit code and a
// one-line message.
//
// Exit codes shared by the tools: 0 success, 1 a named thing was not found or
// a check failed, 2 a usage error or input that cannot be read or is damaged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

enum ExitCode : int { kExitOk = 0, kExitNotFound = 1, kExitCheckFailed = 1, kExitUsage = 2, kExitBadInput = 2 };

// The program's arguments after the program name, as UTF-8. On Windows they
// come from the UTF-16 command line, so nothing depends on the ANSI code page.
std::vector<std::string> Arguments(int argc, char** argv);

// The name used as the prefix of every message ("vftool: ...").
void SetProgramName(std::string name);
const std::string& ProgramName();

// UTF-8 -> Shift-JIS for a name given by the user. Returns false (and leaves
// *out unspecified) when a character has no code page 932 form, so that a
// name is never silently changed into another one.
bool Utf8ToSjisExact(std::string_view utf8, std::string* out);
std::string SjisToUtf8(std::string_view sjis);

// A message line on standard error: "<program>: <utf8>\n"; line breaks inside
// the message become "; ".
void PrintError(std::string_view utf8);
// The same, then the process ends with code.
[[noreturn]] void Exit(int code, std::string_view utf8);
// For an exception's message, which is Shift-JIS.
[[noreturn]] void ExitSjis(int code, std::string_view sjis);

// Raw bytes to standard output (binary mode on Windows). Returns false when
// the output could not take them (a closed pipe, a full disk).
bool WriteStdout(const void* data, size_t size);
bool FlushStdout();
// Puts standard output into binary mode (no newline translation on Windows).
void BinaryStdout();

// Reports progress of long work on standard error, at most once a second and
// only once the work has run for a second, so quick runs stay silent.
class Progress {
 public:
  explicit Progress(std::string label_utf8);
  // Prints "<program>: <label> done/total (bytes MiB)" when it is time.
  void Update(int64_t done, int64_t total, int64_t bytes);
  // Prints the final line if anything was printed before.
  void Finish(int64_t done, int64_t total, int64_t bytes);

 private:
  void Print(int64_t done, int64_t total, int64_t bytes);
  std::string label_;
  int64_t start_ms_;
  int64_t last_ms_;
  bool printed_ = false;
};

// Milliseconds of a monotonic clock.
int64_t NowMs();

}  // namespace tools
