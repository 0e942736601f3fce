// instdat: reads and writes the package settings file install.dat on a build
// machine. Strings are UTF-8 in JSON and Shift-JIS in the file.
//
//   instdat dump FILE        the settings as one JSON object (any file version)
//   instdat build JSON OUT   writes OUT (version 107) from a JSON object
//
// Exit codes: 0 success, 2 usage or unreadable input (one line on stderr).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/errors.h"
#include "json.h"
#include "settings_json.h"
#include "settings/install_set.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

const char kUsage[] = "usage: instdat dump FILE | instdat build JSON OUT";

std::string PathArg(const std::string& utf8) {
  bool lossless = true;
  std::string path = enc::Utf8ToSjis(utf8, &lossless);
  if (!lossless) throw UsageError("path cannot be written in code page 932: " + utf8);
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
    std::cout << SettingsToJson(s).Dump() << "\n";
    return 0;
  }
  if (args.size() == 3 && args[0] == "build") {
    const std::string text = ReadAll(args[1]);
    const TZefoInstallSet s = SettingsFromJson(Json::Parse(text));
    s.SaveToFile(PathArg(args[2]));
    return 0;
  }
  throw UsageError(kUsage);
}

}  // namespace

namespace {

// Failures are reported on one line: the program's messages may span several.
void Report(std::string message) {
  std::string line;
  for (char c : message) {
    if (c == '\r') continue;
    if (c == '\n') line += "; ";
    else line += c;
  }
  std::cerr << "instdat: " << line << "\n";
}

}  // namespace

static int Main(const std::vector<std::string>& args) {
  try {
    return Run(args);
  } catch (const EError& e) {
    Report(enc::SjisToUtf8(e.Message()));  // the program's messages are Shift-JIS
  } catch (const std::exception& e) {
    Report(e.what());
  }
  return 2;
}

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring w = argv[i];
    args.push_back(enc::Utf16ToUtf8(std::u16string(w.begin(), w.end())));
  }
  return Main(args);
}
#else
int main(int argc, char** argv) { return Main(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
