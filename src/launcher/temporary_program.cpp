#include "launcher/temporary_program.h"

#include "base/format.h"
#include "base/sjis.h"

std::string TemporaryProgramName(int attempt) {
  return attempt == 0 ? std::string("~zinstall.exe") : Format("~zinstall%d.exe", attempt - 1);
}

bool IsTemporaryProgramName(const std::string& file_name) {
  const std::string name = sjis::AsciiLower(file_name);
  for (int attempt = 0; attempt < kTemporaryProgramNames; ++attempt) {
    if (name == TemporaryProgramName(attempt)) return true;
  }
  return false;
}
