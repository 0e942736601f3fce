#include "install/install_journal_win.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/encoding.h"
#include "base/errors.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "os/exact_delete_win.h"
#include "os/files_win.h"
#include "os/registry_win.h"
#include "os/system_error_win.h"
#include "settings/registry_key_rule.h"
#include "install/delete_work_win.h"
#include "install/uninstall_entry_win.h"
#include "install/uninstall_plan.h"
#include "install/uninstall_snapshot_win.h"

namespace {

// The warning names this many of what stays, then how many more.
constexpr size_t kNamedInWarning = 10;

std::string Folder(const std::string& path) { return RemoveTrailingDelimiter(path); }

std::wstring W(const std::string& sjis) { return enc::Wide(sjis); }
std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::string Readable(const std::wstring& w) { return enc::Narrow(w); }

// Names below the install folder take the file system's delimiter.
std::string Backslashed(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

// Carries out a plan, exactly and checked.
class Undo {
 public:
  Undo(const std::string& target_dir, const TZefoInstallSet& s, TWorkObserver& observer)
      : target_(target_dir), s_(s), observer_(observer) {}

  bool Run(const TRollbackPlan& plan) {
    RemoveShortcuts(plan);
    if (plan.entry) RemoveEntry();
    for (const std::string& value : plan.values) RemoveValue(value);
    const TFinalPath install = FinalPathOf(W(Folder(target_)));
    if (install.exists && !install.folder) {
      // The install folder is now a link, or no folder at all: nothing below it is touched.
      Failed(Folder(target_), "no folder of this installation");
      return Report();
    }
    // The folders are about to go: the process must not be working in them.
    SetCurrentDirectoryW(W(WindowsFolder()).c_str());
    if (install.exists) {
      const std::wstring root = install.name + L"\\";
      for (const std::string& file : plan.files) RemoveFile(root, Backslashed(file));
      for (int n = 1; plan.data_volumes; ++n) {
        if (!RemoveFile(root, Format("game.%.3d", n))) break;
      }
      if (failures_.empty()) RemoveFile(root, kJournalFile);
      for (const std::string& folder : plan.folders) RemoveFolder(root + W(Backslashed(folder)));
    }
    for (const std::string& folder : plan.made) {
      const TFinalPath made = FinalPathOf(W(folder));
      if (!made.folder || !RemoveFolder(made.name)) break;
    }
    return Report();
  }

 private:
  void Failed(const std::string& what, const std::string& reason) {
    observer_.Note("not removed: " + what + " (" + reason + ")");
    failures_.push_back(what);
  }

  void RemoveShortcuts(const TRollbackPlan& plan) {
    if (plan.links.empty() && !plan.group) return;
    const std::wstring programs = ProgramsFolder();
    if (programs.empty() || !IsOwnGroupName(s_.Title)) {
      observer_.Note("the shortcuts stay: the program group " + s_.Title + " is none of this installation's");
      return;
    }
    const TFinalPath p = FinalPathOf(programs);
    const std::wstring group = (p.name.empty() ? programs : p.name) + L"\\" + W(s_.Title);
    for (const std::string& name : plan.links) {
      const std::wstring link = group + L"\\" + W(name) + L".lnk";
      switch (DeleteExactly(link, U16(link))) {
        case TExactDelete::kDeleted: observer_.Note("removed the shortcut " + Readable(link)); break;
        case TExactDelete::kMissing: break;
        case TExactDelete::kFailed: Failed(Readable(link), SystemErrorText(GetLastError())); break;
        default: observer_.Note("left alone: " + Readable(link) + " (reached through a link, or a folder)"); break;
      }
    }
    if (plan.group) RemoveFolder(group);
  }

  void RemoveEntry() {
    const std::optional<std::string> at = UninstallEntryLocation(s_.Title);
    if (!at) return;
    if (!sjis::EqualsNoCase(Folder(*at), Folder(target_))) {
      observer_.Note("the installed-programs entry stays: it names " + *at);
      return;
    }
    if (DeleteUninstallEntry(s_.Title)) observer_.Note("removed the installed-programs entry");
    else Failed("the installed-programs entry of " + s_.Title, "the key stays");
  }

  void RemoveValue(const std::string& value) {
    const std::optional<std::string> key = OwnedRegistryKeyPath(s_.RegistryKey);
    if (!key) return;
    // Only the value this run wrote: one naming another folder is not its.
    if (value == "InstallPath" && !sjis::EqualsNoCase(Folder(s_.ReadValue(value, target_)), Folder(target_))) {
      observer_.Note("the registry value " + value + " stays: it names another folder");
      return;
    }
    const RegKey k = RegKey::Open(HKEY_CURRENT_USER, "Software\\" + *key, KEY_ALL_ACCESS);
    if (!k.IsOpen() || !k.HasValue(value)) return;
    if (k.DeleteValue(value)) observer_.Note("removed the registry value " + value);
    else Failed("HKEY_CURRENT_USER\\Software\\" + *key + "\\" + value, SystemErrorText(GetLastError()));
  }

  // False when nothing was there.
  bool RemoveFile(const std::wstring& root, const std::string& rel) {
    const std::wstring path = root + W(rel);
    switch (DeleteExactly(path, U16(path))) {
      case TExactDelete::kDeleted: observer_.Note("removed " + rel); return true;
      case TExactDelete::kMissing: return false;
      case TExactDelete::kFailed: Failed(Readable(path), SystemErrorText(GetLastError())); return true;
      case TExactDelete::kElsewhere: observer_.Note("left alone: " + rel + " (reached through a link)"); return true;
      case TExactDelete::kFolder: observer_.Note("left alone: " + rel + " (a folder)"); return true;
    }
    return true;
  }

  // A folder the run made goes when it is empty; one holding anything else
  // stays (its own files that could not go were named already).
  bool RemoveFolder(const std::wstring& path) {
    OwnedHandle h = OpenFolderExactly(path, U16(path));
    if (!h.IsOpen()) return false;
    if (RemoveOpenFolder(h)) {
      observer_.Note("removed the folder " + Readable(path));
      return true;
    }
    observer_.Note("the folder stays: " + Readable(path) + " (not empty, or in use)");
    return false;
  }

  bool Report() {
    if (failures_.empty()) return true;
    std::string text = "インストールが作ったものの一部を削除できませんでした";
    for (size_t i = 0; i < failures_.size() && i < kNamedInWarning; ++i) text += "\r\n" + failures_[i];
    if (failures_.size() > kNamedInWarning)
      text += Format("\r\nほか %d 個", static_cast<int>(failures_.size() - kNamedInWarning));
    observer_.Warn(text);
    return false;
  }

  const std::string target_;
  const TZefoInstallSet& s_;
  TWorkObserver& observer_;
  std::vector<std::string> failures_;
};

}  // namespace

void TInstallJournal::Begin(const std::string& target_dir, bool go_on) {
  target_ = target_dir;
  int made = 0;
  for (std::string dir = Folder(target_dir); !fs::DirectoryExists(dir); ++made) {
    const std::string parent = ExtractFileDir(dir);
    if (parent.size() >= dir.size()) break;
    dir = parent;
  }
  if (!fs::MakeDirectories(target_dir))
    throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", target_dir.c_str(),
                               SystemErrorText(GetLastError()).c_str()));
  const std::string path = target_dir + kJournalFile;
  OsFile::Options o;
  o.access = OsFile::kWrite;
  o.share = OsFile::Share::kRead;
  // A journal an earlier run could not undo completely goes on: what it
  // still names is undone with this run's records.
  if (go_on) file_ = OsFile::Open(path, o);
  const bool continued = file_.IsOpen() && file_.Seek(0, OsFile::Origin::kEnd) > 0;
  if (!file_.IsOpen()) {
    o.disposition = OsFile::Disposition::kCreateAlways;
    file_ = OsFile::Open(path, o);
  }
  if (!file_.IsOpen())
    throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", path.c_str(),
                               SystemErrorText(OsFile::LastError()).c_str()));
  if (!continued) Write(JournalHeader());
  if (made > 0) Add(TJournalKind::kMade, std::to_string(made));
  made_ = made;
  if (made > 0) made_now_.insert(Folder(target_dir));
}

