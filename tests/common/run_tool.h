// Runs one of the built command-line tools and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ToolResult {
  int exit_code = -1;
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// exe: the tool's path as the build names it (a Unix path in the Windows
// build is mapped to Wine's Z: drive); args are UTF-8.
ToolResult RunTool(const std::string& exe, const std::vector<std::string>& args);

}  // namespace testing_support
