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
  // context: what the wizard works on; the window shows its settings' title,
  // caption and footer and the picture of its archive.
  explicit TFormMain(const TWizardContext& context);
  // Runs the wizard modally on the context, owned by this window; its modal result.
  WizardResult RunWizard();

  TGradBox* GradBox;
  TDXPaintBox* PaintBox;
  TLabel* LabelRight;

 private:
  void FormCreate();
  const TZefoInstallSet& Settings() const { return *context_.settings; }

  TWizardContext context_;
};
