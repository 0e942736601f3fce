#include "install/delete_work_win.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <set>

#include "base/encoding.h"
#include "base/file_name_compare.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "os/exact_delete_win.h"
#include "os/files_win.h"
#include "os/registry_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "install/delete_rules.h"
#include "install/program_group_win.h"
#include "install/uninstall_entry_win.h"
#include "install/uninstall_snapshot_win.h"

namespace {

constexpr int kGroupPauseMs = 3000;
constexpr int kRegistryPauseMs = 1000;
// The warning names this many of what stays, then how many more.
constexpr size_t kNamedInWarning = 10;

std::string ShellFolder(int csidl) {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  // A folder code page 932 cannot spell is named by its short form; one
  // without even that can be no install folder's parent either.
  try {
    return enc::NarrowPath(buf);
  } catch (const EPathError&) {
    return {};
  }
}

std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// For the log and the warning only: a character code page 932 cannot spell shows as "?".
std::string Readable(const std::u16string& path) { return enc::Utf16ToSjisExact(path); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::vector<std::string> KeptFolders() {
  std::vector<std::string> kept = {SpecialFolderPath(kCsidlProgramFiles)};
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                    CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
    kept.push_back(ShellFolder(csidl));
  return kept;
}

void RemoveEmptyFolders(const std::string& folder) {
  const std::string dir = AddTrailingDelimiter(folder);
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(dir, &entries)) return;
  for (const fs::DirEntry& e : entries) {
    if (e.is_directory && !e.is_link) RemoveEmptyFolders(dir + e.name);
  }
  entries.clear();
  if (fs::ListDirectory(dir, &entries) && entries.empty()) fs::EraseDirectory(RemoveTrailingDelimiter(dir));
}

void TDeleteWork::Failed(const std::string& what, const std::string& reason) {
  observer_.Note("not deleted: " + what + " (" + reason + ")");
  failures_.push_back(what);
}

void TDeleteWork::RemoveGroup(const TGroupPlan& group) {
  const std::string& title = settings_.Title;
  if (group.mode == TGroupPlan::TMode::kNone || group.mode == TGroupPlan::TMode::kRefused) {
    observer_.Note(group.why);
    return;
  }
  const std::wstring folder = W(group.folder);
  if (group.mode == TGroupPlan::TMode::kWholeGroup) {
    if (!DeleteProgramGroup(title)) observer_.Note("the shell did not take the command to remove the program group " + title);
    if (!Exists(folder)) {
      observer_.Note("removed the program group " + title);
      return;
    }
  }
  // The shell left it, or it holds more than this installation's shortcuts:
  // they go one by one.
  bool failed = false;
  for (const std::u16string& link : group.own_links) {
    if (DeleteExactly(W(link), link) == TExactDelete::kFailed) {
      const DWORD error = GetLastError();
      Failed(Readable(link), SystemErrorText(error));
      failed = true;
    }
  }
  if (group.mode == TGroupPlan::TMode::kWholeGroup) RemoveDirectoryW(folder.c_str());
  if (!Exists(folder)) observer_.Note("removed the program group " + title);
  else if (!failed) observer_.Note("removed the shortcuts of " + title + "; " + group.why);
  else if (group.mode == TGroupPlan::TMode::kWholeGroup) Failed(Readable(group.folder), "the program group stays");
  if (failed || (group.mode == TGroupPlan::TMode::kWholeGroup && Exists(folder)))
    observer_.Inform("ショートカットの削除に失敗しました");
}

void TDeleteWork::ActOnFile(const TPlannedFile& f) {
  switch (f.verdict) {
    case TFileVerdict::kMissing:
    case TFileVerdict::kFolder:  // recorded names are files; folders go when they are empty
      return;
    case TFileVerdict::kRefusedName:
    case TFileVerdict::kThroughLink:
    case TFileVerdict::kElsewhere: observer_.Note("skipped: " + f.name); return;
    case TFileVerdict::kUnreadable:
      Failed(f.name, SystemErrorText(f.error));
      remaining_.push_back(f.name);
      return;
    case TFileVerdict::kDelete: break;
  }
  if (!running_final_.empty() && SameFileName(f.expected_final, running_final_)) {
    running_program_left_ = true;
    observer_.Note("kept: " + f.name + " (the running uninstaller, moved away at the end)");
    return;
  }
  switch (DeleteExactly(folder_ + enc::Wide(f.name), f.expected_final)) {
    case TExactDelete::kDeleted: observer_.Note("deleted: " + f.name); break;
    case TExactDelete::kElsewhere: observer_.Note("skipped: " + f.name); break;
    case TExactDelete::kMissing:
    case TExactDelete::kFolder: break;
    case TExactDelete::kFailed: {
      const DWORD error = GetLastError();
      Failed(f.name, SystemErrorText(error));
      remaining_.push_back(f.name);
      break;
    }
  }
}

void TDeleteWork::KeepRecords() {
  // install.dat is written again listing what is left (and the records
  // themselves), so that a later run finishes the work once the files are free.
  std::set<std::string> left;
  for (const std::string& name : remaining_) left.insert(sjis::AsciiLower(name));
  TZefoInstallSet kept = settings_;
  kept.InstalledFiles.clear();
  for (const std::string& name : settings_.InstalledFiles) {
    const bool record = sjis::EqualsNoCase(name, "install.dat") || sjis::EqualsNoCase(name, "install.exe");
    if ((record || left.count(sjis::AsciiLower(name))) && IsSafeRelativeName(name)) kept.AddInstalledFile(name);
  }
  const std::string file = folder_text_ + "install.dat";
  try {
    kept.SaveToFile(file);
    observer_.Note(Format("kept the records: install.dat lists the %d files left", static_cast<int>(remaining_.size())));
  } catch (const std::exception& e) {
    observer_.Note(std::string("install.dat could not be written again: ") + e.what());
  }
}

void TDeleteWork::RemoveRegistryRecords(const TUninstallPlan& plan) {
  const TRegistryPlan& r = plan.registry;
  const std::string key = "HKEY_CURRENT_USER\\Software\\" + r.key_path;
  if (r.delete_key) {
    settings_.DeleteRegistryKey();
    if (RegKey::Open(HKEY_CURRENT_USER, "Software\\" + r.key_path, KEY_READ).IsOpen()) Failed(key, "the key stays");
    else observer_.Note("removed the registry key " + r.key_path);
  } else if (!r.key_path.empty()) {
    {
      const RegKey k = RegKey::Open(HKEY_CURRENT_USER, "Software\\" + r.key_path, KEY_ALL_ACCESS);
      for (const std::string& value : r.values) {
        if (k.DeleteValue(value)) observer_.Note("removed the registry value " + value);
        else Failed(key + "\\" + value, SystemErrorText(GetLastError()));
      }
    }
    bool empty;
    {
      const RegKey k = RegKey::Open(HKEY_CURRENT_USER, "Software\\" + r.key_path, KEY_READ);
      empty = k.IsOpen() && k.IsEmpty();
    }
    if (empty && RegKey::Open(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS).DeleteEmptySubKey(r.key_path))
      observer_.Note("removed the empty registry key " + r.key_path);
  }
  if (plan.delete_entry) {
    if (DeleteUninstallEntry(settings_.Title)) observer_.Note("removed the installed-programs entry");
    else Failed("the installed-programs entry " + UninstallEntryName(settings_.Title), "the key stays");
  }
}

TWorkOutcome TDeleteWork::Run() {
  const std::optional<std::string> normal = NormalizeInstallFolder(install_folder_);
  const std::string folder = AddTrailingDelimiter(normal.value_or(install_folder_));
  folder_text_ = folder;
  folder_ = enc::Wide(folder);
  const TUninstallSnapshot snapshot =
      normal ? TakeUninstallSnapshot(settings_, *normal, choices_.delete_save_data) : TUninstallSnapshot();
  const TUninstallPlan plan = PlanUninstall(settings_, install_folder_, choices_.delete_save_data, snapshot);
  if (plan.refused) {
    observer_.Error(RefusedFolderText(install_folder_));
    return TWorkOutcome::kClosed;
  }
  for (const std::string& line : plan.Describe()) observer_.Note(line);
  if (!choices_.running_program.empty()) {
    const TFinalPath running = FinalPathOf(enc::Wide(choices_.running_program));
    running_final_ = std::u16string(running.name.begin(), running.name.end());
  }

  observer_.Caption(settings_.Title + " を削除しています");
  observer_.Status("ショートカットを削除しています...");
  if (observer_.StopRequested()) return TWorkOutcome::kAborted;

  RemoveGroup(plan.group);
  observer_.Pause(kGroupPauseMs);
  observer_.BringToFront();

  // The install folder is about to go: it must not be the current folder.
  SetCurrentDirectoryW(enc::Wide(WindowsFolder()).c_str());

  observer_.Status("ファイルを削除しています...");
  if (observer_.StopRequested()) return TWorkOutcome::kAborted;

  for (const TPlannedFile& f : plan.files) {
    // The records go last, and only when nothing else is left.
    if (f.record && !remaining_.empty()) continue;
    ActOnFile(f);
  }
  if (!remaining_.empty()) KeepRecords();
  RemoveEmptyFolders(folder);

  observer_.Status("レジストリを削除しています...");
  observer_.StopRequested();  // the window answers; the work goes on regardless
  if (remaining_.empty()) RemoveRegistryRecords(plan);
  else observer_.Note("the registry records stay until the files left are removed");
  observer_.Pause(kRegistryPauseMs);

  if (failures_.empty()) return TWorkOutcome::kFinished;
  std::string text = "次のものを削除できませんでした。使用中でないか確かめてから、もう一度アンインストールしてください";
  for (size_t i = 0; i < failures_.size() && i < kNamedInWarning; ++i) text += "\r\n" + failures_[i];
  if (failures_.size() > kNamedInWarning)
    text += Format("\r\nほか %d 個", static_cast<int>(failures_.size() - kNamedInWarning));
  observer_.Warn(text);
  return TWorkOutcome::kIncomplete;
}
