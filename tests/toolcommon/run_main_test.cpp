#include "common/run_main.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>

#include "base/errors.h"
#include "common/cli.h"

namespace {

struct Ran {
  int code;
  std::string err;
};

Ran RunCommand(const std::function<int()>& command, const std::string& subject = "") {
  tools::SetProgramName("tool");
  std::ostringstream err;
  const int code = tools::RunMain(command, err, subject);
  return {code, err.str()};
}

}  // namespace

TEST(RunMain, ACommandThatReturnsEndsWithItsCodeAndNoLine) {
  for (int code : {0, 1, 2}) {
    SCOPED_TRACE(code);
    const Ran r = RunCommand([code] { return code; });
    EXPECT_EQ(r.code, code);
    EXPECT_EQ(r.err, "");
  }
}

TEST(RunMain, EveryFailureEndsWithItsCodeAndOneLineNamingTheProgram) {
  const struct {
    const char* what;
    std::function<int()> command;
    std::string subject;
    int code;
    std::string line;
  } rows[] = {
      {"not found", []() -> int { throw tools::ToolError(tools::kExitNotFound, "a.txt: no such entry"); }, "", 1,
       "tool: a.txt: no such entry\n"},
      {"usage", []() -> int { throw tools::ToolError(tools::kExitUsage, u8"表.txt: cannot be written"); }, "in", 2,
       u8"tool: 表.txt: cannot be written\n"},
      {"several lines", []() -> int { throw tools::ToolError(tools::kExitBadInput, "first\r\nsecond\nthird"); }, "", 2,
       "tool: first; second; third\n"},
      // The program's own messages are Shift-JIS; they are about the subject when there is one.
      {"program error", []() -> int { throw EFormatError("壊れています"); }, "", 2, u8"tool: 壊れています\n"},
      {"program error about the input", []() -> int { throw EFormatError("壊れています"); }, u8"入力.gale", 2,
       u8"tool: 入力.gale: 壊れています\n"},
      {"out of memory", []() -> int { throw std::bad_alloc(); }, "", 2, "tool: out of memory\n"},
      {"other", []() -> int { throw std::runtime_error("thread: resource unavailable"); }, "in", 2,
       "tool: thread: resource unavailable\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Ran r = RunCommand(row.command, row.subject);
    EXPECT_EQ(r.code, row.code);
    EXPECT_EQ(r.err, row.line);
  }
}
