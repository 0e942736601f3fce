// instdat: reads and writes the package settings file install.dat on a build
// machine. Strings are UTF-8 in JSON and Shift-JIS in the file.
//
//   instdat dump FILE        the settings as one JSON object (any file version)
//   instdat build JSON OUT   writes OUT (version 107) from a JSON object
//
// Exit codes: 0 success, 2 usage or unreadable input (one line on stderr).
#include <iostream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/errors.h"
#include "common/cli.h"
#include "common/json_value.h"
#include "settings/install_set.h"
#include "settings_json.h"

namespace {

class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

const char kUsage[] = "usage: instdat dump FILE | instdat build JSON OUT";

std::string PathArg(const std::string& utf8) {
  std::string path;
  if (!tools::Utf8ToSjisExact(utf8, &path)) throw UsageError("path cannot be written in code page 932: " + utf8);
  return path;
}

std::string ReadAll(const std::string& utf8_path) {
  TMemoryStream m;
  m.LoadFromFile(PathArg(utf8_path));
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "dump") {
    TZefoInstallSet s;
    s.LoadFromFile(PathArg(args[1]));
    const std::string json = SettingsToJson(s).Dump() + "\n";
    if (!tools::WriteStdout(json.data(), json.size()) || !tools::FlushStdout())
      throw UsageError("cannot write to standard output");
    return tools::kExitOk;
  }
  if (args.size() == 3 && args[0] == "build") {
    const TZefoInstallSet s = SettingsFromJson(tools::Json::Parse(ReadAll(args[1])));
    s.SaveToFile(PathArg(args[2]));
    return tools::kExitOk;
  }
  throw UsageError(kUsage);
}

}  // namespace

int main(int argc, char** argv) {
  tools::SetProgramName("instdat");
  tools::BinaryStdout();
  try {
    return Run(tools::Arguments(argc, argv));
  } catch (const EError& e) {
    tools::PrintError(enc::SjisToUtf8(e.Message()));  // the program's messages are Shift-JIS
  } catch (const std::exception& e) {
    tools::PrintError(e.what());
  }
  return tools::kExitBadInput;
}