void TInstallJournal::Write(const std::string& line) {
  if (!file_.IsOpen()) return;
  // A kill keeps what reached the system; nothing is flushed, as for the files themselves.
  if (file_.Write(line.data(), static_cast<int64_t>(line.size())) != static_cast<int64_t>(line.size()))
    throw EWriteError(Format("%s%s\r\nに書き込めません（%s）", target_.c_str(), kJournalFile,
                             SystemErrorText(GetLastError()).c_str()));
}

void TInstallJournal::Add(TJournalKind kind, const std::string& name) { Write(JournalLine({kind, name})); }

bool TInstallJournal::MakeFolders(const std::string& folder) {
  const std::string root = Folder(target_);
  std::vector<std::string> missing;
  for (std::string dir = Folder(folder); dir.size() > root.size() && !fs::DirectoryExists(dir);
       dir = ExtractFileDir(dir))
    missing.push_back(dir.substr(root.size() + 1));
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) Add(TJournalKind::kFolder, *it);
  if (!fs::MakeDirectories(folder)) return false;
  for (const std::string& rel : missing) made_now_.insert(root + "\\" + rel);
  return true;
}

bool TInstallJournal::MadeThisRun(const std::string& folder) const { return made_now_.count(Folder(folder)) > 0; }

void TInstallJournal::File(const std::string& rel) { Add(TJournalKind::kFile, rel); }
void TInstallJournal::Kept(const std::string& rel) { Add(TJournalKind::kKept, rel); }

