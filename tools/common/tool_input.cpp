#include "common/tool_input.h"

#include "base/encoding.h"
#include "base/errors.h"
#include "base/fs.h"
#include "base/stream.h"
#include "common/cli.h"
#include "common/run_main.h"

namespace tools {

std::string PathArgument(const std::string& utf8) {
  std::string path;
  if (!Utf8PathToSjis(utf8, &path)) throw ToolError(kExitUsage, utf8 + ": cannot be written in code page 932");
  return path;
}

std::string ReadInput(const std::string& utf8_path) {
  if (utf8_path == "-") {
    std::string bytes;
    if (!ReadStdin(&bytes)) throw ToolError(kExitBadInput, "standard input: cannot read");
    return bytes;
  }
  const std::string path = PathArgument(utf8_path);
  if (!fs::FileExists(path))
    throw ToolError(kExitBadInput, utf8_path + (fs::DirectoryExists(path) ? ": is a folder" : ": no such file"));
  TMemoryStream m;
  try {
    m.LoadFromFile(path);
  } catch (const EError& e) {
    throw ToolError(kExitBadInput, utf8_path + ": " + ErrorDetail(e.Message(), path));
  }
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

std::string ErrorDetail(std::string_view sjis_message, const std::string& sjis_path) {
  if (sjis_message.size() > sjis_path.size() && sjis_message.substr(0, sjis_path.size()) == sjis_path &&
      sjis_message[sjis_path.size()] == ':')
    sjis_message.remove_prefix(sjis_path.size() + 1);
  return enc::SjisToUtf8(sjis_message);
}

}  // namespace tools
