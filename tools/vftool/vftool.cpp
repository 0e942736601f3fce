#include "vftool/vftool.h"

#include <exception>
#include <new>

#include "archive/decompress.h"
#include "base/fs.h"
#include "common/cli.h"

namespace vftool {
namespace {

const char kUsage[] =
    "usage: vftool list [--json] ARCHIVE\n"
    "       vftool cat ARCHIVE NAME\n"
    "       vftool extract ARCHIVE DIR [NAME...]\n"
    "       vftool pack [--format-version N] [--level N] [--loose PATTERN]... [--ext | --carrier STUB.exe]\n"
    "                   OUT INPUT...\n"
    "       vftool merge DEST SOURCE...\n"
    "       vftool verify ARCHIVE\n"
    "Entry names use \"\\\" between folders. Exit codes: 0 success, 1 entry not found or check failed,\n"
    "2 usage error or unreadable or damaged input.\n";

}  // namespace

std::string SjisArgument(const std::string& utf8) {
  std::string sjis;
  if (!tools::Utf8ToSjisExact(utf8, &sjis)) tools::Exit(tools::kExitUsage, "\"" + utf8 + "\" cannot be written in code page 932");
  return sjis;
}

void OpenArchive(TVrFileCollection& archive, const std::string& utf8_name) {
  const std::string name = SjisArgument(utf8_name);
  if (!fs::FileExists(name) && !fs::DirectoryExists(name)) tools::Exit(tools::kExitBadInput, utf8_name + ": no such file or folder");
  archive.Open(name);
}

int Main(const Args& args) {
  // The same bytes on every system: "\n" line ends, entry contents untouched.
  tools::BinaryStdout();
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    tools::WriteStdout(kUsage, sizeof kUsage - 1);
    return args.empty() ? tools::kExitUsage : tools::kExitOk;
  }
  const std::string& command = args[0];
  const Args rest(args.begin() + 1, args.end());
  try {
    if (command == "list") return List(rest);
    if (command == "cat") return Cat(rest);
    if (command == "extract") return Extract(rest);
    if (command == "pack") return Pack(rest);
    if (command == "merge") return Merge(rest);
    if (command == "verify") return Verify(rest);
  } catch (const EEntryNotFound& e) {
    tools::ExitSjis(tools::kExitNotFound, e.what());
  } catch (const std::bad_alloc&) {
    tools::Exit(tools::kExitBadInput, "out of memory");
  } catch (const std::exception& e) {
    // Archive, stream and format errors carry the program's Shift-JIS texts.
    tools::ExitSjis(tools::kExitBadInput, e.what());
  }
  tools::Exit(tools::kExitUsage, "unknown command \"" + command + "\" (try vftool --help)");
}

}  // namespace vftool
