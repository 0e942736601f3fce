// The launcher window and the wizard are not part of the program yet: the
// launcher behaves as closed with Cancel (start-up then ends without
// hand-over) and the wizard as closed at once.
#include "launcher/windows_win.h"

LauncherResult ShowLauncherWindow() { return LauncherResult{}; }

void RunWizard() {}
