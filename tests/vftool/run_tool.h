// Runs a built tool in a child process, as a user would from a shell.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
  int code = -1;
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// relative_path is relative to the folder of the running test program;
// arguments are UTF-8.
ToolResult RunTool(const std::string& relative_path, const std::vector<std::string>& args);
