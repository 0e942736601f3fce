// Page 8: the deletion work of an uninstallation, shown on the wizard's page.
#include <windows.h>

#include <optional>

#include "base/paths.h"
#include "os/files_win.h"
#include "install/delete_work_win.h"
#include "wizard/insttype_win.h"
#include "install/logged_observer.h"
#include "wizard/wizard_observer_win.h"

TWorkOutcome RunDeleteWork(TFormType& wizard) {
  wizard.btnNext->SetVisible(false);  // the deletion page has no way forward of its own
  wizard.SetCaption("削除");
  // The folder lists stand on the Windows folder, as the work leaves the
  // install folder before deleting it.
  const std::string windows = WindowsFolder();
  if (!windows.empty()) {
    wizard.Drive->SetDrive(windows[0]);
    wizard.Directory->SetDirectory(RemoveTrailingDelimiter(windows));
  }
  TDeleteChoices choices;
  choices.delete_save_data = wizard.CheckDelSave->Visible() && wizard.CheckDelSave->Checked();
  TWizardObserver observer(wizard, wizard.LabelDelTitle, wizard.LabelDel, nullptr);
  std::optional<TLoggedObserver> logged;
  if (TRunLog* log = wizard.Context().log) logged.emplace(observer, *log);
  TDeleteWork work(wizard.Settings(), wizard.SourceFolder(), choices,
                   logged ? static_cast<TWorkObserver&>(*logged) : observer);
  const TWorkOutcome outcome = work.Run();
  if (TRunLog* log = wizard.Context().log)
    log->Line(outcome == TWorkOutcome::kFinished     ? "uninstall finished"
              : outcome == TWorkOutcome::kIncomplete ? "uninstall incomplete: something stays (see above)"
                                                     : "uninstall stopped");
  if (outcome == TWorkOutcome::kFinished) wizard.LabelExit->SetCaption("アンインストールが完了しました");
  // The last page must not say it is done when it is not.
  if (outcome == TWorkOutcome::kIncomplete) wizard.LabelExit->SetCaption("アンインストールは完了していません");
  return outcome;
}
