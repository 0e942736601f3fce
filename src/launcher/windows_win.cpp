#include "launcher/windows_win.h"

#include "launcher/main_form_win.h"
#include "launcher/start_win.h"

LauncherResult ShowLauncherWindow(const TWizardContext& context) {
  TFormStart form(context);
  LauncherResult r;
  r.ok = form.ShowModal() == mrOk;
  r.launcher_choice = form.LauncherChoice;
  return r;
}

WizardResult RunWizard(const TWizardContext& context) {
  TFormMain background(context);
  background.Show();
  return background.RunWizard();
}
