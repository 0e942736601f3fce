#include "launcher/running_game.h"

#include "base/paths.h"
#include "base/sjis.h"

std::string RunningGameMutexName(const std::string& install_path) {
  return sjis::ReplaceChar(AddTrailingBackslash(sjis::AsciiUpper(install_path)), '\\', '-');
}

std::string InstanceMutexName(const std::string& title) { return sjis::ReplaceChar(title, '\\', '-'); }
