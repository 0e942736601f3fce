#include "wizard/readme_form_win.h"

#include "base/paths.h"
#include "forms/message_dialog_win.h"
#include "install/readme_rules.h"
#include "os/shell_win.h"

namespace {

TForm::Args FormArgs(HWND owner, const std::string& title) {
  TForm::Args a;
  a.caption = title;
  a.client_width = 480;
  a.client_height = 360;
  a.position = TForm::Position::kOwnerCenter;
  a.owner = owner;
  return a;
}

}  // namespace

TReadmeForm::TReadmeForm(HWND owner, const std::string& title, const std::u16string& text)
    : TForm(FormArgs(owner, title)) {
  Text = Add<TMemo>(TMemo::Args{{8, 8, 464, 309}, kIdReadmeText});
  btnClose = Add<TButton>(TButton::Args{"閉じる(&C)", {397, 327, 75, 25}, 0, true, kIdReadmeClose});
  Text->SetWideText(text);
  SetDefaultButton(btnClose);
  SetCancelButton(btnClose);
  btnClose->OnClick = [this] { ModalResult = mrOk; };
}

void OpenReadme(HWND owner, const std::string& file, const std::string& folder) {
  if (ReadmeViewFor(file, GetACP()) == TReadmeView::kShell) {
    ShellOpen(file, "", folder, SW_SHOW);
    return;
  }
  const TReadmeText readme = LoadReadme(file);
  if (!readme.error.empty()) {
    MessageDlg(readme.error, mtWarning, mbOK);
    return;
  }
  TReadmeForm form(owner, ExtractFileName(file), readme.text);
  form.ShowModal();
}
