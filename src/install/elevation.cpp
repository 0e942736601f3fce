#include "install/elevation.h"

#include "base/format.h"

TFolderAccess FolderAccessOf(unsigned long trial_error) {
  constexpr unsigned long kAccessDenied = 5, kPrivilegeNotHeld = 1314;  // the system's codes
  if (trial_error == 0) return TFolderAccess::kWritable;
  return trial_error == kAccessDenied || trial_error == kPrivilegeNotHeld ? TFolderAccess::kDenied
                                                                          : TFolderAccess::kUnknown;
}

TElevationStep ElevationStep(const TElevationFacts& facts) {
  if (facts.access != TFolderAccess::kDenied || facts.elevated || facts.restarted || facts.network)
    return TElevationStep::kGoOn;
  return facts.unattended ? TElevationStep::kRefuse : TElevationStep::kAsk;
}

std::string ElevationQuestion(const std::string& folder, bool uninstall) {
  return Format(uninstall ? "%s\r\nこのフォルダのファイルを削除するには管理者の権限が必要です。\r\n管理者として続行しますか？"
                          : "%s\r\nこのフォルダにインストールするには管理者の権限が必要です。\r\n管理者として続行しますか？",
                folder.c_str());
}

std::string ElevationRefusal(const std::string& folder, bool uninstall) {
  return Format(uninstall ? "administrator rights are needed to delete the files of %s; this run has none"
                          : "administrator rights are needed to install into %s; this run has none",
                folder.c_str());
}

std::string OtherAccountWarning(const std::string& account, bool uninstall) {
  return Format(uninstall ? "管理者として別のアカウント（%s）で実行されています。\r\n"
                            "削除されるショートカットとインストールの記録は、このアカウントのものです。\r\n"
                            "続行しますか？"
                          : "管理者として別のアカウント（%s）で実行されています。\r\n"
                            "ショートカットとインストールの記録は、セットアップを始めたアカウントではなく、"
                            "このアカウントに作られます。\r\n続行しますか？",
                account.c_str());
}

bool IsSidText(const std::string& text) {
  // "S-1-" then dash-separated decimal numbers, none empty; the longest
  // real one (15 sub-authorities) stays well under 200 characters.
  if (text.size() < 5 || text.size() > 200 || text.compare(0, 4, "S-1-") != 0) return false;
  bool digit_seen = false;
  for (size_t i = 4; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit_seen = true;
    } else if (c == '-' && digit_seen) {
      digit_seen = false;
    } else {
      return false;
    }
  }
  return digit_seen;
}

std::string TrialLeftText(const std::string& trial_folder, const std::string& reason, bool removal_scheduled) {
  return Format(removal_scheduled ? "the trial folder %s could not be removed (%s); the system removes it at the next restart"
                                  : "the trial folder %s could not be removed (%s); it is left behind: remove it by hand",
                trial_folder.c_str(), reason.c_str());
}

std::string TrialFolderName(unsigned long process_id, unsigned long tick) {
  return Format("~zi-write-trial-%lx-%lx.tmp", process_id, tick);
}
