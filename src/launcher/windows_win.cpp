#include "launcher/windows_win.h"

#include "launcher/main_form_win.h"
#include "launcher/start_win.h"

LauncherResult ShowLauncherWindow() {
  TFormStart form;
  LauncherResult r;
  r.ok = form.ShowModal() == mrOk;
  r.launcher_choice = form.LauncherChoice;
  return r;
}

WizardResult RunWizard(const TWizardContext& context) {
  TFormMain background;
  background.Show();
  return background.RunWizard(context);
}
