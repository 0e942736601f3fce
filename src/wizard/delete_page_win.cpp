// Page 8: the deletion work of an uninstallation, shown on the wizard's page.
// Not part of the program yet: the page stops at once, claiming nothing.
#include "wizard/insttype_win.h"

TWorkOutcome RunDeleteWork(TFormType& wizard) {
  wizard.btnNext->SetVisible(false);  // the deletion page has no way forward of its own
  return TWorkOutcome::kAborted;
}
