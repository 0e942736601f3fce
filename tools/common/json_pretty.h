// JSON for people to read: two-space indentation, one member per line,
// arrays of plain values on one line.
#pragma once

#include <string>

#include "common/json_value.h"

namespace tools {

std::string PrettyJson(const Json& value);

}  // namespace tools
