// TFormMain: the window behind the install and uninstall wizard: a 600 x 400
// panel with a blue gradient, the package's picture and a footer line, titled
// with the setup caption. It owns the modal wizard.
#pragma once

#include "forms/form_win.h"
#include "forms/gradbox_win.h"
#include "forms/label_win.h"
#include "forms/paintbox_win.h"
#include "launcher/windows_win.h"
#include "install/wizard_context.h"

class TFormMain : public TForm {
 public:
  TFormMain();
  // Runs the wizard modally, owned by this window; its modal result.
  WizardResult RunWizard(const TWizardContext& context);

  TGradBox* GradBox;
  TDXPaintBox* PaintBox;
  TLabel* LabelRight;

 private:
  void FormCreate();
};
