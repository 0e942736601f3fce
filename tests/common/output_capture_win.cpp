#include "common/output_capture_win.h"

#include "base/encoding.h"
#include "base/fs.h"
#include "common/temp_dir.h"

namespace testing_support {

CapturedRun RunWithOutputToFile(const std::wstring& command_line, const std::string& folder,
                                const std::string& out_file, int timeout_ms) {
  CapturedRun r;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE file =
      CreateFileW(enc::Wide(out_file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = file;
  std::wstring command = command_line;
  PROCESS_INFORMATION pi = {};
  r.started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, enc::Wide(folder).c_str(),
                             &si, &pi) != 0;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!r.started) return r;
  r.ended = WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0;
  if (!r.ended) {
    TerminateProcess(pi.hProcess, 255);
    WaitForSingleObject(pi.hProcess, timeout_ms);
  }
  GetExitCodeProcess(pi.hProcess, &r.exit_code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  r.out = ReadFileBytes(out_file);
  return r;
}

std::string OutputOf(const std::string& file) {
  return fs::FileExists(file) ? enc::Utf8ToSjis(ReadFileBytes(file)) : "<no output>";
}

}  // namespace testing_support
