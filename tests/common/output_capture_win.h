// A program run with its standard output and error sent to a file, and what
// it wrote there: the unattended runs of install.exe report on that output.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

struct CapturedRun {
  bool started = false;
  bool ended = false;  // by itself, before the timeout (else it was killed)
  DWORD exit_code = 0;
  std::string out;  // the bytes it wrote
};

// Runs command_line from folder with both outputs sent to out_file (created
// anew), waits at most timeout_ms, kills a run still going then, and reads
// out_file.
CapturedRun RunWithOutputToFile(const std::wstring& command_line, const std::string& folder,
                                const std::string& out_file, int timeout_ms);

// What a run wrote to file (UTF-8 there), in Shift-JIS; "<no output>" when
// there is no such file.
std::string OutputOf(const std::string& file);

}  // namespace testing_support
