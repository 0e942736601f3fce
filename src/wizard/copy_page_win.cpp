// Page 5: the copy work of an installation, shown on the wizard's page.
#include "wizard/insttype_win.h"

TWorkOutcome RunCopyWork(TFormType&) { return TWorkOutcome::kAborted; }
