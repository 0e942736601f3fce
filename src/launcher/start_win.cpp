#include "launcher/start_win.h"

#include "base/fs.h"
#include "base/paths.h"
#include "launcher/picture_win.h"
#include "launcher/startup_rules.h"
#include "os/files_win.h"
#include "os/shell_win.h"

namespace {

TForm::Args FormArgs() {
  TForm::Args a;
  a.caption = "FormStart";  // always replaced by the title
  a.client_width = 265;
  a.client_height = 230;
  a.position = TForm::Position::kScreenCenter;
  return a;
}

}  // namespace

TFormStart::TFormStart(const TWizardContext& context) : TForm(FormArgs()), context_(context) {
  PaintBox = AddGraphic<TDXPaintBox>(ControlBounds{0, 0, 265, 230});
  btnStart = Add<TButton>(TButton::Args{"ゲームスタート", {28, 12, 213, 29}, 0, false, kIdBtnStart});
  btnInstall = Add<TButton>(TButton::Args{"インストール", {28, 64, 213, 29}, 1, false, kIdBtnInstall});
  btnDirectX = Add<TButton>(TButton::Args{"DirectXをインストール", {28, 100, 213, 29}, 2, false, kIdBtnDirectX});
  btnWinMedia =
      Add<TButton>(TButton::Args{"WindowsMediaPlayerをインストール", {28, 136, 213, 29}, 3, false, kIdBtnWinMedia});
  btnExit = Add<TButton>(TButton::Args{"終了", {28, 188, 213, 29}, 0, false, kIdBtnExit});
  btnStart->OnClick = [this] { btnStartClick(btnStart); };
  btnInstall->OnClick = [this] { btnStartClick(btnInstall); };
  btnDirectX->OnClick = [this] { btnDirectXClick(); };
  btnWinMedia->OnClick = [this] { btnWinMediaClick(); };
  btnExit->OnClick = [this] { btnExitClick(); };
  FormCreate();
}

std::string TFormStart::ProgramFolder() const { return AddTrailingDelimiter(ExtractFilePath(ProgramFileName())); }

void TFormStart::FormCreate() {
  TApplication::Instance().SetTitle(Settings().Title);
  SetCaption(Settings().Title);
  const bool installed = Settings().IsGameInstalled();
  btnStart->SetEnabled(installed);
  btnInstall->SetEnabled(true);
  SetDefaultButton(LauncherDefaultChoice(installed) == btnStart->Tag ? btnStart : btnInstall);
  // A picture that cannot be shown is reported; the launcher works without it.
  try {
    ShowSettingsPicture(PaintBox, context_);
  } catch (const std::exception& e) {
    TApplication::Instance().ShowException(e);
  }

  // Runtime setups that are not on the medium (or not offered) leave no gap:
  // the buttons below move up and the window shrinks.
  const int step = btnDirectX->Top() - btnInstall->Top();
  SIZE client = ClientSize();
  const std::string folder = ProgramFolder();
  if (!Settings().OfferRuntimes || !fs::FileExists(folder + "directx\\dxsetup.exe")) {
    btnDirectX->SetVisible(false);
    btnWinMedia->SetTop(btnWinMedia->Top() - step);
    btnExit->SetTop(btnExit->Top() - step);
    client.cy -= step;
  }
  if (!Settings().OfferRuntimes || !fs::FileExists(folder + "winmedia\\mp71.exe")) {
    btnWinMedia->SetVisible(false);
    btnExit->SetTop(btnExit->Top() - step);
    client.cy -= step;
  }
  SetClientSize(client.cx, client.cy);
  PaintBox->SetBounds(0, 0, client.cx, client.cy);  // the box fills the client area
}

void TFormStart::btnStartClick(TButton* sender) {
  LauncherChoice = sender->Tag;
  ModalResult = mrOk;
}

void TFormStart::btnExitClick() { ModalResult = mrCancel; }

// The setup programs start beside the launcher, which stays open; what the
// shell answers does not matter here.
void TFormStart::btnDirectXClick() { ShellOpen(ProgramFolder() + "directx\\dxsetup.exe", "", "", SW_SHOW); }

void TFormStart::btnWinMediaClick() { ShellOpen(ProgramFolder() + "winmedia\\mp71.exe", "", "", SW_SHOW); }
