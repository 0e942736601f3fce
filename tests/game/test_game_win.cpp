// A stand-in for a packaged game. While it runs it holds the running-game
// mutex of the folder it was started from, as a game does, and it writes a
// marker file that says where it ran and under which mutex name. It ends
// when a file named like the marker plus ".stop" appears, or after a minute.
//
// The marker's path comes from the environment variable ZI_GAME_MARKER
// (the launcher passes its environment on); without it the game ends at once.
#include <windows.h>

#include <string>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "launcher/running_game.h"
#include "os/files_win.h"
#include "os/mutex_win.h"

namespace {

constexpr int kLifetimeMs = 60000;
constexpr int kPollMs = 50;

std::string Environment(const wchar_t* name) {
  wchar_t buf[1024];
  const DWORD n = GetEnvironmentVariableW(name, buf, 1024);
  return n > 0 && n < 1024 ? enc::Narrow(std::wstring_view(buf, n)) : std::string();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::string marker = Environment(L"ZI_GAME_MARKER");
  if (marker.empty()) return 2;
  const std::string folder = ExtractFilePath(ProgramFileName());
  const std::string mutex_name = RunningGameMutexName(folder);
  NamedMutex running = NamedMutex::Create(mutex_name);
  if (!running.IsHeld()) return 3;
  const std::string text = "folder " + folder + "\r\nmutex " + mutex_name + "\r\n";
  if (!fs::WriteFileReplacing(marker, text.data(), static_cast<int64_t>(text.size()))) return 4;
  const std::string stop = marker + ".stop";
  for (int waited = 0; waited < kLifetimeMs && !fs::FileExists(stop); waited += kPollMs) Sleep(kPollMs);
  return 0;
}
