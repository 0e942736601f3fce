#include "launcher/verify_run_win.h"

#include "base/run_log.h"
#include "launcher/exit_codes.h"
#include "os/console_win.h"
#include "install/verify_installation.h"

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
