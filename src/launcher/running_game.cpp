#include "launcher/running_game.h"

#include "base/sjis.h"

std::string RunningGameMutexName(const std::string& install_path) {
  std::string name = sjis::AsciiUpper(install_path);
  if (!sjis::EndsWithChar(name, '\\')) name += '\\';
  return sjis::ReplaceChar(name, '\\', '-');
}

std::string InstanceMutexName(const std::string& title) { return sjis::ReplaceChar(title, '\\', '-'); }
