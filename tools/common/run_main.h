// How every publisher's tool fails: a command throws ToolError (or lets the
// program's own EError through), the stack unwinds so that every guard runs
// (a half-written output is removed, a temporary file erased, the progress
// line cleared), and RunMain, the tool's top level, prints the one message
// line and returns the exit code. Nothing ends the process from inside a
// command.
#pragma once

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace tools {

// A failure to report and end with: the exit code (tools::ExitCode) and the
// message, UTF-8, without the program's name.
class ToolError : public std::runtime_error {
 public:
  ToolError(int code, const std::string& utf8) : std::runtime_error(utf8), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// Runs a tool's chosen command and returns the process's exit code: the
// command's own when it returns. When it throws, one line on err
// ("<program>: <message>", see PrintError) and:
//   ToolError          its code and message;
//   EError             2, its Shift-JIS message in UTF-8, after "subject: "
//                      when subject (UTF-8, the input the command reads) is
//                      not empty;
//   std::bad_alloc     2, "out of memory";
//   std::exception     2, its message.
// Standard output is flushed first, so the line comes after what the command
// wrote there.
int RunMain(const std::function<int()>& command, std::ostream& err, const std::string& subject = "");

}  // namespace tools
