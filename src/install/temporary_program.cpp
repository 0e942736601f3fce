#include "install/temporary_program.h"

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

std::string PlaceUnderTemporaryName(const std::string& temp_folder,
                                    const std::function<bool(const std::string&)>& place) {
  for (int attempt = 0; attempt < kTemporaryProgramNames; ++attempt) {
    const std::string name = temp_folder + TemporaryProgramName(attempt);
    if (place(name)) return name;
  }
  return {};
}
