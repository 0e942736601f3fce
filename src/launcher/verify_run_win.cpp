#include "launcher/verify_run_win.h"

#include <windows.h>

#include "base/encoding.h"
#include "base/run_log.h"
#include "launcher/exit_codes.h"
#include "wizard/verify_installation.h"

namespace {

// Where the report goes besides the log. A GUI program has no console of its
// own: output redirected by the parent (a file, a pipe) comes as the standard
// handle; a console the parent runs in is reached by attaching to it. A
// console is written in UTF-16, anything else gets UTF-8 like the log.
class TParentOutput {
 public:
  TParentOutput() {
    const HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
    if (given && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
      out_ = given;
    } else if (AttachConsole(ATTACH_PARENT_PROCESS)) {
      attached_ = true;
      out_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
      owned_ = out_ != INVALID_HANDLE_VALUE;
      if (!owned_) out_ = nullptr;
      // The prompt the console printed when the program started stays above the report.
      Write("\r\n");
    }
    DWORD mode = 0;
    console_ = out_ && GetConsoleMode(out_, &mode);
  }
  ~TParentOutput() {
    if (owned_) CloseHandle(out_);
    if (attached_) FreeConsole();
  }
  TParentOutput(const TParentOutput&) = delete;
  TParentOutput& operator=(const TParentOutput&) = delete;

  void Line(const std::string& sjis) { Write(sjis + "\r\n"); }

 private:
  void Write(const std::string& sjis) {
    if (!out_) return;
    DWORD done = 0;
    DWORD mode = 0;
    if (console_ || GetConsoleMode(out_, &mode)) {
      const std::wstring text = enc::Wide(sjis);
      WriteConsoleW(out_, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    } else {
      const std::string text = enc::SjisToUtf8(sjis);
      WriteFile(out_, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    }
  }

  HANDLE out_ = nullptr;
  bool owned_ = false;
  bool attached_ = false;
  bool console_ = false;
};

}  // namespace

int RunVerify(const std::string& install_folder, TRunLog* log) {
  const TInstallationReport report = VerifyInstallation(install_folder);
  TParentOutput output;
  for (const std::string& line : ReportLines(report)) {
    if (log) log->Line(line);
    output.Line(line);
  }
  switch (report.settings) {
    case TInstallationReport::TSettings::kMissing:
    case TInstallationReport::TSettings::kNotInstalled:
      return kExitNoSettings;
    case TInstallationReport::TSettings::kDamaged:
      return kExitVerifyFailed;
    case TInstallationReport::TSettings::kLoaded:
      break;
  }
  return report.Intact() ? kExitSuccess : kExitVerifyFailed;
}
