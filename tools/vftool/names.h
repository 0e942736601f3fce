// Rules for entry names at the tool's boundaries. Entry names are Shift-JIS
// with "\" between folders; only single-byte characters count as delimiters.
#pragma once

#include <string>
#include <string_view>

namespace vftool {

// name with every delimiter ("\" or "/") replaced by the platform's own.
std::string NativeRelativePath(std::string_view name);

// Glob match of name against pattern ignoring ASCII case: "*" any run of
// characters (delimiters included), "?" one character. "/" in the pattern
// matches "\" in the name.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace vftool
