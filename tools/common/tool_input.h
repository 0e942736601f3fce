// What the tools do with the inputs named on their command lines: take a path
// argument as the program's Shift-JIS, read a whole input file (or standard
// input), and word the program's errors about a file after the name the user
// typed. Failures throw ToolError (see common/run_main.h).
#pragma once

#include <string>
#include <string_view>

namespace tools {

// A path argument (UTF-8) in Shift-JIS, converted exactly (see
// Utf8PathToSjis). Throws ToolError (code 2, "ARG: cannot be written in code
// page 932") when code page 932 cannot spell it.
std::string PathArgument(const std::string& utf8);

// The bytes of the file named by a UTF-8 argument, or of standard input for
// "-". Throws ToolError (code 2): "standard input: cannot read",
// "ARG: no such file", "ARG: is a folder", or "ARG: " and the reason.
std::string ReadInput(const std::string& utf8_path);

// The program's message about a file (Shift-JIS, "PATH:what happened") in
// UTF-8 without the leading "PATH:", for a line that names the file as the
// user typed it.
std::string ErrorDetail(std::string_view sjis_message, const std::string& sjis_path);

}  // namespace tools
