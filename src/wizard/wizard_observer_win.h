// The wizard's side of the install and uninstall work: the page's labels and
// progress bar show what the work reports, the message dialogs ask its
// questions, and the wizard's result carries the person's Abort.
#pragma once

#include "forms/label_win.h"
#include "forms/progress_bar_win.h"
#include "install/selection.h"
#include "install/work_observer.h"

class TFormType;

class TWizardObserver : public TWorkObserver {
 public:
  // caption and status: the page's two labels; progress: its bar, or null.
  TWizardObserver(TFormType& wizard, TLabel* caption, TLabel* status, TProgressBar* progress)
      : wizard_(wizard), caption_(caption), status_(status), progress_(progress) {}

  void Caption(const std::string& text) override;
  void Status(const std::string& text) override;
  void ByteProgress(int64_t done, int64_t total) override;
  void ItemProgress(int32_t index, int32_t last) override;
  void HideProgress() override;
  bool StopRequested() override;
  bool AskForDisc(int number, const std::function<bool()>& disc_in) override;
  void Warn(const std::string& text) override;
  void Inform(const std::string& text) override;
  void Error(const std::string& text) override;
  void Pause(int milliseconds) override;
  void BringToFront() override;
  void OpenReadme(const std::string& file, const std::string& folder) override;

 private:
  void SetBar(int32_t max, int32_t position);
  // Puts the latest status text and bar position on the page. Changes come
  // faster than anyone can read them (a file every millisecond or two), and
  // each one re-measures and moves the label: they are shown at most every
  // few hundredths of a second, and always before input is answered.
  void Show(bool now);

  TFormType& wizard_;
  std::string status_text_;
  bool status_pending_ = false;
  ProgressBarRange bar_;
  bool bar_pending_ = false;
  uint64_t shown_at_ = 0;
  uint64_t answered_at_ = 0;  // when StopRequested last let the window draw
  TLabel* caption_;
  TLabel* status_;
  TProgressBar* progress_;
};
