#include "launcher/main_form_win.h"

#include "launcher/picture_win.h"
#include "wizard/insttype_win.h"

namespace {

TForm::Args FormArgs() {
  TForm::Args a;
  a.caption = "FormMain";  // always replaced
  a.client_width = 444;    // always replaced by 600 x 400
  a.client_height = 283;
  a.position = TForm::Position::kScreenCenter;
  return a;
}

}  // namespace

TFormMain::TFormMain(const TWizardContext& context) : TForm(FormArgs()), context_(context) {
  // Back to front: the gradient, the picture over it, the footer over both.
  GradBox = AddGraphic<TGradBox>(ControlBounds{0, 0, 444, 283});
  GradBox->SetStartColor(0x00FF0000);  // blue (0x00BBGGRR)
  GradBox->SetEndColor(0x00800000);    // navy
  GradBox->SetGradStep(128);
  PaintBox = AddGraphic<TDXPaintBox>(ControlBounds{0, 0, 444, 283});
  TLabel::Args footer;
  footer.bounds = {0, 271, 444, 12};
  footer.auto_size = false;
  footer.alignment = TLabel::Alignment::kRight;
  footer.background = RGB(0, 0, 0);
  footer.text_color = RGB(0xFF, 0xFF, 0xFF);
  LabelRight = Add<TLabel>(footer);
  FormCreate();
}

void TFormMain::FormCreate() {
  const TZefoInstallSet& s = Settings();
  TApplication::Instance().SetTitle(s.Title);
  SetClientSize(600, 400);
  // Both boxes fill the client area.
  const SIZE client = ClientSize();
  GradBox->SetBounds(0, 0, client.cx, client.cy);
  PaintBox->SetBounds(0, 0, client.cx, client.cy);
  SetCaption(s.UninstallMode ? s.Title + "の削除" : s.GetSetupCaption());
  if (context_.archive) {  // none in uninstall mode
    try {
      ShowSettingsPicture(PaintBox, context_);
    } catch (const std::exception& e) {
      TApplication::Instance().ShowException(e);  // the window goes on without its picture
    }
  }
  // The footer: the text and one space, right-aligned on a black strip 8
  // pixels above the bottom edge, across the whole width.
  LabelRight->SetCaption(s.FooterText + " ");
  const int height = 12;  // the font's height
  LabelRight->SetBounds(0, client.cy - height - 8, client.cx, height);
}

WizardResult TFormMain::RunWizard() {
  TFormType wizard(Handle(), context_);
  WizardResult result;
  result.modal_result = wizard.ShowModal();
  result.work_failed = wizard.WorkFailed();
  result.verify_failed = wizard.DataVerifyFailed;
  result.handed_to_elevated = wizard.HandedToElevatedRun();
  return result;
}
