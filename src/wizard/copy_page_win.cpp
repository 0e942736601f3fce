// Page 5: the copy work of an installation, shown on the wizard's page.
#include <optional>

#include "install/copy_work_win.h"
#include "wizard/insttype_win.h"
#include "install/logged_observer.h"
#include "wizard/wizard_observer_win.h"

TWorkOutcome RunCopyWork(TFormType& wizard) {
  TWizardObserver observer(wizard, wizard.LabelCopyCap, wizard.LabelCopy, wizard.Progress);
  TCopyChoices choices;
  choices.all_disks = wizard.AllDisks();
  // A hidden box keeps its tick, and a ticked hidden box counts.
  choices.data = wizard.CheckData->Checked();
  choices.sound = wizard.CheckSound->Checked();
  choices.movie = wizard.CheckMovie->Checked();
  choices.target_dir = wizard.TargetDir();
  std::optional<TLoggedObserver> logged;
  if (TRunLog* log = wizard.Context().log) logged.emplace(observer, *log);
  TCopyWork work(wizard.Context(), choices, logged ? static_cast<TWorkObserver&>(*logged) : observer);
  TWorkOutcome outcome;
  try {
    outcome = work.Run();
  } catch (const std::exception& e) {
    if (TRunLog* log = wizard.Context().log) log->Error(e.what());
    throw;
  }
  if (TRunLog* log = wizard.Context().log) log->Line(outcome == TWorkOutcome::kFinished ? "install finished" : "install stopped");
  wizard.CopiedBytes = work.CopiedBytes();
  wizard.DataVerifyFailed = work.StopReason() == TCopyStop::kVerifyFailed;
  return outcome;
}
