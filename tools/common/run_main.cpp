#include "common/run_main.h"

#include <cstdio>
#include <new>
#include <ostream>

#include "base/encoding.h"
#include "base/errors.h"
#include "common/cli.h"

namespace tools {
namespace {

int Report(std::ostream& err, int code, std::string_view utf8) {
  std::fflush(stdout);
  err << ErrorLine(utf8);
  err.flush();
  return code;
}

}  // namespace

int RunMain(const std::function<int()>& command, std::ostream& err, const std::string& subject) {
  try {
    return command();
  } catch (const ToolError& e) {
    return Report(err, e.code(), e.what());
  } catch (const EError& e) {
    // The program's own messages are Shift-JIS.
    return Report(err, kExitBadInput, (subject.empty() ? "" : subject + ": ") + enc::SjisToUtf8(e.Message()));
  } catch (const std::bad_alloc&) {
    return Report(err, kExitBadInput, "out of memory");
  } catch (const std::exception& e) {
    return Report(err, kExitBadInput, e.what());
  }
}

}  // namespace tools
