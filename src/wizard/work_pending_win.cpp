// The copy work of an installation and the deletion work of an uninstallation
// are not part of the program yet. Both stop at once, claiming nothing: the
// wizard stays on the work's page, where only the Abort button acts.
#include "wizard/insttype_win.h"

bool RunCopyWork(TFormType&) { return false; }

bool RunDeleteWork(TFormType& wizard) {
  wizard.btnNext->SetVisible(false);  // the deletion page has no way forward of its own
  return false;
}
