#include "launcher/silent_run_win.h"

#include <windows.h>

#include <optional>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "launcher/exit_codes.h"
#include "install/temporary_program.h"
#include "os/console_win.h"
#include "os/elevation_win.h"
#include "os/files_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "install/copy_work_win.h"
#include "install/delete_work_win.h"
#include "install/destination.h"
#include "install/destination_facts_win.h"
#include "install/elevation.h"
#include "install/logged_observer.h"
#include "install/selection.h"

namespace {

// The silent observer, with the log in front of it when there is one.
class RunObserver {
 public:
  RunObserver(TRunLog* log, std::string medium_folder, std::vector<std::string> disc_folders)
      : silent_(std::move(medium_folder), std::move(disc_folders)) {
    if (log) logged_.emplace(silent_, *log);
  }
  TWorkObserver& Get() { return logged_ ? static_cast<TWorkObserver&>(*logged_) : silent_; }

 private:
  TSilentObserver silent_;
  std::optional<TLoggedObserver> logged_;
};

// Why the run failed, in the log and on the parent's output: an unattended
// run without a log still says why it ended.
int Fail(TRunLog* log, int code, const std::string& text) {
  if (log) log->Error(text);
  WriteToParentConsole(text);
  return code;
}

// An unattended run never asks for administrator rights: without them
// where it has to write, it ends before any work.
bool LacksRights(const std::string& folder, TRunLog* log = nullptr) {
  TElevationFacts facts;
  facts.access = TrialFolderAccess(folder, log);
  facts.elevated = ProcessIsElevated();
  facts.network = IsNetworkFolder(folder);
  facts.unattended = true;
  return ElevationStep(facts) == TElevationStep::kRefuse;
}

// The install folder the run uses, judged as the wizard's folder page judges
// it, free space included.
TDestinationResult TargetFolder(const TWizardContext& context, const TRunSwitches& switches, int64_t need_bytes,
                                bool builds_data) {
  const TZefoInstallSet& s = *context.settings;
  std::string folder_text;
  if (s.IsSystemInstall()) {
    if (context.log && !switches.dir.empty())
      context.log->Line("a system install goes to the Windows folder; /dir is not used");
    folder_text = WindowsFolder();
  } else {
    folder_text = !switches.dir.empty()
                      ? switches.dir
                      : ProposeFolder(s, s.ReadValue("InstallPath", ""), SpecialFolderPath(kCsidlProgramFiles),
                                      WindowsFolder(), [](const std::string& f) { return fs::DirectoryExists(f); })
                            .edit_text;
  }
  return JudgeDestination(DestinationFactsFor(context, folder_text, need_bytes, builds_data));
}

}  // namespace

int RunSilentInstall(const TWizardContext& context, const TRunSwitches& switches) {
  TZefoInstallSet& s = *context.settings;
  TRunLog* log = context.log;
  if (log) log->Line(Format("silent install of %s from %s", s.Title.c_str(), context.source_folder.c_str()));

  TCopyChoices choices;
  choices.open_windows = false;
  choices.all_disks = switches.disc == TRunSwitches::Discs::kDefault ? AllDisksPreselected(s)
                                                                       : switches.disc == TRunSwitches::Discs::kAll;
  const bool everything = !switches.components_given || s.InstallsAllComponents();
  choices.data = everything || switches.data;
  choices.sound = everything || switches.sound;
  choices.movie = everything || switches.movie;

  const int64_t need_bytes = CalcNeedBytes(s, {choices.all_disks, choices.data, choices.sound, choices.movie});
  const TDestinationResult destination = TargetFolder(context, switches, need_bytes, choices.data);
  if (destination.verdict != TDestinationVerdict::kUsable && destination.verdict != TDestinationVerdict::kTooLittleSpace)
    return Fail(log, kExitBadFolder, destination.log_text);
  choices.target_dir = destination.target;
  if (LacksRights(choices.target_dir, log)) return Fail(log, kExitBadFolder, ElevationRefusal(choices.target_dir, false));
  if (log && !destination.add_on_log_text.empty()) log->Line(destination.add_on_log_text);
  if (log)
    log->Line(Format("folder %s; components program%s%s%s; %s; %lld bytes needed", choices.target_dir.c_str(),
                     choices.data ? ",data" : "", choices.sound ? ",sound" : "", choices.movie ? ",movie" : "",
                     choices.all_disks ? "every disc" : "this disc", static_cast<long long>(need_bytes)));
  if (destination.verdict == TDestinationVerdict::kTooLittleSpace) return Fail(log, kExitNoSpace, destination.log_text);
  if (log && !destination.free_mb)
    log->Line("the free space of " + destination.root + " is not known; it is not judged");

  RunObserver observer(log, context.source_folder, switches.disc_folders);
  TCopyWork work(context, choices, observer.Get());
  TWorkOutcome outcome;
  try {
    outcome = work.Run();
  } catch (const std::exception& e) {
    return Fail(log, kExitFailed, e.what());
  }
  if (outcome == TWorkOutcome::kFinished) {
    if (log) log->Line(Format("install finished: %lld bytes copied", static_cast<long long>(work.CopiedBytes())));
    return kExitSuccess;
  }
  switch (work.StopReason()) {
    case TCopyStop::kNoDisc: return Fail(log, kExitNoDisc, "install stopped: a disc is missing");
    case TCopyStop::kVerifyFailed: return Fail(log, kExitVerifyFailed, "install stopped: the data file did not verify");
    case TCopyStop::kFolderFailed: return Fail(log, kExitBadFolder, "install stopped: a folder could not be created");
    case TCopyStop::kStopped:
    case TCopyStop::kNone: break;
  }
  return Fail(log, kExitCancelled, "install stopped");
}

int RunSilentUninstall(const TWizardContext& context, const TRunSwitches& switches) {
  TRunLog* log = context.log;
  const std::string folder = context.source_folder;
  if (log) log->Line(Format("silent uninstall of %s in %s", context.settings->Title.c_str(), folder.c_str()));
  if (LacksRights(folder)) return Fail(log, kExitBadFolder, ElevationRefusal(folder, true));
  RunObserver observer(log, folder, {});
  TDeleteChoices choices;
  choices.delete_save_data = switches.delete_save;
  TDeleteWork work(*context.settings, folder, choices, observer.Get());
  TWorkOutcome outcome;
  try {
    outcome = work.Run();
  } catch (const std::exception& e) {
    return Fail(log, kExitFailed, e.what());
  }
  if (outcome == TWorkOutcome::kClosed) return Fail(log, kExitBadFolder, "uninstall refused: " + folder);
  if (outcome == TWorkOutcome::kIncomplete)
    return Fail(log, kExitFailed,
                Format("uninstall incomplete: %d things could not be removed; the records stay for another run",
                       static_cast<int>(work.Failures().size())));
  if (outcome != TWorkOutcome::kFinished) return Fail(log, kExitCancelled, "uninstall stopped");
  if (log) log->Line(fs::DirectoryExists(folder) ? "uninstall finished; the folder stays (see above for what is left in it)"
                                                 : "uninstall finished; the folder is gone");
  return kExitSuccess;
}
