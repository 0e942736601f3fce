#include "wizard/wizard_observer_win.h"

#include <windows.h>

#include "base/format.h"
#include "forms/message_dialog_win.h"
#include "wizard/insttype_win.h"
#include "wizard/readme_form_win.h"

void TWizardObserver::Caption(const std::string& text) { caption_->SetCaption(text); }

namespace {
constexpr uint64_t kShowEvery = 100;  // milliseconds
// How often the disc prompt looks for the disc by itself.
constexpr unsigned kDiscLookEvery = 1000;  // milliseconds
}

void TWizardObserver::Show(bool now) {
  const uint64_t tick = GetTickCount64();
  if (!now && tick - shown_at_ < kShowEvery) return;
  shown_at_ = tick;
  if (status_pending_ && status_ && status_->Caption() != status_text_) status_->SetCaption(status_text_);
  if (bar_pending_) SetBar(bar_.max, bar_.position);
  status_pending_ = bar_pending_ = false;
}

void TWizardObserver::Status(const std::string& text) {
  status_text_ = text;
  status_pending_ = true;
  Show(false);
}

void TWizardObserver::SetBar(int32_t max, int32_t position) {
  if (!progress_) return;
  if (progress_->Max() != max) progress_->SetMax(max);
  progress_->SetPosition(position);
}

void TWizardObserver::ByteProgress(int64_t done, int64_t total) {
  bar_ = ByteProgressRange(done, total);
  bar_pending_ = true;
  Show(false);
}

void TWizardObserver::ItemProgress(int32_t index, int32_t last) {
  bar_ = {last, index};
  bar_pending_ = true;
  Show(false);
}

void TWizardObserver::HideProgress() {
  status_pending_ = bar_pending_ = false;
  if (status_) status_->SetVisible(false);
  if (progress_) progress_->SetVisible(false);
}

bool TWizardObserver::StopRequested() {
  // Answering the window means drawing it, which costs more than a step of
  // the work from the cache: a click, a key or a message posted to it is
  // answered at once, the drawing as often as a person can follow. Messages
  // another program sends (asking for a text) are answered at once too,
  // without drawing.
  const uint64_t tick = GetTickCount64();
  const bool waiting = HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) != 0;
  if (!waiting && tick - answered_at_ < kShowEvery) {
    MSG sent;
    PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return wizard_.ModalResult == mrAbort;
  }
  answered_at_ = tick;
  Show(true);
  TApplication::Instance().ProcessMessages();
  return wizard_.ModalResult == mrAbort;
}

bool TWizardObserver::AskForDisc(int number, const std::function<bool()>& disc_in) {
  Show(true);
  // The prompt leaves the status line and the bar readable: how far the
  // work came is what the person looks at while changing discs.
  RECT keep = {};
  for (TControl* c : {static_cast<TControl*>(status_), static_cast<TControl*>(progress_)}) {
    RECT r;
    if (c && c->Visible() && GetWindowRect(c->Handle(), &r)) UnionRect(&keep, &keep, &r);
  }
  const RECT* keep_clear = IsRectEmpty(&keep) ? nullptr : &keep;
  for (;;) {
    // A disc image mounted on any drive, or the disc put in, closes the
    // prompt as OK would: the person need not come back to click.
    const int r = MessageDlg(Format("ディスク%dを入れてからOKをクリックしてください", number), mtInformation, mbOK | mbAbort,
                             kDiscLookEvery, [&] { return disc_in() ? mrOk : mrNone; }, keep_clear);
    if (r == mrOk) return true;
    if (MessageDlg("インストールを中断しますか？", mtConfirmation, mbYes | mbNo) == mrYes) {
      wizard_.ModalResult = mrAbort;
      return false;
    }
  }
}

void TWizardObserver::Warn(const std::string& text) {
  Show(true);
  MessageDlg(text, mtWarning, mbOK);
}

void TWizardObserver::Inform(const std::string& text) { MessageDlg(text, mtInformation, mbOK); }

void TWizardObserver::Error(const std::string& text) { MessageDlg(text, mtError, mbOK); }

void TWizardObserver::Pause(int milliseconds) {
  // The person reads the window during the pause: what the work said last
  // is drawn first. Input waits, as during the work's other steps.
  Show(true);
  RedrawWindow(wizard_.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(static_cast<DWORD>(milliseconds));
}

void TWizardObserver::BringToFront() { wizard_.BringToFront(); }

void TWizardObserver::OpenReadme(const std::string& file, const std::string& folder) {
  Show(true);
  ::OpenReadme(wizard_.Handle(), file, folder);
}
