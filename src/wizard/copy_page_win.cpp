// Page 5: the copy work of an installation, shown on the wizard's page.
#include "wizard/copy_work_win.h"
#include "wizard/insttype_win.h"
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
  choices.need_bytes = wizard.NeedBytes;
  TCopyWork work(wizard.Context(), choices, observer);
  const TWorkOutcome outcome = work.Run();
  wizard.CopiedBytes = work.CopiedBytes();
  return outcome;
}
