// What every publisher's tool does at its boundaries: take its arguments as
// UTF-8, convert names to and from the program's Shift-JIS (code page 932),
// write raw bytes to standard output and message lines to standard error.
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
// A path of the system: converted exactly, as the file system names it
// ("〜" U+301C and "～" U+FF5E are two files).
bool Utf8PathToSjis(std::string_view utf8, std::string* out);
// A name inside an archive or a settings file, typed by a person: the
// characters other systems' input methods type in place of the code page 932
// ones (U+301C for the wave dash, ...) are taken as those.
bool Utf8NameToSjis(std::string_view utf8, std::string* out);
std::string SjisToUtf8(std::string_view sjis);

// A message line: "<program>: <utf8>\n", line breaks inside the message
// becoming "; " (the program's own messages may span several).
std::string ErrorLine(std::string_view utf8);
// The same line on standard error, after flushing standard output: for
// messages that do not end the command (see common/run_main.h for those).
void PrintError(std::string_view utf8);

// Raw bytes to standard output (binary mode on Windows). Returns false when
// the output could not take them (a closed pipe, a full disk).
bool WriteStdout(const void* data, size_t size);
bool FlushStdout();
// Puts standard output and standard error into binary mode (no newline
// translation on Windows).
void BinaryStdout();
void BinaryStdin();

// The whole of standard input (binary mode), or false when it cannot be read.
bool ReadStdin(std::string* out);

// Whether the file at a Shift-JIS path is read-only (no write permission at
// all on Linux, the read-only attribute on Windows), and clearing that.
bool IsReadOnlyFile(const std::string& sjis_path);
bool MakeWritable(const std::string& sjis_path);

// Whether standard error is a terminal (a console on Windows).
bool StderrIsTerminal();

// Progress of long work in bytes, on standard error. On a terminal: one line
// rewritten in place, at most five times a second and only once the work has
// run for half a second ("pack: 412 MiB of 1.0 GiB (40%), 0:12 left").
// Elsewhere, when shown at all: the same as a line of its own once a second.
class Progress {
 public:
  // total: the bytes the work will handle; shown: whether to print at all.
  Progress(std::string label_utf8, int64_t total, bool shown);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void Update(int64_t done);
  // Clears the line on a terminal; further updates print nothing.
  void Finish();

 private:
  void Print(int64_t done, int64_t now);
  std::string label_;
  int64_t total_;
  bool shown_;
  bool terminal_;
  int64_t start_ms_;
  int64_t last_ms_ = 0;
  size_t width_ = 0;  // of the line on the terminal
};

// "412 MiB", "1.0 GiB", "12 KiB", "312 bytes".
std::string HumanBytes(int64_t n);

// Milliseconds of a monotonic clock.
int64_t NowMs();

}  // namespace tools
