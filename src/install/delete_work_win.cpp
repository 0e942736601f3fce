#include "install/delete_work_win.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
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
#include "install/install_journal_win.h"
#include "install/temporary_program.h"
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

// For the log and the warning only: a character code page 932 cannot spell shows as "?".
std::string Readable(const std::u16string& path) { return enc::Utf16ToSjisExact(path); }

}  // namespace

std::vector<std::string> KeptFolders() {
  std::vector<std::string> kept = {SpecialFolderPath(kCsidlProgramFiles)};
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                    CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
    kept.push_back(ShellFolder(csidl));
  return kept;
}

namespace {

std::wstring W16(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// folder is open, and named final; returns whether it was removed.
bool RemoveEmptyBelow(OwnedHandle& folder, const std::wstring& final_name) {
  std::vector<TFolderEntry> entries;
  if (!ListFolder(folder, &entries)) return false;
  size_t left = entries.size();
  for (const TFolderEntry& e : entries) {
    if (!e.is_folder) continue;
    const std::wstring path = final_name + L"\\" + e.name;
    OwnedHandle sub = OpenFolderExactly(path, std::u16string(path.begin(), path.end()));
    if (sub.IsOpen() && RemoveEmptyBelow(sub, path)) --left;
  }
  return left == 0 && RemoveOpenFolder(folder);
}

// The folders in the Start menu's Programs folder, as the file system names them.
std::vector<std::u16string> ProgramsSubfolders() {
  std::vector<std::u16string> names;
  const std::wstring programs = ProgramsFolder();
  if (programs.empty()) return names;
  const TFinalPath p = FinalPathOf(programs);
  const std::wstring final_name = p.name.empty() ? programs : p.name;
  const OwnedHandle h = OpenFolderExactly(final_name, std::u16string(final_name.begin(), final_name.end()));
  std::vector<TFolderEntry> entries;
  if (!h.IsOpen() || !ListFolder(h, &entries)) return names;
  for (const TFolderEntry& e : entries) {
    if (e.is_folder) names.push_back(std::u16string(final_name.begin(), final_name.end()) + u"\\" +
                                     std::u16string(e.name.begin(), e.name.end()));
  }
  return names;
}

}  // namespace

void RemoveEmptyFolders(const std::string& folder) {
  const TFinalPath root = FinalPathOf(enc::Wide(RemoveTrailingDelimiter(folder)));
  if (!root.folder || root.name.empty()) return;
  OwnedHandle h = OpenFolderExactly(root.name, std::u16string(root.name.begin(), root.name.end()));
  if (h.IsOpen()) RemoveEmptyBelow(h, root.name);
}

void TDeleteWork::Failed(const std::string& what, const std::string& reason) {
  observer_.Note("not deleted: " + what + " (" + reason + ")");
  failures_.push_back(what);
}

void TDeleteWork::RemoveOwnLinks(const TGroupPlan& group) {
  bool failed = false;
  for (const std::u16string& link : group.own_links) {
    if (DeleteExactly(W16(link), link) == TExactDelete::kFailed) {
      const DWORD error = GetLastError();
      Failed(Readable(link), SystemErrorText(error));
      failed = true;
    }
  }
  const std::wstring folder = W16(group.folder);
  if (group.remove_folder) {
    OwnedHandle h = OpenFolderExactly(folder, group.folder);
    if (h.IsOpen()) RemoveOpenFolder(h);
  }
  if (!FinalPathOf(folder).exists) observer_.Note("removed the program group " + settings_.Title);
  else if (!failed && !group.remove_folder) observer_.Note("removed the shortcuts of " + settings_.Title + "; " + group.why);
  else if (group.remove_folder) Failed(Readable(group.folder), "the program group stays");
  if (failed || (group.remove_folder && FinalPathOf(folder).exists)) observer_.Inform("ショートカットの削除に失敗しました");
}

void TDeleteWork::RemoveGroup(const TGroupPlan& group) {
  const std::string& title = settings_.Title;
  if (group.mode == TGroupPlan::TMode::kNone || group.mode == TGroupPlan::TMode::kRefused) {
    observer_.Note(group.why);
    return;
  }
  if (group.mode == TGroupPlan::TMode::kOwnLinks) {
    if (!group.why.empty() && group.remove_folder) observer_.Note(group.why);
    RemoveOwnLinks(group);
    return;
  }
  // What went is compared with what was there, by the file system's names:
  // the group's folder must be gone, and nothing else.
  const std::vector<std::u16string> before = ProgramsSubfolders();
  if (!DeleteProgramGroup(title)) observer_.Note("the shell did not take the command to remove the program group " + title);
  const std::vector<std::u16string> after = ProgramsSubfolders();
  for (const std::u16string& folder : before) {
    const bool gone = std::none_of(after.begin(), after.end(), [&](const std::u16string& f) { return SameFileName(f, folder); });
    if (gone && !SameFileName(folder, WithoutTrailingDelimiters(group.folder)))
      Failed(Readable(folder), "the shell removed this folder, which is not the program group " + title);
  }
  if (FinalPathOf(W16(group.folder)).exists) {
    // The shell left it: this installation's shortcuts go one by one.
    TGroupPlan own = group;
    own.remove_folder = true;
    RemoveOwnLinks(own);
  } else {
    observer_.Note("removed the program group " + title);
  }
}

void TDeleteWork::ActOnFile(const TPlannedFile& f) {
  switch (f.verdict) {
    case TFileVerdict::kMissing:
    case TFileVerdict::kFolder:  // recorded names are files; folders go when they are empty
      return;
    case TFileVerdict::kRefusedName:
    case TFileVerdict::kThroughLink:
    case TFileVerdict::kElsewhere: observer_.Note("skipped: " + f.name); return;
    case TFileVerdict::kKeep: observer_.Note("kept: " + f.name + " (its settings file stays)"); return;
    case TFileVerdict::kUnreadable:
      Failed(f.name, SystemErrorText(f.error));
      remaining_.push_back(f.name);
      return;
    case TFileVerdict::kRunning: MoveOut(f); return;
    case TFileVerdict::kDelete: break;
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

void TDeleteWork::MoveOut(const TPlannedFile& f) {
  const std::wstring path = folder_ + enc::Wide(f.name);
  const TFinalPath now = FinalPathOf(path);
  if (!now.exists || now.link || now.folder || !SameFileName(std::u16string(now.name.begin(), now.name.end()), f.expected_final)) {
    observer_.Note("skipped: " + f.name);
    return;
  }
  DWORD error = 0;
  const std::string moved = PlaceUnderTemporaryName(AddTrailingDelimiter(TempFolder()), [&](const std::string& name) {
    if (MoveFileExW(path.c_str(), enc::Wide(name).c_str(), 0)) return true;
    error = GetLastError();
    // Only a name in use is worth another try.
    return false;
  });
  if (!moved.empty()) {
    observer_.Note("moved the running program " + f.name + " out of the folder to " + moved +
                   (ScheduleDeleteAtRestart(moved) ? "; it is deleted at the next restart"
                                                   : "; a later start of install.exe deletes it"));
    return;
  }
  // The temporary folder may lie on another volume, where a running image
  // cannot go. It stays where it is until the restart, and its folder with it.
  const std::string reason = SystemErrorText(error);
  if (ScheduleDeleteAtRestart(folder_text_ + f.name)) {
    ScheduleDeleteAtRestart(RemoveTrailingDelimiter(folder_text_));
    observer_.Note("the running program " + f.name + " could not be moved out of the folder (" + reason +
                   "); it and the emptied folder are deleted at the next restart");
  } else {
    Failed(f.name, "a running program's image, which could not be moved out of the folder (" + reason +
                       ") nor registered for deletion at restart (" + SystemErrorText(GetLastError()) + ")");
  }
}

void TDeleteWork::ClaimRecords(const TUninstallPlan& plan) {
  if (!remaining_.empty()) {
    records_stay_ = true;
    KeepRecords();
    return;
  }
  // Both records are opened for deletion before the registry records that
  // name them go: either both can go, or everything stays for another run.
  for (const TPlannedFile& f : plan.files) {
    if (!f.record) continue;
    if (f.verdict == TFileVerdict::kKeep || f.verdict == TFileVerdict::kUnreadable) {
      records_stay_ = true;
      Failed(f.name, f.verdict == TFileVerdict::kUnreadable ? SystemErrorText(f.error)
                                                            : "kept with its settings file, which cannot be removed");
      continue;
    }
    if (f.verdict != TFileVerdict::kDelete) continue;
    OwnedHandle& claim = sjis::EqualsNoCase(f.name, "install.dat") ? settings_claim_ : uninstaller_claim_;
    const TExactDelete claimed = ClaimExactly(folder_ + enc::Wide(f.name), f.expected_final, claim);
    if (claimed == TExactDelete::kFailed) {
      const DWORD error = GetLastError();
      Failed(f.name, SystemErrorText(error));
      records_stay_ = true;
    }
  }
  if (records_stay_) {
    settings_claim_.Close();
    uninstaller_claim_.Close();
    observer_.Note("the uninstaller, its settings file and the registry records stay for another run");
  }
}

void TDeleteWork::DeleteRecords(const TUninstallPlan& plan) {
  if (records_stay_) return;
  for (const TPlannedFile& f : plan.files) {
    if (!f.record) continue;
    if (f.verdict == TFileVerdict::kRunning) {
      MoveOut(f);
      continue;
    }
    OwnedHandle& claim = sjis::EqualsNoCase(f.name, "install.dat") ? settings_claim_ : uninstaller_claim_;
    if (!claim.IsOpen()) continue;
    if (DeleteClaimed(claim)) observer_.Note("deleted: " + f.name);
    else Failed(f.name, SystemErrorText(GetLastError()));
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

void TDeleteWork::RemoveRegistry(const TRegistryPlan& r) {
  if (records_stay_) return;
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
}

void TDeleteWork::RemoveMadeParents(const std::vector<std::string>& parents) {
  for (const std::string& parent : parents) {
    const TFinalPath f = FinalPathOf(enc::Wide(parent));
    if (!f.folder) return;
    OwnedHandle h = OpenFolderExactly(f.name, std::u16string(f.name.begin(), f.name.end()));
    if (!h.IsOpen() || !RemoveOpenFolder(h)) {
      observer_.Note("the folder " + parent + " stays: it holds what the installation did not make");
      return;
    }
    observer_.Note("removed the folder " + parent + " (made by the install)");
  }
}

void TDeleteWork::RemoveEntry(const TUninstallPlan& plan) {
  if (records_stay_) return;
  if (plan.delete_entry) {
    if (DeleteUninstallEntry(settings_.Title)) observer_.Note("removed the installed-programs entry");
    else Failed("the installed-programs entry " + UninstallEntryName(settings_.Title), "the key stays");
  } else if (!plan.entry_why.empty()) {
    observer_.Note(plan.entry_why);
  }
}

TWorkOutcome TDeleteWork::Run() {
  const std::optional<std::string> normal = NormalizeInstallFolder(install_folder_);
  const std::string folder = AddTrailingDelimiter(normal.value_or(install_folder_));
  folder_text_ = folder;
  folder_ = enc::Wide(folder);
  TUninstallSnapshot snapshot =
      normal ? TakeUninstallSnapshot(settings_, *normal, choices_.delete_save_data) : TUninstallSnapshot();
  TUninstallPlan plan = PlanUninstall(settings_, install_folder_, choices_.delete_save_data, snapshot);
  if (plan.refused) {
    observer_.Error(RefusedFolderText(install_folder_));
    return TWorkOutcome::kClosed;
  }
  // A repair that was killed left what it added, which install.dat does not
  // list: its journal names it, and it goes first.
  if (normal && JournalExists(folder)) {
    observer_.Note("an install into " + folder + " did not end: removing what it created");
    UndoJournal(folder, settings_, observer_);
    snapshot = TakeUninstallSnapshot(settings_, *normal, choices_.delete_save_data);
    plan = PlanUninstall(settings_, install_folder_, choices_.delete_save_data, snapshot);
  }
  for (const std::string& line : plan.Describe()) observer_.Note(line);
  if (!fs::FileExists(folder + "install.dat"))
    observer_.Note(settings_.RegistryKey.empty()
                       ? "install.dat is missing: the uninstaller removes what its installed-programs entry names; the "
                         "entry records no registry key, so a key of the installation is not known and stays"
                       : "install.dat is missing: the uninstaller removes what its installed-programs entry and registry "
                         "key name");

  observer_.Caption(settings_.Title + " を削除しています");
  observer_.Status("ショートカットを削除しています...");
  if (observer_.StopRequested()) return TWorkOutcome::kAborted;

  for (const TUninstallStep step : plan.steps) {
    switch (step) {
      case TUninstallStep::kGroup:
        RemoveGroup(plan.group);
        observer_.Pause(kGroupPauseMs);
        observer_.BringToFront();
        // The install folder is about to go: it must not be the current folder.
        SetCurrentDirectoryW(enc::Wide(WindowsFolder()).c_str());
        observer_.Status("ファイルを削除しています...");
        if (observer_.StopRequested()) return TWorkOutcome::kAborted;
        break;
      case TUninstallStep::kFiles:
        for (const TPlannedFile& f : plan.files) {
          if (!f.record) ActOnFile(f);
        }
        break;
      case TUninstallStep::kClaimRecords: ClaimRecords(plan); break;
      case TUninstallStep::kRegistry:
        observer_.Status("レジストリを削除しています...");
        observer_.StopRequested();  // the window answers; the work goes on regardless
        if (records_stay_) observer_.Note("the registry records stay until the files left are removed");
        RemoveRegistry(plan.registry);
        break;
      case TUninstallStep::kEntry: RemoveEntry(plan); break;
      case TUninstallStep::kRecords: DeleteRecords(plan); break;
      case TUninstallStep::kFolders:
        RemoveEmptyFolders(folder);
        if (fs::DirectoryExists(folder))
          observer_.Note("the install folder stays: it holds what the installation did not record, or is in use");
        else
          RemoveMadeParents(plan.parents);
        break;
    }
  }
  observer_.Pause(kRegistryPauseMs);

  if (failures_.empty()) return TWorkOutcome::kFinished;
  std::string text = "次のものを削除できませんでした。使用中でないか確かめてから、もう一度アンインストールしてください";
  for (size_t i = 0; i < failures_.size() && i < kNamedInWarning; ++i) text += "\r\n" + failures_[i];
  if (failures_.size() > kNamedInWarning)
    text += Format("\r\nほか %d 個", static_cast<int>(failures_.size() - kNamedInWarning));
  observer_.Warn(text);
  return TWorkOutcome::kIncomplete;
}
