#include "common/wizard_win.h"

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/paths.h"
#include "forms/message_dialog_win.h"

namespace testing_support {

bool Wizard::WaitExit(int timeout_ms) const {
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid_);
  if (!h) return true;
  const bool ended = WaitForSingleObject(h, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
  CloseHandle(h);
  return ended;
}

void StartCopyFromMediaPage(const Wizard& w, const std::string& target) {
  ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
  w.Click(kIdBtnNext);
  WalkToConfirmPage(w, target, {});
  w.Click(kIdBtnNext);
}

void WalkToFolderPage(const Wizard& w, WizardComponents components) {
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストールするファイル"));
  if (components.data) w.Click(kIdCheckData);
  if (components.sound) w.Click(kIdCheckSound);
  if (components.movie) w.Click(kIdCheckMovie);
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール先の選択"));
}

void WalkToConfirmPage(const Wizard& w, const std::string& target, WizardComponents components,
                       bool yes_to_low_space) {
  ASSERT_NO_FATAL_FAILURE(WalkToFolderPage(w, components));
  w.SetText(kIdEditDir, enc::Wide(RemoveTrailingDelimiter(target)));
  w.Click(kIdBtnNext);
  if (!yes_to_low_space) {
    ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
    return;
  }
  ASSERT_TRUE(driver::WaitUntil(
      [&] {
        if (w.Caption() == L"インストール準備完了") return true;
        if (driver::WaitForWindow(w.Pid(), kMessageDialogClass, 0)) w.Answer(IDYES);
        return false;
      },
      30000));  // a full drive's question can be slow to come
}

}  // namespace testing_support
