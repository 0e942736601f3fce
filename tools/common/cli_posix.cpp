#include "common/cli.h"

#include <sys/stat.h>
#include <unistd.h>

#include "base/fs.h"

namespace tools {

std::vector<std::string> Arguments(int argc, char** argv) {
  // The tools run under a UTF-8 locale on the build machines.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

void BinaryStdout() {}

void BinaryStdin() {}

bool IsReadOnlyFile(const std::string& sjis_path) {
  struct stat st;
  // Root may write anyway: the permission bits say what the owner meant.
  return stat(fs::NativePath(sjis_path).c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool MakeWritable(const std::string& sjis_path) {
  struct stat st;
  const std::string path = fs::NativePath(sjis_path);
  return stat(path.c_str(), &st) == 0 && chmod(path.c_str(), st.st_mode | S_IWUSR) == 0;
}

bool StderrIsTerminal() { return isatty(2) != 0; }

}  // namespace tools