void TInstallJournal::Shortcuts(const TZefoInstallSet& s) {
  const std::wstring programs = ProgramsFolder();
  if (programs.empty()) return;
  const std::wstring group = programs + L"\\" + W(s.Title);
  if (!FinalPathOf(group).exists) Add(TJournalKind::kGroup);
  for (const std::string& name : OwnShortcutNames(s)) {
    if (!FinalPathOf(group + L"\\" + W(name) + L".lnk").exists) Add(TJournalKind::kLink, name);
  }
}

void TInstallJournal::Complete() {
  if (!file_.IsOpen()) return;
  file_.Close();
  fs::EraseFile(target_ + kJournalFile);
}

bool JournalExists(const std::string& target_dir) { return fs::FileExists(target_dir + kJournalFile); }

bool UndoJournal(const std::string& target_dir, const TZefoInstallSet& settings, TWorkObserver& observer) {
  std::string bytes;
  {
    OsFile::Options o;
    o.access = OsFile::kRead;
    OsFile f = OsFile::Open(target_dir + kJournalFile, o);
    if (!f.IsOpen()) return true;
    const int64_t size = std::min<int64_t>(std::max<int64_t>(f.Size(), 0), kJournalLimit);
    bytes.resize(static_cast<size_t>(size));
    int64_t got = 0;
    while (got < size) {
      const int64_t n = f.Read(&bytes[static_cast<size_t>(got)], size - got);
      if (n <= 0) break;
      got += n;
    }
    bytes.resize(static_cast<size_t>(got));
  }
  const TJournal journal = ParseJournal(bytes, settings);
  for (const std::string& line : journal.refused) observer.Note("journal: refused " + line);
  const TRollbackPlan plan = PlanRollback(journal, target_dir, WindowsFolder(), KeptFolders());
  // A file of that name that is no journal of ours is neither obeyed nor removed.
  if (!journal.valid) return true;
  return Undo(target_dir, settings, observer).Run(plan);
}
