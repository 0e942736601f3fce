#include "wizard/wizard_observer_win.h"

#include <windows.h>

#include "base/format.h"
#include "forms/message_dialog_win.h"
#include "wizard/insttype_win.h"

void TWizardObserver::Caption(const std::string& text) { caption_->SetCaption(text); }

void TWizardObserver::Status(const std::string& text) {
  if (status_) status_->SetCaption(text);
}

void TWizardObserver::SetBar(int32_t max, int32_t position) {
  if (!progress_) return;
  if (progress_->Max() != max) progress_->SetMax(max);
  progress_->SetPosition(position);
}

void TWizardObserver::ByteProgress(int64_t done, int64_t total) {
  const ProgressBarRange r = ByteProgressRange(done, total);
  SetBar(r.max, r.position);
}

void TWizardObserver::ItemProgress(int32_t index, int32_t last) { SetBar(last, index); }

void TWizardObserver::HideProgress() {
  if (status_) status_->SetVisible(false);
  if (progress_) progress_->SetVisible(false);
}

bool TWizardObserver::StopRequested() {
  TApplication::Instance().ProcessMessages();
  return wizard_.ModalResult == mrAbort;
}

bool TWizardObserver::AskForDisc(int number) {
  for (;;) {
    const int r = MessageDlg(Format("ディスク%dを入れてからOKをクリックしてください", number), mtInformation, mbOK | mbAbort);
    if (r == mrOk) return true;
    if (MessageDlg("インストールを中断しますか？", mtConfirmation, mbYes | mbNo) == mrYes) {
      wizard_.ModalResult = mrAbort;
      return false;
    }
  }
}

void TWizardObserver::Warn(const std::string& text) { MessageDlg(text, mtWarning, mbOK); }

void TWizardObserver::Inform(const std::string& text) { MessageDlg(text, mtInformation, mbOK); }

void TWizardObserver::Pause(int milliseconds) {
  // The window is not answering during the pause, as the work's other steps.
  Sleep(static_cast<DWORD>(milliseconds));
}

void TWizardObserver::BringToFront() { wizard_.BringToFront(); }
