// The log of a run: a UTF-8 text file, one line per event, each stamped with
// the seconds since the log was opened. Texts come in as Shift-JIS (the
// program's strings) and are converted on the way out. Every line is written
// through at once, so a run that is killed leaves everything up to its last
// step in the file.
#pragma once

#include <chrono>
#include <string>

#include "base/os_file.h"

class TRunLog {
 public:
  // Creates (or replaces) the file, or with append writes after what it
  // holds (a run that continues another's log); throws EFCreateError naming
  // it when it cannot be opened. The first line names the program and the
  // local time.
  TRunLog(const std::string& path, const std::string& heading, bool append = false);
  TRunLog(const TRunLog&) = delete;
  TRunLog& operator=(const TRunLog&) = delete;

  // One line; embedded line breaks ("\r\n" of the program's messages) become
  // " / " so each event stays on its line.
  void Line(const std::string& sjis_text);
  // "error: " + text.
  void Error(const std::string& sjis_text) { Line("error: " + sjis_text); }
  double Seconds() const;

 private:
  OsFile file_;
  std::chrono::steady_clock::time_point start_;
};
