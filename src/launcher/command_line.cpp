#include "launcher/command_line.h"

std::vector<std::string> SplitCommandLine(const std::string& line) {
  // Trail bytes of Shift-JIS are 0x40 and above: neither a blank nor a quote
  // can be one, so a byte-wise walk is safe.
  std::vector<std::string> out;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    if (i >= line.size()) break;
    std::string param;
    bool quoted = false;
    while (i < line.size() && (quoted || static_cast<unsigned char>(line[i]) > ' ')) {
      if (line[i] == '"') quoted = !quoted;
      else param += line[i];
      ++i;
    }
    out.push_back(std::move(param));
  }
  return out;
}
